#pragma once

#include <QString>

namespace tvx {

class Prompts;

// Asks where the selected stored file should be saved: proposes its name
// without extension in the desktop's Pictures (or Videos) folder, else in
// the home folder, offers BMP and JPEG in picture mode and AVI
// in video mode, and refuses the program's own Picture (or Video) folder.
// Answers the chosen path, with the extension of the chosen type added when
// the user typed none; empty when nothing is selected, on Cancel and on a
// refusal (each with its message through ShowMessage).
QString AskSaveAsTarget(Prompts& prompts, const QString& selectedFile, bool pictureMode,
                        const QString& pictureFolder, const QString& videoFolder,
                        const QString& title);

} // namespace tvx

#pragma once

#include <QString>

namespace tvx {

// The folder the program keeps its own files in (language files, manuals,
// CalibrationIni.ini, CapConfig.dat, filepath.dat …): the executable's folder,
// or $XDG_DATA_HOME/tavolux when that folder is not writable (an installed copy).
// No trailing separator.
QString ProgramFolder();
// Tests and the command line may point the program at another folder; an
// empty path returns to the default.
void SetProgramFolder(const QString& folder);
// Where the read-only files that ship with the program are found: the program
// folder when it has them, else the installed share/tavolux.
QString ShippedFileFolder();
QString ShippedFile(const QString& name);

// program folder + "/CalibrationIni.ini"
QString CalibrationFilePath();

// The user's documents folder, created when missing.
QString DocumentsFolder();

struct StorageFolders {
    QString root;    // <documents>/Orvanti files
    QString video;   // …/Video
    QString picture; // …/Picture
    QString tempDir; // …/TempDir, or what filepath.dat says
};

// Builds the storage paths and creates them in the order root, Video,
// Picture, TempDir. Failures are not reported: later saves report them.
StorageFolders MakeStorageFolders();

} // namespace tvx

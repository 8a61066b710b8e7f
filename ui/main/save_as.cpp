#include "ui/main/save_as.h"

#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/skin/error_sink.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tvx {

namespace {

const char* const kPictureFilters = "Bitmap Files(*.bmp);;JPEG Files(*.jpg)";
const char* const kVideoFilters = "AVI Files(*.avi)";

// The folder part of a path, up to its last separator.
QString folderPart(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// Where the file dialog opens: the desktop's own Pictures (or Videos)
// folder, the usual place for a copy. Our Picture and Video folders are
// refused as targets, so they would be the wrong start.
QString startFolder(bool pictureMode) {
    const QString desktop = QStandardPaths::writableLocation(
        pictureMode ? QStandardPaths::PicturesLocation : QStandardPaths::MoviesLocation);
    return !desktop.isEmpty() && QFileInfo(desktop).isDir() ? desktop : QDir::homePath();
}

} // namespace

QString AskSaveAsTarget(Prompts& prompts, const QString& selectedFile, bool pictureMode,
                        const QString& pictureFolder, const QString& videoFolder,
                        const QString& title) {
    if (selectedFile.isEmpty()) {
        ShowMessage(prompts, title, Text("SelectFile", "Please select an image or video"),
                    Prompts::Icon::Warning);
        return QString();
    }
    const QString name = QFileInfo(selectedFile).fileName();
    const QString proposed =
        QDir(startFolder(pictureMode)).filePath(name.left(std::max<qsizetype>(0, name.size() - 4)));
    const QString ownFolder = QDir::cleanPath(pictureMode ? pictureFolder : videoFolder);
    const QString filters = QString::fromLatin1(pictureMode ? kPictureFilters : kVideoFilters);

    QString chosenFilter;
    QString path = prompts.SaveFileName(title, proposed, filters, &chosenFilter);
    if (path.isEmpty()) return QString();
    path = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (QFileInfo(path).suffix().isEmpty()) {
        if (!pictureMode)
            path += QStringLiteral(".avi");
        else if (chosenFilter.contains(QLatin1String("*.jpg")))
            path += QStringLiteral(".jpg");
        else
            path += QStringLiteral(".bmp");
    }
    // The program's own folders hold what it names and counts itself.
    if (path.size() >= ownFolder.size() &&
        folderPart(path).compare(ownFolder, Qt::CaseInsensitive) == 0) {
        ShowMessage(prompts, QStringLiteral("Save file"),
                    QStringLiteral("Can't save file to temp directory!"), Prompts::Icon::Warning);
        return QString();
    }
    return path;
}

} // namespace tvx

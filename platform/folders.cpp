#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace tvx {

namespace {
QMutex g_folderMutex;
QString g_programFolderOverride; // guarded by g_folderMutex

QString executableFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty()) dir = QDir::currentPath();
    return QDir::cleanPath(dir);
}
} // namespace

void SetProgramFolder(const QString& folder) {
    QMutexLocker lock(&g_folderMutex);
    g_programFolderOverride = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

QString ProgramFolder() {
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_programFolderOverride.isEmpty()) return g_programFolderOverride;
    }
    const QString exe = executableFolder();
    if (QFileInfo(exe).isWritable()) return exe;
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/tavolux");
    QDir().mkpath(data);
    return data;
}

QString ShippedFileFolder() {
    const QString program = ProgramFolder();
    if (QFileInfo::exists(program + QStringLiteral("/English1252.ini"))) return program;
    const QString installed =
        QDir::cleanPath(executableFolder() + QStringLiteral("/../share/tavolux"));
    if (QFileInfo::exists(installed)) return installed;
    return program;
}

QString ShippedFile(const QString& name) {
    return ShippedFileFolder() + QLatin1Char('/') + name;
}

QString CalibrationFilePath() {
    return ProgramFolder() + QStringLiteral("/CalibrationIni.ini");
}

QString DocumentsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) docs = QDir::homePath() + QStringLiteral("/Documents");
    QDir().mkpath(docs);
    return QDir::cleanPath(docs);
}

StorageFolders MakeStorageFolders() {
    StorageFolders f;
    f.root = DocumentsFolder() + QStringLiteral("/Orvanti files");
    f.video = f.root + QStringLiteral("/Video");
    f.picture = f.root + QStringLiteral("/Picture");
    f.tempDir = f.root + QStringLiteral("/TempDir");
    for (const QString* p : {&f.root, &f.video, &f.picture, &f.tempDir})
        QDir().mkdir(*p);
    return f;
}

} // namespace tvx

#include "platform/folders.h"

#include "platform/exclusive_file.h"
#include "platform/regular_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <unistd.h>

namespace tvx {

namespace {
QMutex g_folderMutex;
QString g_programFolderOverride;     // guarded by g_folderMutex
QString g_executableFolderOverride;  // guarded by g_folderMutex
FolderWritableCheck g_writableCheck; // guarded by g_folderMutex

const QString kCalibrationFileName = QStringLiteral("CalibrationIni.ini");
// Every language set ships the English file; its presence marks a folder
// that holds the shipped files.
const QString kLanguageMarker = QStringLiteral("English1252.ini");

QString executableFolder() {
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_executableFolderOverride.isEmpty()) return g_executableFolderOverride;
    }
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty()) dir = QDir::currentPath();
    return QDir::cleanPath(dir);
}

bool folderWritable(const QString& folder) {
    FolderWritableCheck check;
    {
        QMutexLocker lock(&g_folderMutex);
        check = g_writableCheck;
    }
    if (check) return check(folder);
    // access(2) answers for this user and for a read-only mount alike.
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// The shipped file is copied only when `target` does not exist: two starts
// at once, or a file made in between, never lose the user's calibrations.
bool seedFile(const QString& source, const QString& target) {
    QByteArray bytes;
    if (!ReadRegularFile(source, 1024 * 1024, &bytes)) return false;
    Status why;
    const CreateOutcome outcome = WriteFileExclusively(target, bytes, &why);
    if (outcome == CreateOutcome::Failed)
        qWarning("tavolux: could not seed %s: %s", qUtf8Printable(target),
                 qUtf8Printable(why.reason()));
    return outcome == CreateOutcome::Created;
}
} // namespace

void SetProgramFolder(const QString& folder) {
    QMutexLocker lock(&g_folderMutex);
    g_programFolderOverride = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

void SetExecutableFolderForTesting(const QString& folder) {
    QMutexLocker lock(&g_folderMutex);
    g_executableFolderOverride = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

void SetFolderWritableCheckForTesting(FolderWritableCheck check) {
    QMutexLocker lock(&g_folderMutex);
    g_writableCheck = std::move(check);
}

QString ProgramFolder() {
    {
        QMutexLocker lock(&g_folderMutex);
        if (!g_programFolderOverride.isEmpty()) return g_programFolderOverride;
    }
    const QString exe = executableFolder();
    // An installed copy (its files in ../share/tavolux, none beside it) keeps
    // out of the system's bin folder even when it could write there, as root
    // can: files left in /usr/bin would belong to no package.
    const bool installed =
        !IsRegularFile(exe + QLatin1Char('/') + kLanguageMarker) &&
        IsRegularFile(exe + QStringLiteral("/../share/tavolux/") + kLanguageMarker);
    if (!installed && folderWritable(exe)) return exe;
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/tavolux");
    QDir().mkpath(data);
    return QDir::cleanPath(data);
}

QStringList ShippedFileFolders() {
    const QString exe = executableFolder();
    QStringList folders{ProgramFolder(), exe,
                        QDir::cleanPath(exe + QStringLiteral("/../share/tavolux"))};
    folders.removeDuplicates();
    return folders;
}

QString ShippedFileFolder() {
    const QStringList folders = ShippedFileFolders();
    for (const QString& folder : folders)
        if (IsRegularFile(folder + QLatin1Char('/') + kLanguageMarker)) return folder;
    return folders.first();
}

QString ShippedFile(const QString& name) {
    for (const QString& folder : ShippedFileFolders()) {
        const QString path = folder + QLatin1Char('/') + name;
        if (IsRegularFile(path)) return path;
    }
    return ShippedFileFolder() + QLatin1Char('/') + name;
}

QString CameraCalibrationFilePath(const QString& identity, QSize size) {
    if (identity.isEmpty() || size.isEmpty()) return {};
    QString name;
    for (const QChar c : identity)
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('.') ||
                        c == QLatin1Char('-') || c == QLatin1Char('@')
                    ? c
                    : QLatin1Char('_');
    const QString folder = ProgramFolder() + QStringLiteral("/Calibration");
    const QString path = folder + QLatin1Char('/') + name.left(120) +
                         QStringLiteral("_%1x%2.ini").arg(size.width()).arg(size.height());
    return path;
}

QString CalibrationFilePath() {
    const QString program = ProgramFolder();
    const QString path = program + QLatin1Char('/') + kCalibrationFileName;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) return path;
    for (const QString& folder : ShippedFileFolders()) {
        if (folder == program) continue;
        const QString seed = folder + QLatin1Char('/') + kCalibrationFileName;
        if (IsRegularFile(seed)) {
            seedFile(seed, path);
            break;
        }
    }
    return path;
}

bool IsUsableFolder(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path)) return false;
    const QFileInfo info(path);
    return info.isDir() && folderWritable(path);
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

#include "session/still_names.h"

#include "platform/exclusive_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/stat.h>

namespace tvx {

namespace {

QString TimePart(const QDateTime& t) {
    const QDate d = t.date();
    const QTime c = t.time();
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1-%2-%3_%4%5%6")
        .arg(d.year(), 4)
        .arg(two(d.month()), two(d.day()), two(c.hour()), two(c.minute()), two(c.second()));
}

QString CounterPart(qint64 counter) {
    return QStringLiteral("%1").arg(counter, 4, 10, QLatin1Char('0'));
}

// The magnification box is free text; a "/" in it would send the picture
// into a folder that does not exist.
QString FileNameSafe(QString text) {
    text.truncate(kMagnificationTextChars);
    for (QChar& c : text)
        if (c == QLatin1Char('/') || c == QChar(0)) c = QLatin1Char('_');
    return text;
}

} // namespace

qint64 CounterFromName(const QString& fileName) {
    const int n = fileName.lastIndexOf(QLatin1Char('N'));
    if (n < 0) return -1;
    QString tail = fileName.mid(n + 1);
    const int dot = tail.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) tail.truncate(dot);
    qint64 value = 0;
    for (const QChar c : tail) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + (c.unicode() - '0');
        if (value >= kCounterCeiling) return kCounterCeiling;
    }
    return value;
}

qint64 NextFileCounter(const QString& folder, const QString& extension,
                       const MatchingFolderHandler& onMatchingFolder) {
    const QString suffix = QLatin1Char('.') + extension;
    qint64 largest = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (!name.endsWith(suffix, Qt::CaseInsensitive)) continue;
        if (it.fileInfo().isDir()) {
            if (onMatchingFolder) onMatchingFolder(name);
            continue;
        }
        const qint64 counter = CounterFromName(name);
        if (counter < kCounterCeiling) largest = std::max(largest, counter);
    }
    return largest + 1;
}

QString StillPictureName(const QString& pictureFolder, const QDateTime& localTime,
                         const QString& magnification, qint64 counter, const QString& extension) {
    const QString mag = FileNameSafe(magnification);
    QString name = QStringLiteral("Still_") + TimePart(localTime);
    if (!mag.isEmpty()) name += QLatin1Char('_') + mag + QLatin1String("X");
    name += QLatin1String("_N") + CounterPart(counter) + QLatin1Char('.') + extension;
    return pictureFolder + QLatin1Char('/') + name;
}

QString RecordingName(const QString& videoFolder, const QDateTime& localTime, qint64 counter) {
    return videoFolder + QLatin1String("/Video_") + TimePart(localTime) + QLatin1String("_N") +
           CounterPart(counter) + QLatin1String(".avi");
}

qint64 NextPictureCounter(const QString& pictureFolder,
                          const MatchingFolderHandler& onMatchingFolder) {
    return std::max(NextFileCounter(pictureFolder, QStringLiteral("bmp"), onMatchingFolder),
                    NextFileCounter(pictureFolder, QStringLiteral("tif")));
}

qint64 NextRecordingCounter(const QString& videoFolder,
                            const MatchingFolderHandler& onMatchingFolder) {
    return NextFileCounter(videoFolder, QStringLiteral("avi"), onMatchingFolder);
}

QString NextStillPicturePath(const QString& pictureFolder, const QDateTime& localTime,
                             const QString& magnification) {
    return StillPictureName(pictureFolder, localTime, magnification,
                            NextPictureCounter(pictureFolder));
}

QString NextRecordingPath(const QString& videoFolder, const QDateTime& localTime) {
    return RecordingName(videoFolder, localTime, NextRecordingCounter(videoFolder));
}

namespace {

// Offers names in turn to `create` until one is made or a failure other than
// a taken name stops it.
NewFile CreateUnderFreeName(const NameForCounter& nameFor, qint64 first,
                            const std::function<CreateOutcome(const QString&, Status*)>& create) {
    qint64 counter = first < 1 ? 1 : first;
    Status why;
    for (int attempt = 0; attempt <= kMaxNameAttempts; ++attempt, ++counter) {
        if (counter >= kCounterCeiling) counter = 1;
        const QString path = nameFor(counter);
        switch (create(path, &why)) {
        case CreateOutcome::Created:
            return {path, QString()};
        case CreateOutcome::Exists:
            continue;
        case CreateOutcome::Failed:
            return {QString(), why.reason(), why.systemError()};
        }
    }
    return {QString(),
            QStringLiteral("no free file name after %1 tries: %2")
                .arg(kMaxNameAttempts)
                .arg(why.reason()),
            EEXIST};
}

} // namespace

NewFile ReserveNewFile(const NameForCounter& nameFor, qint64 first) {
    return CreateUnderFreeName(nameFor, first, [](const QString& path, Status* why) {
        return CreateEmptyFileExclusively(path, why);
    });
}

NewFile WriteNewFile(const NameForCounter& nameFor, qint64 first, const QByteArray& bytes) {
    // Staged once, in the folder of the first name: every name offered lies
    // in the same folder, so each try is one link.
    const QString folder = QFileInfo(nameFor(first < 1 ? 1 : first)).absolutePath();
    StagedFile staged;
    Status staging;
    if (!staged.Stage(folder, bytes, &staging))
        return {QString(), staging.reason(), staging.systemError()};
    return CreateUnderFreeName(nameFor, first, [&staged](const QString& path, Status* why) {
        return staged.Commit(path, why);
    });
}

namespace {

// The user may have removed the folder since the start: make it again.
// False with the system's reason when it cannot be made.
bool EnsureFolder(const QString& folder, QString* reason, int* errorNumber) {
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder)) return true;
    // mkpath keeps its reason to itself; one more try of the last step tells it.
    int error = ::mkdir(QFile::encodeName(folder).constData(), 0777) == 0 ? 0 : errno;
    if (error == 0) return true;
    if (error == EEXIST) error = ENOTDIR; // there, but not a folder
    *reason = folder + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    *errorNumber = error;
    return false;
}

} // namespace

qint64 PictureCounterCache::Next(const QString& pictureFolder,
                                 const MatchingFolderHandler& onMatchingFolder) {
    if (valid_ && pictureFolder == folder_) {
        const FolderEvents::Changes c = events_.Drain();
        const auto isStill = [](const QString& name) {
            return name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) ||
                   name.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive);
        };
        bool stillLeft = c.lost;
        for (const QString& name : c.removed)
            stillLeft = stillLeft || isStill(name);
        if (!stillLeft) {
            for (const QString& name : c.added)
                if (isStill(name)) {
                    const qint64 n = CounterFromName(name);
                    if (n < kCounterCeiling) highest_ = std::max(highest_, n);
                }
            if (highest_ + 1 < kCounterCeiling) return highest_ + 1;
        }
    }
    // Watched before the scan: nothing that comes meanwhile is missed.
    folder_ = pictureFolder;
    valid_ = events_.Watch(pictureFolder);
    const qint64 next = NextPictureCounter(pictureFolder, onMatchingFolder);
    highest_ = next - 1;
    return next;
}

void PictureCounterCache::Saved(const QString& pictureFolder, qint64 counter) {
    if (pictureFolder == folder_ && counter < kCounterCeiling)
        highest_ = std::max(highest_, counter);
}

NewFile SaveNewStillPicture(const QString& pictureFolder, const QDateTime& localTime,
                            const QString& magnification, const QByteArray& bytes,
                            const QString& extension, PictureCounterCache* cache,
                            const MatchingFolderHandler& onMatchingFolder) {
    QString reason;
    int error = 0;
    if (!EnsureFolder(pictureFolder, &reason, &error)) return {QString(), reason, error};
    const qint64 first = cache ? cache->Next(pictureFolder, onMatchingFolder)
                               : NextPictureCounter(pictureFolder, onMatchingFolder);
    NewFile file = WriteNewFile(
        [&](qint64 counter) {
            return StillPictureName(pictureFolder, localTime, magnification, counter, extension);
        },
        first, bytes);
    if (cache && file.ok())
        cache->Saved(pictureFolder, CounterFromName(QFileInfo(file.path).fileName()));
    return file;
}

NewFile ReserveNewRecording(const QString& videoFolder, const QDateTime& localTime,
                            const MatchingFolderHandler& onMatchingFolder) {
    QString reason;
    int error = 0;
    if (!EnsureFolder(videoFolder, &reason, &error)) return {QString(), reason, error};
    const qint64 first = NextRecordingCounter(videoFolder, onMatchingFolder);
    return ReserveNewFile(
        [&](qint64 counter) { return RecordingName(videoFolder, localTime, counter); }, first);
}

} // namespace tvx

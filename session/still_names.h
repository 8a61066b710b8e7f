#pragma once

#include "platform/folder_events.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <limits>

namespace tvx {

// The magnification text is kept in 32 characters with its terminator.
inline constexpr int kMagnificationTextChars = 31;

// Far beyond any real count, and far enough below the type's limit that one
// more never overflows.
inline constexpr qint64 kCounterCeiling = std::numeric_limits<qint64>::max() / 16;

// The number a stored file's name carries: the text after its last
// upper-case N, cut at its last full stop, read as leading decimal digits (0
// when it has none). -1 when the name holds no upper-case N. Absurdly long
// digit runs saturate at kCounterCeiling instead of overflowing.
qint64 CounterFromName(const QString& fileName);

// Called once for each folder whose name looks like one of the files.
using MatchingFolderHandler = std::function<void(const QString& folderName)>;

// The next running number for `folder`: one more than the largest number
// carried by the names of its files ending in "." + `extension` (compared
// without regard to case), or 1 when there is none. A number at the ceiling
// (a stray hand-made name) is left out: it would stop the count. Each sub-folder with such
// a name is reported to `onMatchingFolder` and otherwise skipped. A missing
// or unreadable folder gives 1.
qint64 NextFileCounter(const QString& folder, const QString& extension,
                       const MatchingFolderHandler& onMatchingFolder = {});

// <folder>/Still_YYYY-MM-DD_HHMMSS_<magnification>X_N<counter>.bmp (or the
// extension given), or without the "<magnification>X" part when the text is
// empty. The counter has
// at least four digits. The date and time are taken from `localTime` as they
// stand (the caller passes the local time of the save). Characters that
// cannot stand in a file name are replaced by "_".
QString StillPictureName(const QString& pictureFolder, const QDateTime& localTime,
                         const QString& magnification, qint64 counter,
                         const QString& extension = QStringLiteral("bmp"));
// <folder>/Video_YYYY-MM-DD_HHMMSS_N<counter>.avi
QString RecordingName(const QString& videoFolder, const QDateTime& localTime, qint64 counter);

// The counter scans as the windows run them: a folder named like a still
// (a BMP) or a recording goes to `onMatchingFolder` and the scan goes on.
// Stills of every kind the program writes share one count.
qint64 NextPictureCounter(const QString& pictureFolder,
                          const MatchingFolderHandler& onMatchingFolder = {});
qint64 NextRecordingCounter(const QString& videoFolder,
                            const MatchingFolderHandler& onMatchingFolder = {});

// The full path for the next still picture and the next recording. Only a
// proposal: the name may be taken before it is used. Saving goes through the
// functions below, which never replace a file.
QString NextStillPicturePath(const QString& pictureFolder, const QDateTime& localTime,
                             const QString& magnification);
QString NextRecordingPath(const QString& videoFolder, const QDateTime& localTime);

// A file made under a name that was free: its path, or why none could be had.
struct NewFile {
    QString path;   // set when the file was made
    QString reason; // set when it was not
    int error = 0;  // errno of that failure
    bool ok() const { return !path.isEmpty(); }
};

// The path a counter gives (StillPictureName or RecordingName bound to the rest).
using NameForCounter = std::function<QString(qint64 counter)>;

// How many names are tried past the first before giving up.
inline constexpr int kMaxNameAttempts = 10000;

// Makes an empty file under the first free name nameFor(first),
// nameFor(first + 1), … A taken name (another instance, a file made since
// the scan) moves the counter on; a counter at the ceiling starts again at 1,
// where names of another second are free. The file is ours: a recorder opens
// and fills it.
NewFile ReserveNewFile(const NameForCounter& nameFor, qint64 first);
// The same, but the file holds `bytes`, written and flushed to disk under a
// temporary name before it takes its final name: a reader never sees a half
// written picture, and nothing is ever replaced.
NewFile WriteNewFile(const NameForCounter& nameFor, qint64 first, const QByteArray& bytes);

// The next still counter of a folder without reading a big folder for every
// still: the highest counter is kept, and the folder's own notifications
// keep it true (a higher-numbered still put there by anyone raises it). The
// folder is scanned again only when a still left it or the notifications
// were lost. Names are still taken exclusively, so even a wrong guess only
// costs a try.
class PictureCounterCache {
public:
    // A scan of the folder reports what NextPictureCounter reports.
    qint64 Next(const QString& pictureFolder, const MatchingFolderHandler& onMatchingFolder = {});
    // A still numbered `counter` was just written to the folder.
    void Saved(const QString& pictureFolder, qint64 counter);

private:
    QString folder_;
    qint64 highest_ = 0;
    bool valid_ = false;
    FolderEvents events_;
};

// The still saver's call: the picture's encoded bytes under the next free
// still name (the scan as NextPictureCounter runs it, or the cache's guess,
// then WriteNewFile; a folder the scan met named like a still goes to
// `onMatchingFolder`). A missing folder is made again first, here and for a
// recording.
NewFile SaveNewStillPicture(const QString& pictureFolder, const QDateTime& localTime,
                            const QString& magnification, const QByteArray& bytes,
                            const QString& extension = QStringLiteral("bmp"),
                            PictureCounterCache* cache = nullptr,
                            const MatchingFolderHandler& onMatchingFolder = {});
// The recorder's call: an empty file under the next free recording name. A
// folder named like a recording goes to `onMatchingFolder`.
NewFile ReserveNewRecording(const QString& videoFolder, const QDateTime& localTime,
                            const MatchingFolderHandler& onMatchingFolder = {});

} // namespace tvx

#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace tvx {

// The magnification text is kept in 32 characters with its terminator.
inline constexpr int kMagnificationTextChars = 31;

// The number a stored file's name carries: the text after its last
// upper-case N, cut at its last full stop, read as leading decimal digits (0
// when it has none). -1 when the name holds no upper-case N. Absurdly long
// digit runs saturate instead of overflowing.
qint64 CounterFromName(const QString& fileName);

// Called once for each folder whose name looks like one of the files.
using MatchingFolderHandler = std::function<void(const QString& folderName)>;

// The next running number for `folder`: one more than the largest number
// carried by the names of its files ending in "." + `extension` (compared
// without regard to case), or 1 when there is none. Each sub-folder with such
// a name is reported to `onMatchingFolder` and otherwise skipped. A missing
// or unreadable folder gives 1.
qint64 NextFileCounter(const QString& folder, const QString& extension,
                       const MatchingFolderHandler& onMatchingFolder = {});

// <folder>/Still_YYYY-MM-DD_HHMMSS_<magnification>X_N<counter>.bmp, or
// without the "<magnification>X" part when the text is empty. The counter has
// at least four digits. The date and time are taken from `localTime` as they
// stand (the caller passes the local time of the save). Characters that
// cannot stand in a file name are replaced by "_".
QString StillPictureName(const QString& pictureFolder, const QDateTime& localTime,
                         const QString& magnification, qint64 counter);
// <folder>/Video_YYYY-MM-DD_HHMMSS_N<counter>.avi
QString RecordingName(const QString& videoFolder, const QDateTime& localTime, qint64 counter);

// The counter scans as the windows run them: a matching folder is shown to
// the user through prompts() ("Picture Error" / "AVI Error") and the scan
// goes on.
qint64 NextPictureCounter(const QString& pictureFolder);
qint64 NextRecordingCounter(const QString& videoFolder);

// The full path for the next still picture and the next recording.
QString NextStillPicturePath(const QString& pictureFolder, const QDateTime& localTime,
                             const QString& magnification);
QString NextRecordingPath(const QString& videoFolder, const QDateTime& localTime);

} // namespace tvx

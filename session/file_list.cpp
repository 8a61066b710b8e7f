#include "session/file_list.h"

#include "imaging/cximage.h"
#include "media/first_frame.h"
#include "platform/exclusive_file.h"
#include "platform/file_name.h"
#include "platform/regular_file.h"
#include "session/still_names.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

namespace {

QString FileName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// What the file system says about a listed file right now.
struct FileState {
    bool vanished = false;
    bool known = false;
    qint64 size = -1;
    qint64 time = -1; // modification time in nanoseconds
};

FileState StatFile(const QString& path) {
    FileState s;
    struct stat st;
    const QByteArray local = NativeFileName(path);
    if (::stat(local.constData(), &st) != 0) {
        s.vanished = errno == ENOENT || errno == ENOTDIR;
        return s;
    }
    s.known = true;
    s.size = qint64(st.st_size);
    s.time = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

QImage ScaledToCell(const ThumbnailRecord& record, QSize cell) {
    const QImage full = record.ToImage();
    if (full.isNull()) return {};
    // The whole picture in the whole cell, aspect not kept, nearest pixel.
    return full.scaled(cell, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The user's own trash folder, made when missing. Qt falls back to it for
// files on any volume, but it only makes the last folder level itself, and
// when that fails it goes on to put the file under "files" and "info" in the
// process's working directory. So it is asked only once this folder exists.
QString HomeTrash() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return {};
    const QString trash = data + QStringLiteral("/Trash");
    return QDir().mkpath(trash) && QFileInfo(trash).isDir() ? trash : QString();
}

// Qt's trash cannot reach a name that is not UTF-8: such a file is moved to
// the home trash here, by the desktop trash rules (an info file made first
// and exclusively, its Path the percent-encoded bytes of the name), when it
// lies on the same volume. False when it could not be.
bool MoveRawNameToTrash(const QString& path, const QString& trash) {
    const QString files = trash + QStringLiteral("/files");
    const QString info = trash + QStringLiteral("/info");
    if (!QDir().mkpath(files) || !QDir().mkpath(info)) return false;
    const QString shown = DisplayFileName(FileName(path));
    const QByteArray nativePath = NativeFileName(QFileInfo(path).absoluteFilePath());
    QByteArray text =
        "[Trash Info]\nPath=" + nativePath.toPercentEncoding("/") +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + "\n";
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? shown : shown + QStringLiteral(".%1").arg(n);
        const QString infoPath = info + QLatin1Char('/') + name + QStringLiteral(".trashinfo");
        const CreateOutcome made = WriteFileExclusively(infoPath, text);
        if (made == CreateOutcome::Exists) continue;
        if (made != CreateOutcome::Created) return false;
        const QByteArray to = NativeFileName(files + QLatin1Char('/') + name);
        struct stat st {};
        const bool taken = ::lstat(to.constData(), &st) == 0;
        if (!taken && ::rename(NativeFileName(path).constData(), to.constData()) == 0) return true;
        ::unlink(NativeFileName(infoPath).constData());
        // Another volume (or anything else): the caller deletes instead.
        if (!taken) return false;
    }
    return false;
}

// Moves a file to the desktop's trash so a confirmed delete can still be
// undone there. Only where no trash can take it is the file deleted for
// good. On failure `error` holds the system's text.
bool DiscardFile(const QString& path, QString* error) {
    const QByteArray native = NativeFileName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const QString trash = HomeTrash();
    if (HasRawBytes(path)) {
        if (!trash.isEmpty() && MoveRawNameToTrash(path, trash)) return true;
    } else if (!trash.isEmpty()) {
        QFile file(path);
        if (file.moveToTrash()) return true;
    }
    if (::unlink(native.constData()) == 0) return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

// Copies `from` to `to`, replacing it only once the copy is complete. The
// source is read only when it is a regular file.
bool CopyBytes(const QString& from, const QString& to, QString* error) {
    QFile in;
    if (!OpenRegularFileForReading(in, from, error)) return false;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    QByteArray chunk;
    while (!in.atEnd()) {
        chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
            *error = in.errorString();
            out.cancelWriting();
            return false;
        }
        if (out.write(chunk) != chunk.size()) {
            *error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// What each list holds, by the end of the file name in any letter case.
bool Belongs(ListMode list, const QString& name) {
    if (list == ListMode::Pictures) return ImageTypeFromPath(name) != kImageTypeNone;
    return name.endsWith(QLatin1String(".avi"), Qt::CaseInsensitive);
}

} // namespace

ListOrder ListOrder::Of(const QString& path, qint64 modified) {
    static const QRegularExpression stampPattern(QStringLiteral("(\\d{4}-\\d{2}-\\d{2})_(\\d{6})"));
    ListOrder o;
    o.name = FileName(path);
    o.counter = CounterFromName(o.name);
    const QRegularExpressionMatch m = stampPattern.match(o.name);
    if (m.hasMatch()) o.stamp = m.captured(0);
    o.modified = modified;
    return o;
}

bool ListOrder::Before(const ListOrder& a, const ListOrder& b) {
    if (a.counter != b.counter) return a.counter > b.counter;
    if (a.stamp != b.stamp) return a.stamp > b.stamp;
    if (a.modified != b.modified) return a.modified > b.modified;
    return a.name > b.name;
}

bool ShowsUnsavedMark(const QString& path, uint32_t flags) {
    return (flags & EntryUnsaved) && !FileName(path).startsWith(QLatin1Char('A'));
}

PageGeometry PageGeometry::For(QSize client) {
    PageGeometry g;
    g.cellWidth = std::max(0, (client.width() - 16) / 2);
    g.cellHeight = std::max(0, (client.height() - 38) / 6);
    for (int i = 0; i < kCellsPerPage; ++i) {
        const int left = (g.cellWidth + 7) * (i % 2) + 5;
        const int top = (g.cellHeight + 7) * (i / 2) + 4;
        g.cells[size_t(i)] = QRect(left, top, g.cellWidth, g.cellHeight);
    }
    return g;
}

int PageGeometry::CellAt(QPoint client, int visibleCells) const {
    const int n = std::min(visibleCells, kCellsPerPage);
    for (int i = 0; i < n; ++i)
        if (cells[size_t(i)].contains(client)) return i;
    return -1;
}

QRect PageGeometry::SelectionFrame(int cell) const {
    if (cell < 0 || cell >= kCellsPerPage) return {};
    return cells[size_t(cell)].adjusted(-2, -2, 2, 2);
}

std::array<QLine, 2> PageGeometry::UnsavedMark(int cell) const {
    if (cell < 0 || cell >= kCellsPerPage) return {};
    const QRect c = cells[size_t(cell)];
    // Edges of the grown cell in the exclusive right/bottom sense.
    const int left = c.left() - 2;
    const int top = c.top() - 2;
    const int right = c.left() + cellWidth + 2;
    const int bottom = c.top() + cellHeight + 2;
    return {QLine(right, top + cellHeight * 3 / 4, right, bottom),
            QLine(left + cellWidth * 3 / 4, bottom, right - 2, bottom)};
}

FileListModel::FileListModel(Folders folders, QObject* parent)
    : QObject(parent), folders_(std::move(folders)) {
    pageIndex_.fill(-1);
    // Two cores are shared with the capture: one decoder at a time is plenty.
    pool_.setMaxThreadCount(1);
}

FileListModel::~FileListModel() {
    // No job may outlive the object it hands its result to, and none may
    // hold up the program's end: a decoding under way gives up.
    stopping_ = true;
    pool_.clear();
    pool_.waitForDone();
}

void FileListModel::WaitForThumbnails() {
    pool_.waitForDone();
}

void FileListModel::ScanOne(ListMode list, const QString& folder) {
    List& l = list_[Slot(list)];
    // Entries listed before keep their flags and thumbnails.
    std::vector<std::unique_ptr<FileEntry>> before = std::move(l.entries);
    l.entries.clear();
    const QString selectedPath = l.selected >= 0 && l.selected < int(before.size())
                                     ? before[size_t(l.selected)]->path
                                     : QString();
    l.selected = -1;
    QHash<QString, size_t> listed;
    for (size_t i = 0; i < before.size(); ++i)
        listed.insert(before[i]->path, i);
    for (const FolderEntry& f : ReadFolder(folder)) {
        if (!f.regular || !Belongs(list, f.name)) continue;
        const QString path = folder + QLatin1Char('/') + f.name;
        // A picture of 40 bytes or less holds no picture; one that cannot be
        // read is no use in the list.
        if (list == ListMode::Pictures &&
            (f.size <= 40 || ::access(NativeFileName(path).constData(), R_OK) != 0))
            continue;
        std::unique_ptr<FileEntry> entry;
        const auto found = listed.constFind(path);
        if (found != listed.constEnd()) entry = std::move(before[*found]);
        if (!entry) {
            entry = std::make_unique<FileEntry>();
            entry->path = path;
            entry->flags = EntryPresent | EntryUnsaved;
        }
        entry->order = ListOrder::Of(path, f.modified);
        l.entries.push_back(std::move(entry));
    }
    std::stable_sort(l.entries.begin(), l.entries.end(), [](const auto& a, const auto& b) {
        return ListOrder::Before(a->order, b->order);
    });
    for (size_t i = 0; i < l.entries.size(); ++i) {
        if (l.entries[i]->path == selectedPath) {
            l.selected = int(i);
            l.entries[i]->flags |= EntrySelected;
        } else {
            l.entries[i]->flags &= ~uint32_t(EntrySelected);
        }
    }
    l.topRow = std::clamp(l.topRow, 0, MaxTopRow(int(l.entries.size())));
}

void FileListModel::ScanFolders() {
    ScanOne(ListMode::Pictures, folders_.picture);
    ScanOne(ListMode::Videos, folders_.video);
    pageIndex_.fill(-1);
    UpdateScrollBar();
    emit pageChanged();
}

void FileListModel::Add(ListMode list, const QString& path, uint32_t flags) {
    List& l = list_[Slot(list)];
    ClearSelection(list);
    // A file listed already (a still saved again under its name) moves to
    // where it now belongs instead of showing twice.
    for (size_t i = 0; i < l.entries.size(); ++i) {
        if (l.entries[i]->path != path) continue;
        l.entries.erase(l.entries.begin() + qsizetype(i));
        break;
    }
    auto entry = std::make_unique<FileEntry>();
    entry->path = path;
    entry->flags = flags;
    entry->order = ListOrder::Of(path, StatFile(path).time);
    const auto at = std::upper_bound(
        l.entries.begin(), l.entries.end(), entry,
        [](const auto& a, const auto& b) { return ListOrder::Before(a->order, b->order); });
    const int index = int(at - l.entries.begin());
    l.entries.insert(at, std::move(entry));
    l.topRow = std::clamp(TopRowShowing(index, l.topRow), 0, MaxTopRow(int(l.entries.size())));
    l.selected = index;
    l.entries[size_t(index)]->flags |= EntrySelected;
    if (list == mode_) {
        pageIndex_.fill(-1);
        UpdateScrollBar();
    }
    emit pageChanged();
}

void FileListModel::AddPicture(const QString& path) {
    Add(ListMode::Pictures, path, EntryPresent | EntryUnsaved);
}

void FileListModel::AddVideo(const QString& path) {
    Add(ListMode::Videos, path, EntryPresent | EntryUnsaved | EntrySelected);
}

bool FileListModel::SelectIndex(int index) {
    ClearSelection(mode_);
    List& l = Current();
    const bool hit = index >= 0 && index < int(l.entries.size());
    if (hit) {
        l.selected = index;
        l.entries[size_t(index)]->flags |= EntrySelected;
    }
    emit pageChanged();
    return hit;
}

bool FileListModel::SelectAt(const PageGeometry& geometry, QPoint client) {
    int visible = 0;
    while (visible < kCellsPerPage && pageIndex_[size_t(visible)] >= 0)
        ++visible;
    const int cell = geometry.CellAt(client, visible);
    // The entry drawn there, not 2 × top row + cell: a picture that failed to
    // load gave its cell to the next one.
    return SelectIndex(cell < 0 ? -1 : pageIndex_[size_t(cell)]);
}

uint32_t FileListModel::GetSelected(QString* path) const {
    for (const auto& e : Current().entries) {
        if ((e->flags & (EntryPresent | EntrySelected)) == (EntryPresent | EntrySelected)) {
            if (path) *path = e->path;
            return e->flags;
        }
    }
    if (path) path->clear();
    return 0;
}

ScrollInfo FileListModel::UpdateScrollBar() {
    List& l = Current();
    const int rows = RowsFor(int(l.entries.size()));
    ScrollInfo info;
    info.max = rows <= kRowsPerPage ? kRowsPerPage - 1 : rows - 1;
    // The page stays where it is (a new entry was brought onto it), within
    // the rows there are.
    l.topRow = std::clamp(l.topRow, 0, MaxTopRow(int(l.entries.size())));
    info.pos = l.topRow;
    info.arrowsEnabled = info.max >= kRowsPerPage;
    emit scrollChanged(info);
    return info;
}

int FileListModel::Scroll(ScrollAction action, int thumbPosition) {
    List& l = Current();
    const int rows = RowsFor(int(l.entries.size()));
    const int max = rows <= kRowsPerPage ? kRowsPerPage - 1 : rows - 1;
    int top = l.topRow;
    switch (action) {
    case ScrollAction::LineUp:
        top -= 1;
        break;
    case ScrollAction::LineDown:
        top += 1;
        break;
    case ScrollAction::PageUp:
        top -= kRowsPerPage;
        break;
    case ScrollAction::PageDown:
        top += kRowsPerPage;
        break;
    case ScrollAction::Top:
        top = 0;
        break;
    case ScrollAction::Bottom:
        top = max;
        break;
    case ScrollAction::ThumbPosition:
        top = thumbPosition;
        break;
    case ScrollAction::End:
        return l.topRow;
    }
    l.topRow = std::clamp(top, 0, max);
    ScrollInfo info;
    info.max = max;
    info.pos = l.topRow;
    info.arrowsEnabled = max >= kRowsPerPage;
    emit scrollChanged(info);
    emit pageChanged();
    return l.topRow;
}

void FileListModel::RemoveEntry(const QString& path) {
    List& l = Current();
    for (size_t i = 0; i < l.entries.size(); ++i) {
        if (l.entries[i]->path.compare(path, Qt::CaseInsensitive) != 0) continue;
        l.entries.erase(l.entries.begin() + qsizetype(i));
        // The selected index follows its entry, so the frame and the flags
        // keep naming the same file.
        if (l.selected == int(i))
            l.selected = -1;
        else if (l.selected > int(i))
            --l.selected;
        pageIndex_.fill(-1);
        emit pageChanged();
        return;
    }
}

void FileListModel::ClearSelection(ListMode list) {
    List& l = list_[Slot(list)];
    if (l.selected >= 0 && l.selected < int(l.entries.size()))
        l.entries[size_t(l.selected)]->flags &= ~uint32_t(EntrySelected);
    l.selected = -1;
}

void FileListModel::ClearList(ListMode list) {
    List& l = list_[Slot(list)];
    if (l.selected != -1) {
        l.entries.clear();
        l.topRow = 0;
        if (list == mode_) pageIndex_.fill(-1);
    }
    l.selected = -1;
}

bool FileListModel::CheckVanished(const QString& path) {
    if (!PathVanished(path)) return false;
    ClearSelection(mode_);
    RemoveEntry(path);
    UpdateScrollBar();
    emit pageChanged();
    return true;
}

void FileListModel::MakeThumbnail(FileEntry& entry, QSize cell, qint64 size, qint64 time) {
    const LoadResult r = mode_ == ListMode::Pictures
                             ? LoadThumbnailPicture(record_, entry.path, cell)
                             : LoadVideoFirstFrame(record_, entry.path, cell);
    entry.thumbCell = cell;
    entry.thumbFileSize = size;
    entry.thumbFileTime = time;
    entry.thumb = QImage();
    entry.thumbState = FileEntry::Thumb::Failed;
    if (r.ok()) {
        record_.flags = entry.flags;
        entry.thumb = ScaledToCell(record_, cell);
        if (!entry.thumb.isNull()) entry.thumbState = FileEntry::Thumb::Ready;
    }
}

void FileListModel::RequestVideoFrame(FileEntry& entry, QSize cell, qint64 size, qint64 time) {
    entry.thumbCell = cell;
    entry.thumbFileSize = size;
    entry.thumbFileTime = time;
    entry.thumb = QImage();
    entry.thumbState = FileEntry::Thumb::Pending;
    const QString path = entry.path;
    // Runs on a pool thread with copies only; the result comes back to the
    // UI thread as a queued call, which Qt drops if the model is gone (and
    // the destructor waits for running jobs first).
    pool_.start([this, path, cell, size, time] {
        ThumbnailRecord record;
        QImage image;
        if (LoadVideoFirstFrame(record, path, cell, &stopping_).ok())
            image = ScaledToCell(record, cell);
        QMetaObject::invokeMethod(
            this,
            [this, path, cell, size, time, image] {
                ApplyVideoFrame(path, cell, size, time, image);
            },
            Qt::QueuedConnection);
    });
}

void FileListModel::ApplyVideoFrame(const QString& path, QSize cell, qint64 size, qint64 time,
                                    QImage image) {
    for (auto& e : list_[Slot(ListMode::Videos)].entries) {
        if (e->path != path || e->thumbState != FileEntry::Thumb::Pending || e->thumbCell != cell ||
            e->thumbFileSize != size || e->thumbFileTime != time)
            continue;
        e->thumb = image;
        e->thumbState = image.isNull() ? FileEntry::Thumb::Failed : FileEntry::Thumb::Ready;
        if (mode_ == ListMode::Videos) emit pageChanged();
        return;
    }
}

std::vector<FileListModel::PageCell> FileListModel::VisiblePage(const PageGeometry& geometry) {
    const QSize cell(geometry.cellWidth, geometry.cellHeight);
    std::vector<PageCell> page;
    for (;;) {
        page.clear();
        pageIndex_.fill(-1);
        List& l = Current();
        const int first = 2 * l.topRow;
        const int end = std::min(int(l.entries.size()), first + kCellsPerPage);
        QString vanished;
        int k = 0;
        for (int i = first; i < end && vanished.isEmpty(); ++i) {
            FileEntry& e = *l.entries[size_t(i)];
            const FileState st = StatFile(e.path);
            if (st.vanished) {
                vanished = e.path;
                break;
            }
            const bool same =
                e.thumbCell == cell && e.thumbFileSize == st.size && e.thumbFileTime == st.time;
            if (!st.known) {
                // Unreadable just now: its name stands in for the picture.
                e.thumb = QImage();
                e.thumbState = FileEntry::Thumb::Failed;
                e.thumbCell = QSize();
            } else if (!same || e.thumbState == FileEntry::Thumb::None) {
                if (mode_ == ListMode::Videos && asyncVideo_)
                    RequestVideoFrame(e, cell, st.size, st.time);
                else
                    MakeThumbnail(e, cell, st.size, st.time);
            }
            PageCell c;
            c.cell = k;
            c.index = i;
            c.thumb = e.thumb; // null while Pending
            c.unsavedMark = ShowsUnsavedMark(e.path, e.flags);
            c.placeholder = e.thumbState == FileEntry::Thumb::Failed;
            c.name = DisplayFileName(FileName(e.path));
            page.push_back(c);
            pageIndex_[size_t(k)] = i;
            ++k;
        }
        if (vanished.isEmpty()) return page;
        // A file gone since the list was made: drop it and compose again.
        // No pageChanged here, the caller is composing already.
        {
            const QSignalBlocker quiet(this);
            ClearSelection(mode_);
            RemoveEntry(vanished);
        }
        UpdateScrollBar();
    }
}

int FileListModel::SelectedCell() const {
    const int s = Current().selected;
    if (s < 0) return -1;
    for (int k = 0; k < kCellsPerPage; ++k)
        if (pageIndex_[size_t(k)] == s) return k;
    return -1;
}

bool FileListModel::SaveSelectedAs(const QString& destination, QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    List& l = Current();
    if (l.selected < 0 || l.selected >= int(l.entries.size())) return fail(QString());
    FileEntry& entry = *l.entries[size_t(l.selected)];
    entry.flags &= ~uint32_t(EntryUnsaved);
    emit pageChanged();
    const int from = ImageTypeFromPath(entry.path);
    const int to = ImageTypeFromPath(destination);
    // Converted only into the two types Save As offers; any other name gets
    // the bytes as they are.
    if (from != kImageTypeNone && (to == kImageTypeBmp || to == kImageTypeJpg) && from != to) {
        CxImage picture(entry.path, from);
        if (!picture.IsValid()) return fail(QStringLiteral("imageSave Create fail"));
        const bool saved = picture.Save(destination, to);
        picture.DestroyFrames();
        picture.Destroy();
        if (!saved) return fail(QStringLiteral("Conpress fail"));
        return true;
    }
    // A copy that failed must not pass for a saved file.
    QString error;
    if (!CopyBytes(entry.path, destination, &error)) return fail(error);
    return true;
}

bool FileListModel::DeleteSelected(QString* why) {
    if (why) why->clear();
    QString path;
    if (!GetSelected(&path)) return false;
    QString error;
    if (!DiscardFile(path, &error)) {
        if (why) *why = error;
        return false;
    }
    ClearSelection(mode_);
    RemoveEntry(path);
    UpdateScrollBar();
    emit pageChanged();
    return true;
}

void FileListModel::DeleteAll() {
    if (!GetSelected(nullptr)) return;
    const QString folder = mode_ == ListMode::Pictures ? folders_.picture : folders_.video;
    // Every file of the folder goes, whatever its type; one that will not
    // go is left where it is, and so is every folder in it.
    QString ignored;
    for (const FolderEntry& f : ReadFolder(folder))
        if (!f.folder) DiscardFile(folder + QLatin1Char('/') + f.name, &ignored);
    ClearList(mode_);
    UpdateScrollBar();
    emit pageChanged();
}

} // namespace tvx

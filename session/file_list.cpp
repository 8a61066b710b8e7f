#include "session/file_list.h"

#include "imaging/cximage.h"
#include "imaging/thumbnail.h"
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

QRect SelectionFrame(const QRect& cell) {
    return cell.adjusted(-2, -2, 2, 2);
}

std::array<QLine, 2> UnsavedMark(const QRect& c) {
    // Edges of the grown cell in the exclusive right/bottom sense.
    const int left = c.left() - 2;
    const int top = c.top() - 2;
    const int right = c.left() + c.width() + 2;
    const int bottom = c.top() + c.height() + 2;
    return {QLine(right, top + c.height() * 3 / 4, right, bottom),
            QLine(left + c.width() * 3 / 4, bottom, right - 2, bottom)};
}

FileListModel::FileListModel(Folders folders, QObject* parent)
    : QAbstractListModel(parent), folders_(std::move(folders)) {
    connect(&thumbs_, &ThumbnailCache::ready, this, &FileListModel::OnThumbnailReady);
    connect(&thumbs_, &ThumbnailCache::vanished, this, &FileListModel::OnVanished);
}

FileListModel::~FileListModel() = default;

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count(mode_);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    const List& l = Current();
    if (!index.isValid() || index.row() < 0 || index.row() >= int(l.entries.size())) return {};
    const FileEntry& e = *l.entries[size_t(index.row())];
    const auto kind =
        mode_ == ListMode::Pictures ? ThumbnailCache::Kind::Picture : ThumbnailCache::Kind::Video;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return DisplayFileName(FileName(e.path));
    case Qt::DecorationRole:
    case ThumbStateRole: {
        const ThumbnailCache::Thumb* t = thumbs_.Find(e.path, kind);
        if (!t) {
            // A few screens of rows at most wait at any time.
            if (askedRow_.size() > 1024) askedRow_.clear();
            askedRow_.insert(e.path, index.row());
        }
        if (role == Qt::DecorationRole) return t ? t->image : QImage();
        return !t ? ThumbPending : t->failed ? ThumbFailed : ThumbReady;
    }
    case PathRole:
        return e.path;
    case UnsavedMarkRole:
        return ShowsUnsavedMark(e.path, e.flags);
    case SelectedRole:
        return (e.flags & EntrySelected) != 0;
    default:
        return {};
    }
}

int FileListModel::RowOf(const QString& path) const {
    const auto& entries = Current().entries;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i]->path == path) return int(i);
    return -1;
}

void FileListModel::RowChanged(ListMode list, int row, const QList<int>& roles) {
    if (list != mode_ || row < 0 || row >= Count(list)) return;
    const QModelIndex i = index(row);
    emit dataChanged(i, i, roles);
}

void FileListModel::OnThumbnailReady(const QString& path) {
    const int asked = askedRow_.take(path);
    const auto& entries = Current().entries;
    const bool still =
        asked >= 0 && asked < int(entries.size()) && entries[size_t(asked)]->path == path;
    RowChanged(mode_, still ? asked : RowOf(path), {Qt::DecorationRole, ThumbStateRole});
}

void FileListModel::OnVanished(const QString& path) {
    // A file gone since the list was made is dropped from its list.
    if (RowOf(path) >= 0)
        CheckVanished(path);
    else
        RemoveFrom(mode_ == ListMode::Pictures ? ListMode::Videos : ListMode::Pictures, path);
}

void FileListModel::SetMode(ListMode mode) {
    if (mode == mode_) return;
    beginResetModel();
    mode_ = mode;
    endResetModel();
    emit selectedChanged();
}

void FileListModel::ScanOne(ListMode list, const QString& folder) {
    List& l = list_[Slot(list)];
    // Entries listed before keep their flags.
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
}

void FileListModel::ScanFolders() {
    beginResetModel();
    ScanOne(ListMode::Pictures, folders_.picture);
    ScanOne(ListMode::Videos, folders_.video);
    endResetModel();
    emit selectedChanged();
}

void FileListModel::Add(ListMode list, const QString& path, uint32_t flags) {
    List& l = list_[Slot(list)];
    ClearSelection(list);
    // A file listed already (a still saved again under its name) moves to
    // where it now belongs instead of showing twice, with a new thumbnail.
    for (size_t i = 0; i < l.entries.size(); ++i) {
        if (l.entries[i]->path != path) continue;
        if (list == mode_) beginRemoveRows(QModelIndex(), int(i), int(i));
        l.entries.erase(l.entries.begin() + qsizetype(i));
        if (list == mode_) endRemoveRows();
        break;
    }
    thumbs_.Forget(path);
    auto entry = std::make_unique<FileEntry>();
    entry->path = path;
    entry->flags = flags | EntrySelected;
    entry->order = ListOrder::Of(path, StatFile(path).time);
    const auto at = std::upper_bound(
        l.entries.begin(), l.entries.end(), entry,
        [](const auto& a, const auto& b) { return ListOrder::Before(a->order, b->order); });
    const int index = int(at - l.entries.begin());
    if (list == mode_) beginInsertRows(QModelIndex(), index, index);
    l.entries.insert(at, std::move(entry));
    l.selected = index;
    if (list == mode_) endInsertRows();
    emit selectedChanged();
}

void FileListModel::AddPicture(const QString& path) {
    Add(ListMode::Pictures, path, EntryPresent | EntryUnsaved);
}

void FileListModel::AddVideo(const QString& path) {
    Add(ListMode::Videos, path, EntryPresent | EntryUnsaved | EntrySelected);
}

bool FileListModel::SelectIndex(int index) {
    List& l = Current();
    const int was = l.selected;
    if (was >= 0 && was < int(l.entries.size()))
        l.entries[size_t(was)]->flags &= ~uint32_t(EntrySelected);
    l.selected = -1;
    const bool hit = index >= 0 && index < int(l.entries.size());
    if (hit) {
        l.selected = index;
        l.entries[size_t(index)]->flags |= EntrySelected;
    }
    // The rows whose frame goes or comes.
    RowChanged(mode_, was, {SelectedRole});
    if (hit && index != was) RowChanged(mode_, index, {SelectedRole});
    emit selectedChanged();
    return hit;
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

bool FileListModel::RemoveFrom(ListMode list, const QString& path) {
    List& l = list_[Slot(list)];
    for (size_t i = 0; i < l.entries.size(); ++i) {
        if (l.entries[i]->path.compare(path, Qt::CaseInsensitive) != 0) continue;
        if (list == mode_) beginRemoveRows(QModelIndex(), int(i), int(i));
        l.entries.erase(l.entries.begin() + qsizetype(i));
        // The selected index follows its entry, so the frame and the flags
        // keep naming the same file.
        if (l.selected == int(i))
            l.selected = -1;
        else if (l.selected > int(i))
            --l.selected;
        if (list == mode_) endRemoveRows();
        emit selectedChanged();
        return true;
    }
    return false;
}

void FileListModel::RemoveEntry(const QString& path) {
    RemoveFrom(mode_, path);
}

void FileListModel::ClearSelection(ListMode list) {
    List& l = list_[Slot(list)];
    const int was = l.selected;
    if (was >= 0 && was < int(l.entries.size()))
        l.entries[size_t(was)]->flags &= ~uint32_t(EntrySelected);
    l.selected = -1;
    if (was >= 0) {
        RowChanged(list, was, {SelectedRole});
        emit selectedChanged();
    }
}

void FileListModel::ClearList(ListMode list) {
    List& l = list_[Slot(list)];
    if (l.selected != -1) {
        if (list == mode_) beginResetModel();
        l.entries.clear();
        if (list == mode_) endResetModel();
    }
    l.selected = -1;
    emit selectedChanged();
}

bool FileListModel::CheckVanished(const QString& path) {
    if (!PathVanished(path)) return false;
    ClearSelection(mode_);
    RemoveEntry(path);
    return true;
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
    RowChanged(mode_, l.selected, {UnsavedMarkRole});
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
}

} // namespace tvx

#pragma once

#include "session/thumbnail_cache.h"

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QLine>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace tvx {

enum EntryFlag : uint32_t {
    EntryPresent = 1,
    EntryUnsaved = 2,  // not saved elsewhere yet: the view draws the unsaved mark
    EntrySelected = 4, // the selected entry of its list
};

// Which list the strip shows. The values are the stored ones.
enum class ListMode { Videos = 0, Pictures = 1 };

// Where a file stands in its list: newest first by the running number in its
// name, then by the date and time in its name, then by its modification
// time, then by name. The same files give the same order on every scan, and
// a new still or recording lands where a scan would put it.
struct ListOrder {
    qint64 counter = -1;  // the name's running number (…_N0012), -1 without
    QString stamp;        // "YYYY-MM-DD_HHMMSS" from the name, empty without
    qint64 modified = -1; // nanoseconds since the epoch
    QString name;

    static ListOrder Of(const QString& path, qint64 modified);
    // True when `a` is listed before `b`.
    static bool Before(const ListOrder& a, const ListOrder& b);
};

// One stored file of the list. Owned by its list; lives on the UI thread.
// Its path keeps every byte of a name that is not UTF-8 (see file_name.h).
struct FileEntry {
    QString path;
    uint32_t flags = EntryPresent | EntryUnsaved;
    ListOrder order;
};

// Where the selection frame goes around a thumbnail cell: the cell grown by 2
// on every side.
QRect SelectionFrame(const QRect& cell);
// The two strokes of the unsaved mark on the lower right corner of a cell,
// each from its first point up to (not including) its second.
std::array<QLine, 2> UnsavedMark(const QRect& cell);
// A file name shows the unsaved mark only when it does not begin with "A".
bool ShowsUnsavedMark(const QString& path, uint32_t flags);

// The file list: the stored pictures and videos, each list with its
// selection, and the file operations on the selected entry. As an item
// model it holds the rows of the current list (ListMode), with their
// thumbnails made on a worker (ThumbnailCache): an entry whose thumbnail is
// not made yet answers a null picture at once, and dataChanged() follows
// when it is. Every member function runs on the UI thread.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Folders {
        QString picture;
        QString video;
    };
    enum Role {
        // Qt::DisplayRole and Qt::ToolTipRole: the file name for people to
        // read (raw bytes escaped); Qt::DecorationRole: the thumbnail as a
        // QImage, null until made and for a file that makes none.
        PathRole = Qt::UserRole + 1,
        ThumbStateRole, // ThumbState
        UnsavedMarkRole,
        SelectedRole,
    };
    enum ThumbState {
        ThumbPending = 0,
        ThumbReady = 1,
        // The file could not be made into a thumbnail: its cell shows its
        // name instead, so it can still be selected, opened and deleted.
        ThumbFailed = 2,
    };

    explicit FileListModel(Folders folders, QObject* parent = nullptr);
    ~FileListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    ThumbnailCache& thumbnails() { return thumbs_; }

    ListMode mode() const { return mode_; }
    // Shows the other list (a reset of the rows).
    void SetMode(ListMode mode);

    const std::vector<std::unique_ptr<FileEntry>>& Entries(ListMode list) const {
        return list_[Slot(list)].entries;
    }
    int Count(ListMode list) const { return int(Entries(list).size()); }
    int SelectedIndex(ListMode list) const { return list_[Slot(list)].selected; }

    // Builds both lists from the folders, newest first (ListOrder): pictures
    // are the BMP, JPEG and PNG files (any letter case) that can be read and
    // hold more than 40 bytes, videos the "avi" files. A file listed before
    // keeps its selection; files gone are dropped.
    void ScanFolders();
    // A new still picture or recording: put where its order places it, and
    // selected (the view brings the selection into sight).
    void AddPicture(const QString& path);
    void AddVideo(const QString& path);

    // Selects entry `index` of the current list (any other value clears the
    // selection). True when an entry was selected.
    bool SelectIndex(int index);
    // Path and flags of the selected entry of the current list; flags 0 when
    // nothing is selected.
    uint32_t GetSelected(QString* path) const;

    void RemoveEntry(const QString& path);
    void ClearSelection(ListMode list);
    void ClearList(ListMode list);
    // Drops the entry of the current list whose file is gone. True if dropped.
    bool CheckVanished(const QString& path);

    // Copies the selected file to `destination`, or converts it when the
    // destination ends in "bmp" or "jpg" (any letter case) and the picture is
    // of another type (a BMP saved as "x.jpg", a JPEG saved as "x.bmp"). The
    // unsaved mark goes in either case. False on failure, with the message
    // for the user in `why` (empty when nothing was selected).
    bool SaveSelectedAs(const QString& destination, QString* why = nullptr);
    // Moves the selected file to the trash (the caller has asked). False
    // when it could not, with the system's reason in `why` (empty when
    // nothing was selected).
    bool DeleteSelected(QString* why = nullptr);
    // Moves every file of the current list's storage folder to the trash and
    // empties the current list (the caller has asked), when an entry is
    // selected.
    void DeleteAll();

signals:
    // The selected entry of the current list may be another one now.
    void selectedChanged();

private:
    struct List {
        std::vector<std::unique_ptr<FileEntry>> entries;
        int selected = -1;
    };
    static int Slot(ListMode m) { return m == ListMode::Pictures ? 0 : 1; }
    List& Current() { return list_[Slot(mode_)]; }
    const List& Current() const { return list_[Slot(mode_)]; }
    void Add(ListMode list, const QString& path, uint32_t flags);
    void ScanOne(ListMode list, const QString& folder);
    // Removes the first entry of `list` whose path equals `path` (letter case
    // aside). True when one was.
    bool RemoveFrom(ListMode list, const QString& path);
    // The row of `path` in the current list, or -1.
    int RowOf(const QString& path) const;
    void RowChanged(ListMode list, int row, const QList<int>& roles);
    void OnThumbnailReady(const QString& path);
    void OnVanished(const QString& path);

    Folders folders_;
    ListMode mode_ = ListMode::Pictures;
    std::array<List, 2> list_;
    // Where each file whose thumbnail was asked for stood then, so that its
    // row is found at once when the thumbnail arrives.
    mutable QHash<QString, int> askedRow_;
    // Declared last: its workers stop before the lists go.
    mutable ThumbnailCache thumbs_;
};

} // namespace tvx

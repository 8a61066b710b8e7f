#pragma once

#include "imaging/thumbnail.h"

#include <QImage>
#include <QLine>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <array>
#include <atomic>
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

inline constexpr int kCellsPerPage = 12;
inline constexpr int kRowsPerPage = 6;

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

    // The thumbnail, scaled to the cell it was made for. Remembered with the
    // file's size and modification time so a file that changes is read again.
    enum class Thumb { None, Pending, Ready, Failed };
    Thumb thumbState = Thumb::None;
    QImage thumb;
    QSize thumbCell;
    qint64 thumbFileSize = -1;
    qint64 thumbFileTime = -1;
};

// Where the twelve cells of a page lie in a strip of the given client size:
// two columns, six rows, 5 pixels from the left, 4 from the top, 7 between.
struct PageGeometry {
    int cellWidth = 0;
    int cellHeight = 0;
    std::array<QRect, kCellsPerPage> cells; // right/bottom inclusive (QRect's own rule)

    static PageGeometry For(QSize client);
    // The cell under a client point among the first `visibleCells`; -1 for none.
    int CellAt(QPoint client, int visibleCells) const;
    // The rectangle the selection frame is drawn on (the cell grown by 2).
    QRect SelectionFrame(int cell) const;
    // The two strokes of the unsaved mark on the lower right corner of a cell,
    // each from its first point up to (not including) its second.
    std::array<QLine, 2> UnsavedMark(int cell) const;
};

// The vertical scroll bar of the strip, as the view is to show it.
struct ScrollInfo {
    int min = 0;
    int max = 5;
    int page = kRowsPerPage;
    int pos = 0;
    bool arrowsEnabled = false;
};

enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, ThumbPosition, End };

// Rows of a list of `count` entries (two entries a row).
constexpr int RowsFor(int count) {
    return (count + 1) / 2;
}
// The largest top row of a list of `count` entries: its last row alone at
// the top of the page, or 0 while a page holds them all.
constexpr int MaxTopRow(int count) {
    return RowsFor(count) <= kRowsPerPage ? 0 : RowsFor(count) - 1;
}
// The top row that shows `index` when the page starts at `top`: unchanged
// when the entry is on the page already, else the nearest that shows it.
constexpr int TopRowShowing(int index, int top) {
    return index / 2 < top                   ? index / 2
           : index / 2 >= top + kRowsPerPage ? index / 2 - kRowsPerPage + 1
                                             : top;
}
// A file name shows the unsaved mark only when it does not begin with "A".
bool ShowsUnsavedMark(const QString& path, uint32_t flags);

// The file list: the stored pictures and videos, each list with its
// selection and top row, and the file operations on the selected entry.
// A thin view drives it: it asks for the visible page, hit-tests through
// PageGeometry, selects by index and scrolls; it redraws on pageChanged().
// Every member function runs on the UI thread; only the video first-frame
// decoding runs on the model's worker pool.
class FileListModel : public QObject {
    Q_OBJECT
public:
    struct Folders {
        QString picture;
        QString video;
    };
    // One drawn cell of the visible page.
    struct PageCell {
        int cell = 0;  // 0..11
        int index = 0; // entry index in the current list
        QImage thumb;  // scaled to the cell; null while a video frame is decoding
        bool unsavedMark = false;
        // The file could not be made into a thumbnail: the cell shows its
        // name instead, so it can still be selected, opened and deleted.
        bool placeholder = false;
        QString name; // the file name for people to read (raw bytes escaped)
    };

    explicit FileListModel(Folders folders, QObject* parent = nullptr);
    ~FileListModel() override;

    // Off by default: every thumbnail is made on the calling thread, in
    // order. With it on, a video's first frame is decoded on a worker and
    // its cell stays empty until the result arrives (then pageChanged()).
    void SetAsyncVideoFrames(bool on) { asyncVideo_ = on; }
    // Waits for every pending first-frame decoding (tests, shutdown).
    void WaitForThumbnails();

    ListMode mode() const { return mode_; }
    void SetMode(ListMode mode) { mode_ = mode; }

    const std::vector<std::unique_ptr<FileEntry>>& Entries(ListMode list) const {
        return list_[Slot(list)].entries;
    }
    int Count(ListMode list) const { return int(Entries(list).size()); }
    int SelectedIndex(ListMode list) const { return list_[Slot(list)].selected; }
    int TopRow(ListMode list) const { return list_[Slot(list)].topRow; }

    // Builds both lists from the folders, newest first (ListOrder): pictures
    // are the BMP, JPEG and PNG files (any letter case) that can be read and
    // hold more than 40 bytes, videos the "avi" files. A file listed before
    // keeps its selection and thumbnail; files gone are dropped. The top row
    // stays where it was, within the new list.
    void ScanFolders();
    // A new still picture or recording: put where its order places it,
    // brought onto the page and selected.
    void AddPicture(const QString& path);
    void AddVideo(const QString& path);

    // Selects entry `index` of the current list (any other value clears the
    // selection). True when an entry was selected.
    bool SelectIndex(int index);
    // Selects the entry drawn in the cell under the client point; a point
    // between cells clears the selection. The cells are those of the page
    // last made by VisiblePage().
    bool SelectAt(const PageGeometry& geometry, QPoint client);
    // Path and flags of the selected entry of the current list; flags 0 when
    // nothing is selected.
    uint32_t GetSelected(QString* path) const;

    // The scroll bar for the current list. When the list has at most 12
    // rows its top row returns to 0.
    ScrollInfo UpdateScrollBar();
    // A scroll request on the current list; returns the new top row.
    int Scroll(ScrollAction action, int thumbPosition = 0);

    void RemoveEntry(const QString& path);
    void ClearSelection(ListMode list);
    void ClearList(ListMode list);
    // Drops the entry of the current list whose file is gone. True if dropped.
    bool CheckVanished(const QString& path);

    // The visible page of the current list, thumbnails made (or taken from
    // the cache) at the geometry's cell size. An entry whose thumbnail fails
    // gets a placeholder cell with its name; an entry whose file vanished is
    // dropped.
    std::vector<PageCell> VisiblePage(const PageGeometry& geometry);
    // The cell of the selected entry on the page last made, or -1.
    int SelectedCell() const;

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
    // The visible page or the selection changed: the view composes again.
    void pageChanged();
    // The scroll bar of the current list changed.
    void scrollChanged(const tvx::ScrollInfo& info);

private:
    struct List {
        std::vector<std::unique_ptr<FileEntry>> entries;
        int selected = -1;
        int topRow = 0;
    };
    static int Slot(ListMode m) { return m == ListMode::Pictures ? 0 : 1; }
    List& Current() { return list_[Slot(mode_)]; }
    const List& Current() const { return list_[Slot(mode_)]; }
    void Add(ListMode list, const QString& path, uint32_t flags);
    void ScanOne(ListMode list, const QString& folder);
    void MakeThumbnail(FileEntry& entry, QSize cell, qint64 size, qint64 time);
    void RequestVideoFrame(FileEntry& entry, QSize cell, qint64 size, qint64 time);
    void ApplyVideoFrame(const QString& path, QSize cell, qint64 size, qint64 time, QImage image);

    Folders folders_;
    ListMode mode_ = ListMode::Pictures;
    std::array<List, 2> list_;
    // Entry index drawn in each cell of the page last made; -1 for none.
    std::array<int, kCellsPerPage> pageIndex_;
    bool asyncVideo_ = false;
    // The one picture being made into a thumbnail on the UI thread.
    ThumbnailRecord record_;
    // Raised by the destructor: a first frame still decoding gives up.
    // Written on the UI thread, read by the pool's.
    std::atomic<bool> stopping_{false};
    // Worker threads for first frames. They touch no member but stopping_:
    // each job gets copies and hands its result back through a queued call
    // to this object.
    QThreadPool pool_;
};

} // namespace tvx

Q_DECLARE_METATYPE(tvx::ScrollInfo)

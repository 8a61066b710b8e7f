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
#include <cstdint>
#include <memory>
#include <vector>

namespace tvx {

class Prompts;

enum EntryFlag : uint32_t {
    EntryPresent = 1,
    EntryUnsaved = 2,  // not saved elsewhere yet: the view draws the unsaved mark
    EntrySelected = 4, // the selected entry of its list
};

// Which list the strip shows. The values are the stored ones.
enum class ListMode { Videos = 0, Pictures = 1 };

inline constexpr int kCellsPerPage = 12;
inline constexpr int kRowsPerPage = 6;

// One stored file of the list. Owned by its list; lives on the UI thread.
struct FileEntry {
    QString path;
    uint32_t flags = EntryPresent | EntryUnsaved;

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
// The top row after a scan: the last page shows the newest entries.
constexpr int TopRowAfterScan(int count) {
    return count > kCellsPerPage ? (count - kCellsPerPage) / 2 : 0;
}
// The top row after an addition: the new entry is on the page.
constexpr int TopRowAfterAdd(int count) {
    return count > kCellsPerPage ? (count - kCellsPerPage + 1) / 2 : 0;
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

    // Builds both lists from the folders (file system order): pictures are
    // "*.bmp" files that can be read and hold more than 40 bytes, videos
    // "*.avi" files. Everything in the lists before is dropped.
    void ScanFolders();
    // A new still picture or recording: appended, brought onto the page and
    // selected.
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
    // takes no cell; an entry whose file vanished is dropped.
    std::vector<PageCell> VisiblePage(const PageGeometry& geometry);
    // The cell of the selected entry on the page last made, or -1.
    int SelectedCell() const;

    // Copies the selected file to `destination`, or converts it to JPEG when
    // the destination ends in "jpg" (any case). The unsaved mark goes in
    // either case. Failures are told through the prompts; false then.
    bool SaveSelectedAs(const QString& destination, Prompts& prompts);
    // Moves the selected file to the trash after confirmation.
    void DeleteSelected(Prompts& prompts);
    // After confirmation, moves every file of the selected entry's storage
    // folder to the trash and empties the current list.
    void DeleteAll(Prompts& prompts);

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
    void ScanOne(ListMode list, const QString& folder, const char* pattern, bool sizeTest);
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
    // Worker threads for first frames. They touch no member: each job gets
    // copies and hands its result back through a queued call to this object.
    QThreadPool pool_;
};

} // namespace tvx

Q_DECLARE_METATYPE(tvx::ScrollInfo)

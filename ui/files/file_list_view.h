#pragma once

#include "session/file_list.h"

#include <QImage>
#include <QWidget>

class QScrollBar;

namespace tvx {

// The thumbnail strip at the left of the main window (control 1002): shows
// the visible page of the file list's current list, two thumbnails a row and
// six rows a page, with the selection frame and the unsaved mark, and a
// vertical scroll bar. A click selects, a double click asks to open, a right
// click on a file asks for the file menu. The list itself (entries,
// selection, paging, files) is the model's. UI thread.
class CFileListView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 179;
    static constexpr int kHeight = 480;
    static constexpr int kScrollBarWidth = 17;

    explicit CFileListView(FileListModel& model, QWidget* parent = nullptr);

    // The area the thumbnails are drawn in, in widget coordinates: inside the
    // border, left of the scroll bar.
    QRect clientRect() const;
    const PageGeometry& pageGeometry() const { return geometry_; }
    // The composed page as it is shown (client size).
    const QImage& page() const { return page_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    // Pages composed so far.
    int renderCount() const { return renders_; }
    // The cells of the page on screen.
    const std::vector<FileListModel::PageCell>& cells() const { return cells_; }

public slots:
    // Composes the visible page of the current list and repaints.
    void RenderList();
    // The scroll bar follows the current list.
    void UpdateScrollBar();

signals:
    // A double click on a file: the window opens it.
    void openRequested();
    // A right click on a file, which is now selected: the file menu belongs
    // at `globalPos`.
    void menuRequested(const QPoint& globalPos);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void showScrollInfo(const ScrollInfo& info);
    void onScrollValue(int value);
    bool selectUnder(const QPoint& widgetPos);

    FileListModel& model_;
    QScrollBar* scrollBar_ = nullptr;
    PageGeometry geometry_;
    QImage page_;
    std::vector<FileListModel::PageCell> cells_;
    int wheelRemainder_ = 0; // wheel movement short of a whole notch
    int renders_ = 0;
    bool settingScroll_ = false; // the scroll bar is being set from the model
};

} // namespace tvx

#pragma once

#include "session/file_list.h"

#include <QListView>
#include <array>

namespace tvx {

// The thumbnail strip at the left of the main window: the current list of
// the file list as a grid of the skin's cells, two to a row at the strip's
// usual width, as many rows as its height shows, scrolled a row at a time.
// A cell shows its thumbnail (the empty well while it is being made, the
// file's name when the file makes none), the unsaved mark and the selection
// frame. A click selects, a click between cells clears the selection, a
// double click asks to open, a right click on a file asks for the file menu.
// Once clicked, it takes the keyboard: the arrows, Home, End, Page Up and
// Page Down move the selection, Enter asks to open, Delete asks to delete.
// The list itself (entries, selection, files) is the model's. UI thread.
class CFileListView : public QListView {
    Q_OBJECT
public:
    // A cell, and the grid of cells: 5 pixels from the left, 4 from the top,
    // 7 between, as the skin's wells are drawn.
    static constexpr int kCellWidth = 72;
    static constexpr int kCellHeight = 73;
    static constexpr int kGap = 7;
    static constexpr int kLeft = 5;
    static constexpr int kTop = 4;

    explicit CFileListView(FileListModel& model, QWidget* parent = nullptr);

    // The cell of `row` in viewport coordinates; empty when `row` is no row.
    QRect CellRect(int row) const;
    // The row whose cell holds the viewport point; -1 between cells or where
    // no file is.
    int RowAt(QPoint viewportPos) const;
    // The first row of cells shown (0 at the top of the list).
    int TopRow() const;

signals:
    // A double click on a file, or Enter with a file selected: the window
    // opens it.
    void openRequested();
    // Delete: the window asks, then deletes the selected file.
    void deleteRequested();
    // A right click on a file, which is now selected: the file menu belongs
    // at `globalPos`.
    void menuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void updateGeometries() override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    // The view's current row follows the model's selection, and comes into
    // sight.
    void followSelection();
    static int Slot(tvx::ListMode m) { return m == tvx::ListMode::Pictures ? 0 : 1; }

    FileListModel& model_;
    int wheelRemainder_ = 0;          // wheel movement short of a whole notch
    std::array<int, 2> topRow_{0, 0}; // each list's first row, kept while the other shows
};

} // namespace tvx

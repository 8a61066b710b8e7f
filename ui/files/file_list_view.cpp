#include "ui/files/file_list_view.h"

#include "ui/skin/skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>

namespace tvx {

namespace {

// Pens of the cells. The unsaved mark is drawn as the inverse of its pen, so
// its pen colour is kept here as given and inverted where it is drawn.
const QColor kSelectionColour(12, 191, 0);
const QColor kUnsavedPenColour(243, 63, 255);
const QColor kBorderColour(11, 15, 20);
constexpr int kWheelNotch = 120; // angle units of one wheel step

const QColor kPlaceholderColour(70, 76, 86);
const QColor kPlaceholderText(235, 238, 242);

QRect CellIn(const QRect& grid) {
    return QRect(grid.topLeft() + QPoint(CFileListView::kLeft, CFileListView::kTop),
                 QSize(CFileListView::kCellWidth, CFileListView::kCellHeight));
}

QColor Inverted(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

// The line from `a` towards `b`, without `b` itself.
QLine WithoutEnd(const QLine& l) {
    const QPoint d = l.p2() - l.p1();
    const QPoint step(d.x() > 0 ? 1 : d.x() < 0 ? -1 : 0, d.y() > 0 ? 1 : d.y() < 0 ? -1 : 0);
    return QLine(l.p1(), l.p2() - step);
}

// A file that cannot be shown as a picture: its name in a plain cell, so
// it can still be found, opened and deleted.
void DrawPlaceholder(QPainter& p, const QRect& cell, const QString& name) {
    p.save();
    p.fillRect(cell, kPlaceholderColour);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(kPlaceholderText);
    const QRect text = cell.adjusted(3, 3, -3, -3);
    // Break anywhere: stored names have no spaces to break at.
    QString wrapped;
    const QFontMetrics fm(font);
    QString line;
    for (const QChar ch : name) {
        if (fm.horizontalAdvance(line + ch) > text.width() && !line.isEmpty()) {
            wrapped += line + QLatin1Char('\n');
            line.clear();
        }
        line += ch;
    }
    wrapped += line;
    p.setClipRect(text);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, wrapped);
    p.restore();
}

// Draws one cell of the grid as the skin does: the thumbnail (or the name),
// the unsaved mark, and the selection frame XOR-ed over it all.
class SkinCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {CFileListView::kCellWidth + CFileListView::kGap,
                CFileListView::kCellHeight + CFileListView::kGap};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect cell = CellIn(option.rect);
        p->save();
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setRenderHint(QPainter::SmoothPixmapTransform, false);
        const int state = index.data(FileListModel::ThumbStateRole).toInt();
        if (state == FileListModel::ThumbReady) {
            const QImage thumb = index.data(Qt::DecorationRole).value<QImage>();
            if (thumb.size() == cell.size())
                p->drawImage(cell.topLeft(), thumb);
            else
                p->drawImage(cell, thumb);
        } else if (state == FileListModel::ThumbFailed) {
            DrawPlaceholder(*p, cell, index.data(Qt::DisplayRole).toString());
        }
        // While the thumbnail is being made the cell shows the empty well.
        if (index.data(FileListModel::UnsavedMarkRole).toBool()) {
            p->setPen(QPen(Inverted(kUnsavedPenColour), 2, Qt::DotLine, Qt::FlatCap));
            for (const QLine& l : UnsavedMark(cell))
                p->drawLine(WithoutEnd(l));
        }
        if (index.data(FileListModel::SelectedRole).toBool()) {
            p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p->setPen(QPen(kSelectionColour, 2, Qt::DotLine, Qt::FlatCap));
            p->setBrush(Qt::NoBrush);
            p->drawRect(SelectionFrame(cell));
        }
        p->restore();
    }
};

} // namespace

CFileListView::CFileListView(FileListModel& model, QWidget* parent)
    : QListView(parent), model_(model) {
    // A grid of equal cells that wraps at the right edge: rows scroll one at
    // a time, so the skin's wells stay under the cells.
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setGridSize(QSize(kCellWidth + kGap, kCellHeight + kGap));
    setSpacing(0);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::NoSelection); // the model keeps the selection
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAutoScroll(false);
    setItemDelegate(new SkinCellDelegate(this));
    // The window keeps the keyboard until the user clicks in the list: its
    // hot keys are shortcuts of the window and work either way.
    setFocusPolicy(Qt::ClickFocus);
    verticalScrollBar()->setObjectName(QStringLiteral("fileListScrollBar"));
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);

    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, kBorderColour);
    pal.setColor(QPalette::Text, kBorderColour);
    setPalette(pal);
    setForegroundRole(QPalette::WindowText);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    setModel(&model_);
    // A list that fits in the strip keeps its bar, with the arrows disabled.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this](int min, int max) { verticalScrollBar()->setEnabled(max > min); });
    // Each list keeps its place while the other is shown, and a new scan
    // leaves the list where it was.
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { topRow_[size_t(Slot(model_.mode()))] = TopRow(); });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        executeDelayedItemsLayout();
        verticalScrollBar()->setValue(topRow_[size_t(Slot(model_.mode()))]);
    });
    connect(&model_, &FileListModel::selectedChanged, this, &CFileListView::followSelection);
    followSelection();
}

QRect CFileListView::CellRect(int row) const {
    const QModelIndex i = model_.index(row);
    return i.isValid() ? CellIn(visualRect(i)) : QRect();
}

int CFileListView::RowAt(QPoint viewportPos) const {
    const QModelIndex i = indexAt(viewportPos);
    return i.isValid() && CellIn(visualRect(i)).contains(viewportPos) ? i.row() : -1;
}

int CFileListView::TopRow() const {
    return verticalScrollBar()->value();
}

void CFileListView::followSelection() {
    const int s = model_.SelectedIndex(model_.mode());
    const QModelIndex i = model_.index(s);
    if (i.isValid()) {
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::NoUpdate);
        scrollTo(i);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    // The frame reaches past its cell's grid square: the whole strip again.
    viewport()->update();
}

void CFileListView::updateGeometries() {
    QListView::updateGeometries();
    // A row counts as shown when its cell is whole, though the gap below the
    // last one is cut off (478 pixels hold six rows of the skin's cells), so
    // the bottom of the list shows a full last page.
    QScrollBar* bar = verticalScrollBar();
    const int n = model_.rowCount();
    if (n == 0) return;
    const int rowHeight = kCellHeight + kGap;
    const int rows = rectForIndex(model_.index(n - 1)).top() / rowHeight + 1;
    const int shown = std::max(1, (viewport()->height() - kTop - kCellHeight) / rowHeight + 1);
    bar->setRange(0, std::max(0, rows - shown));
    bar->setPageStep(shown);
}

void CFileListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    QListView::dataChanged(topLeft, bottomRight, roles);
    // The frame and the mark reach past the cell's grid square.
    viewport()->update();
}

void CFileListView::paintEvent(QPaintEvent* e) {
    {
        // The skin's background: its first well, repeated for every cell.
        QPainter p(viewport());
        const int background =
            model_.mode() == tvx::ListMode::Pictures ? kPicListPictures : kPicListVideos;
        const QPixmap skin = SkinPixmap(background);
        const int columns = kCellWidth + kGap;
        const QRect tile(0, 0, columns, kCellHeight + kGap);
        // Right to left, the columns are counted from the right edge.
        const QPoint offset(
            isRightToLeft() ? (columns - viewport()->width() % columns) % columns : 0, 0);
        if (skin.isNull())
            p.fillRect(e->rect(), kBorderColour);
        else
            p.drawTiledPixmap(viewport()->rect(), skin.copy(tile), offset);
    }
    QListView::paintEvent(e);
}

void CFileListView::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int row = RowAt(pos);
    if (e->button() == Qt::LeftButton) {
        // A click between the cells clears the selection.
        model_.SelectIndex(row);
    } else if (e->button() == Qt::RightButton) {
        // The file menu only over a file: its commands act on it.
        if (model_.SelectIndex(row)) emit menuRequested(e->globalPosition().toPoint());
    }
    e->accept();
}

void CFileListView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    if (model_.SelectIndex(RowAt(e->position().toPoint()))) emit openRequested();
    e->accept();
}

void CFileListView::mouseMoveEvent(QMouseEvent* e) {
    // No dragging a selection over the cells.
    e->accept();
}

void CFileListView::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
}

void CFileListView::keyPressEvent(QKeyEvent* e) {
    CursorAction move;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (model_.GetSelected(nullptr)) emit openRequested();
        e->accept();
        return;
    case Qt::Key_Delete:
        emit deleteRequested();
        e->accept();
        return;
    case Qt::Key_Up:
        move = MoveUp;
        break;
    case Qt::Key_Down:
        move = MoveDown;
        break;
    case Qt::Key_Left:
        move = MoveLeft;
        break;
    case Qt::Key_Right:
        move = MoveRight;
        break;
    case Qt::Key_Home:
        move = MoveHome;
        break;
    case Qt::Key_End:
        move = MoveEnd;
        break;
    case Qt::Key_PageUp:
        move = MovePageUp;
        break;
    case Qt::Key_PageDown:
        move = MovePageDown;
        break;
    default:
        // Everything else is the window's (no search by typing here).
        e->ignore();
        return;
    }
    const QModelIndex next = moveCursor(move, e->modifiers());
    if (next.isValid()) model_.SelectIndex(next.row());
    e->accept();
}

void CFileListView::wheelEvent(QWheelEvent* e) {
    // Each notch scrolls one row, as the arrows of the bar do; a touchpad's
    // small steps add up to a notch first.
    wheelRemainder_ += e->angleDelta().y();
    QScrollBar* bar = verticalScrollBar();
    while (wheelRemainder_ >= kWheelNotch) {
        wheelRemainder_ -= kWheelNotch;
        bar->setValue(bar->value() - 1);
    }
    while (wheelRemainder_ <= -kWheelNotch) {
        wheelRemainder_ += kWheelNotch;
        bar->setValue(bar->value() + 1);
    }
    e->accept();
}

} // namespace tvx

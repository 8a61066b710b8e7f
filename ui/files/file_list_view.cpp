#include "ui/files/file_list_view.h"

#include "ui/skin/skin.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace tvx {

namespace {

// Pens of the page. The unsaved mark is drawn as the inverse of its pen, so
// its pen colour is kept here as given and inverted where it is drawn.
const QColor kSelectionColour(12, 191, 0);
const QColor kUnsavedPenColour(243, 63, 255);
constexpr int kWheelNotch = 120; // angle units of one wheel step

const QColor kPlaceholderColour(70, 76, 86);
const QColor kPlaceholderText(235, 238, 242);

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

QColor Inverted(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

// The line from `a` towards `b`, without `b` itself.
QLine WithoutEnd(const QLine& l) {
    const QPoint d = l.p2() - l.p1();
    const QPoint step(d.x() > 0 ? 1 : d.x() < 0 ? -1 : 0, d.y() > 0 ? 1 : d.y() < 0 ? -1 : 0);
    return QLine(l.p1(), l.p2() - step);
}

} // namespace

CFileListView::CFileListView(FileListModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The window keeps the keyboard: F2 and the other hot keys work after a
    // click in the list.
    setFocusPolicy(Qt::NoFocus);

    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName(QStringLiteral("fileListScrollBar"));
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->setGeometry(kWidth - 1 - kScrollBarWidth, 1, kScrollBarWidth, kHeight - 2);
    scrollBar_->setSingleStep(1);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &CFileListView::onScrollValue);

    geometry_ = PageGeometry::For(clientRect().size());
    connect(&model_, &FileListModel::pageChanged, this, &CFileListView::RenderList);
    connect(&model_, &FileListModel::scrollChanged, this, &CFileListView::showScrollInfo);
}

QRect CFileListView::clientRect() const {
    return QRect(1, 1, width() - 2 - kScrollBarWidth, height() - 2);
}

void CFileListView::RenderList() {
    const QRect client = clientRect();
    if (client.isEmpty()) return;
    geometry_ = PageGeometry::For(client.size());

    QImage work(client.size(), QImage::Format_RGB32);
    work.fill(Qt::black);
    QPainter p(&work);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const int background = model_.mode() == ListMode::Pictures ? kPicListPictures : kPicListVideos;
    p.drawImage(0, 0, SkinImage(background));

    cells_ = model_.VisiblePage(geometry_);
    QPen markPen(Inverted(kUnsavedPenColour), 2, Qt::DotLine, Qt::FlatCap);
    for (const FileListModel::PageCell& c : cells_) {
        const QRect r = geometry_.cells[size_t(c.cell)];
        if (c.placeholder) {
            DrawPlaceholder(p, r, c.name);
        } else if (!c.thumb.isNull()) {
            if (c.thumb.size() == r.size())
                p.drawImage(r.topLeft(), c.thumb);
            else
                p.drawImage(r, c.thumb);
        }
        if (c.unsavedMark) {
            p.setPen(markPen);
            for (const QLine& l : geometry_.UnsavedMark(c.cell))
                p.drawLine(WithoutEnd(l));
        }
    }

    // The selection frame is XOR-ed onto the finished page.
    const int selected = model_.SelectedCell();
    if (selected >= 0) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(kSelectionColour, 2, Qt::DotLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawRect(geometry_.SelectionFrame(selected));
    }
    p.end();
    page_ = work;
    ++renders_;
    update();
}

void CFileListView::UpdateScrollBar() {
    model_.UpdateScrollBar(); // answers through scrollChanged
}

void CFileListView::showScrollInfo(const ScrollInfo& info) {
    settingScroll_ = true;
    scrollBar_->setRange(info.min, info.max);
    scrollBar_->setPageStep(info.page);
    scrollBar_->setValue(info.pos);
    // A list that fits on a page keeps its bar, with the arrows disabled.
    scrollBar_->setEnabled(info.arrowsEnabled);
    settingScroll_ = false;
}

void CFileListView::onScrollValue(int value) {
    if (settingScroll_) return;
    // Arrows, page clicks and dragging all end here as a new top row; the
    // model clamps it to the list's rows.
    if (value != model_.TopRow(model_.mode())) model_.Scroll(ScrollAction::ThumbPosition, value);
}

bool CFileListView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The name of the file under the pointer, raw bytes escaped.
        auto* help = static_cast<QHelpEvent*>(e);
        const QPoint client = help->pos() - clientRect().topLeft();
        QString name;
        for (const FileListModel::PageCell& c : cells_)
            if (geometry_.cells[size_t(c.cell)].contains(client)) name = c.name;
        if (name.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), name, this);
        return true;
    }
    return QWidget::event(e);
}

void CFileListView::paintEvent(QPaintEvent*) {
    if (page_.isNull()) RenderList();
    QPainter p(this);
    p.setPen(QColor(11, 15, 20));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawImage(clientRect().topLeft(), page_);
}

void CFileListView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    scrollBar_->setGeometry(width() - 1 - kScrollBarWidth, 1, kScrollBarWidth, height() - 2);
    RenderList();
}

bool CFileListView::selectUnder(const QPoint& widgetPos) {
    // The cells are those of the page on screen; compose it first if it
    // never was.
    if (page_.isNull()) RenderList();
    return model_.SelectAt(geometry_, widgetPos - clientRect().topLeft());
}

void CFileListView::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        // A click between the cells clears the selection.
        selectUnder(pos);
    } else if (e->button() == Qt::RightButton) {
        // The file menu only over a file: its commands act on it.
        if (selectUnder(pos)) emit menuRequested(e->globalPosition().toPoint());
    }
    e->accept();
}

void CFileListView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    if (selectUnder(e->position().toPoint())) emit openRequested();
    e->accept();
}

void CFileListView::wheelEvent(QWheelEvent* e) {
    // Unlike the scroll arrows of old list strips, which ignored the wheel,
    // each notch scrolls one row here, as every list on a Linux desktop does;
    // a touchpad's small steps add up to a notch first.
    wheelRemainder_ += e->angleDelta().y();
    while (wheelRemainder_ >= kWheelNotch) {
        wheelRemainder_ -= kWheelNotch;
        model_.Scroll(ScrollAction::LineUp);
    }
    while (wheelRemainder_ <= -kWheelNotch) {
        wheelRemainder_ += kWheelNotch;
        model_.Scroll(ScrollAction::LineDown);
    }
    e->accept();
}

} // namespace tvx

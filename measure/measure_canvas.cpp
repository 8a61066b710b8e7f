#include "measure/measure_canvas.h"

#include "measure/canvas_zoom.h"
#include "measure/live_guides.h"
#include "measure/picture_scale.h"
#include "measure/shape_drawing.h"
#include "measure/tool_registry.h"
#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <climits>

namespace tvx {

namespace {

constexpr QRgb kCanvasGrey = 0xFF808080;

bool IsContinuous(const CMeasureTool* t) {
    return t && t->kind() == int32_t(ShapeKind::ContinuousLine);
}

// Splits what the measured continuous line under way shows into the part
// the canvas paints (placed segments and their labels, one label per
// segment) and the rubber line from the last vertex, which exists only
// while a vertex is being placed (then the lines outnumber the labels).
void SplitContinuous(const Figure& pending, Figure* placed, Figure* rubber) {
    Figure p = pending;
    Figure r;
    if (p.lines.size() > p.texts.size()) {
        r.lines << p.lines.takeLast();
    }
    if (placed) *placed = p;
    if (rubber) *rubber = r;
}

} // namespace

namespace {
QString BaseNameOf(const QString& path) {
    const int slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf('\\'));
    QString name = path.mid(slash + 1);
    name.chop(std::min<int>(4, name.size()));
    return name;
}
} // namespace

QString DateStampFromPath(const QString& path) {
    const QString name = BaseNameOf(path);
    const int under = name.indexOf(QLatin1Char('_'));
    return under < 0 ? name : name.mid(under + 1);
}

QString MagnificationTagFromPath(const QString& path) {
    QString rest = DateStampFromPath(path);
    rest.chop(std::min<int>(6, rest.size()));
    const int under = rest.lastIndexOf(QLatin1Char('_'));
    const QString piece = under < 0 ? rest : rest.mid(under);
    if (piece.size() < 2 || !piece.startsWith(QLatin1Char('_')) ||
        !piece.endsWith(QLatin1Char('X')))
        return QString();
    const QString tag = piece.mid(1, piece.size() - 2);
    // The dialog's box takes a short number; a longer text is no magnification.
    return tag.size() > kMaxMagnificationTag ? QString() : tag;
}

QString ProposedMeasuredPath(const QString& original) {
    const QFileInfo info(original);
    QString suffix = info.suffix();
    if (suffix.compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0 &&
        suffix.compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0)
        suffix = QStringLiteral("bmp");
    const QDir dir = info.dir();
    const QString stem = info.completeBaseName() + QStringLiteral("_measured");
    for (int n = 1;; ++n) {
        const QString name =
            (n == 1 ? stem : stem + QString::number(n)) + QLatin1Char('.') + suffix;
        const QString path = dir.filePath(name);
        // A folder holding every number up to INT_MAX is not a folder a
        // person made; the last name is proposed and the dialog asks.
        if (!QFileInfo::exists(path) || n == INT_MAX) return path;
    }
}

MeasureCanvasModel::MeasureCanvasModel(const SettingsStore& settings, const MeasuringScope& scope,
                                       CanvasHost* host)
    : settings_(settings), scope_(scope), host_(host) {}

MeasureCanvasModel::~MeasureCanvasModel() {
    shapes_.Clear();
}

bool MeasureCanvasModel::Load(const QString& path, int initialTool, double magnification,
                              QString* why) {
    path_ = path;
    tool_ = initialTool;
    magnification_ = magnification;
    picture_.Destroy();
    canvasSize_ = QSize(640, 480);
    const int type = ImageTypeFromPath(path);
    if (type != kImageTypeNone) picture_ = CxImage(path, type);
    if (!picture_.IsValid()) {
        // A picture is shown as its file describes it or refused, and the
        // user is told which.
        if (why)
            *why = type == kImageTypeNone ? QStringLiteral("not a picture file")
                                          : picture_.LastError();
        picture_.Destroy();
        return false;
    }
    canvasSize_ = pictureSize();
    const SettingsValues s = settings_.values();
    penColour_ = s.LineColor & 0xFFFFFFu;
    labelColour_ = s.MeasureTxtColor & 0xFFFFFFu;
    dateStamp_ = DateStampFromPath(path);
    tag_ = MagnificationTagFromPath(path);
    return true;
}

QString MeasureCanvasModel::pictureName() const {
    return QFileInfo(path_).completeBaseName();
}

void MeasureCanvasModel::SetTool(int tool, bool measuring) {
    tool_ = tool;
    measuring_ = measuring;
}

void MeasureCanvasModel::SetTextStyle(uint32_t colour, const FontRecord& font) {
    textColour_ = colour & 0xFFFFFFu;
    textFont_ = font;
}

void MeasureCanvasModel::SetColours(uint32_t pen, uint32_t label) {
    penColour_ = pen & 0xFFFFFFu;
    labelColour_ = label & 0xFFFFFFu;
}

bool MeasureCanvasModel::AddText(const QString& text) {
    if (text.isEmpty()) return false;
    EndShapeUnderWay();
    shapes_.Append(NewTextShape(textPos_, text, textColour_, textFont_));
    textPending_ = true;
    if (host_) {
        followArea_ = TextFollowArea(textPos_);
        host_->Repaint(QRect());
    }
    ReportHistory();
    return true;
}

void MeasureCanvasModel::EndShapeUnderWay() {
    textPending_ = false;
    if (!shapeUnderWay()) return;
    active_->EndAsItStands();
    if (host_) host_->ReleasePointer();
}

void MeasureCanvasModel::Undo() {
    EndShapeUnderWay();
    shapes_.Undo();
    if (host_) host_->Repaint(QRect());
    ReportHistory();
}

void MeasureCanvasModel::Redo() {
    EndShapeUnderWay();
    shapes_.Redo();
    if (host_) host_->Repaint(QRect());
    ReportHistory();
}

void MeasureCanvasModel::ReportHistory() {
    if (reportedUndo_ == HasShapes() && reportedRedo_ == HasRedo()) return;
    reportedUndo_ = HasShapes();
    reportedRedo_ = HasRedo();
    if (host_) host_->HistoryChanged();
}

bool MeasureCanvasModel::InPixels() const {
    return !scope_.pitchKnown.load() && !pictureCalibrated_;
}

QString MeasureCanvasModel::PictureUnit(const QString& unit) const {
    return InPixels() ? QString::fromLatin1(kPixelUnit) : unit;
}

MeasureContext MeasureCanvasModel::PictureContext(const SettingsValues& s) const {
    return MeasureContextFor(canvasSize_, magnification_, s, InPixels(), scope_.pitchKnown.load());
}

MeasureContext MeasureCanvasModel::CurrentContext() const {
    return PictureContext(settings_.values());
}

ToolSettings MeasureCanvasModel::CurrentToolSettings() const {
    const SettingsValues s = settings_.values();
    ToolSettings t;
    t.ctx = PictureContext(s);
    t.style.penWidth = int32_t(s.Linewidth);
    t.style.penStyle = int32_t(s.Linetype);
    t.style.penColor = penColour_;
    t.style.labelFont = labelFont_;
    t.style.labelColor = labelColour_;
    t.labelLineSpacing = LabelLineSpacing(int64_t(s.fontsize));
    t.measuring = measuring_;
    CanvasHost* host = host_;
    t.calibrate = [host, ctx = t.ctx](double pixels) -> std::optional<double> {
        return host ? host->Calibrate(pixels, ctx) : std::nullopt;
    };
    return t;
}

CMeasureTool* MeasureCanvasModel::ToolFor(int tool) {
    const bool calibrates = calibrating_ && measuring_ && tool == int(MeasureTool::Line);
    if (!active_ || activeTool_ != tool || activeCalibrates_ != calibrates) {
        active_ = MakeCanvasTool(tool, calibrates);
        activeTool_ = tool;
        activeCalibrates_ = calibrates;
    }
    if (active_) active_->Bind(&shapes_);
    return active_.get();
}

bool MeasureCanvasModel::shapeUnderWay() const {
    return active_ && active_->underWay();
}

QRect MeasureCanvasModel::HoldArea(QPoint start) const {
    const QRect area = canvasArea();
    if (activeTool_ != int(MeasureTool::RadiusCircle)) return area;
    // The largest square around the centre that fits: the circle drawn to
    // the pointer can then never leave the canvas.
    const int half = std::max(0, std::min({start.x() - area.left(), area.right() - start.x(),
                                           start.y() - area.top(), area.bottom() - start.y()}));
    return QRect(start.x() - half, start.y() - half, 2 * half + 1, 2 * half + 1);
}

void MeasureCanvasModel::LeftDown(QPoint p) {
    if (!hasPicture()) return;
    const bool underWay = shapeUnderWay();
    if (!underWay && !canvasArea().contains(p)) return;
    // A click lets a text note go where the pointer left it.
    if (textPending_) {
        textPending_ = false;
        if (host_) host_->Repaint(QRect());
    }
    if (!underWay && tool_ == int(MeasureTool::Text)) {
        textPos_ = p;
        return;
    }
    CMeasureTool* t = underWay ? active_.get() : ToolFor(tool_);
    if (!t) return;
    const ToolSettings settings = CurrentToolSettings();
    if (underWay) {
        // Keep the tool's own settings (its calibration context); only the
        // scale source is taken fresh.
        ToolSettings keep = t->settings();
        keep.ctx.scale = settings.ctx.scale;
        t->SetSettings(keep);
    } else {
        t->SetSettings(settings);
    }
    const int before = int(shapes_.shapes().size());
    t->Press(p);
    if (!underWay && t->underWay() && host_) host_->HoldPointer(HoldArea(p));
    if (activeCalibrates_ && int(shapes_.shapes().size()) > before) {
        // The calibration line is in; the next line measures again.
        calibrating_ = false;
    }
    AfterEvent(p);
}

void MeasureCanvasModel::LeftDoubleClick(QPoint p) {
    if (!active_ || !active_->underWay()) return;
    ToolSettings keep = active_->settings();
    keep.ctx.scale = CurrentToolSettings().ctx.scale;
    active_->SetSettings(keep);
    active_->DoubleClick(p);
    AfterEvent(p);
}

void MeasureCanvasModel::AfterEvent(QPoint p) {
    ReportHistory();
    if (!host_) return;
    if (!shapeUnderWay()) {
        host_->ReleasePointer();
        host_->Repaint(QRect());
        return;
    }
    if (active_->phase() == CMeasureTool::Phase::Label) {
        // The label starts at the point just placed.
        followArea_ = LabelFollowArea(p);
        host_->Repaint(QRect());
        return;
    }
    if (IsContinuous(active_.get()) && measuring_) host_->Repaint(QRect());
}

void MeasureCanvasModel::RightDown() {
    if (active_ && active_->underWay()) {
        const int32_t kind = active_->kind();
        if (kind != int32_t(ShapeKind::ThreePointCircle)) {
            // Only the shape under way goes: a measured one whose label is
            // being placed leaves the list again, finished shapes all stay.
            active_->RightClick();
        } else {
            // Forget the points; a three-point circle placing its label stays.
            active_.reset();
            activeTool_ = -1;
        }
    }
    if (host_) {
        host_->ReleasePointer();
        host_->Repaint(QRect());
    }
    ReportHistory();
}

void MeasureCanvasModel::Move(QPoint p) {
    if (textPending_) {
        CMeasureShape* newest = shapes_.Newest();
        if (!newest || !newest->is(ShapeKind::Text) || newest->points.isEmpty()) {
            textPending_ = false; // undone meanwhile
        } else {
            newest->points[0] = p;
            textPos_ = p;
            if (host_) RepaintFollowing(TextFollowArea(p));
        }
    }
    if (!active_ || !active_->underWay()) return;
    active_->Move(p);
    if (!host_) return;
    if (active_->phase() == CMeasureTool::Phase::Label) {
        RepaintFollowing(LabelFollowArea(p));
    } else if (IsContinuous(active_.get()) && measuring_) {
        host_->Repaint(QRect());
    }
}

QRect MeasureCanvasModel::FollowArea(QPoint p, const QStringList& lines, const FontRecord& font,
                                     int spacing, int edge) const {
    const QFont f = ToQFont(font);
    int width = 0;
    for (const QString& l : lines)
        width = std::max(width, host_->TextExtent(l, f).width());
    const int height = std::max<int>(0, int(lines.size()) - 1) * std::max(0, spacing) +
                       host_->TextExtent(lines.value(0), f).height();
    return QRect(QPoint(p.x() - edge, p.y() - edge),
                 QPoint(p.x() + width + 120, p.y() + 2 * height + 120));
}

QRect MeasureCanvasModel::LabelFollowArea(QPoint p) const {
    const CMeasureShape* newest = shapes_.Newest();
    if (!newest || !active_) return QRect();
    const int32_t kind = active_->kind();
    const int edge = kind == int32_t(ShapeKind::ContinuousLine) ||
                             kind == int32_t(ShapeKind::Polygon) ||
                             kind == int32_t(ShapeKind::FourPointAngle)
                         ? 30
                         : 20;
    return FollowArea(p, newest->labels, newest->labelFont, newest->labelLineSpacing, edge);
}

QRect MeasureCanvasModel::TextFollowArea(QPoint p) const {
    const CMeasureShape* newest = shapes_.Newest();
    if (!newest) return QRect();
    return FollowArea(p, {newest->labels.value(0)}, newest->textFont, 0, 20);
}

void MeasureCanvasModel::RepaintFollowing(const QRect& area) {
    // The pointer can jump far between two moves: unless its old place is
    // repainted as well, the label or text stays drawn there too.
    host_->Repaint(followArea_.isNull() ? area : followArea_ | area);
    followArea_ = area;
}

Figure MeasureCanvasModel::RubberFigure() const {
    if (!shapeUnderWay() || active_->phase() != CMeasureTool::Phase::Points) return Figure();
    Figure f = active_->Pending();
    if (IsContinuous(active_.get()) && measuring_) {
        Figure rubber;
        SplitContinuous(f, nullptr, &rubber);
        return rubber;
    }
    f.texts.clear();
    return f;
}

bool MeasureCanvasModel::rubberIsSolid() const {
    return IsContinuous(active_.get()) && !active_->settings().measuring;
}

QPen MeasureCanvasModel::CurrentPen() const {
    const SettingsValues s = settings_.values();
    return MeasurePen(int32_t(s.Linetype), int32_t(s.Linewidth), penColour_);
}

void MeasureCanvasModel::Paint(QImage& canvas) const {
    if (canvas.size() != canvasSize_ || canvas.format() != QImage::Format_RGB32)
        canvas = QImage(canvasSize_, QImage::Format_RGB32);
    Paint(canvas, ViewMapping::Identity(canvasSize_));
}

void MeasureCanvasModel::Paint(QImage& view, const ViewMapping& map) const {
    if (view.isNull()) return;
    view.fill(kCanvasGrey);
    if (!hasPicture() || !map.valid()) return;
    const QRect shown = map.shown();
    const double sx = map.scaleX();
    const double sy = map.scaleY();
    QPainter p(&view);
    picture_.Stretch(p, shown.x(), shown.y(), shown.width(), shown.height());
    p.translate(ShapeOrigin(map));
    const MeasureContext ctx = CurrentContext();
    if (shapeUnderWay() && IsContinuous(active_.get()) && active_->settings().measuring) {
        Figure placed;
        SplitContinuous(active_->Pending(), &placed, nullptr);
        PaintFigure(p, ScaledFigure(placed, sx, sy), CurrentPen(), ToQFont(labelFont_),
                    ColourFromBgr(labelColour_));
    }
    for (const CMeasureShape& s : shapes_.shapes())
        PaintCanvasShape(p, s, ctx, sx, sy);
    p.resetTransform();
    p.translate(shown.topLeft());
    PaintScaleBar(p, ViewMapping::Fit(pictureSize(), shown.size()));
    if (!dateStamp_.isEmpty()) {
        // Where the user sees it: the bottom left of what is in view.
        const QRect seen = shown.intersected(view.rect()).translated(-shown.topLeft());
        Figure stamp;
        stamp.texts << Figure::Text{QPoint(seen.left() + 2, seen.bottom() + 1 - 14), 0, dateStamp_};
        PaintFigure(p, stamp, QPen(), ToQFont(DateStampFontRecord()),
                    ColourFromBgr(kDateStampColour));
    }
}

QImage MeasureCanvasModel::Render() const {
    if (!hasPicture()) return QImage();
    QImage out(pictureSize(), QImage::Format_RGB32);
    QPainter p(&out);
    picture_.Stretch(p, 0, 0, out.width(), out.height());
    const MeasureContext ctx = CurrentContext();
    for (const CMeasureShape& s : shapes_.shapes())
        PaintCanvasShape(p, s, ctx, 1.0, 1.0, kSavedCrossHalf);
    PaintScaleBar(p, ViewMapping::Identity(pictureSize()));
    return out;
}

void MeasureCanvasModel::PaintScaleBar(QPainter& p, const ViewMapping& map) const {
    if (!scaleBar_ || !(pictureMagnification_ > 0)) return;
    const GuideScale scale{pictureMagnification_, PictureUnit(settings_.values().unit)};
    if (const std::optional<ScaleBar> bar = ChooseScaleBar(pictureSize(), scale)) {
        QFont font;
        font.setPixelSize(std::max(12, pictureSize().height() / 36));
        DrawScaleBar(p, map, *bar, font);
    }
}

bool MeasureCanvasModel::RenderToFile(const QString& path, QString* why) const {
    const auto fail = [why](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    const int type = ImageTypeFromPath(path);
    if (!hasPicture()) return fail(QStringLiteral("no picture"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) {
        // A TIFF carries the pixel size the picture was measured with.
        const QByteArray bytes = EncodeTiffWithScale(
            Render(),
            PictureScale(pictureSize(), pictureMagnification_, pictureCalibrated_,
                         PictureUnit(settings_.values().unit), scope_.pitchKnown.load()),
            QStringLiteral("Tavolux"));
        QSaveFile file(path);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size() || !file.commit())
            return fail(file.errorString());
        return true;
    }
    // Annotated pictures are written as BMP or JPEG only.
    if (type != kImageTypeBmp && type != kImageTypeJpg)
        return fail(QStringLiteral("not a BMP or JPEG file name"));
    CxImage out;
    if (!out.CreateFromHBITMAP(Render())) return fail(QStringLiteral("the picture is too large"));
    if (!out.Save(path, type)) return fail(out.LastError());
    return true;
}

} // namespace tvx

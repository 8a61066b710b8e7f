#pragma once

#include "imaging/cximage.h"
#include "measure/canvas_render.h"
#include "measure/measure_tools.h"
#include "measure/shape_list.h"
#include "measure/view_mapping.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

namespace tvx {

class SettingsStore;

// The longest magnification tag taken from a picture's file name.
constexpr int kMaxMagnificationTag = 31;

// From a path whose file name reads like "Still_20240131_120501_200X_N3.bmp":
// the date stamp is the part after the first "_" of the name without its
// four-character extension; the tag is the magnification before "X" near its
// end ("200"), or empty when the name does not carry one. A tag too long to
// carry is dropped.
QString DateStampFromPath(const QString& path);
QString MagnificationTagFromPath(const QString& path);
// Where an annotated picture is proposed to go: beside the original, named
// after it with "_measured" and the first number that names no file yet
// ("a.bmp" → "a_measured.bmp", then "a_measured2.bmp" …). A BMP or JPEG
// keeps its type, anything else becomes a BMP. Never the original itself.
QString ProposedMeasuredPath(const QString& original);

// What the canvas needs from the window that shows it.
class CanvasHost {
public:
    virtual ~CanvasHost() = default;
    // Repaint `area` from the model (an empty rectangle: all of it).
    virtual void Repaint(const QRect& area) = 0;
    // Keep the pointer inside `area` (canvas coordinates) and the mouse
    // events coming to the canvas, until ReleasePointer.
    virtual void HoldPointer(const QRect& area) = 0;
    virtual void ReleasePointer() = 0;
    // Width and height of a text drawn in `font`, all of its lines.
    virtual QSize TextExtent(const QString& text, const QFont& font) = 0;
    // Runs the Calibration dialog for a line of `pixels` length measured at
    // ctx; the new magnification, or nothing when cancelled.
    virtual std::optional<double> Calibrate(double pixels, const MeasureContext& ctx) = 0;
    // Whether Undo or Redo can do something has changed.
    virtual void HistoryChanged() {}
};

// The stored-picture canvas without its window: the picture, the shapes made
// on it, the tool state machines and the drawing. The widget forwards the
// mouse to it and paints what it draws. Canvas coordinates are the picture's
// own pixels at every picture size: a click at any zoom lands on the picture
// pixel under the pointer, and what is saved needs no scaling.
class MeasureCanvasModel {
public:
    // Tool numbers beyond the shape tools: the popup menus set 20 while open.
    static constexpr int kNoTool = 20;

    // Draws with the pen and units of `settings`; `scope` tells whose pixels
    // the picture has.
    MeasureCanvasModel(const SettingsStore& settings, const MeasuringScope& scope,
                       CanvasHost* host = nullptr);
    ~MeasureCanvasModel();
    MeasureCanvasModel(const MeasureCanvasModel&) = delete;
    MeasureCanvasModel& operator=(const MeasureCanvasModel&) = delete;

    // Loads the picture by its path's last three letters (bmp, jpg), sizes
    // the canvas to it, takes the colours from the settings and
    // the date stamp and tag from the file name. When the picture cannot be
    // loaded, answers false with the reason in `why` and stays without one.
    bool Load(const QString& path, int initialTool, double magnification, QString* why = nullptr);

    bool hasPicture() const { return picture_.IsValid(); }
    QSize pictureSize() const { return QSize(picture_.GetWidth(), picture_.GetHeight()); }
    QSize canvasSize() const { return canvasSize_; }
    QRect canvasArea() const { return QRect(QPoint(0, 0), canvasSize_); }
    QString dateStamp() const { return dateStamp_; }
    QString magnificationTag() const { return tag_; }
    // The picture's name without folder and extension.
    QString pictureName() const;
    QString path() const { return path_; }

    void SetTool(int tool, bool measuring);
    int tool() const { return tool_; }
    bool measuring() const { return measuring_; }
    void SetCalibrationMode(bool on) { calibrating_ = on; }
    bool calibrationMode() const { return calibrating_; }
    void SetMagnification(double m) { magnification_ = m; }
    // The picture's scale as its dialog shows it (the calibrated magnification
    // when there is one, else the one its name carries): the scale bar and a
    // TIFF's pixel size use it. 0: none. A camera other than the microscope
    // measures in pixels until `calibrated`.
    void SetPictureScale(double magnification, bool calibrated) {
        pictureMagnification_ = magnification;
        pictureCalibrated_ = calibrated;
    }
    // The scale bar over the picture, on the canvas and in what is saved.
    void SetScaleBar(bool on) { scaleBar_ = on; }
    bool scaleBar() const { return scaleBar_; }
    double magnification() const { return magnification_; }

    void SetTextStyle(uint32_t colour, const FontRecord& font);
    // Puts a text note at the last clicked position; it follows the pointer
    // until the next click. An empty text is refused (false). A
    // shape under way ends as it stands first.
    bool AddText(const QString& text);
    bool textPending() const { return textPending_; }
    QPoint textPosition() const { return textPos_; }
    void SetLabelFont(const FontRecord& font) { labelFont_ = font; }
    const FontRecord& labelFont() const { return labelFont_; }
    void SetColours(uint32_t pen, uint32_t label);
    uint32_t penColour() const { return penColour_; }
    uint32_t labelColour() const { return labelColour_; }

    // A shape under way ends as it stands first, and a text note following
    // the pointer stays where it is: the tools then only ever touch the
    // shape they made themselves.
    void Undo();
    void Redo();
    bool HasShapes() const { return shapes_.HasShapes(); }
    bool HasRedo() const { return shapes_.HasRedo(); }
    ShapeList& shapes() { return shapes_; }
    const ShapeList& shapes() const { return shapes_; }

    // Mouse, in canvas coordinates.
    void LeftDown(QPoint p);
    void LeftDoubleClick(QPoint p);
    void RightDown();
    void Move(QPoint p);

    // A shape under way (placing points or its label).
    bool shapeUnderWay() const;
    // The rubber band of the shape under way (no texts), and whether it is
    // drawn solid (a freehand line grows with the pointer) instead of XOR.
    Figure RubberFigure() const;
    bool rubberIsSolid() const;
    // The pen of rubber bands and the line under way: current line type and
    // width, canvas pen colour.
    QPen CurrentPen() const;

    // Draws the canvas bitmap: picture, the continuous line under way,
    // every shape, the date stamp. Nothing but grey without a picture.
    void Paint(QImage& canvas) const;
    // The same over `view` through `map` (canvas coordinates to view
    // pixels), as a zoomed window shows it: the picture and the shapes'
    // points at the mapping's scale, pens and texts at their own size, the
    // date stamp in the corner of the picture's visible part. `view` keeps
    // its size; it must be RGB32.
    void Paint(QImage& view, const ViewMapping& map) const;
    // Draws the picture at its own size with every shape and saves it as BMP
    // or JPEG by the path's last three letters; false without a picture, for
    // another ending (nothing written) or when the file cannot be written,
    // with the reason in `why` when given.
    bool RenderToFile(const QString& path, QString* why = nullptr) const;
    // The annotated picture at its own size.
    QImage Render() const;

    // The measuring context of the next click.
    MeasureContext CurrentContext() const;
    // Lengths in the picture's own pixels, at the pitch of its size, as the
    // live view measured it at that capture size.
    MeasureContext PictureContext(const SettingsValues& s) const;

private:
    CMeasureTool* ToolFor(int tool);
    ToolSettings CurrentToolSettings() const;
    void AfterEvent(QPoint p);
    void EndShapeUnderWay();
    void ReportHistory();
    // What a label or text note at p may cover, in the font it is drawn in.
    QRect FollowArea(QPoint p, const QStringList& lines, const FontRecord& font, int spacing,
                     int edge) const;
    QRect LabelFollowArea(QPoint p) const;
    QRect TextFollowArea(QPoint p) const;
    // Repaints the place of a label or text that follows the pointer
    // together with the place it had before the move.
    void RepaintFollowing(const QRect& area);
    QRect HoldArea(QPoint start) const;

    const SettingsStore& settings_;
    const MeasuringScope& scope_;
    CanvasHost* host_;
    CxImage picture_;
    QString path_;
    QSize canvasSize_;
    QString dateStamp_;
    QString tag_;
    int tool_ = int(MeasureTool::None);
    bool measuring_ = false;
    bool calibrating_ = false;
    double magnification_ = 0;
    double pictureMagnification_ = 0;
    bool pictureCalibrated_ = false;
    bool scaleBar_ = false;
    void PaintScaleBar(QPainter& p, const ViewMapping& map) const;
    bool InPixels() const;
    QString PictureUnit(const QString& unit) const; // kPixelUnit while InPixels()
    uint32_t penColour_ = 255;
    uint32_t labelColour_ = 255;
    FontRecord labelFont_ = DefaultFontRecord();
    uint32_t textColour_ = 255;
    FontRecord textFont_ = DefaultFontRecord();
    bool textPending_ = false;
    QPoint textPos_;
    ShapeList shapes_;
    // The tool whose shape is under way keeps the clicks until it is done,
    // whatever tool is chosen meanwhile.
    std::unique_ptr<CMeasureTool> active_;
    int activeTool_ = -1;
    bool activeCalibrates_ = false;
    QRect followArea_; // last repainted place of the label or text following the pointer
    bool reportedUndo_ = false;
    bool reportedRedo_ = false;
};

} // namespace tvx

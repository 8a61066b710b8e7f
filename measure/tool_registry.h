#pragma once

#include "measure/measure_export.h"
#include "measure/measure_shape.h"
#include "measure/measure_tools.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace tvx {

// The measuring tools, each described once by its row below: the numbers it
// is known by, its live toolbar button, its items in the Photo Measure
// menus and what it does (make a tool, draw a shape, give its export values).
// The live toolbar, the command table and the menus are made from these rows.
//
// A new tool: its own file (class, drawing, values, its ToolBehaviour), one
// ToolId, one extern line and one row here, and its pictures as SVG files
// named by their numbers (icons/ms_<tool>_<number>.svg: the button's two
// faces and, for the canvas, the menu icon).
enum class ToolId {
    Line,
    ContinuousLine,
    PointToLine,
    Polygon,
    RadiusCircle,
    DiameterCircle,
    ThreePointCircle,
    ThreePointArc,
    ThreePointAngle,
    FourPointAngle,
    Rectangle,
    CalibrationLine,
};

// The measured values of one shape, by export column; empty where the shape
// has no such value.
struct MeasuredValues {
    std::optional<double> v[int(MeasureColumn::Count)];
    void Put(MeasureColumn c, double value) { v[int(c)] = value; }
};

// The scale of a canvas figure: points multiplied by (sx, sy); the crosses of
// marked points reach `crossHalf` pixels to each side, unscaled.
struct CanvasScale {
    double sx = 1.0, sy = 1.0;
    int crossHalf = 4;
};

// What a tool does; each tool's file defines one.
struct ToolBehaviour {
    std::unique_ptr<CMeasureTool> (*make)(ToolSurface surface, int32_t kind);
    // The figure of a finished live shape in live coordinates; nullptr for a
    // tool the live view lacks. `ctx` gives totals their unit and decimals.
    Figure (*liveFigure)(const CMeasureShape& shape, const MeasureContext& ctx);
    // The figure of a finished stored-picture shape, scaled; nullptr for a
    // tool the canvas lacks.
    Figure (*canvasFigure)(const CMeasureShape& shape, const MeasureContext& ctx,
                           const CanvasScale& scale);
    // The shape's values worked out from its points as this tool laid them
    // out; `numbering` tells which surface made it.
    void (*values)(const CMeasureShape& shape, ShapeNumbering numbering, const MeasureContext& mc,
                   MeasuredValues& out);
};

// The tool's button on the live toolbar. Numbers 0 and null texts: none.
struct ToolButton {
    int command;  // the button's and its action's command number
    int up, down; // picture numbers: shown, pressed or selected
    int x, y;     // place in the main window's client area
    const char* tipKey;
    const char* tipDefault;
};

// What the next click does while the tool is chosen on the live view:
// `firstText` before any point is placed, `nextText` for every later one.
// With `ofPoints`, `firstText` is a pattern for every step: the point to click (%1)
// of the tool's points (%2).
struct ToolHint {
    const char* firstKey;
    const char* firstText;
    const char* nextKey;
    const char* nextText;
    int ofPoints;
};

// The tool's item in one of the Photo Measure menus. Command 0: not there.
struct ToolMenuItem {
    int command;
    // Tens give the menu's section (sections are set apart by a separator),
    // units the order within it.
    int place;
    const char* key;
    const char* text; // when the language file lacks the key
    int icon;         // menu icon number
    // The tool's name in the dialog's name box.
    const char* nameKey;
    const char* nameDefault;
};

// Where a tool keeps its label anchor among its points.
inline constexpr int kAnchorLastPoint = -1;
inline constexpr int kNoFixedAnchor = -2;

struct ToolRow {
    ToolId id;
    // The tool whose numbers its shapes carry: itself, but for a variant
    // that makes another tool's shapes (the calibration line makes lines).
    // Looking a kind up finds only rows that are their own kind.
    ToolId kindOf;
    const char* name; // the export's word for its shapes
    // Stored numbers: they are in files and notes, never renumber them.
    int32_t liveKind;         // the live shape kind and tool number; 0: not live
    int canvasTool;           // the Photo Measure tool (MeasureTool); -1: not on the canvas
    int32_t canvasKind;       // the stored-picture kind (ShapeKind); 0: not on the canvas
    int labelCount;           // labels of a canvas shape drawn without measuring
    int anchor;               // label anchor of a canvas shape, or kAnchorLastPoint...
    ToolButton button;        // command 0: no live button
    ToolHint hint;            // the live view's step hints
    ToolMenuItem drawMenu;    // the canvas's drawing menu
    ToolMenuItem measureMenu; // the canvas's measuring menu
    const ToolBehaviour* does;
};

extern const ToolBehaviour kLineTool;
extern const ToolBehaviour kCalibrationLineTool;
extern const ToolBehaviour kContinuousLineTool;
extern const ToolBehaviour kPointToLineTool;
extern const ToolBehaviour kPolygonTool;
extern const ToolBehaviour kRadiusCircleTool;
extern const ToolBehaviour kDiameterCircleTool;
extern const ToolBehaviour kThreePointCircleTool;
extern const ToolBehaviour kThreePointArcTool;
extern const ToolBehaviour kThreePointAngleTool;
extern const ToolBehaviour kFourPointAngleTool;
extern const ToolBehaviour kRectangleTool;

// clang-format off
inline constexpr ToolRow kToolRegistry[] = {
    // id, kindOf, name, live kind, canvas tool, canvas kind, labels, anchor,
    //   live button {command, up, down, x, y, tip key, tip},
    //   step hint {first key, first, next key, next, of points},
    //   drawing menu {command, place, key, text, icon, name key, name},
    //   measuring menu {...}, behaviour
    {ToolId::Line, ToolId::Line, "line", 1, 0, 2, 1, LinePoint::Anchor,
        {1120, 285, 284, 423, 6, "straightline", "Line Measurement"},
        {"HintFirstEnd", "Click the first end", "HintSecondEnd", "Click the second end", 0},
        {32810, 10, "straightline", "Line", 256, "DrawLine", "Line"},
        {32817, 10, "straightline", "Line", 256, "MeasureLine", "Line"},
        &kLineTool},
    {ToolId::ContinuousLine, ToolId::ContinuousLine, "continuous line", 2, 7, 3, 0, kNoFixedAnchor,
        {1192, 305, 304, 453, 6, "Continuousline", "Continuous Line Measurement"},
        {"HintFirstEnd", "Click the first end", "HintNextPoint", "Click the next point; a double click ends the line", 0},
        {32827, 11, "Continuousline", "Continuous line", 251, "DrawContinueline", "Continue Line"},
        {32818, 11, "Continuousline", "Continuous line", 252, "MeasureContinueline", "Continue Line"},
        &kContinuousLineTool},
    // The pen-style option owns the key this tip once shared.
    {ToolId::PointToLine, ToolId::PointToLine, "point to line", 3, -1, 0, 0, kNoFixedAnchor,
        {1193, 307, 306, 483, 6, "TipPointToLine", "Point to Line Measurement"},
        {"HintPoint", "Click point %1 of %2", nullptr, nullptr, 3},
        {}, {},
        &kPointToLineTool},
    {ToolId::Polygon, ToolId::Polygon, "polygon", 4, 9, 4, 1, kAnchorLastPoint,
        {1194, 309, 308, 513, 6, "Ploygon", "Polygon measrement"},
        {"HintFirstCorner", "Click the first corner", "HintNextCorner", "Click the next corner; a double click closes the polygon", 0},
        {},
        {32820, 21, "Ploygon", "Ploygon", 257, "MeasurePloygon", "Ploygon"},
        &kPolygonTool},
    {ToolId::RadiusCircle, ToolId::RadiusCircle, "radius circle", 5, 1, 6, 3, RadiusCirclePoint::Anchor,
        {1195, 311, 310, 543, 6, "RadialCircle", "Radius of Circle Measurement"},
        {"HintCentre", "Click the centre", "HintOnCircle", "Click a point on the circle", 0},
        {32814, 30, "RadialCircle", "Radius Circle", 258, "DrawRadialCircle", "Radial Circle"},
        {32821, 30, "RadialCircle", "Radius Circle", 258, "MeasureRedialCircle", "Radius Circle"},
        &kRadiusCircleTool},
    {ToolId::DiameterCircle, ToolId::DiameterCircle, "diameter circle", 6, 6, 7, 3, DiameterCirclePoint::Anchor,
        {1196, 313, 312, 573, 6, "Diametercircle", "Diameter of Circle Measurement"},
        {"HintFirstEnd", "Click the first end", "HintSecondEnd", "Click the second end", 0},
        {32815, 31, "Diametercircle", "Diameter Circle", 254, "DrawDiametercircle", "Diameter Circle"},
        {32822, 31, "Diametercircle", "Diameter Circle", 254, "MeasureDiameterCircle", "Diameter Circle"},
        &kDiameterCircleTool},
    {ToolId::ThreePointCircle, ToolId::ThreePointCircle, "three-point circle", 7, 8, 9, 3, ThreePointCirclePoint::Anchor,
        {1197, 315, 314, 603, 6, "Threepointcircle", "Three Points Circle Measurement"},
        {"HintPoint", "Click point %1 of %2", nullptr, nullptr, 3},
        {32816, 32, "Threepointcircle", "Three Points Circle", 247, "DrawThreePointCircle", "Three Point Circle"},
        {32823, 32, "Threepointcircle", "Three Point Circle", 247, "MeasureThreePointCircle", "Three Point Circle"},
        &kThreePointCircleTool},
    {ToolId::ThreePointArc, ToolId::ThreePointArc, "three-point arc", 8, -1, 0, 0, kNoFixedAnchor,
        {1200, 317, 316, 633, 6, "TArc", "Three Points Arc Measurement"},
        {"HintPoint", "Click point %1 of %2", nullptr, nullptr, 3},
        {}, {},
        &kThreePointArcTool},
    {ToolId::ThreePointAngle, ToolId::ThreePointAngle, "three-point angle", 9, 5, 5, 1, AnglePoint::Anchor,
        {1199, 319, 318, 663, 6, "Angle", "Three Points Angle Measurement"},
        {"HintPoint", "Click point %1 of %2", nullptr, nullptr, 3},
        {32812, 20, "Angle", "Angle", 248, "DrawAngle", "Angle"},
        {1181, 40, "Angle", "Angle", 248, "MeasureAngle", "Angle"},
        &kThreePointAngleTool},
    {ToolId::FourPointAngle, ToolId::FourPointAngle, "four-point angle", 10, 10, 10, 1, FourPointAnglePoint::Anchor,
        {1180, 321, 320, 693, 6, "Fourpointangle", "Four Points Angle Measurement"},
        {"HintPoint", "Click point %1 of %2", nullptr, nullptr, 4},
        {},
        {32826, 41, "Fourpointangle", "Four Point Angle", 255, "MeasureFourPointCircle", "Four point Angle"},
        &kFourPointAngleTool},
    {ToolId::Rectangle, ToolId::Rectangle, "rectangle", 0, 2, 8, 3, RectanglePoint::Anchor,
        {},
        {},
        {32813, 21, "Rectangle", "Retangle", 259, "DrawRectangle", "Rectangle"},
        {32819, 20, "Rectangle", "Rectangle", 259, "MeasureRectangle", "Rectangle"},
        &kRectangleTool},
    // Calibrates with the line tool's numbers on both surfaces.
    {ToolId::CalibrationLine, ToolId::Line, "calibration line", 1, 0, 2, 1, LinePoint::Anchor,
        {1198, 323, 322, 798, 6, "TipCalibration", "Line Calibration"},
        {"HintFirstEnd", "Click the first end", "HintSecondEnd", "Click the second end", 0},
        {}, {},
        &kCalibrationLineTool},
};
// clang-format on

constexpr const ToolRow* FindTool(ToolId id) {
    for (const ToolRow& r : kToolRegistry)
        if (r.id == id) return &r;
    return nullptr;
}
// The live button's command number of a tool; 0 for none.
constexpr int ToolCommand(ToolId id) {
    const ToolRow* r = FindTool(id);
    return r ? r->button.command : 0;
}
// The live kind and tool number of a tool; 0 for none.
constexpr int32_t LiveKindOf(ToolId id) {
    const ToolRow* r = FindTool(id);
    return r ? r->liveKind : 0;
}
// The row of a live button's or a Photo Measure menu's command; nullptr for
// other commands. `measuring` tells which menu the command is from.
const ToolRow* ToolOfCommand(int command);
const ToolRow* ToolOfMenuCommand(int command, bool* measuring = nullptr);
// The row that owns a live kind or a stored-picture kind.
const ToolRow* ToolOfLiveKind(int32_t kind);
const ToolRow* ToolOfCanvasKind(int32_t kind);

// The live view's tools are numbered 1 to 10 (calibration is tool 1 with
// the calibration mode); the kind of a live shape is its tool number.
std::unique_ptr<CMeasureTool> MakeLiveTool(ToolId id);
std::unique_ptr<CMeasureTool> MakeLiveToolByNumber(int liveTool);
std::unique_ptr<CMeasureTool> MakeCanvasTool(MeasureTool tool);
// The canvas tool made for `tool` (a MeasureTool number): the tool's own, or
// its calibrating variant; nullptr for Text, None and unknown numbers.
std::unique_ptr<CMeasureTool> MakeCanvasTool(int tool, bool calibrating);

// The kind a canvas tool (a MeasureTool number) makes; nothing for None and
// for numbers outside the table.
std::optional<ShapeKind> KindForTool(int tool);
inline std::optional<ShapeKind> KindForTool(MeasureTool tool) {
    return KindForTool(int(tool));
}
// Labels a stored-picture kind carries: 1, or 3 for the circles and the
// rectangle. The continuous line has one per segment and answers 0 here.
int LabelCountFor(ShapeKind kind);
// The labels of a shape drawn without measuring: "" as many times as above.
QStringList BlankLabels(ShapeKind kind);
// Index of the (first) label anchor for a finished stored-picture shape, or
// nothing when the kind has no fixed anchor (continuous line) or the shape
// has no such point.
std::optional<int> AnchorIndex(const CMeasureShape& shape);

} // namespace tvx

#include "measure/tool_registry.h"

namespace tvx {

namespace {

bool OwnKind(const ToolRow& r) {
    return r.kindOf == r.id;
}

} // namespace

const ToolRow* ToolOfCommand(int command) {
    if (command == 0) return nullptr;
    for (const ToolRow& r : kToolRegistry)
        if (r.button.command == command) return &r;
    return nullptr;
}

const ToolRow* ToolOfMenuCommand(int command, bool* measuring) {
    if (command == 0) return nullptr;
    for (const ToolRow& r : kToolRegistry) {
        const bool draw = r.drawMenu.command == command;
        if (!draw && r.measureMenu.command != command) continue;
        if (measuring) *measuring = !draw;
        return &r;
    }
    return nullptr;
}

const ToolRow* ToolOfLiveKind(int32_t kind) {
    if (kind == 0) return nullptr;
    for (const ToolRow& r : kToolRegistry)
        if (OwnKind(r) && r.liveKind == kind) return &r;
    return nullptr;
}

const ToolRow* ToolOfCanvasKind(int32_t kind) {
    if (kind == 0) return nullptr;
    for (const ToolRow& r : kToolRegistry)
        if (OwnKind(r) && r.canvasKind == kind) return &r;
    return nullptr;
}

std::unique_ptr<CMeasureTool> MakeLiveTool(ToolId id) {
    const ToolRow* r = FindTool(id);
    return r && r->liveKind != 0 ? r->does->make(ToolSurface::Live, r->liveKind) : nullptr;
}

std::unique_ptr<CMeasureTool> MakeLiveToolByNumber(int liveTool) {
    const ToolRow* r = ToolOfLiveKind(liveTool);
    return r ? r->does->make(ToolSurface::Live, r->liveKind) : nullptr;
}

std::unique_ptr<CMeasureTool> MakeCanvasTool(int tool, bool calibrating) {
    if (tool < 0) return nullptr;
    for (const ToolRow& r : kToolRegistry)
        if (r.canvasTool == tool && OwnKind(r) != calibrating)
            return r.does->make(ToolSurface::Canvas, r.canvasKind);
    return nullptr;
}

std::unique_ptr<CMeasureTool> MakeCanvasTool(MeasureTool tool) {
    return MakeCanvasTool(int(tool), false);
}

std::optional<ShapeKind> KindForTool(int tool) {
    if (tool == int(MeasureTool::Text)) return ShapeKind::Text;
    for (const ToolRow& r : kToolRegistry)
        if (tool >= 0 && r.canvasTool == tool && OwnKind(r)) return ShapeKind(r.canvasKind);
    return std::nullopt;
}

int LabelCountFor(ShapeKind kind) {
    const ToolRow* r = ToolOfCanvasKind(int32_t(kind));
    return r ? r->labelCount : 1;
}

QStringList BlankLabels(ShapeKind kind) {
    QStringList labels;
    for (int i = 0; i < LabelCountFor(kind); ++i)
        labels.append(QString());
    return labels;
}

std::optional<int> AnchorIndex(const CMeasureShape& shape) {
    int index = -1;
    if (shape.is(ShapeKind::Text)) {
        index = 0; // the text's own position
    } else if (const ToolRow* r = ToolOfCanvasKind(shape.kind)) {
        if (r->anchor == kNoFixedAnchor) return std::nullopt;
        index = r->anchor == kAnchorLastPoint ? int(shape.points.size()) - 1 : r->anchor;
    }
    if (index < 0 || index >= shape.points.size()) return std::nullopt;
    return index;
}

Figure LiveShapeFigure(const CMeasureShape& shape, const MeasureContext& ctx) {
    const ToolRow* r = ToolOfLiveKind(shape.kind);
    return r && r->does->liveFigure ? r->does->liveFigure(shape, ctx) : Figure();
}

} // namespace tvx

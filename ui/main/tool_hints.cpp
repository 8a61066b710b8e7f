#include "ui/main/tool_hints.h"

#include "measure/tool_registry.h"
#include "platform/language.h"

namespace tvx {

namespace {

QString Point(int placed, int of) {
    return Text("HintPoint", "Click point %1 of %2").arg(placed + 1).arg(of);
}

QString Ends(int placed) {
    return placed == 0 ? Text("HintFirstEnd", "Click the first end")
                       : Text("HintSecondEnd", "Click the second end");
}

} // namespace

QString ToolStepHint(int liveKind, int placed) {
    switch (liveKind) {
    case LiveKindOf(ToolId::Line):
    case LiveKindOf(ToolId::DiameterCircle):
        return Ends(placed);
    case LiveKindOf(ToolId::ContinuousLine):
        return placed == 0
                   ? Text("HintFirstEnd", "Click the first end")
                   : Text("HintNextPoint", "Click the next point; a double click ends the line");
    case LiveKindOf(ToolId::Polygon):
        return placed == 0 ? Text("HintFirstCorner", "Click the first corner")
                           : Text("HintNextCorner",
                                  "Click the next corner; a double click closes the polygon");
    case LiveKindOf(ToolId::RadiusCircle):
        return placed == 0 ? Text("HintCentre", "Click the centre")
                           : Text("HintOnCircle", "Click a point on the circle");
    case LiveKindOf(ToolId::PointToLine):
    case LiveKindOf(ToolId::ThreePointCircle):
    case LiveKindOf(ToolId::ThreePointArc):
    case LiveKindOf(ToolId::ThreePointAngle):
        return Point(placed, 3);
    case LiveKindOf(ToolId::FourPointAngle):
        return Point(placed, 4);
    default:
        return {};
    }
}

} // namespace tvx

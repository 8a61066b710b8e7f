#include "ui/main/tool_hints.h"

#include "measure/measure_tools.h"
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
    case LiveKind::Line:
    case LiveKind::DiameterCircle:
        return Ends(placed);
    case LiveKind::ContinuousLine:
        return placed == 0
                   ? Text("HintFirstEnd", "Click the first end")
                   : Text("HintNextPoint", "Click the next point; a double click ends the line");
    case LiveKind::Polygon:
        return placed == 0 ? Text("HintFirstCorner", "Click the first corner")
                           : Text("HintNextCorner",
                                  "Click the next corner; a double click closes the polygon");
    case LiveKind::RadiusCircle:
        return placed == 0 ? Text("HintCentre", "Click the centre")
                           : Text("HintOnCircle", "Click a point on the circle");
    case LiveKind::PointToLine:
    case LiveKind::ThreePointCircle:
    case LiveKind::ThreePointArc:
    case LiveKind::ThreePointAngle:
        return Point(placed, 3);
    case LiveKind::FourPointAngle:
        return Point(placed, 4);
    default:
        return {};
    }
}

} // namespace tvx

#include "ui/main/live_guides_overlay.h"

#include "measure/geometry.h"
#include "ui/main/main_window_ids.h"

#include <QPainter>

namespace tvx {

LiveGuides::LiveGuides(Hooks hooks) : hooks_(std::move(hooks)), state_(hooks_.scope) {}

QFont LiveGuides::LabelFont() {
    QFont f;
    f.setPixelSize(14);
    f.setWeight(QFont::Normal);
    return f;
}

void LiveGuides::Rescale(std::optional<double> m) {
    state_.Rescale(m, hooks_.unit());
}

bool LiveGuides::Toggle(int command) {
    const bool connected = hooks_.connected();
    if (command == ids::kCrossLine)
        return state_.ToggleCrossLine(connected) == GuideState::Toggle::Changed;
    if (command != ids::kScale && command != ids::kCircle) return false;
    if (!connected) return false;
    const GuideSnapshot now = state_.Snapshot();
    const bool on = command == ids::kScale ? now.ruler : now.circleGrid;
    // The boxes are read only when the guide goes on; switching off asks nothing.
    std::optional<double> m;
    if (!on) {
        m = hooks_.readMagnification();
        if (!m) return false;
    }
    const QString unit = hooks_.unit();
    const GuideState::Toggle t = command == ids::kScale
                                     ? state_.ToggleRuler(connected, m, unit)
                                     : state_.ToggleCircleGrid(connected, m, unit);
    return t == GuideState::Toggle::Changed;
}

bool LiveGuides::SetScaleBar(bool on, bool ask) {
    const std::optional<double> m =
        on ? (ask ? hooks_.readMagnification() : hooks_.currentMagnification()) : std::nullopt;
    if (on && !m) return false;
    return state_.SetScaleBar(on, m, hooks_.unit()) == GuideState::Toggle::Changed;
}

LiveOverlay* LiveGuides::overlay(LiveLayer layer) {
    switch (layer) {
    case LiveLayer::CrossLine:
        return &cross_;
    case LiveLayer::Ruler:
        return &ruler_;
    case LiveLayer::CircleGrid:
        return &grid_;
    case LiveLayer::ScaleBar:
        return &bar_;
    default:
        return nullptr;
    }
}

GuideSnapshot LiveGuides::Layer::Only() const {
    GuideSnapshot g = guides_.state_.Snapshot();
    g.crossLine = g.crossLine && layer_ == LiveLayer::CrossLine;
    g.ruler = g.ruler && layer_ == LiveLayer::Ruler;
    g.circleGrid = g.circleGrid && layer_ == LiveLayer::CircleGrid;
    g.scaleBar = g.scaleBar && layer_ == LiveLayer::ScaleBar;
    return g;
}

// A font of its own per call: frames and cleared surfaces draw on different threads.
void LiveGuides::Layer::Draw(QPainter& painter, const ViewMapping& map) {
    const GuideSnapshot g = Only();
    if (g.crossLine || g.ruler || g.circleGrid || g.scaleBar)
        DrawLiveGuides(painter, map, g, LabelFont());
}

} // namespace tvx

#pragma once

#include "capture/live_surface.h"
#include "measure/live_guides.h"

#include <QFont>
#include <QString>
#include <functional>
#include <optional>

namespace tvx {

// The cross line, the ruler and the circle grid of the live view: their
// switches, their scale (the magnification the measuring tools use, followed
// whenever it changes), and one overlay per guide for the live surface and
// the still compositor.
class LiveGuides {
public:
    struct Hooks {
        std::function<bool()> connected;
        // The live magnification, or nothing after the user was told to enter one.
        std::function<std::optional<double>()> readMagnification;
        // The same without telling the user anything.
        std::function<std::optional<double>()> currentMagnification;
        // The unit the scale is worked out for.
        std::function<QString()> unit;
        // Whose pixels the guides measure; none: the microscope's.
        const MeasuringScope* scope = nullptr;
    };

    explicit LiveGuides(Hooks hooks);

    // Menu entries 32798, 32789 and 32790; nothing while no device is
    // connected. Answers whether a switch changed.
    bool Toggle(int command);
    // The scale bar, a setting kept across runs. Switching it on asks for a
    // magnification only when `ask`; false when it stays off.
    bool SetScaleBar(bool on, bool ask);

    // The magnification, the unit or the capture size changed: `m` is the
    // magnification now in force, nothing when the boxes hold none.
    void Rescale(std::optional<double> m);

    GuideSnapshot snapshot() const { return state_.Snapshot(); }
    LiveOverlay* overlay(LiveLayer layer);
    // The labels' font, for the frame and for stills.
    static QFont LabelFont();

private:
    class Layer : public LiveOverlay {
    public:
        Layer(const LiveGuides& guides, LiveLayer layer) : guides_(guides), layer_(layer) {}
        void Draw(QPainter& painter, const ViewMapping& map) override;

    private:
        // The snapshot with only this layer's guide left on.
        GuideSnapshot Only() const;
        const LiveGuides& guides_;
        LiveLayer layer_;
    };

    Hooks hooks_;
    GuideState state_;
    Layer cross_{*this, LiveLayer::CrossLine};
    Layer ruler_{*this, LiveLayer::Ruler};
    Layer grid_{*this, LiveLayer::CircleGrid};
    Layer bar_{*this, LiveLayer::ScaleBar};
};

} // namespace tvx

#pragma once

#include "capture/live_surface.h"
#include "measure/live_guides.h"

#include <QFont>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>

namespace tvx {

// The cross line, the ruler and the circle grid of the live view: their
// switches, the scale fixed when they were switched on, and one overlay per
// guide for the live surface and the still compositor.
class LiveGuides {
public:
    struct Hooks {
        std::function<bool()> connected;
        // The live magnification, or nothing after the user was told to enter one.
        std::function<std::optional<double>()> readMagnification;
        // The capture size and unit the scale is worked out for.
        std::function<QSize()> captureSize;
        std::function<QString()> unit;
    };

    explicit LiveGuides(Hooks hooks);

    // Menu entries 32798, 32789 and 32790; nothing while no device is
    // connected. Answers whether a switch changed.
    bool Toggle(int command);

    GuideSnapshot snapshot() const { return state_.Snapshot(); }
    QString unit() const;
    LiveOverlay* overlay(LiveLayer layer);
    // The labels' font, for the frame and for stills.
    static QFont LabelFont();

private:
    class Layer : public LiveOverlay {
    public:
        Layer(const LiveGuides& guides, LiveLayer layer) : guides_(guides), layer_(layer) {}
        void Draw(QPainter& painter, const QSize& surface, double sx, double sy) override;
        void DrawOnPicture(QPainter& painter, const QSize& picture, double shapeScale) override;

    private:
        // The snapshot with only this layer's guide left on.
        GuideSnapshot Only() const;
        const LiveGuides& guides_;
        LiveLayer layer_;
    };

    Hooks hooks_;
    GuideState state_;
    mutable std::mutex unitMutex_;
    QString unit_ = QStringLiteral("mm"); // guarded by unitMutex_; written on the UI thread
    Layer cross_{*this, LiveLayer::CrossLine};
    Layer ruler_{*this, LiveLayer::Ruler};
    Layer grid_{*this, LiveLayer::CircleGrid};
};

} // namespace tvx

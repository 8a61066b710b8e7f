#pragma once

#include "session/live_shapes.h"

#include <QObject>
#include <memory>

class QWidget;

namespace tvx {

class SettingsStore;

class Prompts;

class CaptureSession;
class CLiveView;
class CMenuXP;
class CommandActions;
class LiveGuides;
class LiveMeasure;
class LiveOverlay;
class MagnificationBoxes;
enum class LiveLayer;

// The guides, the live measuring tools, their undo history and the live
// "…" menu: everything drawn over the live picture and into stills. UI thread.
class LiveTools : public QObject {
    Q_OBJECT
public:
    LiveTools(CaptureSession& session, CommandActions& commands, CLiveView* view,
              MagnificationBoxes& boxes, SettingsStore& settings, QWidget* window);
    ~LiveTools() override;

    LiveShapes& shapes() { return shapes_; }
    LiveGuides& guides() { return *guides_; }
    LiveMeasure& measure() { return *measure_; }
    // What each layer draws, for the live surface and the still compositor.
    LiveOverlay* overlay(LiveLayer layer);
    // The live view's menu as the "other" button shows it.
    std::unique_ptr<CMenuXP> BuildMenu();
    // Every measuring button lets go (an effect was chosen).
    void ReleaseMeasuringButtons();

private:
    void showMenu();
    void penSettings();

    CaptureSession& session_;
    CommandActions& commands_;
    CLiveView* view_;
    MagnificationBoxes& boxes_;
    SettingsStore& settings_;
    QWidget* window_;
    LiveShapes shapes_;
    std::unique_ptr<LiveGuides> guides_;   // overlays of the live surface and stills
    std::unique_ptr<LiveMeasure> measure_; // draws from shapes_
};

} // namespace tvx

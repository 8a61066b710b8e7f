#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>

namespace tvx {

class SettingsStore;

class CLiveView;
class CommandActions;
class FrameSink;

// The focus meter over the live picture: a small bar with a peak-hold mark
// in the bottom left corner. A widget of its own above the live view, so it
// is never part of the live surface and never reaches a still.
class FocusMeterBar : public QWidget {
    Q_OBJECT
public:
    FocusMeterBar(CLiveView* view, const FrameSink& sink);

    static constexpr int kWidth = 132;
    static constexpr int kHeight = 18;
    static constexpr int kMargin = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    const FrameSink& sink_;
};

// The focus meter and the sharpest-still switch: each a checkable command of
// the Settings menu, kept in the settings store, handed to the frame sink.
// Both start off unless the user left them on. UI thread.
class FocusFeatures : public QObject {
    Q_OBJECT
public:
    FocusFeatures(CommandActions& commands, CLiveView* view, FrameSink& sink,
                  SettingsStore& settings, QObject* parent = nullptr);
    ~FocusFeatures() override;

    FocusMeterBar* bar() const { return bar_; }

    static constexpr const char* kMeterKey = "FocusMeter";
    static constexpr const char* kSharpestKey = "SharpestStill";

private:
    void setMeter(bool on);
    void setSharpest(bool on);
    void showWhileFramesFlow();

    FrameSink& sink_;
    SettingsStore& settings_;
    FocusMeterBar* bar_ = nullptr; // a child of the live view
    QTimer flowCheck_;             // hides the bar while no frame is metered
    quint64 seenReadings_ = 0;
};

} // namespace tvx

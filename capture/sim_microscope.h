#pragma once

#include "capture/control_fifo.h"
#include "capture/device_source.h"

#include <atomic>
#include <memory>

namespace tvx {

class SimCamera;

// The simulated microscope: a capture device with the microscope's USB id
// whose picture is a stage micrometer (see sim_render.h), at 320 × 240,
// 640 × 480, 720 × 480 or 720 × 576, with colour controls, a video norm, a
// still pin and a snapshot button.
//
// Its snapshot button reaches the program the way the real one does: as
// KEY_CAMERA input-event records that SnapshotButton reads. While no button object
// has it open, a press goes to the still pin instead, so that each press
// yields one still whichever road is open.
//
// When TAVOLUX_SIM_CONTROL names a FIFO, lines written to it act on the
// device: "press", "unplug", "plug", "still" (the still pin alone),
// "focus <radius>" (the picture blurred by a box of that radius, 0 … 32;
// 0 is sharp), "focus drift" (a slow turn through focus and back),
// "focus at <position>" (the slide with relief, see sim_depth.h, focused at
// a height in micrometres), "focus sweep <from> <to> <seconds>" (the focus
// turned evenly from one height to another), "truth <path>" (the slide
// with relief all sharp, at rest, written as PNG) and "drift on" /
// "drift off" (the slide moving, or with relief held by a steady hand).
//
// Lives on the UI thread; its picture is rendered on the streaming thread.
class SimulatedMicroscope : public DeviceProvider {
    Q_OBJECT
public:
    explicit SimulatedMicroscope(QObject* parent = nullptr);
    ~SimulatedMicroscope() override;

    bool Start() override;
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override;
    std::shared_ptr<CaptureDevice> Device() const;

    void Press();
    void StillPin();
    void Unplug();
    void Plug();
    bool Plugged() const;
    // Acts on one control line; false for a line it does not know.
    bool HandleControlLine(const QString& line);

    // Blur of the picture: a fixed radius (clamped to 0 … 32), or a slow
    // drift through focus. Sharp until told otherwise.
    void SetFocus(int radius);
    void SetFocusDrift();
    // The slide with relief, its focus at a height (micrometres), or turned
    // from one height to another over `seconds`.
    void SetFocusPosition(double position);
    void SetFocusSweep(double from, double to, double seconds);
    // The slide with relief at the current capture size, all sharp and at
    // rest, as a PNG file; false when it could not be written.
    bool WriteSharpView(const QString& path) const;

    // A still slide (no drift) shows exactly the same picture in every frame.
    void SetDrift(bool on);
    // Frames handed to the pipeline so far.
    uint64_t FramesDelivered() const;
    // Of those, the frames handed out without fresh pixels: drawn into a
    // recycled buffer, or a still slide's drawn pixels handed out again.
    uint64_t FramesFromPool() const;

    static constexpr const char* kDisplayName = "@device:sim:Vid_14c3&Pid_2301:simulated";
    static constexpr const char* kFriendlyName = "Wireless Digital Microscope (simulated)";

private:
    int OpenButton();
    bool SendButtonPress();

    std::shared_ptr<SimCamera> camera_;
    bool started_ = false;
    std::unique_ptr<ControlFifo> control_;
    int buttonWriteFd_ = -1; // the simulated button's end of the event socket
};

} // namespace tvx

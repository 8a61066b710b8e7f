#pragma once

#include "capture/video_proc_amp.h"

#include <QObject>
#include <QString>
#include <gst/gst.h>
#include <memory>
#include <vector>

namespace tvx {

// One video-capture device as the engine sees it, whatever stands behind it
// (a V4L2 camera, the simulated microscope, a test's script). Used on the UI
// thread.
class CaptureDevice {
public:
    virtual ~CaptureDevice() = default;

    // Carries the USB id as "Vid_xxxx&Pid_yyyy" when the device has one.
    virtual QString DisplayName() const = 0;
    virtual QString FriendlyName() const = 0;
    // What a choice of this device is remembered by, stable across
    // reconnections and restarts: by default the display name.
    virtual QString Identity() const { return DisplayName(); }
    // Whether the device has a snapshot button this program can read: by
    // default a KEY_CAMERA input device below the display name's USB id.
    virtual bool HasSnapshotButton() const;
    // A readable descriptor carrying the button's input events (the caller
    // owns it), or -1. The microscope's button is opened by the session's
    // own road; this serves the other cameras.
    virtual int OpenButton() { return -1; }
    // Whether two enumerations found the same physical device.
    virtual bool SameDevice(const CaptureDevice& other) const {
        return DisplayName() == other.DisplayName();
    }

    // A new source element named "source", or nullptr when the device
    // cannot be opened. The caller adopts the reference, floating or not.
    virtual GstElement* CreateSource() = 0;
    // The formats the device offers once `source` is in the READY state
    // (full reference); nullptr when it cannot tell.
    virtual GstCaps* OfferedCaps(GstElement* source);

    // The engine is about to ask `source` for frames in `caps` (the device
    // offers them). Devices that negotiate by themselves need nothing here.
    virtual void ApplyFormat(GstElement* /*source*/, const GstCaps* /*caps*/) {}

    // A still pin: a second source that yields one buffer per still the
    // device takes on its own.
    virtual bool HasStillPin() const { return false; }
    virtual GstElement* CreateStillSource() { return nullptr; }

    // Picture controls while `source` is in the pipeline; nullptr when the
    // device has none.
    virtual std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement* source) = 0;
    virtual int GetTvFormat(int* format) = 0;
    virtual int SetTvFormat(int format) = 0;

    // Still plugged in: by default a USB device with the display name's id.
    virtual bool IsPresent() const;

    // The engine dropped every element it made from this device.
    virtual void SourcesReleased() {}
};

// A source of devices: it lists the devices present now and reports
// arrivals and removals through its signals, emitted on the UI thread.
class DeviceProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Starts watching; true when the provider can list devices. Calling it
    // again does nothing more.
    virtual bool Start() = 0;
    virtual std::vector<std::shared_ptr<CaptureDevice>> Devices() = 0;

signals:
    void arrived(const QString& displayName);
    void removed(const QString& displayName);
};

// Makes sure GStreamer is initialised; false when it cannot be.
bool EnsureGStreamer();

} // namespace tvx

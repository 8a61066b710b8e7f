#pragma once

#include "capture/device_source.h"
#include "platform/gst_handle.h"

#include <memory>

namespace tvx {

class GstBusObserver;

// A V4L2 camera found by the GStreamer device monitor.
class V4l2CaptureDevice : public CaptureDevice {
public:
    // Takes a reference of its own to `device`.
    V4l2CaptureDevice(GstDevice* device, QString devnode, QString displayName,
                      QString friendlyName);
    ~V4l2CaptureDevice() override;

    QString DisplayName() const override { return displayName_; }
    QString FriendlyName() const override { return friendlyName_; }
    // The USB device's identity; the display name for a camera not on USB.
    QString Identity() const override { return identity_; }
    bool HasSnapshotButton() const override;
    int OpenButton() override;
    GstElement* CreateSource() override;
    GstCaps* OfferedCaps(GstElement* source) override;
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement* source) override;
    int GetTvFormat(int* format) override;
    int SetTvFormat(int format) override;

private:
    GstUnique<GstDevice> device_;
    QString devnode_;
    QString displayName_;
    QString friendlyName_;
    QString identity_;
};

// Video sources of the GStreamer device monitor, only V4L2 cameras (other
// providers list the same cameras again). Arrivals and removals are read
// from the monitor's bus on the UI thread, as soon as they are posted.
class GstDeviceProvider : public DeviceProvider {
    Q_OBJECT
public:
    explicit GstDeviceProvider(QObject* parent = nullptr);
    ~GstDeviceProvider() override;
    bool Start() override;
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override;

private:
    void OnDeviceMessage(GstMessage* msg);
    static std::shared_ptr<CaptureDevice> Wrap(GstDevice* device);

    GstUnique<GstDeviceMonitor> monitor_;
    std::unique_ptr<GstBusObserver> bus_; // the monitor's bus, read on the UI thread
    bool started_ = false;
};

// The name the engine knows a V4L2 camera by: its node, and its USB id when
// it has one.
QString V4l2DisplayName(const QString& devnode, const QString& usbId);

} // namespace tvx

// The engine's choice of device on scripted device lists.
#include "capture/capture_engine.h"
#include "tests/support/status.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

class ScriptedDevice : public CaptureDevice {
public:
    explicit ScriptedDevice(QString name) : name_(std::move(name)) {}
    QString DisplayName() const override { return name_; }
    QString FriendlyName() const override { return "Camera " + name_.right(6); }
    GstElement* CreateSource() override { return nullptr; }
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement*) override { return nullptr; }
    int GetTvFormat(int*) override { return kResultNotSupported; }
    int SetTvFormat(int) override { return kResultNotSupported; }
    bool IsPresent() const override { return true; }

private:
    QString name_;
};

class ScriptedProvider : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override { return devices; }
    // New objects each time, as a fresh enumeration makes them.
    void Script(const QStringList& names) {
        devices.clear();
        for (const QString& n : names)
            devices.push_back(std::make_shared<ScriptedDevice>(n));
    }
    using DeviceProvider::arrived;
    using DeviceProvider::removed;
    std::vector<std::shared_ptr<CaptureDevice>> devices;
};

const QString kWebcam = "@device:v4l2:/dev/video0:Vid_046d&Pid_0825";
const QString kMicroA = "@device:v4l2:/dev/video2:Vid_14c3&Pid_2301";
const QString kMicroB = "@device:v4l2:/dev/video4:Vid_14c3&Pid_2301";

struct Rig {
    ScriptedProvider* provider = new ScriptedProvider;
    CaptureEngine engine{std::vector<DeviceProvider*>{provider}};
    int opens = 0;
    bool openWorks = true;
    Rig() {
        engine.SetButtonCallbacks([this] { return ++opens, openWorks; }, [] {});
        engine.SetWindows(nullptr);
        EXPECT_TRUE(test::Succeeded(engine.CreateDeviceEnumerator()));
    }
    int SelectedRows() const {
        int n = 0;
        for (const DeviceSlot& s : engine.DeviceTable())
            n += s.selected;
        return n;
    }
};

TEST(EngineEnumeration, KnownIdIsFoundInAnyCaseAtAnyPlace) {
    EXPECT_EQ(KnownDeviceStatus("Vid_14c3&Pid_2301"), 0);
    EXPECT_EQ(KnownDeviceStatus("usb:VID_14C3&PID_2301:/dev/video0"), 0);
    EXPECT_EQ(KnownDeviceStatus("/dev/video0 vid_14c3&pid_2301"), 0);
    EXPECT_EQ(KnownDeviceStatus("vId_14C3&PiD_2301"), 0);
    EXPECT_EQ(KnownDeviceStatus("Vid_14c3&Pid_230"), -1);
    EXPECT_EQ(KnownDeviceStatus("Vid_14c3&Pid_2302"), -1);
    EXPECT_EQ(KnownDeviceStatus(QString()), -1);

    Rig rig;
    rig.provider->Script({kWebcam, "@device:X:" + QString("VID_14C3&PID_2301").toLower()});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.CurrentRow(), 1);
    EXPECT_EQ(rig.engine.DeviceTable()[0].status, -1);
    EXPECT_EQ(rig.engine.DeviceTable()[1].status, 0);
    EXPECT_EQ(rig.engine.DeviceTable()[2].status, -1); // empty row
    EXPECT_EQ(rig.engine.CurrentDeviceId(), "Vid_14c3&Pid_2301");
}

TEST(EngineEnumeration, FirstMicroscopeChosenAndCurrentOneKept) {
    Rig rig;
    rig.provider->Script({kWebcam, kMicroA, kMicroB});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.DeviceCount(), 3);
    EXPECT_EQ(rig.engine.CurrentRow(), 1);
    EXPECT_EQ(rig.engine.DeviceTable()[1].displayName, kMicroA);
    EXPECT_EQ(rig.engine.DeviceTable()[1].friendlyName, "Camera d_2301");
    EXPECT_EQ(rig.opens, 1);
    EXPECT_EQ(rig.engine.ButtonLibraryMode(), 1);

    // A new order and new device objects: A is still the current device.
    rig.provider->Script({kMicroB, kWebcam, kMicroA});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.CurrentRow(), 2);
    EXPECT_EQ(rig.engine.DeviceTable()[2].displayName, kMicroA);
    EXPECT_EQ(rig.SelectedRows(), 1);

    // A leaves: B is chosen afresh.
    rig.provider->Script({kWebcam, kMicroB});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.CurrentRow(), 1);
    EXPECT_EQ(rig.engine.DeviceTable()[1].displayName, kMicroB);
    EXPECT_EQ(rig.SelectedRows(), 1);
}

TEST(EngineEnumeration, OnlyOtherCamerasChooseNothing) {
    Rig rig;
    rig.provider->Script({kMicroA});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    rig.provider->Script({kWebcam, "@device:v4l2:/dev/video1"});
    EXPECT_FALSE(rig.engine.EnumerateDevices());
    EXPECT_EQ(rig.engine.CurrentRow(), -1);
    EXPECT_TRUE(rig.engine.CurrentDeviceId().isEmpty());
    EXPECT_EQ(rig.engine.DeviceCount(), 2);
    EXPECT_EQ(rig.SelectedRows(), 0);
    EXPECT_FALSE(rig.engine.IsDevicePresent());
    // Nothing to build a graph for.
    EXPECT_FALSE(rig.engine.BuildGraph());
    EXPECT_FALSE(rig.engine.HasGraph());

    rig.provider->Script({});
    EXPECT_FALSE(rig.engine.EnumerateDevices());
    EXPECT_EQ(rig.engine.DeviceCount(), 0);
}

TEST(EngineEnumeration, ElevenDevicesNeverOverrunTheTable) {
    Rig rig;
    QStringList names;
    for (int i = 0; i < 10; ++i)
        names << QString("@device:v4l2:/dev/video%1").arg(i * 2);
    names << kMicroA; // the eleventh
    rig.provider->Script(names);
    EXPECT_FALSE(rig.engine.EnumerateDevices());
    EXPECT_EQ(rig.engine.DeviceCount(), kDeviceSlotCount);
    EXPECT_EQ(rig.engine.DeviceTable().back().displayName, names[9]);

    names.insert(3, kMicroB);
    rig.provider->Script(names);
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.engine.CurrentRow(), 3);
}

TEST(EngineEnumeration, ButtonModeFollowsTheButtonObject) {
    Rig rig;
    rig.openWorks = false;
    rig.provider->Script({kMicroA});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    EXPECT_EQ(rig.opens, 1);
    EXPECT_EQ(rig.engine.ButtonLibraryMode(), 0);
}

TEST(EngineEnumeration, NeedsTheEnumeratorAndForwardsDeviceChanges) {
    auto* provider = new ScriptedProvider;
    CaptureEngine engine{std::vector<DeviceProvider*>{provider}};
    provider->Script({kMicroA});
    EXPECT_FALSE(engine.EnumerateDevices());
    EXPECT_FALSE(engine.Run());
    EXPECT_FALSE(engine.BuildPreview());
    EXPECT_FALSE(engine.SetResolution(720, 480));
    EXPECT_EQ(engine.GetVideoProcAmp(), nullptr);
    int norm = 0;
    EXPECT_FALSE(engine.GetTvFormat(&norm));

    QStringList arrived, removed;
    QObject::connect(&engine, &CaptureEngine::deviceArrived,
                     [&](const QString& n) { arrived << n; });
    QObject::connect(&engine, &CaptureEngine::deviceRemoved,
                     [&](const QString& n) { removed << n; });
    emit provider->arrived(kMicroA);
    emit provider->removed(kWebcam);
    EXPECT_EQ(arrived, QStringList{kMicroA});
    EXPECT_EQ(removed, QStringList{kWebcam});
}

TEST(EngineEnumeration, SelectingTheCurrentRowOnlyRepaints) {
    Rig rig;
    rig.provider->Script({kMicroA, kMicroB});
    ASSERT_TRUE(test::Succeeded(rig.engine.EnumerateDevices()));
    QList<bool> repaint;
    QObject::connect(&rig.engine, &CaptureEngine::liveViewRepaint,
                     [&](bool erase) { repaint << erase; });
    EXPECT_TRUE(test::Succeeded(rig.engine.SelectDevice(0)));
    EXPECT_EQ(repaint, QList<bool>{false});
    EXPECT_FALSE(rig.engine.SelectDevice(7)); // an empty row
    EXPECT_FALSE(rig.engine.SelectDevice(-1));
    EXPECT_FALSE(rig.engine.SelectDevice(kDeviceSlotCount));

    // Another row: selection moves even though this device cannot stream.
    EXPECT_FALSE(rig.engine.SelectDevice(1));
    EXPECT_EQ(rig.engine.CurrentRow(), 1);
    EXPECT_EQ(rig.engine.DeviceTable()[0].selected, 0);
    EXPECT_EQ(rig.engine.DeviceTable()[1].selected, 1);
    EXPECT_EQ(rig.engine.CurrentDeviceId(), "Vid_14c3&Pid_2301");
    EXPECT_FALSE(rig.engine.HasGraph());
}

} // namespace
} // namespace tvx

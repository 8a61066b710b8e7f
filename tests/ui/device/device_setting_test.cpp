// The Video Setting dialog on a scripted microscope that counts the calls it
// gets, and on the simulated microscope beside an ordinary camera.
#include "capture/capture_engine.h"
#include "capture/sim_microscope.h"
#include "tests/support/status.h"
#include "ui/device/device_ids.h"
#include "ui/device/device_setting_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <gtest/gtest.h>

namespace tvx {
namespace {

using namespace device_ids;

struct Call {
    int property, value, flags;
};

// Picture controls with a brightness of -64..64 that remember every Set.
class CountingProcAmp : public VideoProcAmp {
public:
    explicit CountingProcAmp(std::vector<Call>* calls) : calls_(calls) {}
    int GetRange(int p, ProcAmpRange* r) override {
        *r = p == kProcAmpBrightness ? ProcAmpRange{-64, 64, 1, 0, kProcAmpFlagsManual}
                                     : ProcAmpRange{0, 100, 1, 50, kProcAmpFlagsManual};
        return kResultOk;
    }
    int Get(int p, int* v, int* f) override {
        *v = p == kProcAmpBrightness ? 64 : 10 + p;
        *f = kProcAmpFlagsManual;
        return kResultOk;
    }
    int Set(int p, int v, int f) override {
        calls_->push_back({p, v, f});
        return kResultOk;
    }

private:
    std::vector<Call>* calls_;
};

class ScriptedMicroscope : public CaptureDevice {
public:
    std::vector<Call> calls;
    QString DisplayName() const override { return "@device:test:Vid_14c3&Pid_2301"; }
    QString FriendlyName() const override { return "Test microscope"; }
    GstElement* CreateSource() override {
        return gst_element_factory_make("videotestsrc", "source");
    }
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement*) override {
        return std::make_unique<CountingProcAmp>(&calls);
    }
    int GetTvFormat(int* f) override { return *f = kTvFormatNtscM, kResultOk; }
    int SetTvFormat(int) override { return kResultOk; }
    bool IsPresent() const override { return true; }
};

class ScriptedCamera : public CaptureDevice {
public:
    QString DisplayName() const override { return "@device:v4l2:/dev/video9:Vid_046d&Pid_0825"; }
    QString FriendlyName() const override { return "Ordinary webcam"; }
    GstElement* CreateSource() override { return nullptr; }
    std::unique_ptr<VideoProcAmp> CreateProcAmp(GstElement*) override { return nullptr; }
    int GetTvFormat(int*) override { return kResultNotSupported; }
    int SetTvFormat(int) override { return kResultNotSupported; }
    bool IsPresent() const override { return true; }
};

class ListProvider : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override { return devices; }
    std::vector<std::shared_ptr<CaptureDevice>> devices;
};

template <class W> W* Find(QWidget* dlg, int id) {
    return dlg->findChild<W*>(QString::number(id));
}

TEST(DeviceSetting, RowsShowTheDeviceValuesAndSpinsStopAtTheEnds) {
    auto* provider = new ListProvider;
    auto microscope = std::make_shared<ScriptedMicroscope>();
    provider->devices = {microscope};
    CaptureEngine engine{std::vector<DeviceProvider*>{provider}};
    engine.SetWindows(nullptr);
    ASSERT_TRUE(engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
                engine.BuildGraph());
    ASSERT_NE(engine.GetVideoProcAmp(), nullptr);

    DeviceSettingsDialog dlg(engine);
    EXPECT_TRUE(microscope->calls.empty()); // filling sends nothing
    const PropertyRowIds& bright = kRows[0];
    EXPECT_EQ(Find<QSlider>(&dlg, bright.slider)->minimum(), -64);
    EXPECT_EQ(Find<QSlider>(&dlg, bright.slider)->maximum(), 64);
    EXPECT_EQ(Find<QLineEdit>(&dlg, bright.edit)->text(), " 64");
    EXPECT_EQ(Find<QLineEdit>(&dlg, kRows[1].edit)->text(), " 11");

    // At the maximum the up arrow does nothing at all.
    Find<CSpin>(&dlg, bright.spin)->Up();
    EXPECT_TRUE(microscope->calls.empty());
    EXPECT_EQ(Find<QSlider>(&dlg, bright.slider)->value(), 64);

    Find<CSpin>(&dlg, bright.spin)->Down();
    ASSERT_EQ(microscope->calls.size(), 1u);
    EXPECT_EQ(microscope->calls[0].property, kProcAmpBrightness);
    EXPECT_EQ(microscope->calls[0].value, 63);
    EXPECT_EQ(microscope->calls[0].flags, kProcAmpFlagsManual);
    EXPECT_EQ(Find<QLineEdit>(&dlg, bright.edit)->text(), " 63");

    Find<QSlider>(&dlg, bright.slider)->setValue(-64);
    EXPECT_EQ(Find<QLineEdit>(&dlg, bright.edit)->text(), "-64");
    EXPECT_EQ(microscope->calls.back().value, -64);
    const size_t before = microscope->calls.size();
    Find<CSpin>(&dlg, bright.spin)->Down();
    EXPECT_EQ(microscope->calls.size(), before);

    // Sharpness is property 4 on the fourth row.
    Find<CSpin>(&dlg, kRows[3].spin)->Up();
    EXPECT_EQ(microscope->calls.back().property, kProcAmpSharpness);
    EXPECT_EQ(microscope->calls.back().value, 15);

    // Enter is OK and never Default: nothing is reset.
    dlg.show();
    QSlider* slider = Find<QSlider>(&dlg, bright.slider);
    slider->setFocus();
    const size_t sent = microscope->calls.size();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(slider, &enter);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(microscope->calls.size(), sent);

    // Outside button-library mode there are no resolutions: OK changes nothing.
    EXPECT_EQ(Find<QComboBox>(&dlg, kResolutionList)->count(), 0);
    const int width = engine.captureSize().width;
    Find<QPushButton>(&dlg, kOk)->click();
    EXPECT_EQ(engine.captureSize().width, width);
    engine.ReleaseAll();
}

TEST(DeviceSetting, WithoutPictureControlsNothingIsFilled) {
    auto* provider = new ListProvider;
    provider->devices = {std::make_shared<ScriptedMicroscope>()};
    CaptureEngine engine{std::vector<DeviceProvider*>{provider}};
    engine.SetWindows(nullptr);
    ASSERT_TRUE(engine.CreateDeviceEnumerator() && engine.EnumerateDevices());
    DeviceSettingsDialog dlg(engine); // no graph: no controls
    EXPECT_EQ(Find<QComboBox>(&dlg, kDeviceList)->count(), 0);
    EXPECT_EQ(dlg.windowTitle(), "Video Setting");
    Find<QPushButton>(&dlg, kDefault)->click();
    Find<CSpin>(&dlg, kRows[0].spin)->Up();
    EXPECT_EQ(Find<QSlider>(&dlg, kRows[0].slider)->value(), 0);
}

struct SimRig {
    SimulatedMicroscope* sim = new SimulatedMicroscope;
    ListProvider* others = new ListProvider;
    CaptureEngine engine{std::vector<DeviceProvider*>{others, sim}};
    SimRig() {
        others->devices = {std::make_shared<ScriptedCamera>()};
        sim->SetDrift(false);
        engine.SetButtonCallbacks([] { return true; }, [] {});
        engine.SetWindows(nullptr);
    }
    ~SimRig() {
        engine.Stop();
        engine.ReleaseAll();
    }
    bool Start() {
        return engine.CreateDeviceEnumerator() && engine.EnumerateDevices() &&
               engine.BuildGraph() && engine.BuildPreview() && engine.Run();
    }
};

TEST(DeviceSetting, OnlyMicroscopesAreListedAndDefaultRestoresEverything) {
    SimRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_EQ(rig.engine.ButtonLibraryMode(), 1);
    ASSERT_TRUE(test::Succeeded(rig.engine.SetResolution(320, 240)));
    ASSERT_TRUE(test::Succeeded(rig.engine.SetTvFormat(kTvFormatPalB)));

    DeviceSettingsDialog dlg(rig.engine);
    auto* devices = Find<QComboBox>(&dlg, kDeviceList);
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->itemText(0), SimulatedMicroscope::kFriendlyName);
    EXPECT_EQ(devices->currentIndex(), 0);
    auto* resolutions = Find<QComboBox>(&dlg, kResolutionList);
    ASSERT_EQ(resolutions->count(), 3);
    EXPECT_EQ(resolutions->itemText(2), "720x576"); // PAL
    EXPECT_EQ(resolutions->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>(&dlg, kNormList)->currentText(), "PAL B");
    EXPECT_TRUE(Find<QSlider>(&dlg, kRows[kGammaRow].slider)->isHidden());
    EXPECT_FALSE(Find<QSlider>(&dlg, kRows[kHueRow].slider)->isHidden());

    // Move every property away from its default, then ask for the defaults.
    VideoProcAmp* amp = rig.engine.GetVideoProcAmp();
    ASSERT_NE(amp, nullptr);
    for (int i = 0; i < kPropertyRows; ++i)
        Find<CSpin>(&dlg, kRows[i].spin)->Up();
    Find<QPushButton>(&dlg, kDefault)->click();

    amp = rig.engine.GetVideoProcAmp();
    ASSERT_NE(amp, nullptr);
    int supported = 0;
    for (int i = 0; i < kPropertyRows; ++i) {
        ProcAmpRange range;
        if (amp->GetRange(kRows[i].property, &range) != kResultOk) continue;
        ++supported;
        int value = 0, flags = 0;
        ASSERT_EQ(amp->Get(kRows[i].property, &value, &flags), kResultOk);
        EXPECT_EQ(value, range.defaultValue) << kRows[i].key;
        EXPECT_EQ(flags, kProcAmpFlagsAuto) << kRows[i].key;
        EXPECT_EQ(Find<QLineEdit>(&dlg, kRows[i].edit)->text(),
                  QString::asprintf("%3d", range.defaultValue));
    }
    EXPECT_GE(supported, 4);
    int format = 0;
    ASSERT_TRUE(test::Succeeded(rig.engine.GetTvFormat(&format)));
    EXPECT_EQ(format, kTvFormatNtscM);
    EXPECT_EQ(rig.engine.captureSize().width, 720);
    EXPECT_EQ(rig.engine.captureSize().height, 480);
    EXPECT_EQ(Find<QComboBox>(&dlg, kNormList)->currentIndex(), -1);

    // A device going away while the dialog is open: it fills itself again.
    rig.sim->Unplug();
    rig.engine.Stop();
    rig.engine.ReleaseAll();
    rig.engine.EnumerateDevices();
    dlg.Refill();
    EXPECT_EQ(devices->count(), 0);
}

} // namespace
} // namespace tvx

#include "capture/test_cameras.h"

#include "platform/button_input.h"
#include "platform/gst_handle.h"

#include <QStringList>
#include <linux/input.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tvx {

namespace {

// Written by hand after the format lists common UVC microscopes report:
// large sizes as JPEG only or raw at a crawl, small ones raw at full rate.
constexpr const char* kHdCameraFormats =
    "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "
    "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
    "framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)1280, height=(int)720, "
    "framerate=(fraction)10/1";
constexpr const char* kFiveMpCameraFormats =
    "image/jpeg, width=(int)2592, height=(int)1944, framerate=(fraction){ 15/1, 5/1 }; "
    "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "
    "image/jpeg, width=(int)640, height=(int)480, framerate=(fraction)30/1; "
    "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
    "framerate=(fraction)30/1";

// Frames stop when the camera is unplugged, with one error as a real
// camera's source gives. Runs on the streaming thread.
GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* /*info*/, gpointer user) {
    TestCamera::State* state = static_cast<std::shared_ptr<TestCamera::State>*>(user)->get();
    if (state->plugged.load()) return GST_PAD_PROBE_OK;
    if (!state->lossReported.exchange(true)) {
        const GstUnique<GstElement> parent(kAdopt, gst_pad_get_parent_element(pad));
        GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                            "the camera was unplugged");
        if (parent)
            gst_element_post_message(
                parent.get(), gst_message_new_error(GST_OBJECT(parent.get()), error, nullptr));
        g_error_free(error);
    }
    return GST_PAD_PROBE_DROP;
}

GstElement* ChildNamed(GstElement* bin, const char* name) {
    if (!bin || !GST_IS_BIN(bin)) return nullptr;
    GstElement* child = gst_bin_get_by_name(GST_BIN(bin), name);
    if (child) gst_object_unref(child); // the bin keeps it alive
    return child;
}

} // namespace

TestCamera::TestCamera(QString id, QString name, const QString& offered)
    : id_(std::move(id)), name_(std::move(name)),
      offered_(kAdopt,
               EnsureGStreamer() ? gst_caps_from_string(offered.toUtf8().constData()) : nullptr),
      state_(std::make_shared<State>()) {}

TestCamera::~TestCamera() {
    if (buttonWriteFd_ >= 0) ::close(buttonWriteFd_);
}

QString TestCamera::DisplayName() const {
    return QStringLiteral("@device:test:") + id_;
}

GstElement* TestCamera::CreateSource() {
    if (!state_->plugged.load() || !EnsureGStreamer()) return nullptr;
    // gen ! raw ! out to start with; ApplyFormat puts the encoder between
    // raw and out when JPEG is chosen.
    GstElement* bin = gst_bin_new("source");
    GstElement* gen = gst_element_factory_make("videotestsrc", "gen");
    GstElement* raw = gst_element_factory_make("capsfilter", "raw");
    GstElement* enc = gst_element_factory_make("jpegenc", "enc");
    GstElement* out = gst_element_factory_make("identity", "out");
    if (!gen || !raw || !enc || !out) {
        for (GstElement* e : {bin, gen, raw, enc, out})
            if (e) gst_object_unref(gst_object_ref_sink(e));
        return nullptr;
    }
    g_object_set(gen, "is-live", TRUE, "pattern", 0 /* colour bars */, nullptr);
    gst_bin_add_many(GST_BIN(bin), gen, raw, enc, out, nullptr);
    gst_element_link_many(gen, raw, out, nullptr);
    const GstUnique<GstPad> genPad(kAdopt, gst_element_get_static_pad(gen, "src"));
    state_->lossReported.store(false);
    gst_pad_add_probe(genPad.get(), GST_PAD_PROBE_TYPE_BUFFER, &OnFrame,
                      new std::shared_ptr<State>(state_),
                      [](gpointer p) { delete static_cast<std::shared_ptr<State>*>(p); });
    const GstUnique<GstPad> outPad(kAdopt, gst_element_get_static_pad(out, "src"));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", outPad.get()));
    return bin;
}

GstCaps* TestCamera::OfferedCaps(GstElement* /*source*/) {
    return offered_.ref().release();
}

void TestCamera::ApplyFormat(GstElement* source, const GstCaps* caps) {
    GstElement* raw = ChildNamed(source, "raw");
    GstElement* enc = ChildNamed(source, "enc");
    GstElement* out = ChildNamed(source, "out");
    if (!raw || !enc || !out || !offered_ || !caps) return;
    GstUnique<GstCaps> chosen(kAdopt,
                              gst_caps_intersect(offered_.get(), const_cast<GstCaps*>(caps)));
    if (gst_caps_is_empty(chosen.get())) return; // not one of ours: the source stays as it was
    chosen.reset(kAdopt, gst_caps_fixate(chosen.release()));
    GstStructure* s = gst_caps_get_structure(chosen.get(), 0);
    const bool jpeg = gst_structure_has_name(s, "image/jpeg");
    if (jpeg) {
        gst_structure_set_name(s, "video/x-raw");
        gst_structure_set(s, "format", G_TYPE_STRING, "I420", nullptr);
    }
    g_object_set(raw, "caps", chosen.get(), nullptr);

    gst_element_unlink(raw, enc);
    gst_element_unlink(enc, out);
    gst_element_unlink(raw, out);
    if (jpeg)
        gst_element_link_many(raw, enc, out, nullptr);
    else
        gst_element_link(raw, out);
}

std::unique_ptr<VideoProcAmp> TestCamera::CreateProcAmp(GstElement* /*source*/) {
    return nullptr;
}
int TestCamera::GetTvFormat(int* /*format*/) {
    return kResultNotSupported;
}
int TestCamera::SetTvFormat(int /*format*/) {
    return kResultNotSupported;
}

void TestCamera::SetPlugged(bool plugged) {
    state_->plugged.store(plugged);
    if (!plugged && buttonWriteFd_ >= 0) {
        ::close(buttonWriteFd_);
        buttonWriteFd_ = -1;
    }
}

int TestCamera::OpenButton() {
    if (!state_->plugged.load()) return -1;
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return -1;
    if (buttonWriteFd_ >= 0) ::close(buttonWriteFd_);
    buttonWriteFd_ = sv[1];
    return sv[0];
}

bool TestCamera::Press() {
    if (buttonWriteFd_ < 0) return false;
    if (WriteKeyCameraPress(buttonWriteFd_)) return true;
    ::close(buttonWriteFd_);
    buttonWriteFd_ = -1;
    return false;
}

TestCameraProvider::TestCameraProvider(QObject* parent)
    : TestCameraProvider({std::make_shared<TestCamera>(QStringLiteral("uvc-hd"),
                                                       QStringLiteral("Test UVC Microscope HD"),
                                                       QString::fromLatin1(kHdCameraFormats)),
                          std::make_shared<TestCamera>(QStringLiteral("uvc-5mp"),
                                                       QStringLiteral("Test UVC Microscope 5MP"),
                                                       QString::fromLatin1(kFiveMpCameraFormats))},
                         parent) {}

TestCameraProvider::TestCameraProvider(std::vector<std::shared_ptr<TestCamera>> cameras,
                                       QObject* parent)
    : DeviceProvider(parent), cameras_(std::move(cameras)) {}

TestCameraProvider::~TestCameraProvider() = default;

bool TestCameraProvider::Requested() {
    return !qEnvironmentVariable("TAVOLUX_TEST_DEVICES").isEmpty();
}

bool TestCameraProvider::Start() {
    if (started_) return true;
    if (!EnsureGStreamer()) return false;
    started_ = true;
    const QString control = qEnvironmentVariable("TAVOLUX_TEST_DEVICES");
    // Any other value than a path only asks for the cameras.
    if (control.startsWith(QLatin1Char('/'))) {
        control_ = std::make_unique<ControlFifo>(
            [this](const QString& line) { HandleControlLine(line); }, this);
        control_->Open(control);
    }
    return true;
}

std::vector<std::shared_ptr<CaptureDevice>> TestCameraProvider::Devices() {
    std::vector<std::shared_ptr<CaptureDevice>> out;
    if (!started_) return out;
    for (const auto& c : cameras_)
        if (c->IsPresent()) out.push_back(c);
    return out;
}

std::shared_ptr<TestCamera> TestCameraProvider::Camera(const QString& id) const {
    for (const auto& c : cameras_)
        if (c->Id() == id) return c;
    return nullptr;
}

bool TestCameraProvider::HandleControlLine(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != 2) return false;
    const std::shared_ptr<TestCamera> camera = Camera(words[1]);
    if (!camera) return false;
    const QString verb = words[0].toLower();
    if (verb == QLatin1String("press")) return camera->Press();
    if (verb != QLatin1String("unplug") && verb != QLatin1String("plug")) return false;
    const bool plug = verb == QLatin1String("plug");
    if (camera->IsPresent() == plug) return true;
    camera->SetPlugged(plug);
    if (plug)
        emit arrived(camera->DisplayName());
    else
        emit removed(camera->DisplayName());
    return true;
}

} // namespace tvx

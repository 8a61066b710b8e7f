#include "capture/video_proc_amp.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tvx {

namespace {

// Opening the node a second time is allowed while it streams; controls and
// the norm are per device, not per open file.
class Node {
public:
    explicit Node(const QString& path)
        : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~Node() {
        if (fd_ >= 0) ::close(fd_);
    }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    bool ok() const { return fd_ >= 0; }
    int ioctlRetry(unsigned long request, void* arg) const {
        int r;
        do
            r = ::ioctl(fd_, request, arg);
        while (r < 0 && errno == EINTR);
        return r;
    }

private:
    int fd_;
};

bool ControlId(int property, uint32_t* id) {
    switch (property) {
    case kProcAmpBrightness:
        *id = V4L2_CID_BRIGHTNESS;
        return true;
    case kProcAmpContrast:
        *id = V4L2_CID_CONTRAST;
        return true;
    case kProcAmpHue:
        *id = V4L2_CID_HUE;
        return true;
    case kProcAmpSaturation:
        *id = V4L2_CID_SATURATION;
        return true;
    case kProcAmpSharpness:
        *id = V4L2_CID_SHARPNESS;
        return true;
    case kProcAmpGamma:
        *id = V4L2_CID_GAMMA;
        return true;
    default:
        return false;
    }
}

} // namespace

int V4l2ProcAmp::GetRange(int property, ProcAmpRange* range) {
    uint32_t id = 0;
    if (!range || !ControlId(property, &id)) return kResultInvalidArg;
    Node node(devnode_);
    if (!node.ok()) return kResultFailed;
    v4l2_queryctrl q{};
    q.id = id;
    if (node.ioctlRetry(VIDIOC_QUERYCTRL, &q) < 0 || (q.flags & V4L2_CTRL_FLAG_DISABLED))
        return kResultNotSupported;
    range->min = q.minimum;
    range->max = q.maximum;
    range->step = q.step > 0 ? q.step : 1;
    range->defaultValue = q.default_value;
    range->flags = kProcAmpFlagsManual;
    return kResultOk;
}

int V4l2ProcAmp::Get(int property, int* value, int* flags) {
    uint32_t id = 0;
    if (!value || !ControlId(property, &id)) return kResultInvalidArg;
    Node node(devnode_);
    if (!node.ok()) return kResultFailed;
    v4l2_control c{};
    c.id = id;
    if (node.ioctlRetry(VIDIOC_G_CTRL, &c) < 0) return kResultNotSupported;
    *value = c.value;
    if (flags) *flags = kProcAmpFlagsManual;
    return kResultOk;
}

int V4l2ProcAmp::Set(int property, int value, int /*flags*/) {
    uint32_t id = 0;
    if (!ControlId(property, &id)) return kResultInvalidArg;
    Node node(devnode_);
    if (!node.ok()) return kResultFailed;
    v4l2_control c{};
    c.id = id;
    c.value = value;
    if (node.ioctlRetry(VIDIOC_S_CTRL, &c) < 0)
        return errno == EINVAL ? kResultNotSupported : kResultFailed;
    return kResultOk;
}

int V4l2GetTvFormat(const QString& devnode, int* format) {
    if (!format) return kResultInvalidArg;
    Node node(devnode);
    if (!node.ok()) return kResultFailed;
    v4l2_std_id std = 0;
    if (node.ioctlRetry(VIDIOC_G_STD, &std) < 0) return kResultNotSupported;
    if (std & V4L2_STD_NTSC_M)
        *format = kTvFormatNtscM;
    else if (std & V4L2_STD_PAL_B)
        *format = kTvFormatPalB;
    else
        return kResultNotSupported;
    return kResultOk;
}

int V4l2SetTvFormat(const QString& devnode, int format) {
    v4l2_std_id std = 0;
    if (format == kTvFormatNtscM)
        std = V4L2_STD_NTSC_M;
    else if (format == kTvFormatPalB)
        std = V4L2_STD_PAL_B;
    else
        return kResultInvalidArg;
    Node node(devnode);
    if (!node.ok()) return kResultFailed;
    return node.ioctlRetry(VIDIOC_S_STD, &std) < 0 ? kResultNotSupported : kResultOk;
}

} // namespace tvx

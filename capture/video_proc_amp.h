#pragma once

#include <QString>

namespace tvx {

// Result codes of device calls: 0 success, negative failure.
constexpr int kResultOk = 0;
constexpr int kResultFailed = -1;
constexpr int kResultNotSupported = -2; // the device lacks the property or control
constexpr int kResultInvalidArg = -3;

// Picture properties by their long-standing numbers.
enum VideoProcAmpProperty : int {
    kProcAmpBrightness = 0,
    kProcAmpContrast = 1,
    kProcAmpHue = 2,
    kProcAmpSaturation = 3,
    kProcAmpSharpness = 4,
    kProcAmpGamma = 5,
};
constexpr int kProcAmpPropertyCount = 6;

// Property flags.
constexpr int kProcAmpFlagsAuto = 1;
constexpr int kProcAmpFlagsManual = 2;

// Video norms.
constexpr int kTvFormatNtscM = 1;
constexpr int kTvFormatPalB = 16;

struct ProcAmpRange {
    int min = 0;
    int max = 0;
    int step = 1;
    int defaultValue = 0;
    int flags = kProcAmpFlagsManual;
};

// The picture controls of a capture device. Called on the UI thread; a
// property the device lacks answers kResultNotSupported and leaves the
// outputs untouched.
class VideoProcAmp {
public:
    virtual ~VideoProcAmp() = default;
    virtual int GetRange(int property, ProcAmpRange* range) = 0;
    virtual int Get(int property, int* value, int* flags) = 0;
    virtual int Set(int property, int value, int flags) = 0;
};

// The controls of a V4L2 device node, through the kernel's control calls;
// the kernel keeps the values, so this object holds only the node's path.
class V4l2ProcAmp : public VideoProcAmp {
public:
    explicit V4l2ProcAmp(QString devnode) : devnode_(std::move(devnode)) {}
    int GetRange(int property, ProcAmpRange* range) override;
    int Get(int property, int* value, int* flags) override;
    int Set(int property, int value, int flags) override;

private:
    QString devnode_;
};

// The video norm of a V4L2 device node: NTSC M (1) or PAL B (16).
int V4l2GetTvFormat(const QString& devnode, int* format);
int V4l2SetTvFormat(const QString& devnode, int format);

} // namespace tvx

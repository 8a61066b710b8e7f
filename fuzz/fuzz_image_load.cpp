// links: imaging
// Stored pictures may be anything a user copied into the folder; loading one
// must never crash, hang or allocate without bound.
#include "imaging/cximage.h"
#include "imaging/dib.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

void Check(const QByteArray& bytes, int type) {
    tvx::CxImage img;
    const bool ok = img.LoadFromMemory(bytes, type);
    if (ok != img.IsValid()) __builtin_trap();
    if (!ok) return;
    if (!tvx::ImageSizeAcceptable(img.GetWidth(), img.GetHeight())) __builtin_trap();
    // Whatever loaded must save and load back as the same picture.
    if (int64_t(img.GetWidth()) * img.GetHeight() > 1 << 20) return;
    tvx::CxImage back;
    if (!back.LoadFromMemory(img.Encode(tvx::kImageTypeBmp), tvx::kImageTypeBmp) ||
        back.image() != img.image())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    Check(bytes, tvx::kImageTypeBmp);
    Check(bytes, tvx::kImageTypeJpg);
    Check(bytes, tvx::kImageTypePng);
    return 0;
}

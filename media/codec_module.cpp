#include "media/codec_module.h"

#include "platform/program_module.h"

namespace tvx {

namespace {

struct Loaded {
    CodecModule* module = nullptr;
    std::string why;
};

} // namespace

CodecModule* OpenCodecModule(const std::string& path, std::string* why) {
    return static_cast<CodecModule*>(
        OpenProgramModule(path, kCodecModuleEntry, TAVOLUX_CODEC_BUILD, why));
}

CodecModule* LoadCodecModule(std::string* why) {
    static const Loaded loaded = [] {
        Loaded out;
        out.module =
            OpenCodecModule(ProgramModulePath(kCodecModuleFile, "TAVOLUX_FFMPEG_MODULE"), &out.why);
        return out;
    }();
    if (!loaded.module && why) *why = loaded.why;
    return loaded.module;
}

} // namespace tvx

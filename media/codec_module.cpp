#include "media/codec_module.h"

#include <cstdlib>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace tvx {

namespace {

std::string ProgramFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string exe(buf, size_t(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

struct Loaded {
    CodecModule* module = nullptr;
    std::string why;
};

Loaded Load() {
    Loaded out;
    std::string path;
    if (const char* given = std::getenv("TAVOLUX_FFMPEG_MODULE"); given && *given) {
        path = given;
    } else {
        // A build tree or an unpacked copy keeps the module beside the
        // program; an installed copy in its library folder.
        const std::string folder = ProgramFolder();
        const std::string beside = folder + "/" + kCodecModuleFile;
        const std::string installed =
            folder + "/" TAVOLUX_CODEC_MODULE_RELDIR "/" + kCodecModuleFile;
        path = Exists(beside) || !Exists(installed) ? beside : installed;
    }
    out.module = OpenCodecModule(path, &out.why);
    return out;
}

} // namespace

CodecModule* OpenCodecModule(const std::string& path, std::string* why) {
    // Never closed: what it made may outlive any owner of ours.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = ::dlerror();
        if (why) *why = e ? e : path + ": cannot be loaded";
        return nullptr;
    }
    auto entry = reinterpret_cast<CodecModuleEntry>(::dlsym(handle, kCodecModuleEntry));
    if (!entry) {
        const char* e = ::dlerror();
        if (why) *why = e ? e : path + ": not a module of this program";
        return nullptr;
    }
    CodecModule* module = entry(TAVOLUX_CODEC_BUILD);
    if (!module && why) *why = path + ": belongs to another build of the program";
    return module;
}

CodecModule* LoadCodecModule(std::string* why) {
    static const Loaded loaded = Load();
    if (!loaded.module && why) *why = loaded.why;
    return loaded.module;
}

} // namespace tvx

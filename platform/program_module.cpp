#include "platform/program_module.h"

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
    const std::string exe(buf, size_t(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

} // namespace

std::string ProgramModulePath(const char* file, const char* envVariable) {
    if (const char* given = std::getenv(envVariable); given && *given) return given;
    const std::string folder = ProgramFolder();
    const std::string beside = folder + "/" + file;
    const std::string installed = folder + "/" TAVOLUX_MODULE_RELDIR "/" + file;
    return Exists(beside) || !Exists(installed) ? beside : installed;
}

void* OpenProgramModule(const std::string& path, const char* entry, const char* build,
                        std::string* why) {
    // Never closed: what it made may outlive any owner of ours.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = ::dlerror();
        if (why) *why = e ? e : path + ": cannot be loaded";
        return nullptr;
    }
    using Entry = void* (*)(const char*);
    auto fn = reinterpret_cast<Entry>(::dlsym(handle, entry));
    if (!fn) {
        const char* e = ::dlerror();
        if (why) *why = e ? e : path + ": not a module of this program";
        return nullptr;
    }
    void* module = fn(build);
    if (!module && why) *why = path + ": belongs to another build of the program";
    return module;
}

} // namespace tvx

#pragma once

// Modules of this program: code with heavy libraries behind it (FFmpeg,
// OpenCV) that is loaded the first time one of its jobs is asked for, so a
// start that never needs it never loads those libraries. Each module
// exports one function that takes the build's identity and answers the
// module's interface, or null when the module comes from another build
// (the interfaces are C++ classes without a stable layout).

#include <string>

namespace tvx {

// Where module `file` is looked for: $envVariable when set, else the
// program's folder (a build tree, an unpacked copy), else the installed
// library folder beside the program's.
std::string ProgramModulePath(const char* file, const char* envVariable);

// Loads the module at `path` and asks its `entry` for the interface of
// build `build`. Null with the reason (the dynamic linker's words) when it
// cannot be loaded or does not fit. A loaded module stays for the run.
void* OpenProgramModule(const std::string& path, const char* entry, const char* build,
                        std::string* why);

} // namespace tvx

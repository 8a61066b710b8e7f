// Linked into the build tree's tests, benchmarks and fuzzers (never into
// the program): they find the program's modules where the build put them,
// unless the environment names others.
#include <cstdlib>

namespace {

[[maybe_unused]] const int kModulesNamed =
    ::setenv("TAVOLUX_FFMPEG_MODULE", TAVOLUX_FFMPEG_MODULE_FILE, 0) +
    ::setenv("TAVOLUX_STACK_MODULE", TAVOLUX_STACK_MODULE_FILE, 0);

} // namespace

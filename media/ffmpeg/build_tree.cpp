// Linked into the build tree's tests, benchmarks and fuzzers (never into
// the program): they find the FFmpeg module where the build put it, unless
// the environment names another.
#include <cstdlib>

namespace {

[[maybe_unused]] const int kModuleNamed =
    ::setenv("TAVOLUX_FFMPEG_MODULE", TAVOLUX_FFMPEG_MODULE_FILE, 0);

} // namespace

#pragma once

#include "stack/image.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tvx {

// Shared between the thread that stacks and the one that shows it.
struct StackProgress {
    std::atomic<bool> cancel{false}; // written by the showing thread
    std::atomic<int> permille{0};    // written by the stacking thread, 0 … 1000
};

struct StackOutcome {
    enum class Status { Done, Cancelled, TooFewFrames, Failed };
    Status status = Status::Failed;
    Image8 picture; // BGR, the frames' size
    Image8 depth;   // grey: which of the aligned frames each pixel came from
    int framesUsed = 0;
    // Where each frame lay relative to the middle one (see AlignSweep);
    // nullopt for a frame left out.
    std::vector<std::optional<Warp>> warps;
    std::string reason; // why it failed, when known beyond "could not align"
};

// A focus sweep made one picture that is sharp everywhere: the frames (BGR,
// one size, in the order they were taken) are aligned to the middle one,
// fused (see fuse.h), and the picture returned in the middle frame's place.
// Frames that cannot be aligned are left out. The frames are consumed as
// the work goes, to keep the memory down. Any thread; cancelled through
// `progress` at the next frame.
//
// The work is OpenCV's, in a module loaded on the first call (see
// platform/program_module.h; $TAVOLUX_STACK_MODULE names another file): a
// start that never stacks never loads OpenCV. Without the module the
// outcome is Failed with the loader's reason.
StackOutcome StackFrames(std::vector<Image8> frames, StackProgress* progress = nullptr);

// What the module offers.
class StackModule {
public:
    virtual StackOutcome Stack(std::vector<Image8> frames, StackProgress* progress) = 0;

protected:
    ~StackModule() = default;
};
inline constexpr const char* kStackModuleFile = "tavolux-opencv.so";
inline constexpr const char* kStackModuleEntry = "tavolux_stack_module";
// Loads the module at `path`; null with the reason.
StackModule* OpenStackModule(const std::string& path, std::string* why);

// The fewest frames worth stacking.
constexpr int kMinStackFrames = 2;

} // namespace tvx

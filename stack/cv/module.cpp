#include "stack/cv/focus_stack.h"

#include <cstring>

namespace tvx {

namespace {

class Module final : public StackModule {
public:
    StackOutcome Stack(std::vector<Image8> frames, StackProgress* progress) override {
        return FocusStack(std::move(frames), progress);
    }
};

} // namespace

} // namespace tvx

extern "C" __attribute__((visibility("default"))) void* tavolux_stack_module(const char* build) {
    // The interface is C++ without a stable layout: only the build it came
    // from may use it.
    if (!build || std::strcmp(build, TAVOLUX_STACK_BUILD) != 0) return nullptr;
    static tvx::Module module;
    return static_cast<tvx::StackModule*>(&module);
}

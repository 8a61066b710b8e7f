#include "stack/stacker.h"

#include "platform/program_module.h"

namespace tvx {

namespace {

struct Loaded {
    StackModule* module = nullptr;
    std::string why;
};

} // namespace

StackModule* OpenStackModule(const std::string& path, std::string* why) {
    return static_cast<StackModule*>(
        OpenProgramModule(path, kStackModuleEntry, TAVOLUX_STACK_BUILD, why));
}

StackOutcome StackFrames(std::vector<Image8> frames, StackProgress* progress) {
    if (int(frames.size()) < kMinStackFrames) {
        StackOutcome out;
        out.status = StackOutcome::Status::TooFewFrames;
        return out;
    }
    static const Loaded loaded = [] {
        Loaded out;
        out.module =
            OpenStackModule(ProgramModulePath(kStackModuleFile, "TAVOLUX_STACK_MODULE"), &out.why);
        return out;
    }();
    if (!loaded.module) {
        StackOutcome out;
        out.reason = "the focus stacking module could not be loaded: " + loaded.why;
        return out;
    }
    return loaded.module->Stack(std::move(frames), progress);
}

} // namespace tvx

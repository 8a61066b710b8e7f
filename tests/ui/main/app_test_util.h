#pragma once

#include "capture/capture_engine.h"
#include "capture/device_source.h"
#include "tests/support/wait.h"

namespace tvx::test {

// A machine without any camera.
class NoDevices : public DeviceProvider {
public:
    bool Start() override { return true; }
    std::vector<std::shared_ptr<CaptureDevice>> Devices() override { return {}; }
};

inline std::unique_ptr<CaptureEngine> EngineWithoutCamera() {
    return std::make_unique<CaptureEngine>(std::vector<DeviceProvider*>{new NoDevices});
}

} // namespace tvx::test

#pragma once

namespace tvx {

// What the main window asks of the video recorder. The recording dialog
// and the AVI writer implement it; tests use a fake.
class RecorderControl {
public:
    virtual ~RecorderControl() = default;
    // The AVI button and menu command: start with the recorder dialog, or
    // stop when a recording runs. Answers whether a recording runs after.
    virtual bool ToggleWithDialog() = 0;
    // F3: start at once without a time limit. Answers whether it started.
    virtual bool StartUnlimited() = 0;
    // F4, the time limit, the Preview command: stop and close the file.
    virtual void Stop() = 0;
    // Seconds recorded so far, for the counter under the picture.
    virtual int ElapsedSeconds() const = 0;
};

} // namespace tvx

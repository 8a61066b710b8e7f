#pragma once

#include "platform/device_presence.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace tvx {

// The microscope's snapshot button. The kernel makes an input device for it
// that shares the USB parent of the video device and reports KEY_CAMERA;
// it is read without blocking, so polling never stalls the window.
// Lives on the UI thread.
class SnapshotButton {
public:
    SnapshotButton() = default;
    ~SnapshotButton();
    SnapshotButton(const SnapshotButton&) = delete;
    SnapshotButton& operator=(const SnapshotButton&) = delete;

    // Opens the button of the microscope (or of the simulated microscope
    // when one hands out its button). 1 on success, 0 when there is none or
    // it cannot be opened.
    int OpenInterface();
    // 1 when a press arrived that no earlier call has reported: each press
    // is reported exactly once. 0 otherwise, also when not open.
    int IsButtonPressed();
    void CloseInterface();

    // Presses read but not yet reported.
    int PendingPresses() const { return pendingPresses_; }
    // Presses that will never be reported: those beyond kMaxPendingPresses,
    // and those still pending when the button was closed or went away. The
    // count starts again after each call.
    int TakeDroppedPresses();

    // Reads events from an already open descriptor (made non-blocking here);
    // the object owns it from now on. 1 on success.
    int OpenDescriptor(int fd);
    bool IsOpen() const { return fd_ >= 0; }

private:
    void ReadPending();

    int fd_ = -1;
    QByteArray partial_; // bytes of an event record not yet complete
    int pendingPresses_ = 0;
    int droppedPresses_ = 0;
};

// KEY_CAMERA on Linux.
constexpr int kKeyCamera = 212;
// Presses kept while nobody polls; more are dropped rather than turned into
// a long run of stills later.
constexpr int kMaxPendingPresses = 8;

// Writes one press and release of KEY_CAMERA as input-event records, as a
// button's input device reports them; false when `fd` does not take them
// all (the reader has gone).
bool WriteKeyCameraPress(int fd);

// The simulated microscope registers a function that answers a fresh
// readable descriptor carrying input-event records (or -1); while one is
// registered, OpenInterface uses it instead of looking for real hardware.
// An empty function removes it. Called on the UI thread.
void SetSimulatedButtonSource(std::function<int()> opener);

// Device node (/dev/input/eventN) of the input device reporting KEY_CAMERA
// that hangs below the USB device `id`; empty when there is none.
QString FindButtonInputNode(UsbId id);

// The same for the camera whose video device node is `videoNode`
// (/dev/videoN): the input device that shares its USB device, as the uvcvideo
// driver makes it for a camera's snapshot button.
QString FindButtonInputNodeBeside(const QString& videoNode);
// A non-blocking descriptor of a button's input device node; -1 when there
// is none or it cannot be opened (the udev rule grants access).
int OpenButtonNode(const QString& node);

// Whether a sysfs key-capability mask ("capabilities/key": hex words, the
// most significant first, each as wide as a C long) has bit `code` set.
bool KeyBitmaskHas(const QByteArray& mask, int code);

} // namespace tvx

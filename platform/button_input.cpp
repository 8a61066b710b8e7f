#include "platform/button_input.h"

#include "platform/udev_handle.h"

#include <QList>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <linux/input.h>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

namespace {

std::mutex g_simMutex;
std::function<int()> g_simOpener; // written on the UI thread under g_simMutex

// The microscope's id; the button object only ever looks for this device.
constexpr UsbId kMicroscopeUsbId{0x14c3, 0x2301};

} // namespace

void SetSimulatedButtonSource(std::function<int()> opener) {
    std::lock_guard<std::mutex> lock(g_simMutex);
    g_simOpener = std::move(opener);
}

bool KeyBitmaskHas(const QByteArray& mask, int code) {
    if (code < 0) return false;
    const QList<QByteArray> words = mask.trimmed().split(' ');
    constexpr int kWordBits = int(sizeof(long) * CHAR_BIT);
    const int wordFromEnd = code / kWordBits;
    if (wordFromEnd >= words.size()) return false;
    bool ok = false;
    const qulonglong word = words[words.size() - 1 - wordFromEnd].toULongLong(&ok, 16);
    return ok && ((word >> (code % kWordBits)) & 1u);
}

namespace {

// The first KEY_CAMERA input device whose USB device `usbMatches`.
QString FindButtonInputNodeWhere(const std::function<bool(udev_device*)>& usbMatches) {
    UdevPtr u(udev_new());
    if (!u) return {};
    UdevEnumeratePtr e(udev_enumerate_new(u.get()));
    if (!e) return {};
    udev_enumerate_add_match_subsystem(e.get(), "input");
    udev_enumerate_add_match_sysname(e.get(), "event*");
    if (udev_enumerate_scan_devices(e.get()) < 0) return {};
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        UdevDevicePtr dev(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!dev || !udev_device_get_devnode(dev.get())) continue;
        // Parents belong to their child and are not unreferenced.
        udev_device* input =
            udev_device_get_parent_with_subsystem_devtype(dev.get(), "input", nullptr);
        udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
        if (!input || !usb || !usbMatches(usb)) continue;
        const char* keys = udev_device_get_sysattr_value(input, "capabilities/key");
        if (keys && KeyBitmaskHas(QByteArray(keys), kKeyCamera))
            return QString::fromLocal8Bit(udev_device_get_devnode(dev.get()));
    }
    return {};
}

} // namespace

QString FindButtonInputNode(UsbId id) {
    return FindButtonInputNodeWhere([id](udev_device* usb) {
        const char* vendor = udev_device_get_sysattr_value(usb, "idVendor");
        const char* product = udev_device_get_sysattr_value(usb, "idProduct");
        return vendor && product &&
               QString::fromLatin1(vendor).toUShort(nullptr, 16) == id.vendor &&
               QString::fromLatin1(product).toUShort(nullptr, 16) == id.product;
    });
}

QString FindButtonInputNodeBeside(const QString& videoNode) {
    struct stat st {};
    if (::stat(videoNode.toLocal8Bit().constData(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
    UdevPtr u(udev_new());
    if (!u) return {};
    UdevDevicePtr video(udev_device_new_from_devnum(u.get(), 'c', st.st_rdev));
    udev_device* parent =
        video ? udev_device_get_parent_with_subsystem_devtype(video.get(), "usb", "usb_device")
              : nullptr;
    if (!parent) return {};
    const QByteArray parentPath(udev_device_get_syspath(parent));
    return FindButtonInputNodeWhere(
        [&](udev_device* usb) { return parentPath == udev_device_get_syspath(usb); });
}

int OpenButtonNode(const QString& node) {
    if (node.isEmpty()) return -1;
    return ::open(node.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

SnapshotButton::~SnapshotButton() {
    CloseInterface();
}

int SnapshotButton::OpenInterface() {
    CloseInterface();
    std::function<int()> opener;
    {
        std::lock_guard<std::mutex> lock(g_simMutex);
        opener = g_simOpener;
    }
    if (opener) return OpenDescriptor(opener());
    return OpenDescriptor(OpenButtonNode(FindButtonInputNode(kMicroscopeUsbId)));
}

int SnapshotButton::OpenDescriptor(int fd) {
    CloseInterface();
    if (fd < 0) return 0;
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        ::close(fd);
        return 0;
    }
    fd_ = fd;
    return 1;
}

void SnapshotButton::CloseInterface() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    partial_.clear();
    // A press read just before the device went away is lost, but not unseen.
    droppedPresses_ += pendingPresses_;
    pendingPresses_ = 0;
}

int SnapshotButton::TakeDroppedPresses() {
    const int n = droppedPresses_;
    droppedPresses_ = 0;
    return n;
}

void SnapshotButton::ReadPending() {
    constexpr int kRecord = int(sizeof(input_event));
    char buf[64 * sizeof(input_event)];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            // The device went away (ENODEV) or the writer closed: nothing
            // more will come; a later OpenInterface finds it again.
            CloseInterface();
            return;
        }
        partial_.append(buf, int(n));
        int used = 0;
        while (partial_.size() - used >= kRecord) {
            input_event ev;
            memcpy(&ev, partial_.constData() + used, sizeof ev);
            used += kRecord;
            // value 1 is the press itself; 0 (release) and 2 (repeat) are not.
            if (ev.type == EV_KEY && ev.code == kKeyCamera && ev.value == 1) {
                if (pendingPresses_ < kMaxPendingPresses)
                    ++pendingPresses_;
                else
                    ++droppedPresses_;
            }
        }
        partial_.remove(0, used);
    }
}

int SnapshotButton::IsButtonPressed() {
    if (fd_ < 0) return 0;
    ReadPending();
    if (pendingPresses_ == 0) return 0;
    --pendingPresses_;
    return 1;
}

bool WriteKeyCameraPress(int fd) {
    if (fd < 0) return false;
    input_event ev[4] = {};
    ev[0].type = EV_KEY, ev[0].code = kKeyCamera, ev[0].value = 1;
    ev[1].type = EV_SYN, ev[1].code = SYN_REPORT;
    ev[2].type = EV_KEY, ev[2].code = kKeyCamera, ev[2].value = 0;
    ev[3].type = EV_SYN, ev[3].code = SYN_REPORT;
    // MSG_NOSIGNAL: a reader that has gone away must not end the program.
    return ::send(fd, ev, sizeof ev, MSG_NOSIGNAL) == ssize_t(sizeof ev);
}

} // namespace tvx

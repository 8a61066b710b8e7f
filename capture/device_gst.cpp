#include "capture/device_gst.h"

#include "platform/button_input.h"
#include "platform/device_presence.h"
#include "platform/gst_bus_observer.h"

#include <QLoggingCategory>

namespace tvx {

Q_LOGGING_CATEGORY(lcDevices, "tavolux.devices")

namespace {

QString StructString(const GstStructure* s, const char* field) {
    const gchar* v = s ? gst_structure_get_string(s, field) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

} // namespace

bool EnsureGStreamer() {
    static const bool ok = gst_init_check(nullptr, nullptr, nullptr);
    return ok;
}

GstCaps* CaptureDevice::OfferedCaps(GstElement* source) {
    if (!source) return nullptr;
    const GstUnique<GstPad> pad(kAdopt, gst_element_get_static_pad(source, "src"));
    if (!pad) return nullptr;
    return gst_pad_query_caps(pad.get(), nullptr);
}

bool CaptureDevice::HasSnapshotButton() const {
    UsbId id;
    return ParseUsbId(DisplayName(), &id) && !FindButtonInputNode(id).isEmpty();
}

bool CaptureDevice::IsPresent() const {
    UsbId id;
    return ParseUsbId(DisplayName(), &id) && UsbDevicePresent(id);
}

QString V4l2DisplayName(const QString& devnode, const QString& usbId) {
    QString name = QStringLiteral("@device:v4l2:") + devnode;
    if (!usbId.isEmpty()) name += QLatin1Char(':') + usbId;
    return name;
}

V4l2CaptureDevice::V4l2CaptureDevice(GstDevice* device, QString devnode, QString displayName,
                                     QString friendlyName)
    : device_(kRef, device), devnode_(std::move(devnode)), displayName_(std::move(displayName)),
      friendlyName_(std::move(friendlyName)), identity_(UsbIdentityOfDeviceNode(devnode_)) {
    if (identity_.isEmpty()) identity_ = displayName_;
}

V4l2CaptureDevice::~V4l2CaptureDevice() = default;

GstElement* V4l2CaptureDevice::CreateSource() {
    return gst_device_create_element(device_.get(), "source");
}

GstCaps* V4l2CaptureDevice::OfferedCaps(GstElement* source) {
    // The open device answers what it can really do; the monitor's list is
    // the fallback when it cannot be asked.
    GstUnique<GstCaps> caps(kAdopt, CaptureDevice::OfferedCaps(source));
    if (caps && !gst_caps_is_any(caps.get()) && !gst_caps_is_empty(caps.get()))
        return caps.release();
    return gst_device_get_caps(device_.get());
}

bool V4l2CaptureDevice::HasSnapshotButton() const {
    return !FindButtonInputNodeBeside(devnode_).isEmpty();
}

int V4l2CaptureDevice::OpenButton() {
    return OpenButtonNode(FindButtonInputNodeBeside(devnode_));
}

std::unique_ptr<VideoProcAmp> V4l2CaptureDevice::CreateProcAmp(GstElement* /*source*/) {
    if (devnode_.isEmpty()) return nullptr;
    return std::make_unique<V4l2ProcAmp>(devnode_);
}

int V4l2CaptureDevice::GetTvFormat(int* format) {
    return V4l2GetTvFormat(devnode_, format);
}
int V4l2CaptureDevice::SetTvFormat(int format) {
    return V4l2SetTvFormat(devnode_, format);
}

GstDeviceProvider::GstDeviceProvider(QObject* parent) : DeviceProvider(parent) {}

GstDeviceProvider::~GstDeviceProvider() {
    bus_.reset();
    if (monitor_ && started_) gst_device_monitor_stop(monitor_.get());
}

bool GstDeviceProvider::Start() {
    if (started_) return true;
    if (!EnsureGStreamer()) return false;
    if (!monitor_) {
        monitor_.reset(kAdopt, gst_device_monitor_new());
        if (!monitor_) return false;
        gst_device_monitor_add_filter(monitor_.get(), "Video/Source", nullptr);
    }
    started_ = gst_device_monitor_start(monitor_.get());
    if (!started_) {
        qCInfo(lcDevices) << "the device monitor cannot start; no cameras will be listed";
        return false;
    }
    if (!bus_) {
        bus_ = std::make_unique<GstBusObserver>(
            GstShared<GstBus>(kAdopt, gst_device_monitor_get_bus(monitor_.get())));
        bus_->On(GstMessageType(GST_MESSAGE_DEVICE_ADDED | GST_MESSAGE_DEVICE_REMOVED),
                 [this](GstMessage* m) { OnDeviceMessage(m); });
    }
    return true;
}

std::shared_ptr<CaptureDevice> GstDeviceProvider::Wrap(GstDevice* device) {
    const std::unique_ptr<GstStructure, GstStructureDeleter> props(
        gst_device_get_properties(device));
    const QString api = StructString(props.get(), "device.api");
    QString node = StructString(props.get(), "api.v4l2.path");
    if (node.isEmpty()) node = StructString(props.get(), "device.path");
    const QString vendor = StructString(props.get(), "device.vendor.id");
    const QString product = StructString(props.get(), "device.product.id");
    if (api != QLatin1String("v4l2") || node.isEmpty()) return nullptr;

    QString usbId;
    bool okVendor = false, okProduct = false;
    const uint v = vendor.toUInt(&okVendor, 16);
    const uint p = product.toUInt(&okProduct, 16);
    UsbId id;
    if (okVendor && okProduct && v <= 0xffff && p <= 0xffff)
        usbId = FormatUsbId(UsbId{uint16_t(v), uint16_t(p)});
    else if (UsbIdOfDeviceNode(node, &id))
        usbId = FormatUsbId(id);

    const std::unique_ptr<gchar, GFreeDeleter> friendly(gst_device_get_display_name(device));
    const QString friendlyName = friendly ? QString::fromUtf8(friendly.get()) : node;
    return std::make_shared<V4l2CaptureDevice>(device, node, V4l2DisplayName(node, usbId),
                                               friendlyName);
}

std::vector<std::shared_ptr<CaptureDevice>> GstDeviceProvider::Devices() {
    std::vector<std::shared_ptr<CaptureDevice>> out;
    if (!started_) return out;
    GList* list = gst_device_monitor_get_devices(monitor_.get());
    for (GList* l = list; l; l = l->next) {
        const GstUnique<GstDevice> device(kAdopt, GST_DEVICE(l->data));
        if (auto d = Wrap(device.get())) out.push_back(std::move(d));
    }
    g_list_free(list); // the devices' references went with their handles
    return out;
}

void GstDeviceProvider::OnDeviceMessage(GstMessage* msg) {
    GstDevice* raw = nullptr;
    const bool added = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_ADDED;
    if (added)
        gst_message_parse_device_added(msg, &raw);
    else
        gst_message_parse_device_removed(msg, &raw);
    const GstUnique<GstDevice> device(kAdopt, raw);
    if (!device) return;
    const auto wrapped = Wrap(device.get());
    if (!wrapped) return; // not a camera this program uses
    const QString name = wrapped->DisplayName();
    qCInfo(lcDevices).noquote() << (added ? "camera arrived:" : "camera left:") << name;
    if (added)
        emit arrived(name);
    else
        emit removed(name);
}

} // namespace tvx

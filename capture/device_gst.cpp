#include "capture/device_gst.h"

#include "platform/device_presence.h"

namespace tvx {

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
    GstPad* pad = gst_element_get_static_pad(source, "src");
    if (!pad) return nullptr;
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    gst_object_unref(pad);
    return caps;
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
    : device_(GST_DEVICE(gst_object_ref(device))), devnode_(std::move(devnode)),
      displayName_(std::move(displayName)), friendlyName_(std::move(friendlyName)) {}

V4l2CaptureDevice::~V4l2CaptureDevice() {
    gst_object_unref(device_);
}

GstElement* V4l2CaptureDevice::CreateSource() {
    return gst_device_create_element(device_, "source");
}

GstCaps* V4l2CaptureDevice::OfferedCaps(GstElement* source) {
    // The open device answers what it can really do; the monitor's list is
    // the fallback when it cannot be asked.
    GstCaps* caps = CaptureDevice::OfferedCaps(source);
    if (caps && !gst_caps_is_any(caps) && !gst_caps_is_empty(caps)) return caps;
    if (caps) gst_caps_unref(caps);
    return gst_device_get_caps(device_);
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

GstDeviceProvider::GstDeviceProvider(QObject* parent) : DeviceProvider(parent) {
    busTimer_.setInterval(200);
    connect(&busTimer_, &QTimer::timeout, this, &GstDeviceProvider::PollBus);
}

GstDeviceProvider::~GstDeviceProvider() {
    busTimer_.stop();
    if (monitor_) {
        if (started_) gst_device_monitor_stop(monitor_);
        gst_object_unref(monitor_);
    }
}

bool GstDeviceProvider::Start() {
    if (started_) return true;
    if (!EnsureGStreamer()) return false;
    if (!monitor_) {
        monitor_ = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor_, "Video/Source", nullptr);
    }
    started_ = gst_device_monitor_start(monitor_);
    if (started_) busTimer_.start();
    return started_;
}

std::shared_ptr<CaptureDevice> GstDeviceProvider::Wrap(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    const QString api = StructString(props, "device.api");
    QString node = StructString(props, "api.v4l2.path");
    if (node.isEmpty()) node = StructString(props, "device.path");
    const QString vendor = StructString(props, "device.vendor.id");
    const QString product = StructString(props, "device.product.id");
    if (props) gst_structure_free(props);
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

    gchar* friendly = gst_device_get_display_name(device);
    const QString friendlyName = friendly ? QString::fromUtf8(friendly) : node;
    g_free(friendly);
    return std::make_shared<V4l2CaptureDevice>(device, node, V4l2DisplayName(node, usbId),
                                               friendlyName);
}

std::vector<std::shared_ptr<CaptureDevice>> GstDeviceProvider::Devices() {
    std::vector<std::shared_ptr<CaptureDevice>> out;
    if (!started_) return out;
    GList* list = gst_device_monitor_get_devices(monitor_);
    for (GList* l = list; l; l = l->next)
        if (auto d = Wrap(GST_DEVICE(l->data))) out.push_back(std::move(d));
    g_list_free_full(list, gst_object_unref);
    return out;
}

void GstDeviceProvider::PollBus() {
    if (!monitor_) return;
    GstBus* bus = gst_device_monitor_get_bus(monitor_);
    while (GstMessage* msg = gst_bus_pop_filtered(
               bus, GstMessageType(GST_MESSAGE_DEVICE_ADDED | GST_MESSAGE_DEVICE_REMOVED))) {
        GstDevice* device = nullptr;
        const bool added = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_DEVICE_ADDED;
        if (added)
            gst_message_parse_device_added(msg, &device);
        else
            gst_message_parse_device_removed(msg, &device);
        QString name;
        if (device) {
            if (auto wrapped = Wrap(device)) name = wrapped->DisplayName();
            gst_object_unref(device);
        }
        gst_message_unref(msg);
        if (name.isEmpty()) continue; // not a camera this program uses
        if (added)
            emit arrived(name);
        else
            emit removed(name);
    }
    gst_object_unref(bus);
}

} // namespace tvx

#include "platform/gst_bus_observer.h"

#include <QSocketNotifier>
#include <memory>

namespace tvx {

GstBusObserver::GstBusObserver(GstShared<GstBus> bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    if (!bus_) return;
    GPollFD fd{};
    fd.fd = -1;
    gst_bus_get_pollfd(bus_.get(), &fd);
    if (fd.fd < 0) return;
    notifier_ = new QSocketNotifier(qintptr(fd.fd), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ProcessPending(); });
}

GstBusObserver::~GstBusObserver() {
    *alive_ = false;
    // The notifier goes before the bus reference that keeps its descriptor open.
    delete notifier_;
    notifier_ = nullptr;
}

void GstBusObserver::On(GstMessageType types, Handler handler) {
    handlers_.push_back(Entry{types, std::move(handler)});
}

int GstBusObserver::ProcessPending() {
    if (!bus_) return 0;
    const std::shared_ptr<bool> alive = alive_;
    int count = 0;
    while (*alive) {
        GstUnique<GstMessage> msg = PopMessage(bus_.get());
        if (!msg) break;
        ++count;
        // Handlers may be added while dispatching; index, do not iterate.
        for (size_t i = 0; *alive && i < handlers_.size(); ++i)
            if (GST_MESSAGE_TYPE(msg.get()) & handlers_[i].types) {
                const Handler h = handlers_[i].handler; // survives the observer's end
                h(msg.get());
            }
    }
    return count;
}

void GstBusObserver::Close() {
    if (!bus_) return;
    delete notifier_;
    notifier_ = nullptr;
    gst_bus_set_flushing(bus_.get(), TRUE);
}

QString DescribeMessage(GstMessage* msg) {
    if (!msg) return QString();
    GError* raw = nullptr;
    gchar* rawDebug = nullptr;
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR:
        gst_message_parse_error(msg, &raw, &rawDebug);
        break;
    case GST_MESSAGE_WARNING:
        gst_message_parse_warning(msg, &raw, &rawDebug);
        break;
    case GST_MESSAGE_INFO:
        gst_message_parse_info(msg, &raw, &rawDebug);
        break;
    default:
        return QString::fromUtf8(GST_MESSAGE_TYPE_NAME(msg));
    }
    const std::unique_ptr<GError, GErrorDeleter> error(raw);
    const std::unique_ptr<gchar, GFreeDeleter> debug(rawDebug);
    QString text;
    if (GST_MESSAGE_SRC(msg))
        text = QString::fromUtf8(GST_MESSAGE_SRC_NAME(msg)) + QStringLiteral(": ");
    text += error && error->message ? QString::fromUtf8(error->message)
                                    : QStringLiteral("no description");
    if (debug && *debug)
        text += QStringLiteral(" (") + QString::fromUtf8(debug.get()) + QLatin1Char(')');
    return text;
}

bool DumpGraph(GstElement* bin, const char* name) {
    if (!bin || !GST_IS_BIN(bin) || qEnvironmentVariableIsEmpty("GST_DEBUG_DUMP_DOT_DIR"))
        return false;
    GST_DEBUG_BIN_TO_DOT_FILE_WITH_TS(GST_BIN(bin), GST_DEBUG_GRAPH_SHOW_ALL, name);
    return true;
}

} // namespace tvx

#pragma once

#include "platform/gst_handle.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace tvx {

// Reads a GStreamer bus on the UI thread: a socket notifier on the bus's
// poll descriptor wakes it when messages wait, and each popped message goes
// to the handlers registered for its type, then is released. Messages of a
// type nobody handles are released unread.
//
// Lives on the UI thread. A handler may destroy the observer; the messages
// still waiting are then left to the bus.
class GstBusObserver : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(GstMessage*)>;

    explicit GstBusObserver(GstShared<GstBus> bus, QObject* parent = nullptr);
    ~GstBusObserver() override;

    // Calls `handler` for every message whose type is in `types` (a mask),
    // in the order the handlers were added.
    void On(GstMessageType types, Handler handler);
    // Pops and dispatches everything waiting now; the number of messages.
    // The notifier does this by itself while the event loop runs.
    int ProcessPending();
    // Drops every waiting message and refuses new ones, for a bus whose
    // pipeline is about to go: a queued message holds its source, and the
    // source's pipeline holds the bus.
    void Close();

    GstBus* bus() const { return bus_.get(); }
    // False where the bus has no poll descriptor; ProcessPending still works.
    bool Notified() const { return notifier_ != nullptr; }

private:
    struct Entry {
        GstMessageType types;
        Handler handler;
    };

    GstShared<GstBus> bus_;
    std::vector<Entry> handlers_;
    QSocketNotifier* notifier_ = nullptr;
    // Cleared when the observer goes, so a dispatch loop can stop in time.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// "element: text (details)" for an error, warning or info message; the
// message's type name for any other.
QString DescribeMessage(GstMessage* msg);

// Writes the graph of `bin` to $GST_DEBUG_DUMP_DOT_DIR/<time>-<name>.dot when
// that variable is set; true when it was asked for.
bool DumpGraph(GstElement* bin, const char* name);

} // namespace tvx

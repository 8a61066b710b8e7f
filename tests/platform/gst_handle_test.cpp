// Reference counting of the GStreamer handles and the bus observer: who
// holds what after adopting, adding, moving, sharing and dispatching.
#include "platform/gst_bus_observer.h"
#include "platform/gst_handle.h"

#include <QCoreApplication>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

using namespace std::chrono_literals;

int Refs(gpointer object) {
    return int(G_OBJECT(object)->ref_count);
}

class GstHandles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr)); }
};

TEST_F(GstHandles, AdoptingSinksAFloatingObjectAndRefAddsOne) {
    GstElement* raw = gst_element_factory_make("identity", nullptr);
    ASSERT_TRUE(raw);
    ASSERT_TRUE(g_object_is_floating(raw));
    {
        GstUnique<GstElement> owner(kAdopt, raw);
        EXPECT_FALSE(g_object_is_floating(raw));
        EXPECT_EQ(Refs(raw), 1);
        {
            GstUnique<GstElement> second(kRef, raw);
            EXPECT_EQ(Refs(raw), 2);
            GstUnique<GstElement> moved(std::move(second));
            EXPECT_FALSE(second);
            EXPECT_EQ(Refs(raw), 2);
            moved = owner.ref();
            EXPECT_EQ(Refs(raw), 2); // the moved-over reference went
        }
        EXPECT_EQ(Refs(raw), 1);

        // A bin that takes an adopted element adds its own reference.
        GstUnique<GstElement> bin(kAdopt, gst_bin_new(nullptr));
        ASSERT_TRUE(gst_bin_add(GST_BIN(bin.get()), raw));
        EXPECT_EQ(Refs(raw), 2);
        g_object_ref(raw); // to watch it past the handle
        owner.reset();
        bin.reset();
        EXPECT_EQ(Refs(raw), 1);
        g_object_unref(raw);
    }

    // A borrowed floating element stays floating for the bin to sink.
    GstElement* loose = gst_element_factory_make("identity", nullptr);
    GstUnique<GstElement> watcher(kRef, loose);
    EXPECT_TRUE(g_object_is_floating(loose));
    GstUnique<GstElement> bin(kAdopt, gst_bin_new(nullptr));
    ASSERT_TRUE(gst_bin_add(GST_BIN(bin.get()), loose));
    EXPECT_EQ(Refs(loose), 2);
    bin.reset();
    EXPECT_EQ(Refs(loose), 1);
}

TEST_F(GstHandles, SharedCopiesAndMiniObjects) {
    GstUnique<GstCaps> caps(kAdopt, gst_caps_new_empty_simple("video/x-raw"));
    GstCaps* raw = caps.get();
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 1);
    {
        GstShared<GstCaps> a(kRef, raw);
        GstShared<GstCaps> b = a;
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 3);
        GstShared<GstCaps> c(std::move(b));
        EXPECT_FALSE(b);
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 3);
        c = GstShared<GstCaps>();
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 2);
        GstShared<GstCaps> fromUnique(caps.ref());
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 3);
    }
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(raw), 1);
    GstCaps* kept = caps.release();
    EXPECT_FALSE(caps);
    gst_caps_unref(kept);
}

GstMessage* ErrorFrom(GstElement* src, const char* text) {
    GError* err = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, text);
    GstMessage* m = gst_message_new_error(GST_OBJECT(src), err, "details");
    g_error_free(err);
    return m;
}

TEST_F(GstHandles, ObserverDispatchesByTypeAndReleasesEveryMessage) {
    GstShared<GstBus> bus(kAdopt, gst_bus_new());
    GstUnique<GstElement> src(kAdopt, gst_element_factory_make("identity", "camera"));
    GstBusObserver observer(bus);
    EXPECT_TRUE(observer.Notified());
    QStringList errors;
    int eos = 0;
    observer.On(GST_MESSAGE_ERROR, [&](GstMessage* m) { errors << DescribeMessage(m); });
    observer.On(GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR), [&](GstMessage* m) {
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS) ++eos;
    });

    gst_bus_post(bus.get(), ErrorFrom(src.get(), "gone"));
    gst_bus_post(bus.get(), gst_message_new_eos(GST_OBJECT(src.get())));
    gst_bus_post(bus.get(), gst_message_new_latency(GST_OBJECT(src.get()))); // nobody listens
    EXPECT_EQ(Refs(src.get()), 4); // each message holds its source

    // The notifier reads the bus once the event loop runs.
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (Refs(src.get()) > 1 && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(Refs(src.get()), 1);
    EXPECT_EQ(errors, QStringList{QStringLiteral("camera: gone (details)")});
    EXPECT_EQ(eos, 1);
    EXPECT_EQ(observer.ProcessPending(), 0);
}

TEST_F(GstHandles, ClosingDropsWhatWaitsAndAHandlerMayEndTheObserver) {
    GstShared<GstBus> bus(kAdopt, gst_bus_new());
    GstUnique<GstElement> src(kAdopt, gst_element_factory_make("identity", nullptr));
    {
        GstBusObserver observer(bus);
        gst_bus_post(bus.get(), gst_message_new_eos(GST_OBJECT(src.get())));
        EXPECT_EQ(Refs(src.get()), 2);
        observer.Close();
        EXPECT_EQ(Refs(src.get()), 1);
        // A closed bus takes nothing more.
        gst_bus_post(bus.get(), gst_message_new_eos(GST_OBJECT(src.get())));
        EXPECT_EQ(Refs(src.get()), 1);
    }
    gst_bus_set_flushing(bus.get(), FALSE);

    auto* observer = new GstBusObserver(bus);
    int calls = 0;
    observer->On(GST_MESSAGE_EOS, [&](GstMessage*) {
        ++calls;
        delete observer;
    });
    gst_bus_post(bus.get(), gst_message_new_eos(GST_OBJECT(src.get())));
    gst_bus_post(bus.get(), gst_message_new_eos(GST_OBJECT(src.get())));
    EXPECT_EQ(observer->ProcessPending(), 1);
    EXPECT_EQ(calls, 1);
    // The second message stays on the bus for its next reader.
    EXPECT_EQ(Refs(src.get()), 2);
    gst_bus_set_flushing(bus.get(), TRUE);
    EXPECT_EQ(Refs(src.get()), 1);
}

TEST_F(GstHandles, DescriptionsOfOtherMessagesAndNoDumpWithoutAFolder) {
    GstUnique<GstMessage> eos(kAdopt, gst_message_new_eos(nullptr));
    EXPECT_EQ(DescribeMessage(eos.get()), QStringLiteral("eos"));
    EXPECT_TRUE(DescribeMessage(nullptr).isEmpty());
    GstUnique<GstElement> pipeline(kAdopt, gst_pipeline_new(nullptr));
    if (qEnvironmentVariableIsEmpty("GST_DEBUG_DUMP_DOT_DIR")) {
        EXPECT_FALSE(DumpGraph(pipeline.get(), "test"));
    }
    EXPECT_FALSE(DumpGraph(nullptr, "test"));
}

} // namespace
} // namespace tvx

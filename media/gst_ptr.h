#pragma once

// Owning handles for the GStreamer objects the media library keeps. Each
// handle drops its one reference when it goes, so no path out of a function
// can leak or double-free an element, bus, message, sample or caps.
#include <gst/gst.h>
#include <memory>

namespace tvx::media_gst {

struct ObjectUnref {
    void operator()(gpointer p) const {
        if (p) gst_object_unref(p);
    }
};
struct MessageUnref {
    void operator()(GstMessage* m) const {
        if (m) gst_message_unref(m);
    }
};
struct SampleUnref {
    void operator()(GstSample* s) const {
        if (s) gst_sample_unref(s);
    }
};
struct CapsUnref {
    void operator()(GstCaps* c) const {
        if (c) gst_caps_unref(c);
    }
};

using ElementPtr = std::unique_ptr<GstElement, ObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, ObjectUnref>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;

// Takes a floating reference (as factories return) into ownership.
inline ElementPtr AdoptFloating(GstElement* e) {
    if (e) gst_object_ref_sink(e);
    return ElementPtr(e);
}

// GStreamer initialised once for the process; false when it cannot be.
bool Init();

} // namespace tvx::media_gst

#pragma once

// Owning handles for GStreamer's reference-counted objects.
//
// GStreamer hands out references in three flavours: a full reference the
// caller must drop (gst_caps_new_*, gst_bus_pop, gst_element_get_bus), a
// floating one that the first owner sinks (gst_element_factory_make, new
// pads and bins), and a borrowed pointer (gst_sample_get_caps,
// GST_MESSAGE_SRC). A handle is told which one it is given:
//
//   GstUnique<GstCaps> caps(kAdopt, gst_caps_new_empty());  // takes the reference
//   GstUnique<GstCaps> same(kRef, gst_sample_get_caps(s));  // adds one of its own
//
// Adopting a floating GstObject sinks it, so the handle always ends up with
// one full reference and a bin that later takes the element adds its own.

#include <gst/gst.h>
#include <type_traits>
#include <utility>

namespace tvx {

struct AdoptTag {
    explicit constexpr AdoptTag() = default;
};
struct RefTag {
    explicit constexpr RefTag() = default;
};
// The pointer carries a reference that the handle now owns.
inline constexpr AdoptTag kAdopt{};
// The pointer is borrowed: the handle takes a reference of its own.
inline constexpr RefTag kRef{};

// How a type is referenced and released. Specialised below for the
// GStreamer types this program keeps.
template <typename T, typename = void> struct GstRefTraits;

namespace detail {

// Every GstObject subtype starts with its GstObject, as C inheritance goes.
struct GstObjectTraits {
    static void Unref(void* p) { gst_object_unref(p); }
    static void Ref(void* p) { gst_object_ref(p); }
    // A floating reference becomes the handle's full one.
    static void Adopt(void* p) {
        if (g_object_is_floating(p)) gst_object_ref_sink(p);
    }
};

template <typename M> struct MiniObjectTraits {
    static void Unref(M* p) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
    static void Ref(M* p) { gst_mini_object_ref(GST_MINI_OBJECT_CAST(p)); }
    static void Adopt(M*) {}
};

} // namespace detail

#define TVX_GST_OBJECT_TRAITS(Type)                                                                \
    template <> struct GstRefTraits<Type> : detail::GstObjectTraits {}

TVX_GST_OBJECT_TRAITS(GstObject);
TVX_GST_OBJECT_TRAITS(GstElement);
TVX_GST_OBJECT_TRAITS(GstBin);
TVX_GST_OBJECT_TRAITS(GstPipeline);
TVX_GST_OBJECT_TRAITS(GstBus);
TVX_GST_OBJECT_TRAITS(GstPad);
TVX_GST_OBJECT_TRAITS(GstDevice);
TVX_GST_OBJECT_TRAITS(GstDeviceMonitor);
TVX_GST_OBJECT_TRAITS(GstClock);
#undef TVX_GST_OBJECT_TRAITS

template <> struct GstRefTraits<GstCaps> : detail::MiniObjectTraits<GstCaps> {};
template <> struct GstRefTraits<GstMessage> : detail::MiniObjectTraits<GstMessage> {};
template <> struct GstRefTraits<GstBuffer> : detail::MiniObjectTraits<GstBuffer> {};
template <> struct GstRefTraits<GstSample> : detail::MiniObjectTraits<GstSample> {};
template <> struct GstRefTraits<GstQuery> : detail::MiniObjectTraits<GstQuery> {};

// One reference, owned alone: moves, never copies.
template <typename T> class GstUnique {
    using Traits = GstRefTraits<T>;

public:
    GstUnique() = default;
    GstUnique(AdoptTag, T* p) : p_(p) {
        if (p_) Traits::Adopt(p_);
    }
    GstUnique(RefTag, T* p) : p_(p) {
        if (p_) Traits::Ref(p_);
    }
    GstUnique(GstUnique&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    GstUnique& operator=(GstUnique&& o) noexcept {
        GstUnique gone(std::move(o));
        std::swap(p_, gone.p_);
        return *this;
    }
    GstUnique(const GstUnique&) = delete;
    GstUnique& operator=(const GstUnique&) = delete;
    ~GstUnique() { reset(); }

    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Gives up the reference without dropping it.
    [[nodiscard]] T* release() { return std::exchange(p_, nullptr); }
    void reset() {
        if (T* old = std::exchange(p_, nullptr)) Traits::Unref(old);
    }
    void reset(AdoptTag, T* p) { *this = GstUnique(kAdopt, p); }
    void reset(RefTag, T* p) { *this = GstUnique(kRef, p); }
    // A new reference to the same object, for whoever needs to keep it too.
    GstUnique ref() const { return GstUnique(kRef, p_); }

    friend bool operator==(const GstUnique& a, const GstUnique& b) { return a.p_ == b.p_; }
    friend bool operator!=(const GstUnique& a, const GstUnique& b) { return a.p_ != b.p_; }

private:
    T* p_ = nullptr;
};

// One reference shared by every copy: copying adds a reference, the last
// copy to go drops it.
template <typename T> class GstShared {
    using Traits = GstRefTraits<T>;

public:
    GstShared() = default;
    GstShared(AdoptTag, T* p) : p_(p) {
        if (p_) Traits::Adopt(p_);
    }
    GstShared(RefTag, T* p) : p_(p) {
        if (p_) Traits::Ref(p_);
    }
    GstShared(GstUnique<T>&& u) : p_(u.release()) {} // NOLINT: a unique one may become shared
    GstShared(const GstShared& o) : GstShared(kRef, o.p_) {}
    GstShared(GstShared&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    GstShared& operator=(GstShared o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~GstShared() {
        if (p_) Traits::Unref(p_);
    }

    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() { GstShared().swap(*this); }
    void swap(GstShared& o) noexcept { std::swap(p_, o.p_); }

    friend bool operator==(const GstShared& a, const GstShared& b) { return a.p_ == b.p_; }
    friend bool operator!=(const GstShared& a, const GstShared& b) { return a.p_ != b.p_; }

private:
    T* p_ = nullptr;
};

// Small owners of things GStreamer hands out without reference counts.
struct GstStructureDeleter {
    void operator()(GstStructure* s) const { gst_structure_free(s); }
};
struct GErrorDeleter {
    void operator()(GError* e) const { g_error_free(e); }
};
struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

// The handles a bus gives: a popped message, the bus of an element.
inline GstUnique<GstMessage> PopMessage(GstBus* bus) {
    return GstUnique<GstMessage>(kAdopt, bus ? gst_bus_pop(bus) : nullptr);
}
inline GstShared<GstBus> BusOf(GstElement* element) {
    return GstShared<GstBus>(kAdopt, element ? gst_element_get_bus(element) : nullptr);
}

} // namespace tvx

#include "capture/format_choice.h"

#include <algorithm>

namespace tvx {

namespace {

double FractionValue(const GValue* v) {
    const int den = gst_value_get_fraction_denominator(v);
    return den > 0 ? double(gst_value_get_fraction_numerator(v)) / den : 0.0;
}

// The highest rate a framerate field allows: a fraction, a list of them or
// a range.
double MaxOf(const GValue* v) {
    if (!v) return 0.0;
    if (GST_VALUE_HOLDS_FRACTION(v)) return FractionValue(v);
    if (GST_VALUE_HOLDS_FRACTION_RANGE(v))
        return FractionValue(gst_value_get_fraction_range_max(v));
    if (GST_VALUE_HOLDS_LIST(v)) {
        double best = 0.0;
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            best = std::max(best, MaxOf(gst_value_list_get_value(v, i)));
        return best;
    }
    return 0.0;
}

void CollectRates(const GValue* v, std::vector<OfferedRate>& out) {
    if (!v) return;
    if (GST_VALUE_HOLDS_FRACTION(v)) {
        const OfferedRate r{gst_value_get_fraction_numerator(v),
                            gst_value_get_fraction_denominator(v)};
        if (r.num > 0 && r.den > 0) out.push_back(r);
    } else if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            CollectRates(gst_value_list_get_value(v, i), out);
    }
}

bool TakesSize(const GstStructure* s, int width, int height) {
    GstStructure* probe = gst_structure_new(gst_structure_get_name(s), "width", G_TYPE_INT, width,
                                            "height", G_TYPE_INT, height, nullptr);
    const bool ok = gst_structure_can_intersect(s, probe);
    gst_structure_free(probe);
    return ok;
}

} // namespace

double MaxFrameRate(const GstCaps* offered, const char* media, int width, int height) {
    if (!offered || gst_caps_is_any(offered)) return 0.0;
    double best = 0.0;
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        if (!gst_structure_has_name(s, media) || !TakesSize(s, width, height)) continue;
        best = std::max(best, MaxOf(gst_structure_get_value(s, "framerate")));
    }
    return best;
}

const char* PreferredMedia(const GstCaps* offered, int width, int height) {
    const double raw = MaxFrameRate(offered, "video/x-raw", width, height);
    const double jpeg = MaxFrameRate(offered, "image/jpeg", width, height);
    if (raw <= 0.0 || jpeg <= 0.0) return nullptr;
    if (raw < kSmoothFrameRate && jpeg > raw) return "image/jpeg";
    return "video/x-raw";
}

std::vector<OfferedRate> FrameRatesAt(const GstCaps* offered, int width, int height) {
    std::vector<OfferedRate> rates;
    if (!offered || gst_caps_is_any(offered)) return rates;
    const char* media = PreferredMedia(offered, width, height);
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        if ((media && !gst_structure_has_name(s, media)) || !TakesSize(s, width, height)) continue;
        CollectRates(gst_structure_get_value(s, "framerate"), rates);
    }
    std::stable_sort(rates.begin(), rates.end(), [](const OfferedRate& a, const OfferedRate& b) {
        return a.value() > b.value();
    });
    rates.erase(std::unique(rates.begin(), rates.end(),
                            [](const OfferedRate& a, const OfferedRate& b) {
                                return a.frameTime() == b.frameTime();
                            }),
                rates.end());
    return rates;
}

} // namespace tvx

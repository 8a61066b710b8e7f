#include "capture/jpeg_decoder.h"

#include "capture/device_source.h"
#include "platform/gst_handle.h"

#include <QLoggingCategory>
#include <QStringList>
#include <gst/gst.h>

namespace tvx {

Q_DECLARE_LOGGING_CATEGORY(lcCapture)

namespace {

bool HardwareDecoder(const QString& klass) {
    const QStringList parts = klass.split(QLatin1Char('/'));
    return parts.contains(QLatin1String("Codec")) && parts.contains(QLatin1String("Decoder")) &&
           (parts.contains(QLatin1String("Video")) || parts.contains(QLatin1String("Image"))) &&
           parts.contains(QLatin1String("Hardware"));
}

bool SinkTakesJpeg(GstElementFactory* factory, const GstCaps* jpeg) {
    for (const GList* t = gst_element_factory_get_static_pad_templates(factory); t; t = t->next) {
        auto* templ = static_cast<GstStaticPadTemplate*>(t->data);
        if (templ->direction != GST_PAD_SINK) continue;
        const GstUnique<GstCaps> caps(kAdopt, gst_static_pad_template_get_caps(templ));
        // A decoder that takes anything is no decoder of JPEG in particular.
        if (caps && !gst_caps_is_any(caps.get()) && gst_caps_can_intersect(caps.get(), jpeg))
            return true;
    }
    return false;
}

} // namespace

QString ChooseJpegDecoder(const std::vector<DecoderOffer>& offers) {
    const DecoderOffer* best = nullptr;
    for (const DecoderOffer& o : offers)
        if (o.takesJpeg && o.rank > 0 && HardwareDecoder(o.klass) && (!best || o.rank > best->rank))
            best = &o;
    return best ? best->name : QString::fromLatin1(kSoftwareJpegDecoder);
}

std::vector<DecoderOffer> RegisteredDecoders() {
    std::vector<DecoderOffer> offers;
    if (!EnsureGStreamer()) return offers;
    GList* factories =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_MARGINAL);
    const GstUnique<GstCaps> jpeg(kAdopt, gst_caps_new_empty_simple("image/jpeg"));
    for (const GList* f = factories; f; f = f->next) {
        auto* factory = static_cast<GstElementFactory*>(f->data);
        DecoderOffer o;
        o.name = QString::fromUtf8(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)));
        o.klass = QString::fromUtf8(
            gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS));
        o.rank = gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(factory));
        o.takesJpeg = SinkTakesJpeg(factory, jpeg.get());
        offers.push_back(o);
    }
    gst_plugin_feature_list_free(factories);
    return offers;
}

QString JpegDecoderName() {
    static const QString name = [] {
        const QString chosen = ChooseJpegDecoder(RegisteredDecoders());
        qCInfo(lcCapture).noquote() << QStringLiteral("JPEG frames are decoded by %1").arg(chosen);
        return chosen;
    }();
    return name;
}

} // namespace tvx

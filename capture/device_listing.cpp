#include "capture/device_listing.h"

#include "platform/gst_handle.h"

#include <QStringList>

namespace tvx {

namespace {

QString ValueText(const GValue* v) {
    if (!v) return QStringLiteral("?");
    if (G_VALUE_HOLDS_INT(v)) return QString::number(g_value_get_int(v));
    if (G_VALUE_HOLDS_STRING(v)) return QString::fromUtf8(g_value_get_string(v));
    if (GST_VALUE_HOLDS_FRACTION(v)) {
        const int num = gst_value_get_fraction_numerator(v);
        const int den = gst_value_get_fraction_denominator(v);
        return den == 1 ? QString::number(num)
                        : QString::number(den ? double(num) / den : 0.0, 'g', 4);
    }
    if (GST_VALUE_HOLDS_LIST(v)) {
        QStringList parts;
        for (guint i = 0; i < gst_value_list_get_size(v); ++i)
            parts << ValueText(gst_value_list_get_value(v, i));
        return parts.join(QStringLiteral(", "));
    }
    const std::unique_ptr<gchar, GFreeDeleter> text(gst_value_serialize(v));
    return text ? QString::fromUtf8(text.get()) : QStringLiteral("?");
}

QString FourCCOf(const GstStructure* s) {
    if (gst_structure_has_name(s, "image/jpeg")) return QStringLiteral("MJPG");
    if (const GValue* format = gst_structure_get_value(s, "format")) return ValueText(format);
    return QString::fromUtf8(gst_structure_get_name(s));
}

} // namespace

QStringList FormatLines(const GstCaps* caps) {
    QStringList lines;
    if (!caps) return lines;
    if (gst_caps_is_any(caps)) return {QStringLiteral("any format")};
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        QString line = FourCCOf(s) + QLatin1Char(' ') +
                       ValueText(gst_structure_get_value(s, "width")) + QLatin1Char('x') +
                       ValueText(gst_structure_get_value(s, "height"));
        if (const GValue* rate = gst_structure_get_value(s, "framerate"))
            line += QStringLiteral(" @ ") + ValueText(rate);
        lines << line;
    }
    return lines;
}

QString DeviceListing(const std::vector<DeviceProvider*>& providers) {
    QString out;
    int count = 0;
    for (DeviceProvider* p : providers) {
        if (!p || !p->Start()) continue;
        for (const auto& device : p->Devices()) {
            if (!device) continue;
            ++count;
            out += device->FriendlyName() + QLatin1Char('\n');
            out += QStringLiteral("  identity: ") + device->Identity() + QLatin1Char('\n');
            out += QStringLiteral("  snapshot button: ") +
                   (device->HasSnapshotButton() ? QStringLiteral("found")
                                                : QStringLiteral("not found")) +
                   QLatin1Char('\n');
            const GstUnique<GstCaps> caps(kAdopt, device->OfferedCaps(nullptr));
            const QStringList formats = FormatLines(caps.get());
            if (formats.isEmpty()) out += QStringLiteral("  formats: unknown until opened\n");
            for (const QString& f : formats)
                out += QStringLiteral("  ") + f + QLatin1Char('\n');
        }
    }
    if (count == 0) out = QStringLiteral("No video-capture device found.\n");
    return out;
}

} // namespace tvx

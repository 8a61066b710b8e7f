#include "platform/sounds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUrl>
#include <gst/gst.h>

namespace tvx {

namespace {

// Touched on the UI thread only.
QHash<int, GstElement*> g_players;
QHash<int, int> g_requested;

// GStreamer cannot read Qt resources, so such a sound is copied to the cache once.
QString playableFile(const QString& file) {
    if (!file.startsWith(QLatin1Char(':'))) return QFileInfo::exists(file) ? file : QString();
    QFile source(file);
    if (!source.exists()) return QString();
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/sounds");
    QDir().mkpath(cache);
    const QString target = cache + QLatin1Char('/') + QFileInfo(file).fileName();
    if (QFileInfo(target).size() == source.size()) return target;
    QFile::remove(target);
    return QFile::copy(file, target) ? target : QString();
}

GstElement* playerFor(int id, const QString& source) {
    if (GstElement* p = g_players.value(id)) return p;
    const QString file = playableFile(source);
    if (file.isEmpty()) return nullptr;
    if (!gst_is_initialized()) gst_init(nullptr, nullptr);
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) return nullptr;
    // A sound never needs a video window.
    g_object_set(playbin, "uri", QUrl::fromLocalFile(file).toEncoded().constData(), "flags", 0x2,
                 nullptr);
    g_players.insert(id, playbin);
    return playbin;
}

} // namespace

void PlaySound(int id, const QString& file) {
    ++g_requested[id];
    if (qEnvironmentVariableIsSet("TAVOLUX_MUTE")) return;
    GstElement* player = playerFor(id, file);
    if (!player) return;
    // Rewinding through NULL restarts a sound that is still playing.
    gst_element_set_state(player, GST_STATE_NULL);
    gst_element_set_state(player, GST_STATE_PLAYING);
}

int SoundsRequested(int id) {
    return g_requested.value(id);
}

} // namespace tvx

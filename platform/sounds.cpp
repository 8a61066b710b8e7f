#include "platform/sounds.h"

#include "platform/gst_bus_observer.h"
#include "platform/gst_handle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QUrl>
#include <atomic>
#include <memory>

namespace tvx {

Q_LOGGING_CATEGORY(lcSound, "tavolux.sound")

namespace {

// Counted down by GStreamer's threads when a playbin is finalized.
std::atomic<int> g_alive{0};

// One playing sound: the playbin and the reader of its bus.
struct Player {
    GstUnique<GstElement> playbin;
    std::unique_ptr<GstBusObserver> bus;

    ~Player() {
        if (!playbin) return;
        // NULL joins the streaming threads; then no message can arrive.
        gst_element_set_state(playbin.get(), GST_STATE_NULL);
        if (bus) bus->Close();
        bus.reset();
    }
};

// Touched on the UI thread only.
QHash<int, std::shared_ptr<Player>> g_players;
QHash<int, int> g_requested;
bool g_postRoutine = false;

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

// Releases the player of `id` if it is still `which`: a later request may
// have replaced it already.
void releaseLater(int id, const std::weak_ptr<Player>& which) {
    // Not from inside the player's own bus dispatch: the release deletes it.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [id, which] {
            const std::shared_ptr<Player> p = which.lock();
            if (p && g_players.value(id) == p) g_players.remove(id);
        },
        Qt::QueuedConnection);
}

std::shared_ptr<Player> makePlayer(int id, const QString& source) {
    const QString file = playableFile(source);
    if (file.isEmpty()) {
        qCDebug(lcSound).noquote() << "sound" << id << "has no file:" << source;
        return nullptr;
    }
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) {
        qCInfo(lcSound) << "GStreamer cannot start; sounds are silent";
        return nullptr;
    }
    auto player = std::make_shared<Player>();
    player->playbin.reset(kAdopt, gst_element_factory_make("playbin", nullptr));
    if (!player->playbin) {
        qCInfo(lcSound) << "no playbin; sounds are silent";
        return nullptr;
    }
    g_alive.fetch_add(1);
    g_object_weak_ref(
        G_OBJECT(player->playbin.get()), [](gpointer, GObject*) { g_alive.fetch_sub(1); }, nullptr);
    // A sound never needs a video window.
    g_object_set(player->playbin.get(), "uri", QUrl::fromLocalFile(file).toEncoded().constData(),
                 "flags", 0x2, nullptr);

    if (QCoreApplication::instance()) {
        player->bus = std::make_unique<GstBusObserver>(BusOf(player->playbin.get()));
        const std::weak_ptr<Player> weak = player;
        player->bus->On(GST_MESSAGE_EOS, [id, weak](GstMessage*) { releaseLater(id, weak); });
        player->bus->On(GST_MESSAGE_ERROR, [id, weak](GstMessage* m) {
            qCInfo(lcSound).noquote() << "sound" << id << "failed:" << DescribeMessage(m);
            releaseLater(id, weak);
        });
        if (!g_postRoutine) {
            // The players must go before GStreamer and the application do.
            qAddPostRoutine(ReleaseSounds);
            g_postRoutine = true;
        }
    }
    return player;
}

} // namespace

void PlaySound(int id, const QString& file) {
    ++g_requested[id];
    if (qEnvironmentVariableIsSet("TAVOLUX_MUTE")) return;
    // A sound asked for again starts over: the old player goes.
    g_players.remove(id);
    std::shared_ptr<Player> player = makePlayer(id, file);
    if (!player) return;
    if (gst_element_set_state(player->playbin.get(), GST_STATE_PLAYING) ==
        GST_STATE_CHANGE_FAILURE) {
        qCInfo(lcSound) << "sound" << id << "cannot play";
        return; // released here
    }
    g_players.insert(id, std::move(player));
}

void ReleaseSounds() {
    // Destroy outside the hash: a player's end may touch it.
    QHash<int, std::shared_ptr<Player>> gone;
    gone.swap(g_players);
    gone.clear();
}

int SoundsRequested(int id) {
    return g_requested.value(id);
}

int SoundPlayersAlive() {
    return g_alive.load();
}

} // namespace tvx

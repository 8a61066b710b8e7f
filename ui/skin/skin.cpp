#include "ui/skin/skin.h"

#include "platform/sounds.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace tvx {
namespace {

struct Entry {
    int number;
    const char* file; // relative to the skin root
};

// Up pictures of the buttons carry the smaller number of their pair in the
// effect and measuring rows, the larger one nowhere else; the file name says
// which is which by its number.
constexpr Entry kPictures[] = {
    {kPicAppIcon, "icons/app_128.svg"},
    {kPicBackground, "skin/background.svg"},
    {kPicTabVideos, "skin/tab_videos_146.svg"},
    {kPicTabPictures, "skin/tab_pictures_147.svg"},
    {kPicSecondsPlate, "skin/plate_seconds_149.svg"},
    {kPicResolutionPlate, "skin/plate_resolution_243.svg"},
    {kPicListPictures, "skin/list_pictures_144.svg"},
    {kPicListVideos, "skin/list_videos_148.svg"},
    // toolbar: up, down
    {150, "icons/btn_camera_150.svg"},
    {350, "icons/btn_camera_350.svg"},
    {151, "icons/btn_record_151.svg"},
    {351, "icons/btn_record_351.svg"},
    {152, "icons/btn_timelapse_152.svg"},
    {352, "icons/btn_timelapse_352.svg"},
    {153, "icons/btn_save_153.svg"},
    {353, "icons/btn_save_353.svg"},
    {154, "icons/btn_email_154.svg"},
    {354, "icons/btn_email_354.svg"},
    {155, "icons/btn_preview_155.svg"},
    {355, "icons/btn_preview_355.svg"},
    {156, "icons/btn_setting_156.svg"},
    {356, "icons/btn_setting_356.svg"},
    {157, "icons/btn_stack_157.svg"},
    {357, "icons/btn_stack_357.svg"},
    // effects: down, up
    {282, "icons/fx_green_282.svg"},
    {283, "icons/fx_green_283.svg"},
    {286, "icons/fx_hmirror_286.svg"},
    {287, "icons/fx_hmirror_287.svg"},
    {288, "icons/fx_vmirror_288.svg"},
    {289, "icons/fx_vmirror_289.svg"},
    {290, "icons/fx_negative_290.svg"},
    {291, "icons/fx_negative_291.svg"},
    {292, "icons/fx_binary_292.svg"},
    {293, "icons/fx_binary_293.svg"},
    {294, "icons/fx_red_294.svg"},
    {295, "icons/fx_red_295.svg"},
    {300, "icons/fx_blue_300.svg"},
    {301, "icons/fx_blue_301.svg"},
    // the measuring row's menu button: down, up (the tools' own faces are
    // found by their numbers, see SkinPath)
    {324, "icons/ms_more_324.svg"},
    {325, "icons/ms_more_325.svg"},
    // items of the live view's menu
    {249, "icons/menu_item_249.svg"},
};

constexpr Entry kSounds[] = {
    {kSoundRecordStart, "sounds/sound_180_start.wav"},
    {kSoundShutter, "sounds/sound_181_shutter.wav"},
    {kSoundRecordStop, "sounds/sound_182_stop.wav"},
};

// A skin root can point at a user's folder, so a picture's declared size is
// not trusted: anything beyond this is treated as damaged rather than
// allocated.
constexpr int kMaxSide = 4096;

QString& rootRef() {
    static QString root = QStringLiteral(":/");
    return root;
}

struct CacheKey {
    int number;
    int ratioPercent;
    bool operator==(const CacheKey& o) const {
        return number == o.number && ratioPercent == o.ratioPercent;
    }
};
size_t qHash(const CacheKey& k, size_t seed = 0) {
    return ::qHash(k.number, seed) ^ ::qHash(k.ratioPercent, seed + 1);
}

// Pixmaps live on the user-interface thread only, so the cache needs no lock.
QHash<CacheKey, QPixmap>& cache() {
    static QHash<CacheKey, QPixmap> c;
    return c;
}

template <size_t N> const char* lookup(const Entry (&table)[N], int number) {
    for (const Entry& e : table)
        if (e.number == number) return e.file;
    return nullptr;
}

QString join(const char* relative) {
    QString root = rootRef();
    if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
    return root + QLatin1String(relative);
}

bool sizeIsSane(QSize s) {
    return s.width() > 0 && s.height() > 0 && s.width() <= kMaxSide && s.height() <= kMaxSide;
}

} // namespace

void SetSkinRoot(const QString& root) {
    // First: pictures still being drawn ahead read the old root.
    ClearSkinCache();
    rootRef() = root.isEmpty() ? QStringLiteral(":/") : root;
}

QString SkinRoot() {
    return rootRef();
}

QString SkinPath(int number) {
    if (const char* file = lookup(kPictures, number)) return join(file);
    // Pictures the table does not name are found by the number ending their
    // file name: a measuring tool brings its button faces along as
    // icons/ms_<tool>_<number>.svg and needs no line here.
    const QStringList found =
        QDir(join("icons"))
            .entryList({QStringLiteral("*_%1.svg").arg(number)}, QDir::Files, QDir::Name);
    return found.isEmpty() ? QString() : join("icons/") + found.first();
}

QString SoundPath(int number) {
    const char* file = lookup(kSounds, number);
    return file ? join(file) : QString();
}

void PlaySkinSound(int number) {
    PlaySound(number, SoundPath(number));
}

std::vector<int> SkinNumbers() {
    std::vector<int> numbers;
    for (const Entry& e : kPictures)
        numbers.push_back(e.number);
    static const QRegularExpression numbered(QStringLiteral("_(\\d+)\\.svg$"));
    for (const QString& name :
         QDir(join("icons")).entryList({QStringLiteral("*.svg")}, QDir::Files)) {
        const QRegularExpressionMatch m = numbered.match(name);
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n > 0 && !lookup(kPictures, n)) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

QSize SkinSize(int number) {
    const QString path = SkinPath(number);
    if (path.isEmpty() || !QFileInfo::exists(path)) return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    const QSize size = renderer.defaultSize();
    return sizeIsSane(size) ? size : QSize();
}

QImage SkinImage(int number, qreal devicePixelRatio) {
    const QString path = SkinPath(number);
    if (path.isEmpty() || !QFileInfo::exists(path)) return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    const QSize size = renderer.defaultSize();
    if (!sizeIsSane(size)) return {};
    if (!std::isfinite(devicePixelRatio)) devicePixelRatio = 1.0;
    devicePixelRatio = std::clamp(devicePixelRatio, 0.5, 8.0);
    const QSize pixels(qRound(size.width() * devicePixelRatio),
                       qRound(size.height() * devicePixelRatio));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

namespace {

// Pictures rendered ahead on a thread of their own (PrepareSkinPixmaps),
// waiting to become pixmaps on the user-interface thread.
struct Prepared {
    std::mutex mutex;
    std::condition_variable rendered;
    std::set<std::pair<int, int>> pending; // number, ratio percent
    std::map<std::pair<int, int>, QImage> images;
    std::future<void> worker;
};

Prepared& prepared() {
    static Prepared p;
    return p;
}

// The picture rendered ahead for `key`, waiting for it when it is still to
// come; null when it was never asked for.
QImage TakePrepared(const CacheKey& key) {
    Prepared& p = prepared();
    const std::pair<int, int> k(key.number, key.ratioPercent);
    std::unique_lock<std::mutex> lock(p.mutex);
    p.rendered.wait(lock, [&] { return p.pending.count(k) == 0; });
    auto it = p.images.find(k);
    if (it == p.images.end()) return {};
    QImage image = std::move(it->second);
    p.images.erase(it);
    return image;
}

} // namespace

void PrepareSkinPixmaps(const std::vector<int>& numbers, qreal devicePixelRatio) {
    Prepared& p = prepared();
    if (p.worker.valid()) p.worker.wait();
    const int percent = qRound(devicePixelRatio * 100);
    std::vector<int> todo;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        for (int n : numbers) {
            const std::pair<int, int> k(n, percent);
            if (cache().contains(CacheKey{n, percent}) || p.images.count(k) ||
                !p.pending.insert(k).second)
                continue;
            todo.push_back(n);
        }
    }
    if (todo.empty()) return;
    p.worker = std::async(std::launch::async, [&p, todo, devicePixelRatio, percent] {
        for (int n : todo) {
            QImage image = SkinImage(n, devicePixelRatio);
            {
                std::lock_guard<std::mutex> lock(p.mutex);
                p.pending.erase({n, percent});
                p.images[{n, percent}] = std::move(image);
            }
            p.rendered.notify_all();
        }
    });
}

QPixmap SkinPixmap(int number, qreal devicePixelRatio) {
    const CacheKey key{number, qRound(devicePixelRatio * 100)};
    auto& c = cache();
    auto it = c.constFind(key);
    if (it != c.constEnd()) return *it;
    QImage image = TakePrepared(key);
    if (image.isNull()) image = SkinImage(number, devicePixelRatio);
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    // A missing picture is not cached: the skin root may be set afterwards.
    if (!pixmap.isNull()) c.insert(key, pixmap);
    return pixmap;
}

namespace {

// Parsed documents of the pictures drawn straight from their SVG.
std::map<int, std::unique_ptr<QSvgRenderer>>& renderers() {
    static std::map<int, std::unique_ptr<QSvgRenderer>> r;
    return r;
}

} // namespace

void PaintSkin(QPainter& painter, int number, const QPoint& at) {
    auto& r = renderers();
    auto it = r.find(number);
    if (it == r.end()) {
        const QString path = SkinPath(number);
        if (path.isEmpty() || !QFileInfo::exists(path)) return;
        auto renderer = std::make_unique<QSvgRenderer>(path);
        if (!renderer->isValid() || !sizeIsSane(renderer->defaultSize())) return;
        it = r.emplace(number, std::move(renderer)).first;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    it->second->render(&painter, QRectF(at, QSizeF(it->second->defaultSize())));
    painter.restore();
}

void ClearSkinCache() {
    Prepared& p = prepared();
    if (p.worker.valid()) p.worker.wait();
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.images.clear();
    }
    cache().clear();
    renderers().clear();
}

} // namespace tvx

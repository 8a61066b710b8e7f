#include "session/thumbnail_cache.h"

#include "imaging/thumbnail.h"
#include "media/first_frame.h"
#include "platform/file_name.h"

#include <QThread>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace tvx {

namespace {

// Thumbnails kept: about a thousand cells of the strip.
constexpr qint64 kCacheBytes = 24 * 1024 * 1024;
// Jobs waiting at most: a few screens of cells. Older requests are for cells
// scrolled away; they are asked for again if they come back.
constexpr size_t kMaxQueued = 64;

ThumbnailCache::Made MakeFromFile(const QString& path, ThumbnailCache::Kind kind, QSize cell,
                                  const std::atomic<bool>* stop) {
    // One picture area per worker thread, taken on its first job.
    thread_local ThumbnailRecord record;
    const LoadResult r = kind == ThumbnailCache::Kind::Picture
                             ? LoadThumbnailPicture(record, path, cell)
                             : LoadVideoFirstFrame(record, path, cell, stop);
    ThumbnailCache::Made made;
    if (r.status == LoadStatus::Vanished) made.vanished = true;
    if (!r.ok()) return made;
    const QImage full = record.ToImage();
    // The whole picture in the whole cell, aspect not kept, nearest pixel.
    if (!full.isNull())
        made.image = full.scaled(cell, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    record.Clear();
    return made;
}

} // namespace

ThumbnailCache::ThumbnailCache(QObject* parent)
    : QObject(parent), cell_(72, 73), maker_(MakeFromFile) {
    cache_.setMaxCost(kCacheBytes);
    // Two cores are shared with the capture: one decoder at a time unless
    // the machine has cores to spare.
    pool_.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
}

ThumbnailCache::~ThumbnailCache() {
    // No job may outlive the object it hands its result to, and none may
    // hold up the program's end: a decoding under way gives up.
    stopping_ = true;
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailCache::SetCellSize(QSize cell) {
    if (cell == cell_) return;
    cell_ = cell;
    cache_.clear();
    queue_.clear();
    ++generation_;
}

void ThumbnailCache::SetMaker(Maker maker) {
    maker_ = std::move(maker);
    cache_.clear();
    queue_.clear();
    ++generation_;
}

const ThumbnailCache::Thumb* ThumbnailCache::Find(const QString& path, Kind kind) {
    if (Entry* e = cache_.object(path)) {
        if (recheckMs_ >= 0 && e->checked.elapsed() >= recheckMs_) {
            e->checked.restart();
            Queue({path, kind, e->size, e->time});
        }
        return &e->thumb;
    }
    Queue({path, kind, -1, -1});
    return nullptr;
}

void ThumbnailCache::Forget(const QString& path) {
    cache_.remove(path);
}

void ThumbnailCache::Queue(Job job) {
    if (running_.contains(job.path)) return;
    const auto same = std::find_if(queue_.begin(), queue_.end(),
                                   [&](const Job& j) { return j.path == job.path; });
    if (same != queue_.end()) queue_.erase(same);
    queue_.push_back(std::move(job));
    if (queue_.size() > kMaxQueued) queue_.pop_front();
    Pump();
}

void ThumbnailCache::Pump() {
    while (!queue_.empty() && running_.size() < pool_.maxThreadCount()) {
        Job job = std::move(queue_.back());
        queue_.pop_back();
        running_.insert(job.path);
        // The worker gets copies only; its result comes back to this thread
        // as a queued call, which Qt drops if the cache is gone (and the
        // destructor waits for running jobs first).
        pool_.start(
            [this, job, cell = cell_, maker = maker_, generation = generation_, stop = &stopping_] {
                Outcome o = Work(job, cell, maker, stop);
                o.generation = generation;
                QMetaObject::invokeMethod(
                    this, [this, o] { Finish(o); }, Qt::QueuedConnection);
            });
    }
}

ThumbnailCache::Outcome ThumbnailCache::Work(const Job& job, QSize cell, const Maker& maker,
                                             const std::atomic<bool>* stop) {
    Outcome o;
    o.path = job.path;
    struct stat st {};
    if (::stat(NativeFileName(job.path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            o.what = Outcome::Vanished;
        } else {
            // Unreadable just now: its name stands in for the picture.
            o.thumb.failed = true;
        }
        return o;
    }
    o.size = qint64(st.st_size);
    o.time = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (o.size == job.knownSize && o.time == job.knownTime) {
        o.what = Outcome::Unchanged;
        return o;
    }
    const Made made = maker(job.path, job.kind, cell, stop);
    if (made.vanished) {
        o.what = Outcome::Vanished;
        return o;
    }
    o.thumb.image = made.image;
    o.thumb.failed = made.image.isNull();
    return o;
}

void ThumbnailCache::Finish(const Outcome& o) {
    running_.remove(o.path);
    if (o.generation == generation_) {
        switch (o.what) {
        case Outcome::Vanished:
            cache_.remove(o.path);
            emit vanished(o.path);
            break;
        case Outcome::Unchanged:
            break;
        case Outcome::Made: {
            auto* e = new Entry;
            e->thumb = o.thumb;
            e->size = o.size;
            e->time = o.time;
            e->checked.start();
            const qint64 bytes = std::max<qint64>(o.thumb.image.sizeInBytes(), 256);
            cache_.insert(o.path, e, bytes);
            emit ready(o.path);
            break;
        }
        }
    }
    Pump();
}

} // namespace tvx

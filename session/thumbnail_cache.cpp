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
    {
        const QMutexLocker lock(&mutex_);
        queue_.clear();
    }
    pool_.waitForDone();
}

void ThumbnailCache::DropQueued() {
    const QMutexLocker lock(&mutex_);
    for (const Job& j : queue_)
        requested_.remove(j.path);
    queue_.clear();
}

void ThumbnailCache::SetCellSize(QSize cell) {
    if (cell == cell_) return;
    cell_ = cell;
    cache_.clear();
    DropQueued();
    ++generation_;
}

void ThumbnailCache::SetMaker(Maker maker) {
    maker_ = std::move(maker);
    cache_.clear();
    DropQueued();
    ++generation_;
}

const ThumbnailCache::Thumb* ThumbnailCache::Find(const QString& path, Kind kind) {
    if (Entry* e = cache_.object(path)) {
        if (recheckMs_ >= 0 && e->checked.elapsed() >= recheckMs_) {
            e->checked.restart();
            Queue({path, kind, e->size, e->time, {}, {}, 0});
        }
        return &e->thumb;
    }
    Queue({path, kind, -1, -1, {}, {}, 0});
    return nullptr;
}

void ThumbnailCache::Forget(const QString& path) {
    cache_.remove(path);
}

void ThumbnailCache::Queue(Job job) {
    const QMutexLocker lock(&mutex_);
    const bool requested = requested_.contains(job.path);
    const auto same = std::find_if(queue_.begin(), queue_.end(),
                                   [&](const Job& j) { return j.path == job.path; });
    if (same != queue_.end()) {
        // Asked again: it goes first.
        Job again = std::move(*same);
        queue_.erase(same);
        queue_.push_back(std::move(again));
        return;
    }
    if (requested) return; // being made
    job.cell = cell_;
    job.maker = maker_;
    job.generation = generation_;
    requested_.insert(job.path);
    queue_.push_back(std::move(job));
    if (queue_.size() > kMaxQueued) {
        requested_.remove(queue_.front().path);
        queue_.pop_front();
    }
    if (runners_ < pool_.maxThreadCount()) {
        ++runners_;
        pool_.start([this] { RunJobs(); });
    }
}

void ThumbnailCache::RunJobs() {
    for (;;) {
        Job job;
        {
            const QMutexLocker lock(&mutex_);
            if (queue_.empty() || stopping_) {
                --runners_;
                return;
            }
            job = std::move(queue_.back());
            queue_.pop_back();
        }
        Outcome o = Work(job, &stopping_);
        o.generation = job.generation;
        // The result comes back to the UI thread as a queued call, which Qt
        // drops if the cache is gone (and the destructor waits for the
        // workers first).
        QMetaObject::invokeMethod(
            this, [this, o] { Finish(o); }, Qt::QueuedConnection);
    }
}

ThumbnailCache::Outcome ThumbnailCache::Work(const Job& job, const std::atomic<bool>* stop) {
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
    const Made made = job.maker(job.path, job.kind, job.cell, stop);
    if (made.vanished) {
        o.what = Outcome::Vanished;
        return o;
    }
    o.thumb.image = made.image;
    o.thumb.failed = made.image.isNull();
    return o;
}

void ThumbnailCache::Finish(const Outcome& o) {
    requested_.remove(o.path);
    if (o.generation != generation_) {
        // Made for another size or maker: the row is to ask again.
        emit ready(o.path);
        return;
    }
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

} // namespace tvx

#pragma once

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <functional>

namespace tvx {

// The thumbnails of the listed files, each made on a worker thread the first
// time it is asked for and then kept (the most recently drawn ones, within a
// memory budget). The UI thread never reads or decodes a file here: it gets
// what is made already, or nothing yet and later ready(). A thumbnail drawn
// again is looked at again on the worker from time to time, so a file that
// changed is made anew and a file that is gone is reported. UI thread, except
// the makers.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    enum class Kind { Picture, Video };
    // What a maker found: the thumbnail (null when the file makes none), or
    // that the file is gone.
    struct Made {
        QImage image;
        bool vanished = false;
    };
    // Turns one file into its thumbnail, the whole picture scaled into `cell`.
    // Runs on a worker; `stop` is raised when the cache goes away.
    using Maker = std::function<Made(const QString& path, Kind kind, QSize cell,
                                     const std::atomic<bool>* stop)>;
    // A thumbnail as the list draws it.
    struct Thumb {
        QImage image;        // scaled to the cell
        bool failed = false; // the file makes no picture: it is shown by name
    };

    explicit ThumbnailCache(QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The size thumbnails are made at; a new size forgets every thumbnail.
    void SetCellSize(QSize cell);
    QSize cellSize() const { return cell_; }
    // How the files are made into thumbnails; the loaders of the stored
    // pictures and recordings unless set.
    void SetMaker(Maker maker);
    // How long a thumbnail is drawn before its file is looked at again;
    // negative: never.
    void SetRecheckInterval(int ms) { recheckMs_ = ms; }

    // The thumbnail of `path` when it is made; nullptr when not yet, and then
    // it is on its way (ready() or vanished() follows). The pointer holds
    // until the next call.
    const Thumb* Find(const QString& path, Kind kind);
    // The file was replaced: its thumbnail is made again when next asked for.
    void Forget(const QString& path);
    // Nothing queued or being made.
    bool Idle() const { return requested_.isEmpty(); }
    // Blocks until the workers have finished what they were given (their
    // results still arrive through the event loop). Tests and benchmarks.
    void WaitForWorkers() { pool_.waitForDone(); }

signals:
    // The thumbnail of `path` was made, or made anew.
    void ready(const QString& path);
    // The file at `path` no longer exists.
    void vanished(const QString& path);

private:
    struct Job {
        QString path;
        Kind kind = Kind::Picture;
        qint64 knownSize = -1; // of the thumbnail held; -1 for none
        qint64 knownTime = -1;
        QSize cell;
        Maker maker;
        quint64 generation = 0;
    };
    struct Outcome {
        enum What { Vanished, Unchanged, Made } what = Made;
        QString path;
        Thumb thumb;
        qint64 size = -1;
        qint64 time = -1;
        quint64 generation = 0;
    };
    struct Entry {
        Thumb thumb;
        qint64 size = -1;
        qint64 time = -1;
        QElapsedTimer checked;
    };
    static Outcome Work(const Job& job, const std::atomic<bool>* stop);
    void Queue(Job job);
    // Empties the queue (the UI thread's side of it as well).
    void DropQueued();
    // A worker: makes the newest job waiting, and the next, until none is
    // left, so the jobs of a page follow each other without waiting for the
    // UI thread.
    void RunJobs();
    void Finish(const Outcome& outcome);

    QSize cell_;
    Maker maker_;
    int recheckMs_ = 2000;
    // Made thumbnails, costed in bytes.
    QCache<QString, Entry> cache_;
    // Files queued or being made (UI thread).
    QSet<QString> requested_;
    // Guards queue_ and runners_, shared with the workers.
    QMutex mutex_;
    // Waiting jobs, the newest (the cells on screen now) at the back; the
    // oldest are dropped when there are too many.
    std::deque<Job> queue_;
    int runners_ = 0; // workers started and not yet out of jobs
    // Raised when the cell size changes: results made before are dropped.
    quint64 generation_ = 0;
    std::atomic<bool> stopping_{false};
    QThreadPool pool_;
};

} // namespace tvx

#include "ui/main/stack_glue.h"

#include "capture/frame_sink.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "session/still_names.h"
#include "stack/image_qt.h"
#include "stack/stacker.h"
#include "stack/sweep_collector.h"
#include "ui/main/command_table.h"
#include "ui/main/live_view.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>
#include <cstring>

namespace tvx {

struct StackFeature::Job {
    std::vector<Image8> frames; // handed to the worker
    int frameCount = 0;
    bool keepFrames = false;
    bool depthMap = false;
    StackProgress progress;
    // Written by the worker before it reports back.
    StackOutcome outcome;
    std::vector<QByteArray> framePngs; // the source frames, when they are kept
};

namespace {

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) bytes.clear();
    return bytes;
}

// The stacked picture as a still: bottom-up rows padded to 4 bytes.
StillPicture ToStill(const Image8& picture) {
    StillPicture still;
    still.width = picture.width;
    still.height = picture.height;
    still.stride = DibStride(picture.width);
    still.header = PictureHeader::For24Bit(picture.width, picture.height);
    still.pixels.assign(std::size_t(still.stride) * picture.height, 0);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(still.pixels.data() + std::size_t(still.stride) * (picture.height - 1 - y),
                    picture.row(y), picture.rowBytes());
    return still;
}

// `bytes` under `base` + `suffix`, or with a number after it where that is
// taken: a file of the user's is never replaced.
NewFile WriteBeside(const QString& base, const QString& suffix, const QByteArray& bytes) {
    return WriteNewFile(
        [&](qint64 counter) {
            return counter <= 1 ? base + suffix
                                : base + QStringLiteral("_%1").arg(counter) + suffix;
        },
        1, bytes);
}

} // namespace

StackFeature::StackFeature(CommandActions& commands, CLiveView* view, FrameSink& sink,
                           SettingsStore& settings, QWidget* dialogParent, Hooks hooks)
    : QObject(dialogParent), sink_(sink), settings_(settings), dialogParent_(dialogParent),
      hooks_(std::move(hooks)), stack_(commands.action(ids::kStack)),
      depthMap_(commands.action(ids::kStackDepthMap)),
      keepFrames_(commands.action(ids::kStackKeepFrames)), badge_(new QLabel(view)) {
    badge_->setObjectName(QStringLiteral("stackCount"));
    badge_->setAttribute(Qt::WA_TransparentForMouseEvents);
    badge_->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(0,0,0,150); color: white; padding: 3px 8px;"
                       " border: 1px solid rgba(255,255,255,180); }"));
    badge_->move(8, 8);
    badge_->hide();
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &StackFeature::poll);

    connect(stack_, &QAction::triggered, this, &StackFeature::command);
    depthMap_->setChecked(settings_.ReadOwnSwitch(kDepthMapKey));
    keepFrames_->setChecked(settings_.ReadOwnSwitch(kKeepFramesKey));
    connect(depthMap_, &QAction::toggled, this,
            [this](bool on) { settings_.WriteOwnSwitch(kDepthMapKey, on); });
    connect(keepFrames_, &QAction::toggled, this,
            [this](bool on) { settings_.WriteOwnSwitch(kKeepFramesKey, on); });
}

StackFeature::~StackFeature() {
    // Frames stop reaching the collector before it goes; a stack at work
    // is dropped, and waited for, before its results' owner goes.
    if (collector_) sink_.SetTap(nullptr);
    if (job_) job_->progress.cancel.store(true);
    if (worker_.joinable()) worker_.join();
}

void StackFeature::showState(State state) {
    state_ = state;
    // The button stays down while a stack is under way.
    if (stack_) stack_->setChecked(state != State::Idle);
}

void StackFeature::command() {
    switch (state_) {
    case State::Idle:
        startCollecting();
        break;
    case State::Collecting:
        stopCollecting();
        break;
    case State::Stacking:
        // The command that started the stack also drops it.
        cancel();
        break;
    }
}

void StackFeature::startCollecting() {
    if (hooks_.canStart && !hooks_.canStart()) {
        showState(State::Idle);
        return;
    }
    collector_ = std::make_unique<SweepCollector>();
    sink_.SetTap(collector_.get());
    showState(State::Collecting);
    badge_->setText(Text("StackHolding", "Stack: %1 frames").arg(0));
    badge_->adjustSize();
    badge_->show();
    badge_->raise();
    poll_.start();
}

void StackFeature::poll() {
    if (state_ == State::Collecting && collector_) {
        badge_->setText(Text("StackHolding", "Stack: %1 frames").arg(collector_->count()));
        badge_->adjustSize();
        if (collector_->finished()) stopCollecting();
    } else if (state_ == State::Stacking && job_ && dialog_) {
        dialog_->setValue(job_->progress.permille.load());
    }
}

void StackFeature::stopCollecting() {
    // After SetTap returns no frame is on its way to the collector.
    sink_.SetTap(nullptr);
    auto job = std::make_shared<Job>();
    job->frames = collector_->TakeFrames();
    collector_.reset();
    badge_->hide();
    job->frameCount = int(job->frames.size());
    job->keepFrames = keepFrames_ && keepFrames_->isChecked();
    job->depthMap = depthMap_ && depthMap_->isChecked();
    if (job->frameCount < kMinStackFrames) {
        poll_.stop();
        showState(State::Idle);
        if (hooks_.failed)
            hooks_.failed(Text("StackTooFew", "Too few different frames to stack: turn the focus "
                                              "through the specimen while the stack runs."));
        emit finished(QString());
        return;
    }

    showState(State::Stacking);
    job_ = job;
    dialog_ = new QProgressDialog(
        Text("StackWorking", "Aligning and fusing %1 frames...").arg(job->frameCount),
        Text("StackCancel", "Cancel"), 0, 1000, dialogParent_);
    dialog_->setObjectName(QStringLiteral("stackProgress"));
    dialog_->setWindowTitle(Text("MsgTitle", "Tavolux"));
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setMinimumDuration(0);
    dialog_->setValue(0);
    connect(dialog_, &QProgressDialog::canceled, this, &StackFeature::cancel);
    dialog_->show();

    worker_ = std::thread([this, job] {
        if (job->keepFrames)
            for (const Image8& f : job->frames) {
                if (job->progress.cancel.load()) break;
                job->framePngs.push_back(Encode(ToQImage(f), "PNG"));
            }
        job->outcome = StackFrames(std::move(job->frames), &job->progress);
        QMetaObject::invokeMethod(
            this, [this, job] { done(job); }, Qt::QueuedConnection);
    });
}

void StackFeature::cancel() {
    if (state_ != State::Stacking || !job_) return;
    job_->progress.cancel.store(true);
    if (dialog_) dialog_->setLabelText(Text("StackCancel", "Cancel") + QStringLiteral("..."));
}

void StackFeature::done(const std::shared_ptr<Job>& job) {
    if (worker_.joinable()) worker_.join();
    poll_.stop();
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
    job_.reset();
    showState(State::Idle);
    QString path;
    // A cancel that came too late to stop the work still drops its result.
    if (job->progress.cancel.load()) {
        // nothing was written
    } else if (job->outcome.status == StackOutcome::Status::Done) {
        path = saveResult(*job);
    } else if (hooks_.failed) {
        QString text = job->outcome.status == StackOutcome::Status::TooFewFrames
                           ? Text("StackTooFew", "Too few different frames to stack: turn the "
                                                 "focus through the specimen while the stack runs.")
                           : Text("StackFailed", "The frames could not be aligned.");
        if (!job->outcome.reason.empty())
            text += QLatin1Char('\n') + QString::fromStdString(job->outcome.reason);
        hooks_.failed(text);
    }
    emit finished(path);
}

QString StackFeature::saveResult(Job& job) {
    const StillSaveResult result =
        hooks_.saveStill ? hooks_.saveStill(ToStill(job.outcome.picture)) : StillSaveResult{};
    if (!result.saved()) {
        if (hooks_.failed) hooks_.failed(result.reason);
        return QString();
    }
    const QFileInfo still(result.path);
    const QString base = still.absolutePath() + QLatin1Char('/') + still.completeBaseName();
    if (job.depthMap) {
        const QString suffix = QLatin1Char('.') + still.suffix();
        const QImage depth = ToQImage(job.outcome.depth).convertToFormat(QImage::Format_RGB888);
        const QByteArray bytes = Encode(
            depth, still.suffix().compare(QLatin1String("tif"), Qt::CaseInsensitive) == 0 ? "TIFF"
                                                                                          : "BMP");
        const NewFile file = WriteBeside(base + QStringLiteral("_depth"), suffix, bytes);
        if (!file.ok() && hooks_.failed)
            hooks_.failed(StillFailureText(still.path(), file.reason, file.error));
    }
    if (job.keepFrames && !job.framePngs.empty()) {
        // The frames go in a folder of their own, so the list of pictures
        // shows the stack, not its makings.
        const QString folder = base + QStringLiteral(" frames");
        if (QDir().mkpath(folder)) {
            for (std::size_t i = 0; i < job.framePngs.size(); ++i)
                WriteBeside(folder +
                                QStringLiteral("/frame_%1").arg(i + 1, 3, 10, QLatin1Char('0')),
                            QStringLiteral(".png"), job.framePngs[i]);
        } else if (hooks_.failed) {
            hooks_.failed(StillFailureText(folder, QStringLiteral("the folder could not be made")));
        }
    }
    if (hooks_.saved) hooks_.saved(result.path);
    return result.path;
}

} // namespace tvx

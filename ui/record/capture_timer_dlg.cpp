#include "ui/record/capture_timer_dlg.h"

#include "platform/language.h"
#include "ui/record/record_ids.h"
#include "ui/record/recorder_setting_dlg.h"
#include "ui/skin/dialog_parts.h"
#include "ui/skin/error_sink.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace tvx {

using namespace record_ids;

namespace {

QString StartText() {
    return Text("Start", "Start");
}

} // namespace

CaptureTimerDialog::CaptureTimerDialog(std::function<bool()> requestStill, QSize frameSize,
                                       Prompts& prompts, TimeLapseClock& clock, QWidget* parent)
    : QDialog(parent), prompts_(prompts), clock_(clock), frameSize_(frameSize) {
    TimeLapseWorker::Callbacks callbacks;
    callbacks.requestStill = std::move(requestStill);
    // Worker thread: the display and the close are the dialog's, so they go
    // through its event queue (dropped if the dialog is gone). The time of
    // the request is taken here, where it happened.
    callbacks.progress = [this](int done) {
        const LocalStamp at = clock_.Now();
        QMetaObject::invokeMethod(
            this,
            [this, done, at] {
                completed_ = done;
                lastPicture_ = at;
                completedLabel_->setNum(done);
                onTick();
            },
            Qt::QueuedConnection);
    };
    callbacks.completed = [this] {
        QMetaObject::invokeMethod(
            this, [this] { reject(); }, Qt::QueuedConnection);
    };
    worker_ = std::make_unique<TimeLapseWorker>(clock_, std::move(callbacks));

    setWindowTitle(Text("CaptureSetting", "Capture Setting"));

    static const int kIds[kTimeLapseFieldCount] = {
        kStartYear,   kStartMonth,      kStartDay,        kStartHour,   kStartMinute,
        kStartSecond, kIntervalMinutes, kIntervalSeconds, kPictureCount};
    const QString units[kTimeLapseFieldCount] = {
        Text("UnitYr", "Yr"),   Text("UnitMon", "Mon"), Text("UnitDay", "Day"),
        Text("UnitHr", "Hr"),   Text("UnitMin", "Min"), Text("UnitSec", "Sec"),
        Text("UnitMin", "Min"), Text("UnitSec", "Sec"), QString()};
    Named(new QLabel(Text("StartTime", "Start Time"), this), kStartTimeLabel)
        ->setGeometry(10, 10, 360, 20);
    auto* intervalLabel = Named(new QLabel(Text("Interval", "Interval"), this), kIntervalLabel);
    auto* captureLabel = Named(new QLabel(Text("Capture", "Capture"), this), kCaptureLabel);
    // Each field follows the unit before it: translated units run longer
    // than "Yr" or "Sec".
    int rowEnd = 0;
    int x = 10;
    for (int i = 0; i < kTimeLapseFieldCount; ++i) {
        auto* e = Named(new QLineEdit(this), kIds[i]);
        const int w = i == 0 ? 44 : 34;
        int y = 34;
        if (i < 6) {
            x = i == 0 ? 10 : std::max(10 + i * 64, x);
        } else {
            y = 104;
            const int planned = i == 6 ? 10 : i == 7 ? 100 : 200;
            x = i == 6 ? planned : std::max(planned, x);
        }
        e->setGeometry(x, y, w, 22);
        edits_[size_t(i)] = e;
        x += w;
        if (!units[i].isEmpty()) {
            auto* unit = new QLabel(units[i], this);
            const int uw = std::max(28, unit->sizeHint().width());
            unit->setGeometry(x + 2, y, uw, 22);
            x += 2 + uw + 4;
        }
        if (i == 5) rowEnd = x;
    }
    intervalLabel->setGeometry(10, 80, edit(7)->x() + 80 - 10, 20);
    captureLabel->setGeometry(edit(8)->x(), 80, 170, 20);
    auto* frame1 = Named(new QLabel(Text("Frame", "Frame"), this), kFrameLabel1);
    const int frameX = edit(8)->x() + edit(8)->width() + 4;
    frame1->setGeometry(frameX, 104, std::max(130, frame1->sizeHint().width()), 22);
    rowEnd = std::max(rowEnd, frame1->geometry().right());
    // Translated labels run longer than the English: each field follows the
    // text before it.
    auto* completed = Named(new QLabel(Text("Completed", "Completed"), this), kCompletedLabel);
    const int countX = 10 + std::max(80, completed->sizeHint().width()) + 6;
    completed->setGeometry(10, 144, countX - 16, 22);
    completedLabel_ = Named(new QLabel(QStringLiteral("0"), this), kCompleted);
    completedLabel_->setGeometry(countX, 144, 40, 22);
    auto* frames = Named(new QLabel(Text("Frame", "Frame"), this), kFrameLabel2);
    const int framesW = std::max(50, frames->sizeHint().width());
    frames->setGeometry(countX + 44, 144, framesW, 22);
    auto* fileSize = Named(new QLabel(Text("FileSize", "File Size"), this), kFileSizeLabel);
    const int sizeX = std::max(200, countX + 44 + framesW + 8);
    const int estimateX = sizeX + std::max(70, fileSize->sizeHint().width()) + 2;
    fileSize->setGeometry(sizeX, 144, estimateX - sizeX - 2, 22);
    estimate_ = Named(new QLineEdit(this), kSizeEstimate);
    estimate_->setReadOnly(true);
    estimate_->setAlignment(Qt::AlignRight); // next to its "MB"
    estimate_->setGeometry(estimateX, 144, 60, 22);
    auto* mb = new QLabel(Text("UnitMB", "MB"), this);
    const int mbW = std::max(30, mb->sizeHint().width());
    mb->setGeometry(estimateX + 64, 144, mbW, 22);
    const int dlgWidth = std::max({400, estimateX + 64 + mbW + 6, rowEnd + 10});
    setFixedSize(dlgWidth, 240);

    progress_ = Named(new QLabel(this), kProgress);
    progress_->setGeometry(10, 172, dlgWidth - 20, 22);

    startStop_ = Named(new QPushButton(StartText(), this), kStartStop);
    startStop_->setGeometry(dlgWidth - 200, 200, 90, 28);
    connect(startStop_, &QPushButton::clicked, this, &CaptureTimerDialog::onStartStop);
    auto* cancel = Named(new QPushButton(Text("Cancel", "Cancel"), this), 2);
    cancel->setGeometry(dlgWidth - 100, 200, 90, 28);
    connect(cancel, &QPushButton::clicked, this, &CaptureTimerDialog::reject);
    startNow_ = Named(new QCheckBox(Text("StartNow", "Start now"), this), kStartNow);
    startNow_->setGeometry(10, 203, dlgWidth - 220, 22);
    connect(startNow_, &QCheckBox::toggled, this, [this](bool now) {
        for (int i = 0; i < 6; ++i)
            edit(i)->setEnabled(!now);
    });

    const int start[kTimeLapseFieldCount] = {0, 0, 0, 0, 0, 0, 0, 3, 8};
    for (int i = 6; i < kTimeLapseFieldCount; ++i)
        edit(i)->setText(QString::number(start[i]));
    fillStart(StampAfter(clock_.Now(), kStartLeadSeconds));

    connect(edit(8), &QLineEdit::editingFinished, this, &CaptureTimerDialog::updateEstimate);
    updateEstimate();
    connect(&tick_, &QTimer::timeout, this, &CaptureTimerDialog::onTick);
    tick_.start(250);
}

void CaptureTimerDialog::fillStart(const LocalStamp& start) {
    const int fields[6] = {start.year, start.month,  start.day,
                           start.hour, start.minute, start.second};
    for (int i = 0; i < 6; ++i) {
        filledStart_[size_t(i)] = QString::number(fields[i]);
        edit(i)->setText(filledStart_[size_t(i)]);
    }
}

bool CaptureTimerDialog::startUntouched() const {
    for (int i = 0; i < 6; ++i)
        if (edit(i)->text() != filledStart_[size_t(i)]) return false;
    return true;
}

void CaptureTimerDialog::showProgress(const QString& text) {
    if (progress_->text() == text) return;
    progress_->setText(text);
    emit progress(text);
}

void CaptureTimerDialog::onTick() {
    if (count_ == 0) {
        if (startUntouched()) fillStart(StampAfter(clock_.Now(), kStartLeadSeconds));
        return;
    }
    const LocalStamp now = clock_.Now();
    const int64_t toNext = completed_ == 0 ? SecondsBetween(now, seriesStart_)
                                           : intervalSeconds_ - SecondsBetween(lastPicture_, now);
    showProgress(TimeLapseProgressText(completed_, count_, toNext));
}

CaptureTimerDialog::~CaptureTimerDialog() {
    worker_->Stop();
    worker_->Join();
}

std::optional<TimeLapseFields> CaptureTimerDialog::ReadFields() {
    TimeLapseFields f;
    for (int i = 0; i < kTimeLapseFieldCount; ++i) {
        const FieldRange& r = kTimeLapseRanges[i];
        bool ok = false;
        const int v = edit(i)->text().trimmed().toInt(&ok);
        if (!ok || v < r.low || v > r.high) {
            ShowMessage(prompts_, windowTitle(), RangeMessage(r.low, r.high),
                        Prompts::Icon::Warning);
            edit(i)->setFocus();
            edit(i)->selectAll();
            return std::nullopt;
        }
        f.*(r.field) = v;
    }
    return f;
}

void CaptureTimerDialog::updateEstimate() {
    bool ok = false;
    const int count = edit(8)->text().trimmed().toInt(&ok);
    if (!ok || count < 1 || count > 200) {
        ReadFields(); // shows the count's range message
        return;
    }
    estimate_->setText(SizeEstimateText(count, frameSize_.width(), frameSize_.height()));
}

void CaptureTimerDialog::onStartStop() {
    if (startStop_->text() != StartText()) {
        completed_ = 0;
        completedLabel_->setNum(0);
        worker_->Stop();
        count_ = 0;
        showProgress(QString());
        startStop_->setText(StartText());
        return;
    }
    if (startNow_->isChecked()) fillStart(clock_.Now());
    // A field out of range stops the start: a series of wrong pictures
    // taken unattended is worse than a second try.
    const std::optional<TimeLapseFields> f = ReadFields();
    if (!f) return;
    if (CompareStamps(f->start(), clock_.Now()) < 0) {
        ShowMessage(prompts_, windowTitle(),
                    Text("SET_TIMER_FAIL", "The time of your setting must be a future time!"),
                    Prompts::Icon::Warning);
        return;
    }
    completed_ = 0;
    completedLabel_->setNum(0);
    if (!worker_->Start(f->start(), f->intervalMs(), f->count)) return;
    seriesStart_ = f->start();
    intervalSeconds_ = f->intervalMs() / 1000;
    count_ = f->count;
    onTick();
    startStop_->setText(Text("Stop", "Stop"));
}

void CaptureTimerDialog::reject() {
    worker_->Stop();
    worker_->Join();
    QDialog::reject();
}

} // namespace tvx

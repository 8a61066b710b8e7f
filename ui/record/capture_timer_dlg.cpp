#include "ui/record/capture_timer_dlg.h"

#include "platform/language.h"
#include "ui/record/record_ids.h"
#include "ui/record/recorder_setting_dlg.h"
#include "ui/skin/dialog_parts.h"
#include "ui/skin/error_sink.h"

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

CCaptureTimerDlg::CCaptureTimerDlg(std::function<bool()> requestStill, QSize frameSize,
                                   TimeLapseClock& clock, QWidget* parent)
    : QDialog(parent), clock_(clock), frameSize_(frameSize) {
    TimeLapseWorker::Callbacks callbacks;
    callbacks.requestStill = std::move(requestStill);
    // Worker thread: the display and the close are the dialog's, so they go
    // through its event queue (dropped if the dialog is gone).
    callbacks.progress = [this](int done) {
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                completed_ = done;
                completedLabel_->setNum(done);
            },
            Qt::QueuedConnection);
    };
    callbacks.completed = [this] {
        QMetaObject::invokeMethod(
            this, [this] { reject(); }, Qt::QueuedConnection);
    };
    worker_ = std::make_unique<TimeLapseWorker>(clock_, std::move(callbacks));

    setWindowTitle(Text("CaptureSetting", "Capture Setting"));
    // At least this wide: the units need room beyond the fields; a long
    // "File Size" label widens it further below.
    setFixedSize(400, 240);

    const LocalStamp now = clock_.Now();
    const int start[kTimeLapseFieldCount] = {now.year,   now.month, now.day, now.hour, now.minute,
                                             now.second, 0,         3,       8};
    static const int kIds[kTimeLapseFieldCount] = {
        kStartYear,   kStartMonth,      kStartDay,        kStartHour,   kStartMinute,
        kStartSecond, kIntervalMinutes, kIntervalSeconds, kPictureCount};
    static const char* const kUnits[kTimeLapseFieldCount] = {"Yr",  "Mon", "Day", "Hr",   "Min",
                                                             "Sec", "Min", "Sec", nullptr};
    Named(new QLabel(Text("StartTime", "Start Time"), this), kStartTimeLabel)
        ->setGeometry(10, 10, 360, 20);
    Named(new QLabel(Text("Interval", "Interval"), this), kIntervalLabel)
        ->setGeometry(10, 80, 160, 20);
    Named(new QLabel(Text("Capture", "Capture"), this), kCaptureLabel)
        ->setGeometry(200, 80, 170, 20);
    for (int i = 0; i < kTimeLapseFieldCount; ++i) {
        auto* e = Named(new QLineEdit(QString::number(start[i]), this), kIds[i]);
        int x = 0, y = 0, w = 34;
        if (i < 6) {
            x = 10 + i * 64;
            y = 34;
            if (i == 0) w = 44;
        } else {
            x = i == 6 ? 10 : i == 7 ? 100 : 200;
            y = 104;
        }
        e->setGeometry(x, y, w, 22);
        if (kUnits[i])
            (new QLabel(QString::fromLatin1(kUnits[i]), this))->setGeometry(x + w + 2, y, 28, 22);
        edits_[size_t(i)] = e;
    }
    Named(new QLabel(Text("Frame", "Frame"), this), kFrameLabel1)->setGeometry(238, 104, 130, 22);
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
    (new QLabel(QStringLiteral("MB"), this))->setGeometry(estimateX + 64, 144, 30, 22);
    setFixedSize(std::max(400, estimateX + 100), 240);

    startStop_ = Named(new QPushButton(StartText(), this), kStartStop);
    startStop_->setGeometry(width() - 200, 200, 90, 28);
    connect(startStop_, &QPushButton::clicked, this, &CCaptureTimerDlg::onStartStop);
    auto* cancel = Named(new QPushButton(Text("Cancel", "Cancel"), this), 2);
    cancel->setGeometry(width() - 100, 200, 90, 28);
    connect(cancel, &QPushButton::clicked, this, &CCaptureTimerDlg::reject);

    connect(edit(8), &QLineEdit::editingFinished, this, &CCaptureTimerDlg::updateEstimate);
    updateEstimate();
}

CCaptureTimerDlg::~CCaptureTimerDlg() {
    worker_->Stop();
    worker_->Join();
}

std::optional<TimeLapseFields> CCaptureTimerDlg::ReadFields() {
    TimeLapseFields f;
    for (int i = 0; i < kTimeLapseFieldCount; ++i) {
        const FieldRange& r = kTimeLapseRanges[i];
        bool ok = false;
        const int v = edit(i)->text().trimmed().toInt(&ok);
        if (!ok || v < r.low || v > r.high) {
            ShowMessage(windowTitle(), RangeMessage(r.low, r.high), Prompts::Icon::Warning);
            edit(i)->setFocus();
            edit(i)->selectAll();
            return std::nullopt;
        }
        f.*(r.field) = v;
    }
    return f;
}

void CCaptureTimerDlg::updateEstimate() {
    bool ok = false;
    const int count = edit(8)->text().trimmed().toInt(&ok);
    if (!ok || count < 1 || count > 200) {
        ReadFields(); // shows the count's range message
        return;
    }
    estimate_->setText(SizeEstimateText(count, frameSize_.width(), frameSize_.height()));
}

void CCaptureTimerDlg::onStartStop() {
    if (startStop_->text() != StartText()) {
        completed_ = 0;
        completedLabel_->setNum(0);
        worker_->Stop();
        startStop_->setText(StartText());
        return;
    }
    // A field out of range stops the start: a series of wrong pictures
    // taken unattended is worse than a second try.
    const std::optional<TimeLapseFields> f = ReadFields();
    if (!f) return;
    if (CompareStamps(f->start(), clock_.Now()) < 0) {
        ShowMessage(windowTitle(),
                    Text("SET_TIMER_FAIL", "The time of your setting must be a future time!"),
                    Prompts::Icon::Warning);
        return;
    }
    completed_ = 0;
    completedLabel_->setNum(0);
    if (!worker_->Start(f->start(), f->intervalMs(), f->count)) return;
    startStop_->setText(Text("Stop", "Stop"));
}

void CCaptureTimerDlg::reject() {
    worker_->Stop();
    worker_->Join();
    QDialog::reject();
}

} // namespace tvx

#include "ui/record/capture_timer_dlg.h"

#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/record/record_ids.h"
#include "ui/record/recorder_setting_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tvx {

using namespace record_ids;

namespace {

template <class W> W* Named(W* w, int id) {
    w->setObjectName(QString::number(id));
    return w;
}

QString StartText() {
    return Text("Start", "Start");
}

} // namespace

CCaptureTimerDlg::CCaptureTimerDlg(std::function<void()> requestStill, QSize frameSize,
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
    setFixedSize(380, 240);

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
        ->setGeometry(200, 80, 80, 20);
    for (int i = 0; i < kTimeLapseFieldCount; ++i) {
        auto* e = Named(new QLineEdit(QString::number(start[i]), this), kIds[i]);
        int x = 0, y = 0, w = 34;
        if (i < 6) {
            x = 10 + i * 60;
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
    Named(new QLabel(Text("Frame", "Frame"), this), kFrameLabel1)->setGeometry(238, 104, 50, 22);
    Named(new QLabel(Text("Completed", "Completed"), this), kCompletedLabel)
        ->setGeometry(10, 144, 80, 22);
    completedLabel_ = Named(new QLabel(QStringLiteral("0"), this), kCompleted);
    completedLabel_->setGeometry(96, 144, 40, 22);
    Named(new QLabel(Text("Frame", "Frame"), this), kFrameLabel2)->setGeometry(140, 144, 50, 22);
    Named(new QLabel(Text("FileSize", "File Size"), this), kFileSizeLabel)
        ->setGeometry(200, 144, 70, 22);
    estimate_ = Named(new QLineEdit(this), kSizeEstimate);
    estimate_->setReadOnly(true);
    estimate_->setGeometry(272, 144, 66, 22);
    (new QLabel(QStringLiteral("MB"), this))->setGeometry(342, 144, 30, 22);

    startStop_ = Named(new QPushButton(StartText(), this), kStartStop);
    startStop_->setGeometry(180, 200, 90, 28);
    connect(startStop_, &QPushButton::clicked, this, &CCaptureTimerDlg::onStartStop);
    auto* cancel = Named(new QPushButton(Text("Cancel", "Cancel"), this), 2);
    cancel->setGeometry(280, 200, 90, 28);
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
            prompts().Message(windowTitle(), RangeMessage(r.low, r.high), Prompts::Icon::Warning);
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
        prompts().Message(windowTitle(),
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

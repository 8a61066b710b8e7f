#pragma once

#include "media/time_lapse.h"

#include <QDialog>
#include <QSize>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tvx {

class Prompts;

// The time-lapse dialog (template 145): start time, interval, number of
// pictures; Start/Stop runs a series on a worker. Each picture is asked for
// through `requestStill` (the window sets its still flags there), from the
// worker thread. The start time keeps a few seconds ahead of the clock until
// the user types one of its fields, so Start with it always starts; "Start
// now" starts at once. A line under the fields counts down to the first
// picture and then tells how far the series has come.
class CaptureTimerDialog : public QDialog {
    Q_OBJECT
public:
    // `requestStill` answers false when the request merged into one that
    // still stood (see TimeLapseWorker).
    CaptureTimerDialog(std::function<bool()> requestStill, QSize frameSize, Prompts& prompts,
                       TimeLapseClock& clock = systemTimeLapseClock(), QWidget* parent = nullptr);
    ~CaptureTimerDialog() override;

    // Cancel and the close box: stop the series, wait for the worker, close.
    void reject() override;

    bool seriesRunning() const { return worker_->running(); }
    int completed() const { return completed_; }
    // Of the last series: pictures asked for, and those never taken because
    // no frame came between two requests.
    int requestedPictures() const { return worker_->requested(); }
    int missedPictures() const { return worker_->missed(); }

    // Reads the fields; the first one out of range gets its range message
    // and nothing is returned.
    std::optional<TimeLapseFields> ReadFields();

    // How far ahead of the clock the untouched start time stays.
    static constexpr int kStartLeadSeconds = 5;

signals:
    // The progress line whenever its text changes ("3 of 5 taken, next in
    // 2 s", "5 pictures taken"); empty when a series is stopped.
    void progress(const QString& text);

private:
    void onStartStop();
    void updateEstimate();
    // Once a quarter second: the untouched start time follows the clock and
    // the progress line counts down.
    void onTick();
    void showProgress(const QString& text);
    // True while the start fields still hold what the dialog last put there.
    bool startUntouched() const;
    void fillStart(const LocalStamp& start);
    QLineEdit* edit(int index) const { return edits_[size_t(index)]; }

    Prompts& prompts_;
    TimeLapseClock& clock_;
    QSize frameSize_;
    std::unique_ptr<TimeLapseWorker> worker_;
    std::array<QLineEdit*, kTimeLapseFieldCount> edits_{};
    QLabel* completedLabel_ = nullptr;
    QLineEdit* estimate_ = nullptr;
    QPushButton* startStop_ = nullptr;
    QCheckBox* startNow_ = nullptr;
    QLabel* progress_ = nullptr;
    QTimer tick_;
    std::array<QString, 6> filledStart_; // the start fields as last filled in
    // The running series, UI thread: its start, interval and count, and when
    // the last picture was asked for.
    LocalStamp seriesStart_;
    int64_t intervalSeconds_ = 0;
    int count_ = 0;
    LocalStamp lastPicture_;
    int completed_ = 0;
};

} // namespace tvx

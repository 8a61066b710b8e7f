#pragma once

#include "media/time_lapse.h"

#include <QDialog>
#include <QSize>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tvx {

// The time-lapse dialog (template 145): start time, interval, number of
// pictures; Start/Stop runs a series on a worker. Each picture is asked for
// through `requestStill` (the window sets its still flags there), from the
// worker thread.
class CCaptureTimerDlg : public QDialog {
    Q_OBJECT
public:
    // `requestStill` answers false when the request merged into one that
    // still stood (see TimeLapseWorker).
    CCaptureTimerDlg(std::function<bool()> requestStill, QSize frameSize,
                     TimeLapseClock& clock = systemTimeLapseClock(), QWidget* parent = nullptr);
    ~CCaptureTimerDlg() override;

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

private:
    void onStartStop();
    void updateEstimate();
    QLineEdit* edit(int index) const { return edits_[size_t(index)]; }

    TimeLapseClock& clock_;
    QSize frameSize_;
    std::unique_ptr<TimeLapseWorker> worker_;
    std::array<QLineEdit*, kTimeLapseFieldCount> edits_{};
    QLabel* completedLabel_ = nullptr;
    QLineEdit* estimate_ = nullptr;
    QPushButton* startStop_ = nullptr;
    int completed_ = 0; // UI thread
};

} // namespace tvx

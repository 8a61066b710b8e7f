#pragma once

#include "session/still_saver.h"
#include "stack/image.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QProgressDialog;
class QWidget;

namespace tvx {

class SettingsStore;

class CLiveView;
class CommandActions;
class FrameSink;
class SweepCollector;
struct StackOutcome;
struct StackProgress;

// Focus stacking from the live picture: the Stack command starts keeping
// the frames of a sweep the user turns by hand (a count over the live
// view says how many are kept), and ends it when given again or when the
// sweep is over by itself. The frames are then aligned and fused on a
// worker thread behind a progress dialog whose Cancel (or the Stack
// command) drops the lot; the result is saved as a still, with its depth
// map and the source frames when those settings are on. UI thread.
class StackFeature : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Whether a sweep can start now; tells the user why not when it cannot.
        std::function<bool()> canStart;
        // Writes a picture as the next still; the caller's name, counter and format.
        std::function<StillSaveResult(const StillPicture&)> saveStill;
        // A stacked still was saved at this path: show it among the files.
        std::function<void(const QString&)> saved;
        // Tells the user something went wrong.
        std::function<void(const QString&)> failed;
    };
    StackFeature(CommandActions& commands, CLiveView* view, FrameSink& sink,
                 SettingsStore& settings, QWidget* dialogParent, Hooks hooks);
    ~StackFeature() override;

    enum class State { Idle, Collecting, Stacking };
    State state() const { return state_; }
    // The count over the live view.
    QLabel* badge() const { return badge_; }
    QProgressDialog* progressDialog() const { return dialog_; }

    static constexpr const char* kDepthMapKey = "StackDepthMap";
    static constexpr const char* kKeepFramesKey = "StackKeepFrames";

signals:
    // The stack's work is over: saved (with the path), cancelled or failed.
    void finished(const QString& path);

private:
    struct Job;
    void command();
    void startCollecting();
    void stopCollecting();
    void poll();
    void done(const std::shared_ptr<Job>& job);
    void cancel();
    QString saveResult(Job& job);

    FrameSink& sink_;
    SettingsStore& settings_;
    QWidget* dialogParent_;
    Hooks hooks_;
    void showState(State state);

    QPointer<QAction> stack_, depthMap_, keepFrames_;
    State state_ = State::Idle;
    std::unique_ptr<SweepCollector> collector_; // on the sink while collecting
    QLabel* badge_ = nullptr;                   // a child of the live view
    QTimer poll_;                               // the count, the sweep's end, the progress
    QProgressDialog* dialog_ = nullptr;
    std::shared_ptr<Job> job_;
    std::thread worker_;
};

} // namespace tvx

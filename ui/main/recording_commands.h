#pragma once

#include <QFont>
#include <QObject>

class QWidget;

namespace tvx {

class CaptureSession;
class CClientArea;
class CommandActions;
class RecorderControl;

// The recording and preview commands of the window: the AVI button, F3 and
// F4, the Preview button (which also closes a recording and keeps the
// picture running), and the seconds counter under the picture. While a
// recording runs the AVI button stands for the preview. UI thread.
class RecordingCommands : public QObject {
    Q_OBJECT
public:
    RecordingCommands(CaptureSession& session, CommandActions& commands, CClientArea* client,
                      QFont secondsFont, QObject* parent);

    // The recorder the commands drive; not owned.
    void SetRecorder(RecorderControl* recorder) { recorder_ = recorder; }
    bool isRecording() const { return recording_; }
    void SetRecording(bool on);
    // The seconds counter under the picture; -1 hides it. Not in full screen.
    void ShowSeconds(int seconds);
    void SetFullScreen(bool on);
    // A recording reached its time limit: it closes, the picture goes on.
    void CloseKeepingPreview();
    // The window closes: a recording is finished rather than left unreadable.
    void Finish();

signals:
    void recordingChanged(bool on);

private:
    void start();
    void stop();
    void togglePreview();
    void syncPreviewButton();

    CaptureSession& session_;
    CommandActions& commands_;
    CClientArea* client_;
    QFont secondsFont_;
    RecorderControl* recorder_ = nullptr;
    bool recording_ = false;
    bool fullScreen_ = false;
};

} // namespace tvx

#pragma once

#include <QObject>
#include <QString>

namespace tvx {

class FileListPanel;
class LiveMeasure;
class RecordingCommands;
class RecordingGlue;
class StatusStrip;
class StillCommands;

// Tells the status strip what happened and what runs: every file saved
// (stills, recordings, Photo Measure pictures), the recording under way
// with its file and time, and the next step of the measuring tool. The
// strip's folder links open in the desktop's file manager. UI thread.
class StatusFeedback : public QObject {
    Q_OBJECT
public:
    struct Sources {
        StillCommands& stills;
        RecordingCommands& recording;
        RecordingGlue& recorder;
        LiveMeasure& measure;
        FileListPanel& files;
    };
    StatusFeedback(StatusStrip* strip, Sources sources, QObject* parent);

    // "Recording Video_….avi 1:05".
    static QString RecordingText(const QString& path, int seconds);

private:
    StatusStrip* strip_;
    QString recordingPath_;
};

} // namespace tvx

#pragma once

#include "capture/frame_types.h"
#include "ui/skin/error_sink.h"

#include <QObject>
#include <QString>

class QLabel;
class QWidget;

namespace tvx {

// Tells the user what became of each still request. A request from the
// keyboard or the toolbar that saved nothing gets a message box every time.
// The microscope's button is pressed with the eyes on the specimen: its
// failures, and presses that were never taken, show as a red mark over the
// live picture (the reason in its tool tip) until a picture is saved again.
// UI thread.
class StillFeedback : public QObject {
    Q_OBJECT
public:
    // The mark is made as a child of `markParent` (the live view).
    StillFeedback(Prompts& prompts, QWidget* markParent);

    void Saved(StillSource source);
    void Failed(StillSource source, const QString& title, const QString& reason);
    // `dropped` presses will never be pictures; `stillQueued` earlier ones
    // are yet to be taken, and their pictures do not clear the count.
    void PressesDropped(int dropped, int stillQueued);

    QLabel* mark() const { return mark_; }
    int droppedPresses() const { return dropped_; }
    const QString& failure() const { return failure_; }

private:
    void showMark();

    Prompts& prompts_;
    QLabel* mark_ = nullptr;
    QString failure_; // why the microscope's last still was not saved
    int dropped_ = 0;
    int earlierPresses_ = 0; // presses made before the last drop, not yet taken
};

// The count of stills or recordings met a folder named like one of them: the
// user is told once for each such folder, and the count goes on without it.
void ShowPictureFolderError(Prompts& prompts);
void ShowRecordingFolderError(Prompts& prompts);

} // namespace tvx

#pragma once

#include "capture/frame_types.h"

#include <QElapsedTimer>
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
    explicit StillFeedback(QWidget* markParent);

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

    QLabel* mark_ = nullptr;
    QString failure_; // why the microscope's last still was not saved
    int dropped_ = 0;
    int earlierPresses_ = 0; // presses made before the last drop, not yet taken
};

// The one way errors of the capture reach the user: each is logged, and
// shown in a message box unless another box was shown a moment ago or is
// still open, so a storm of errors gives one box. UI thread.
class ErrorReporter : public QObject {
    Q_OBJECT
public:
    explicit ErrorReporter(QObject* parent = nullptr) : QObject(parent) {}
    // Answers whether a box was shown.
    bool Report(const QString& title, const QString& reason);
    void SetQuietMilliseconds(int ms) { quietMs_ = ms; }
    int boxesShown() const { return boxes_; }
    int reported() const { return reported_; }

private:
    QElapsedTimer sinceLastBox_;
    int quietMs_ = 10000;
    int boxes_ = 0;
    int reported_ = 0;
    bool showing_ = false;
};

} // namespace tvx

#include "ui/main/still_feedback.h"

#include "platform/language.h"
#include "ui/skin/plain_text.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QWidget>

namespace tvx {

namespace {

Q_LOGGING_CATEGORY(lcWindow, "tavolux.window")

QString PressesNotTaken(int n) {
    return n == 1 ? Text("PressNotTaken", "1 press not taken")
                  : Text("PressesNotTaken", "%1 presses not taken").arg(n);
}

} // namespace

StillFeedback::StillFeedback(Prompts& prompts, QWidget* markParent)
    : QObject(markParent), prompts_(prompts) {
    mark_ = new QLabel(markParent);
    mark_->setObjectName(QStringLiteral("stillFailureMark"));
    mark_->setTextFormat(Qt::PlainText);
    mark_->setStyleSheet(
        QStringLiteral("QLabel { background: rgb(210, 20, 20); color: white; font-weight: bold;"
                       " border: 1px solid white; border-radius: 9px; padding: 1px 6px; }"));
    mark_->move(8, 8);
    mark_->hide();
}

void StillFeedback::Saved(StillSource source) {
    failure_.clear();
    // The pictures of presses made before the drop do not undo it.
    if (source == StillSource::Microscope && earlierPresses_ > 0)
        --earlierPresses_;
    else
        dropped_ = 0;
    showMark();
}

void StillFeedback::Failed(StillSource source, const QString& title, const QString& reason) {
    qCWarning(lcWindow).noquote() << "still not saved:" << reason;
    if (source != StillSource::Microscope) {
        ShowMessage(prompts_, title, reason, Prompts::Icon::Warning);
        return;
    }
    if (earlierPresses_ > 0) --earlierPresses_;
    failure_ = reason;
    showMark();
}

void StillFeedback::PressesDropped(int dropped, int stillQueued) {
    if (dropped <= 0) return;
    qCWarning(lcWindow) << dropped << "presses of the microscope's button not taken";
    dropped_ += dropped;
    earlierPresses_ = stillQueued;
    showMark();
}

void StillFeedback::showMark() {
    if (failure_.isEmpty() && dropped_ == 0) {
        mark_->hide();
        mark_->setToolTip(QString());
        return;
    }
    QString text = QStringLiteral("!");
    QStringList tip;
    if (!failure_.isEmpty()) tip << failure_;
    if (dropped_ > 0) {
        text += QLatin1Char(' ') + PressesNotTaken(dropped_);
        tip << PressesNotTaken(dropped_);
    }
    mark_->setText(text);
    mark_->setToolTip(PlainToolTip(tip.join(QLatin1Char('\n'))));
    mark_->adjustSize();
    mark_->show();
    mark_->raise();
}

void ShowPictureFolderError(Prompts& prompts) {
    ShowMessage(prompts, Text("MsgTitle", "Tavolux"), Text("PictureError", "Picture Error"),
                Prompts::Icon::Warning);
}

void ShowRecordingFolderError(Prompts& prompts) {
    ShowMessage(prompts, Text("MsgTitle", "Tavolux"), Text("AVIError", "AVI Error"),
                Prompts::Icon::Warning);
}

} // namespace tvx

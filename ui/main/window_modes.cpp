// Full screen, the window's own events and closing.
#include "capture/capture_engine.h"
#include "media/recorder_control.h"
#include "ui/main/client_area.h"
#include "ui/main/live_measure.h"
#include "ui/main/main_window.h"
#include "ui/measure/photo_measure_dialog.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

namespace tvx {

void MainWindow::EnterFullScreen() {
    if (fullScreen_) return;
    fullScreen_ = true;
    savedGeometry_ = geometry();
    commands_->showButtons(false);
    magBox_->hide();
    calBox_->hide();
    fileListArea_->hide();
    menuBar()->hide();
    client_->setFullScreen(true);
    client_->setRecordingSeconds(-1, fontA_);
    // A full-screen window already stands above the desktop's panels; changing
    // window flags would also re-create the native window.
    showFullScreen();
    // Without a window manager nobody resizes a full-screen window for us.
    if (const QScreen* screen = this->screen()) setGeometry(screen->geometry());
    liveView_->setGeometry(client_->rect());
    liveView_->EnterFullScreen();
    rebuildToolTips();
}

void MainWindow::LeaveFullScreen() {
    if (!fullScreen_) return;
    fullScreen_ = false;
    client_->setFullScreen(false);
    showNormal();
    setWindowTitle(savedTitle_);
    commands_->showButtons(true);
    magBox_->show();
    calBox_->show();
    fileListArea_->show();
    liveView_->setGeometry(QRect(204, 52, 640, 480));
    activateWindow();
    liveView_->LeaveFullScreen();
    menuBar()->show();
    if (recording_)
        client_->setRecordingSeconds(recorder_ ? recorder_->ElapsedSeconds() : 0, fontA_);
    rebuildToolTips();
    // Last, once the menu and the fixed client area are back.
    setGeometry(savedGeometry_);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (fullScreen_ && liveView_) liveView_->setGeometry(client_->rect());
}

void MainWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    // Maximising is how the desktop asks for full screen; some desktops ask
    // for full screen directly.
    const auto big = [this] {
        return bool(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    };
    if (big() && !fullScreen_)
        QMetaObject::invokeMethod(this, &MainWindow::EnterFullScreen, Qt::QueuedConnection);
    // The desktop's restore (un-maximise, leaving full screen) is the same
    // as Escape. Checked again when it runs: a state passing by on the way
    // into full screen is not a restore.
    if (!big() && fullScreen_)
        QMetaObject::invokeMethod(
            this,
            [this, big] {
                if (!big()) LeaveFullScreen();
            },
            Qt::QueuedConnection);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
        auto* me = static_cast<QMouseEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        const QPoint pos = w ? w->mapTo(client_, me->position().toPoint()) : QPoint();
        if (watched == client_ && me->button() == Qt::LeftButton && !fullScreen_) {
            if (QRect(QPoint(10, 46), QPoint(60, 77)).contains(pos)) {
                setListMode(1);
                return true;
            }
            if (QRect(QPoint(70, 47), QPoint(121, 76)).contains(pos)) {
                setListMode(0);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        // The shape under way goes first; the tool stays for the next one.
        if (measure_ && measure_->underWay())
            measure_->CancelShape();
        else if (fullScreen_)
            LeaveFullScreen();
        e->accept();
        return;
    }
    // The camera keys are the microscope's button reaching us as keys; a
    // held key's repeats are not presses.
    if (e->key() == Qt::Key_Camera || e->key() == Qt::Key_WebCam) {
        if (!e->isAutoRepeat()) session_->PressButton();
        e->accept();
        return;
    }
    // Enter must not act on the window either.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (recording_ && recorder_) {
        // Closing mid-recording finishes the file rather than leaving it unreadable.
        recorder_->Stop();
        SetRecording(false);
    }
    session_->Shutdown();
    if (measure_) measure_->Cancel();
    liveShapes_.Clear();
    if (instance_ == this) instance_ = nullptr;
    e->accept();
}

} // namespace tvx

#include "ui/main/full_screen.h"

#include "ui/main/client_area.h"
#include "ui/main/live_view.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

namespace tvx {

FullScreenMode::FullScreenMode(QMainWindow* window, CClientArea* client, CLiveView* view,
                               QList<QWidget*> chrome)
    : QObject(window), window_(window), client_(client), view_(view), chrome_(std::move(chrome)) {
    setObjectName(QStringLiteral("fullScreenMode"));
    window_->installEventFilter(this);
}

void FullScreenMode::Enter() {
    if (on_) return;
    on_ = true;
    savedGeometry_ = window_->geometry();
    savedTitle_ = window_->windowTitle();
    for (QWidget* w : chrome_)
        w->hide();
    window_->menuBar()->hide();
    client_->setFullScreen(true);
    emit changed(true);
    // A full-screen window already stands above the desktop's panels; changing
    // window flags would also re-create the native window.
    window_->showFullScreen();
    // Without a window manager nobody resizes a full-screen window for us.
    if (const QScreen* screen = window_->screen()) window_->setGeometry(screen->geometry());
    view_->setGeometry(client_->rect());
    view_->EnterFullScreen();
}

void FullScreenMode::Leave() {
    if (!on_) return;
    on_ = false;
    client_->setFullScreen(false);
    window_->showNormal();
    window_->setWindowTitle(savedTitle_);
    for (QWidget* w : chrome_)
        w->show();
    window_->activateWindow();
    view_->LeaveFullScreen();
    window_->menuBar()->show();
    emit changed(false);
    // Last, once the menu and the fixed client area are back.
    window_->setGeometry(savedGeometry_);
}

bool FullScreenMode::eventFilter(QObject* watched, QEvent* e) {
    if (watched != window_) return false;
    if (e->type() == QEvent::Resize && on_) {
        // After the window's own handling has laid out the client area.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (on_) view_->setGeometry(client_->rect());
            },
            Qt::QueuedConnection);
    } else if (e->type() == QEvent::WindowStateChange) {
        // The desktop may ask for full screen directly; maximising just
        // maximises, the picture keeping its shape.
        const auto big = [this] { return bool(window_->windowState() & Qt::WindowFullScreen); };
        if (big() && !on_)
            QMetaObject::invokeMethod(this, &FullScreenMode::Enter, Qt::QueuedConnection);
        // The desktop's restore (un-maximise, leaving full screen) is the
        // same as Escape. Checked again when it runs: a state passing by on
        // the way into full screen is not a restore.
        if (!big() && on_)
            QMetaObject::invokeMethod(
                this,
                [this, big] {
                    if (!big()) Leave();
                },
                Qt::QueuedConnection);
    }
    return false;
}

} // namespace tvx

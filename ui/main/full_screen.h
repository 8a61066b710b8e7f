#pragma once

#include <QObject>
#include <QRect>
#include <QString>

class QMainWindow;
class QWidget;

namespace tvx {

class CClientArea;
class CLiveView;

// Full screen: the live picture alone on the screen, everything else of the
// window hidden, Escape or the desktop's restore to leave. UI thread.
class FullScreenMode : public QObject {
    Q_OBJECT
public:
    // `chrome` is every widget full screen hides.
    FullScreenMode(QMainWindow* window, CClientArea* client, CLiveView* view,
                   QList<QWidget*> chrome);

    bool isOn() const { return on_; }
    void Enter();
    void Leave();

signals:
    void changed(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QMainWindow* window_;
    CClientArea* client_;
    CLiveView* view_;
    QList<QWidget*> chrome_;
    QRect savedGeometry_;
    QString savedTitle_;
    bool on_ = false;
};

} // namespace tvx

#pragma once

#include "session/effect_buttons.h"

#include <QFont>
#include <QObject>
#include <functional>

namespace tvx {

class CaptureSession;
class CClientArea;
class CLiveView;
class CommandActions;

// What the window shows of the live picture itself: the effect buttons,
// the capture size commands and its text under the picture, and the
// buttons and message that follow the microscope's coming and going.
// UI thread.
class PictureCommands : public QObject {
    Q_OBJECT
public:
    PictureCommands(CaptureSession& session, CommandActions& commands, CClientArea* client,
                    CLiveView* view, QFont resolutionFont, QObject* parent);

    // An effect press also lets go of the measuring buttons.
    void SetReleaseMeasuringTools(std::function<void()> release);
    EffectButtons& effects() { return effects_; }

private:
    void pressEffect(int id);
    void setResolution(int width, int height);
    void showConnection(bool connected, const QString& message);
    void showCaptureSize();

    CaptureSession& session_;
    CommandActions& commands_;
    CClientArea* client_;
    CLiveView* view_;
    QFont resolutionFont_;
    EffectButtons effects_;
};

} // namespace tvx

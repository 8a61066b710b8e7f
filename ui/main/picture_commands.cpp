#include "ui/main/picture_commands.h"

#include "capture/capture_engine.h"
#include "session/capture_session.h"
#include "ui/main/client_area.h"
#include "ui/main/command_table.h"
#include "ui/main/live_view.h"

#include <QAction>

namespace tvx {

PictureCommands::PictureCommands(CaptureSession& session, CommandActions& commands,
                                 CClientArea* client, CLiveView* view, QFont resolutionFont,
                                 QObject* parent)
    : QObject(parent), session_(session), commands_(commands), client_(client), view_(view),
      resolutionFont_(std::move(resolutionFont)), effects_(session.effects()) {
    setObjectName(QStringLiteral("pictureCommands"));
    const auto on = [this](int id, auto&& fn) {
        connect(commands_.action(id), &QAction::triggered, this, fn);
    };
    for (int id = ids::kHorMirror; id <= ids::kBlue; ++id)
        on(id, [this, id] { pressEffect(id); });
    on(ids::kRes640, [this] { setResolution(640, 480); });
    on(ids::kRes720, [this] { setResolution(720, 480); });
    connect(&session_, &CaptureSession::connected, this, [this] { showConnection(true, {}); });
    connect(&session_, &CaptureSession::disconnected, this,
            [this](const QString& message) { showConnection(false, message); });
    connect(&session_, &CaptureSession::liveViewChanged, view_, [this] { view_->update(); });
    connect(&session_, &CaptureSession::previewChanged, view_, [this] { view_->update(); });
    connect(&session_, &CaptureSession::captureSizeChanged, this, [this] {
        showCaptureSize();
        client_->update();
    });
    showCaptureSize();
}

void PictureCommands::SetReleaseMeasuringTools(std::function<void()> release) {
    effects_.SetReleaseMeasuringTools(std::move(release));
}

void PictureCommands::pressEffect(int id) {
    effects_.Press(id);
    for (int e = ids::kHorMirror; e <= ids::kBlue; ++e)
        commands_.setSelected(e, effects_.IsPressed(e));
}

void PictureCommands::setResolution(int width, int height) {
    session_.SetResolution(width, height);
    showCaptureSize();
    client_->update();
}

void PictureCommands::showConnection(bool connected, const QString& message) {
    commands_.enableButtons(connected);
    if (!connected) view_->ClearSurface();
    view_->SetCentreMessage(message);
    showCaptureSize();
}

void PictureCommands::showCaptureSize() {
    const QSize size = session_.captureSize();
    client_->setResolutionText(QString::asprintf("%d%s%d", size.width(), "*", size.height()),
                               resolutionFont_);
    // Guides over a view without frames are drawn for this size meanwhile.
    view_->surface().SetPictureSize(size);
}

} // namespace tvx

#include "ui/main/device_menu.h"

#include "capture/capture_engine.h"
#include "platform/language.h"
#include "session/capture_session.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace tvx {

DeviceMenu::DeviceMenu(CaptureSession& session, QWidget* window)
    : QObject(window), session_(session), menu_(new QMenu(window)) {
    setObjectName(QStringLiteral("deviceMenu"));
    menu_->setObjectName(QStringLiteral("deviceMenu"));
    connect(menu_, &QMenu::aboutToShow, this, &DeviceMenu::fill);
    fill();
}

void DeviceMenu::AddTo(QMenuBar* bar) {
    menu_->setTitle(Text("DeviceMenu", "&Device"));
    // A child of the bar, so that it takes the bar's look as its neighbours do.
    if (menu_->parentWidget() != bar) menu_->setParent(bar, menu_->windowFlags());
    bar->addMenu(menu_);
}

void DeviceMenu::fill() {
    menu_->clear();
    CaptureEngine* engine = session_.engine();
    auto* devices = new QActionGroup(menu_);
    for (int row = 0; row < engine->DeviceCount(); ++row) {
        const DeviceSlot& slot = engine->DeviceTable()[size_t(row)];
        if (!slot.device) continue;
        QAction* a = menu_->addAction(slot.friendlyName);
        a->setCheckable(true);
        a->setChecked(slot.selected == 1);
        devices->addAction(a);
        const QString identity = slot.device->Identity();
        connect(a, &QAction::triggered, this,
                [this, identity] { session_.ChooseCamera(identity); });
    }
    if (devices->actions().isEmpty()) {
        menu_->addAction(Text("DeviceMenuNone", "No camera attached"))->setEnabled(false);
        return;
    }
    const std::vector<QSize> sizes = engine->OfferedSizes();
    if (sizes.empty()) return;
    menu_->addSeparator();
    auto* sizeGroup = new QActionGroup(menu_);
    const QSize current = session_.captureSize();
    for (const QSize& size : sizes) {
        QAction* a =
            menu_->addAction(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
        a->setCheckable(true);
        a->setChecked(size == current);
        sizeGroup->addAction(a);
        connect(a, &QAction::triggered, this,
                [this, size] { session_.SetResolution(size.width(), size.height()); });
    }
}

} // namespace tvx

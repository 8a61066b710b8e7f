#include "ui/main/device_menu.h"

#include "capture/capture_engine.h"
#include "platform/language.h"
#include "session/capture_session.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>

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
    const int64_t currentTime = engine->CurrentFormat().avgTimePerFrame;
    // The microscope's sizes stand alone as they always have; another
    // camera's size is offered at each of its rates where it has several.
    const CaptureDevice* device = engine->CurrentDevice();
    const bool rated = device && KnownDeviceStatus(device->DisplayName()) < 0;
    for (const QSize& size : sizes) {
        const QString name = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
        const bool currentSize = size == current;
        std::vector<OfferedRate> rates =
            rated ? engine->OfferedRates(size) : std::vector<OfferedRate>();
        if (rates.size() < 2) rates = {OfferedRate{}};
        for (const OfferedRate& rate : rates) {
            QAction* a = menu_->addAction(rate.num > 0 ? name + QStringLiteral(" @ ") +
                                                             QString::number(rate.value(), 'g', 4)
                                                       : name);
            a->setCheckable(true);
            // Frame times are truncated as devices report them: within a unit is the same rate.
            a->setChecked(currentSize &&
                          (rate.num == 0 || std::abs(rate.frameTime() - currentTime) <= 1));
            sizeGroup->addAction(a);
            connect(a, &QAction::triggered, this, [this, size, t = rate.frameTime()] {
                session_.SetResolution(size.width(), size.height(), nullptr, t);
            });
        }
    }
}

} // namespace tvx

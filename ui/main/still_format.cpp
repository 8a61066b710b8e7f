#include "ui/main/still_format.h"

#include "measure/geometry.h"
#include "measure/live_guides.h"
#include "measure/picture_scale.h"
#include "platform/settings.h"

#include <QAction>

namespace tvx {

namespace {
constexpr const char* kTiffKey = "StillTiff";
}

StillFormatChoice::StillFormatChoice(QAction* tiff, std::function<Magnification()> magnification,
                                     SettingsStore& settings, const MeasuringScope& scope,
                                     QObject* parent)
    : QObject(parent), tiff_(tiff), magnification_(std::move(magnification)), settings_(settings),
      scope_(scope) {
    tiff_->setChecked(settings_.ReadOwnSwitch(kTiffKey));
    connect(tiff_, &QAction::toggled, this,
            [this](bool on) { settings_.WriteOwnSwitch(kTiffKey, on); });
}

StillFormat StillFormatChoice::For(QSize picture) const {
    StillFormat f;
    f.tiff = tiff_ && tiff_->isChecked();
    if (!f.tiff) return f;
    const Magnification m = magnification_();
    const MagnificationReading r = ReadMagnification({m.calibrated, m.nominal, false});
    if (r.magnification)
        f.scale =
            PictureScale(picture, *r.magnification, LeadingNumber(m.calibrated) != 0,
                         MeasuringUnit(settings_.values().unit, scope_), scope_.pitchKnown.load());
    return f;
}

} // namespace tvx

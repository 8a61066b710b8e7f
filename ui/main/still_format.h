#pragma once

#include "session/still_saver.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;

namespace tvx {

class SettingsStore;
struct MeasuringScope;

// The still format setting: BMP as always, or TIFF stills that carry their
// pixel size at the magnification in force (the calibrated one when there
// is one). Its checkable action is kept as a setting across runs.
class StillFormatChoice : public QObject {
    Q_OBJECT
public:
    struct Magnification {
        QString calibrated; // the calibration box
        QString nominal;    // the magnification box
    };
    StillFormatChoice(QAction* tiff, std::function<Magnification()> magnification,
                      SettingsStore& settings, const MeasuringScope& scope,
                      QObject* parent = nullptr);

    StillFormat For(QSize picture) const;

private:
    QPointer<QAction> tiff_;
    std::function<Magnification()> magnification_;
    SettingsStore& settings_;
    const MeasuringScope& scope_;
};

} // namespace tvx

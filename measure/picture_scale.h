#pragma once

#include "imaging/tiff_scale.h"

#include <QSize>
#include <QString>

namespace tvx {

// The pixel size of a picture of `picture` size measured at `magnification`
// in the unit (the settings' name), as the measuring tools would measure it,
// with the unit's names for ImageJ and OME and a note saying whether the
// magnification was calibrated. No scale for a magnification that is none,
// nor in kPixelUnit (an uncalibrated camera), whose note says so.
// `pitchKnown` is false for a camera without a pitch of its own.
PixelScale PictureScale(QSize picture, double magnification, bool calibrated, const QString& unit,
                        bool pitchKnown);

} // namespace tvx

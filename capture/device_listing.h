#pragma once

#include "capture/device_source.h"

#include <QString>
#include <vector>

namespace tvx {

// One line per format a device offers: "MJPG 1920x1080 @ 30, 15" (the
// four-character code, the size, the rates a second). Ranges are written
// as GStreamer writes them.
QStringList FormatLines(const GstCaps* caps);

// The capture devices this program sees, each with its name, identity,
// formats and whether a snapshot button was found: what a user attaches to
// a bug report. The providers are started here; the caller keeps them.
QString DeviceListing(const std::vector<DeviceProvider*>& providers);

} // namespace tvx

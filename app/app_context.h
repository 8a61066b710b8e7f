#pragma once

#include "measure/calibration.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "ui/skin/widget_prompts.h"

namespace tvx {

// What the parts of one run share: the settings file, the dialogs that ask
// and tell the user, the calibration in force and the language of the texts. Made once the
// application object exists and handed down piece by piece; whatever receives a piece holds only a
// reference to it, so the context outlives the window.
struct AppContext {
    SettingsStore settings;
    WidgetPrompts prompts;
    CalibrationState calibration;
    Language language;
};

} // namespace tvx

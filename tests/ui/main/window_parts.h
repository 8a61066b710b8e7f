#pragma once

#include "capture/capture_engine.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "session/capture_session.h"
#include "ui/files/file_commands.h"
#include "ui/main/client_area.h"
#include "ui/main/command_table.h"
#include "ui/main/device_settings_glue.h"
#include "ui/main/file_list_panel.h"
#include "ui/main/full_screen.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/live_tools.h"
#include "ui/main/live_view.h"
#include "ui/main/magnification_boxes.h"
#include "ui/main/main_window.h"
#include "ui/main/recording_commands.h"
#include "ui/main/recording_glue.h"
#include "ui/main/still_commands.h"
#include "ui/main/still_feedback.h"
#include "ui/skin/menu_xp.h"

#include <QLineEdit>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tvx::test {

// The features of a main window, found among its children as a user's
// clicks would reach them.
class Parts {
public:
    explicit Parts(MainWindow& window) : w_(window) {}

    template <class T> T& get() const {
        T* part = w_.findChild<T*>();
        if (!part) {
            ADD_FAILURE() << "the window has no " << T::staticMetaObject.className();
            std::abort();
        }
        return *part;
    }

    CaptureSession& session() const { return get<CaptureSession>(); }
    CommandActions& commands() const { return get<CommandActions>(); }
    void OnCommand(int id) const { commands().trigger(id); }
    // As the language menu switches.
    void SwitchLanguage(int primary, int sub) const {
        for (const LanguageMenuItem& item : kLanguageMenu)
            if (item.primary == primary && item.sub == sub) OnCommand(item.command);
    }
    bool inPreviewState() const { return session().isPreviewRunning(); }

    MagnificationBoxes& boxes() const { return get<MagnificationBoxes>(); }
    QLineEdit* magnificationBox() const { return boxes().magnificationBox(); }
    QLineEdit* calibrationBox() const { return boxes().calibrationBox(); }
    QString magnificationText() const { return boxes().magnificationText(); }
    QString calibrationText() const { return boxes().calibrationText(); }

    LiveTools& liveTools() const { return get<LiveTools>(); }
    LiveMeasure& liveMeasure() const { return liveTools().measure(); }
    LiveGuides& guides() const { return liveTools().guides(); }
    LiveShapes& liveShapes() const { return liveTools().shapes(); }
    std::unique_ptr<CMenuXP> buildLiveMenu() const { return liveTools().BuildMenu(); }
    CLiveView* liveView() const { return &get<CLiveView>(); }
    // Guides and measurements over the frames and in stills.
    void SetOverlay(LiveLayer layer, LiveOverlay* overlay) const {
        get<StillCommands>().overlays().SetOverlay(layer, overlay);
        liveView()->surface().SetOverlay(layer, overlay);
    }

    StillCommands& stills() const { return get<StillCommands>(); }
    QString lastSavedStill() const { return stills().lastSaved(); }
    StillFeedback& stillFeedback() const { return get<StillFeedback>(); }
    ErrorReporter& errorReporter() const { return get<ErrorReporter>(); }

    RecordingCommands& recording() const { return get<RecordingCommands>(); }
    bool isRecording() const { return recording().isRecording(); }
    void SetRecorder(RecorderControl* recorder) const { recording().SetRecorder(recorder); }
    void SetRecording(bool on) const { recording().SetRecording(on); }
    void ShowRecordingSeconds(int seconds) const { recording().ShowSeconds(seconds); }
    RecordingGlue* recordingGlue() const { return &get<RecordingGlue>(); }

    FullScreenMode& fullScreen() const { return get<FullScreenMode>(); }
    void EnterFullScreen() const { fullScreen().Enter(); }
    void LeaveFullScreen() const { fullScreen().Leave(); }
    bool isFullScreenMode() const { return fullScreen().isOn(); }

    FileListPanel& fileList() const { return get<FileListPanel>(); }
    FileCommands& fileCommands() const { return fileList().files(); }
    QMenu* fileMenu() const { return fileList().menu(); }
    int listMode() const { return fileList().listMode(); }
    DeviceSettingsGlue& deviceSettings() const { return get<DeviceSettingsGlue>(); }
    QTimer* startupTimer() const { return w_.findChild<QTimer*>(QStringLiteral("startupTimer")); }
    // The folders the window made at start-up.
    const StorageFolders& storage() const { return fileList().storage(); }
    QString calibrationFilePath() const { return CalibrationFilePath(); }

private:
    MainWindow& w_;
};

} // namespace tvx::test

namespace tvx {
using test::Parts;
} // namespace tvx

#pragma once

#include "platform/folders.h"

#include <QObject>

class QMenu;
class QWidget;

namespace tvx {

class SettingsStore;

class Prompts;

class CClientArea;
class CommandActions;
class FileCommands;
struct CalibrationState;

// The file list on the left of the window: its two tabs (pictures and
// videos), its commands, and opening an entry in Photo Measure or the
// player. UI thread.
class FileListPanel : public QObject {
    Q_OBJECT
public:
    // Pictures opened from the list are measured with `calibration`.
    FileListPanel(CClientArea* client, CommandActions& commands, CalibrationState& calibration,
                  Prompts& prompts, SettingsStore& settings, const StorageFolders& storage,
                  QString messageTitle, QWidget* window);
    ~FileListPanel() override;

    FileCommands& files() { return *files_; }
    // The folders listed, and where mail copies go.
    const StorageFolders& storage() const { return storage_; }
    QWidget* view() const;
    // The list's right-click menu, built from the command table.
    QMenu* menu() const { return menu_; }
    // 1 pictures, 0 videos.
    int listMode() const { return listMode_; }
    void SetListMode(int mode);

    // New files join the list.
    void AddStill(const QString& path);
    void AddRecording(const QString& path);

signals:
    // Photo Measure wrote a picture.
    void measuredPictureSaved(const QString& path);
    // Photo Measure stored a calibration.
    void calibrationStored();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    CalibrationState& calibration_;
    Prompts& prompts_;
    SettingsStore& settings_;
    StorageFolders storage_;
    CClientArea* client_;
    QWidget* window_;
    QMenu* menu_;
    std::unique_ptr<FileCommands> files_;
    int listMode_ = 1;
};

} // namespace tvx

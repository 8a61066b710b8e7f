#pragma once

#include "ui/main/main_window_ids.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <Qt>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace tvx {

class CBitmapButton;
class ToolbarRow;

// One command of the main window, described once: its button (pictures and
// place), tool tip, menu label and hot key. Numbers 0 and null texts mean
// "has none".
struct CommandRow {
    int id;
    int up;       // picture number of the button; 0: no button
    int down;     // picture while pressed or selected
    int disabled; // picture while disabled; 0: the shown one, faded
    int x, y;     // place on the toolbar band as the skin draws it
    const char* tipKey;
    const char* tipDefault;
    const char* menuKey;
    const char* menuDefault;
    int hotKey;     // a Qt::Key, 0 for none
    bool checkable; // the button shows a selected state its action carries
    bool hidden;    // the button is made but never shown
};

// The commands of the main window but the measuring tools' buttons, which
// their rows in the tool registry describe (see CommandRows).
inline constexpr CommandRow kCommands[] = {
    // id, up, down, disabled, x, y, tip key, tip, menu key, menu text, hot key, checkable, hidden
    {ids::kPreview, 155, 355, 0, 20, 2, "TipPreview", "Preview", nullptr, nullptr, 0, true, true},
    {ids::kCamera, 150, 350, 0, 3, 2, "TipCamera", "Camera", "Take Picture",
     "Take Picture...      F2", Qt::Key_F2, false, false},
    {ids::kVideo, 151, 351, 0, 38, 2, "TipVideo", "Recording Video", "Take Video",
     "Take Video/Stop...   F3/F4", 0, false, false},
    {ids::kClock, 152, 352, 0, 73, 2, "TipTimer", "Timer", "Take time lapsed Pictures",
     "Take time lapsed Pictures", 0, false, false},
    {ids::kDeviceSetting, 156, 356, 0, 20, 0, "TipSetting", "Setting", "Device...",
     "Device Settings", 0, false, true},
    {ids::kSave, 153, 353, 0, 143, 2, "TipSave", "Save as", nullptr, nullptr, 0, false, false},
    {ids::kEMail, 154, 354, 0, 108, 2, "TipEMail", "E-Mail", nullptr, nullptr, 0, false, false},
    {ids::kHorMirror, 287, 286, 0, 210, 6, "TipHorMirror", "Horizontal Mirror", nullptr, nullptr, 0,
     true, false},
    {ids::kVerMirror, 289, 288, 0, 240, 6, "TipVerMirror", "Vertical Mirror", nullptr, nullptr, 0,
     true, false},
    {ids::kNegative, 291, 290, 0, 270, 6, "TipNegative", "Negative", nullptr, nullptr, 0, true,
     false},
    {ids::kBinary, 293, 292, 0, 300, 6, "TipBinarysegmentation", "Binary Segmentation", nullptr,
     nullptr, 0, true, false},
    {ids::kRed, 295, 294, 0, 330, 6, "TipRED", "Red Display", nullptr, nullptr, 0, true, false},
    {ids::kGreen, 283, 282, 0, 360, 6, "TipGreen", "Green Display", nullptr, nullptr, 0, true,
     false},
    {ids::kBlue, 301, 300, 0, 390, 6, "TipBlue", "Blue Display", nullptr, nullptr, 0, true, false},
    {ids::kMeasureOther, 325, 324, 0, 830, 6, nullptr, nullptr, nullptr, nullptr, 0, false, false},
    // Commands of the menus only.
    {ids::kOpen, 0, 0, 0, 0, 0, nullptr, nullptr, "Open", "Open...", 0, false, false},
    {ids::kSaveAs, 0, 0, 0, 0, 0, nullptr, nullptr, "Save", "Save As", 0, false, false},
    {ids::kDelete, 0, 0, 0, 0, 0, nullptr, nullptr, "Delete", "Delete...", 0, false, false},
    {ids::kDeleteAll, 0, 0, 0, 0, 0, nullptr, nullptr, "DeleteAll", "Delete All", 0, false, false},
    {ids::kMenuEMail, 0, 0, 0, 0, 0, nullptr, nullptr, "EMail", "E-Mail...", 0, false, false},
    {ids::kQuit, 0, 0, 0, 0, 0, nullptr, nullptr, "Quit", "Quit                      Ctrl+Q",
     (Qt::CTRL | Qt::Key_Q).toCombined(), false, false},
    // Maximising maximises: full screen has a command of its own.
    {ids::kFullScreen, 0, 0, 0, 0, 0, nullptr, nullptr, "FullScreen", "Full Screen    Ctrl+F",
     (Qt::CTRL | Qt::Key_F).toCombined(), false, false},
    {ids::kRes640, 0, 0, 0, 0, 0, nullptr, nullptr, "640*480", "640*480    F11", Qt::Key_F11, false,
     false},
    {ids::kRes720, 0, 0, 0, 0, 0, nullptr, nullptr, "720*480", "720*480    F12", Qt::Key_F12, false,
     false},
    {ids::kPenSettings, 0, 0, 0, 0, 0, nullptr, nullptr, "Setting", "Settings", 0, false, false},
    {ids::kCrossLine, 0, 0, 0, 0, 0, nullptr, nullptr, "Cross", "Cross Line", 0, false, false},
    {ids::kScale, 0, 0, 0, 0, 0, nullptr, nullptr, "Scale", "Scale", 0, false, false},
    {ids::kCircle, 0, 0, 0, 0, 0, nullptr, nullptr, "Circle", "Circle", 0, false, false},
    {ids::kManual, 0, 0, 0, 0, 0, nullptr, nullptr, "ViewZandorManual", "Help", 0, false, false},
    {ids::kUpdate, 0, 0, 0, 0, 0, nullptr, nullptr, "ViewZandorUpdate", "Update", 0, false, false},
    {ids::kAbout, 0, 0, 0, 0, 0, nullptr, nullptr, "ViewZandorAbout", "About", 0, false, false},
    // Commands of the hot keys only.
    {ids::kStartRecording, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, Qt::Key_F3, false,
     false},
    {ids::kStopRecording, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, Qt::Key_F4, false,
     false},
    // The live measurement list's commands (their buttons come with the tools).
    {ids::kUndo, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, false, false},
    {ids::kRedo, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, false, false},
    {ids::kDeleteAllMeasures, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, false, false},
    // Focus aids and the measurement export.
    {ids::kFocusMeter, 0, 0, 0, 0, 0, nullptr, nullptr, "FocusMeter", "Focus Meter", 0, true,
     false},
    {ids::kSharpestStill, 0, 0, 0, 0, 0, nullptr, nullptr, "SharpestStill",
     "Sharpest Picture of the Last Second", 0, true, false},
    {ids::kScaleBar, 0, 0, 0, 0, 0, nullptr, nullptr, "ScaleBar", "Scale Bar", 0, true, false},
    {ids::kStillTiff, 0, 0, 0, 0, 0, nullptr, nullptr, "StillTiff",
     "Save Pictures as TIFF with Their Scale", 0, true, false},
    {ids::kExportMeasures, 0, 0, 0, 0, 0, nullptr, nullptr, "ExportMeasures",
     "Export measurements...", 0, false, false},
    {ids::kCopyMeasures, 0, 0, 0, 0, 0, nullptr, nullptr, "CopyMeasures", "Copy measurements", 0,
     false, false},
    // Focus stacking and its settings.
    {ids::kStack, 157, 357, 0, 178, 2, "TipStack", "Focus Stack", "StackSweep",
     "Stack a Focus Sweep   F6", Qt::Key_F6, true, false},
    {ids::kStackDepthMap, 0, 0, 0, 0, 0, nullptr, nullptr, "StackDepthMap",
     "Save the Depth Map of Stacks", 0, true, false},
    {ids::kStackKeepFrames, 0, 0, 0, 0, 0, nullptr, nullptr, "StackKeepFrames",
     "Keep the Frames of Stacks", 0, true, false},
};

// Every command of the main window: the table above, then one row per
// measuring tool button. The buttons are made in this order.
const std::vector<CommandRow>& CommandRows();

// The command number an action of the window's menus stands for; 0 for others.
int CommandOf(const QAction* action);

// The commands of the main window made real: one QAction each (and one per
// language of the language menu), the bitmap buttons that trigger them, the
// hot keys and the menus. A feature connects to its own actions. UI thread.
class CommandActions : public QObject {
    Q_OBJECT
public:
    // Actions belong to `window`, which also takes the hot keys; buttons are
    // placed on `toolbar`, whose overflow menu offers those that do not fit.
    CommandActions(QWidget* window, ToolbarRow* toolbar);

    QAction* action(int id) const { return actions_.value(id); }
    CBitmapButton* button(int id) const { return buttons_.value(id); }
    // Triggers a command as its button, menu item or hot key would.
    bool trigger(int id) const;

    // Selected state of a command's button (and check mark of its action).
    void setSelected(int id, bool selected);
    bool isSelected(int id) const;
    void enableButtons(bool on);
    // Shows the buttons (never the hidden ones) or hides them all.
    void showButtons(bool on);
    // Labels the actions and the tool tips from the current language file;
    // without tool tips when `toolTips` is false (full screen).
    void relabel(bool toolTips);
    // Tool tips currently set, one per button that has one.
    int toolTipCount() const;
    // Fills the menu bar and the file list's popup menu from the actions.
    void buildMenus(QMenuBar* bar, QMenu* popup);

private:
    void offer(QMenu& menu, const QList<QWidget*>& buttons) const;

    ToolbarRow* toolbar_;
    QMap<int, QAction*> actions_;
    QMap<int, CBitmapButton*> buttons_;
};

} // namespace tvx

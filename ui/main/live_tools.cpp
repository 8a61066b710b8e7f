#include "ui/main/live_tools.h"

#include "measure/calibration.h"
#include "measure/font_file.h"
#include "measure/geometry.h"
#include "platform/language.h"
#include "platform/settings.h"
#include "session/capture_session.h"
#include "ui/main/command_table.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/live_view.h"
#include "ui/main/magnification_boxes.h"
#include "ui/measure/photo_measure_dialog.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/menu_xp.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QCursor>
#include <QShortcut>
#include <QSignalBlocker>

namespace tvx {

namespace {

constexpr const char* kScaleBarKey = "ScaleBar";

// Commands show their own pictures; the guides are switches and show a
// tick when on, nothing when off.
struct LiveMenuItem {
    int id; // 0: separator
    const char* key;
    const char* defaultText;
    const char* icon; // null for a switch
};
constexpr LiveMenuItem kLiveMenu[] = {
    {ids::kUndo, "Undo", "Undo", ":/icons/menu_undo.svg"},
    {ids::kRedo, "Redo", "Redo", ":/icons/menu_redo.svg"},
    {ids::kDeleteAllMeasures, "DeleteAll", "Delete All", ":/icons/menu_delete_all.svg"},
    {0, nullptr, nullptr, nullptr},
    {ids::kCrossLine, "Cross", "Crosshair", nullptr},
    {ids::kScale, "Scale", "Scale line", nullptr},
    {ids::kCircle, "Circle", "circle Grid", nullptr},
    {ids::kScaleBar, "ScaleBar", "Scale Bar", nullptr},
    {0, nullptr, nullptr, nullptr},
    {ids::kPenSettings, "Setting", "Settings", ":/icons/menu_settings.svg"},
    {0, nullptr, nullptr, nullptr},
    {ids::kExportMeasures, "ExportMeasures", "Export measurements...", ":/icons/menu_export.svg"},
    {ids::kCopyMeasures, "CopyMeasures", "Copy measurements", ":/icons/menu_copy.svg"},
    {0, nullptr, nullptr, nullptr},
    {ids::kStack, "StackSweep", "Stack a Focus Sweep   F6", ":/icons/menu_stack.svg"},
};

} // namespace

LiveTools::LiveTools(CaptureSession& session, CommandActions& commands, CLiveView* view,
                     MagnificationBoxes& boxes, SettingsStore& settings, QWidget* window)
    : QObject(window), session_(session), commands_(commands), view_(view), boxes_(boxes),
      settings_(settings), window_(window) {
    setObjectName(QStringLiteral("liveTools"));
    const auto read = [this](bool nominal) { return boxes_.ReadForMeasuring(nominal, window_); };
    const auto current = [this](bool) { return boxes_.Current(); };
    guides_ = std::make_unique<LiveGuides>(LiveGuides::Hooks{
        [this] { return session_.isConnected(); }, [read] { return read(false); },
        [this] { return boxes_.Current(); },
        [this] { return MeasuringUnit(settings_.values().unit, boxes_.calibration().scope); },
        &boxes_.calibration().scope});
    // The nominal value is read for the calibration line only; it is never
    // the magnification in force.
    measure_ = std::make_unique<LiveMeasure>(
        shapes_, boxes_.calibration(), boxes_.prompts(), settings_, view_, window_,
        LiveMeasure::Hooks{read, current,
                           [this](int id, bool on) { commands_.setSelected(id, on); },
                           [this](int id) { return commands_.isSelected(id); },
                           [this] { return view_->surface().mapping(); }});
    // The guides use the magnification the boxes show, as the tools do.
    connect(&boxes_, &MagnificationBoxes::changed, this,
            [this] { guides_->Rescale(boxes_.Current()); });
    measure_->SetLabelFont(ReadMeasureFont().value_or(DefaultFontRecord()));

    // The scale bar is a setting: on at start when it was on at the end.
    QAction* scaleBar = commands_.action(ids::kScaleBar);
    scaleBar->setChecked(settings_.ReadOwnSwitch(kScaleBarKey) &&
                         guides_->SetScaleBar(true, false));
    connect(scaleBar, &QAction::toggled, this, [this, scaleBar](bool on) {
        if (on && !guides_->SetScaleBar(true, true)) {
            const QSignalBlocker block(scaleBar);
            scaleBar->setChecked(false);
            return;
        }
        if (!on) guides_->SetScaleBar(false, false);
        settings_.WriteOwnSwitch(kScaleBarKey, on);
        if (!session_.isPreviewRunning()) view_->ClearSurface();
    });

    const auto on = [this](int id, auto&& fn) {
        connect(commands_.action(id), &QAction::triggered, this, fn);
    };
    for (int id : {ids::kCrossLine, ids::kScale, ids::kCircle})
        on(id, [this, id] {
            // Without frames nothing would redraw the picture.
            if (guides_->Toggle(id) && !session_.isPreviewRunning()) view_->ClearSurface();
        });
    for (const ToolRow& tool : kToolRegistry)
        if (const int id = tool.button.command) on(id, [this, id] { measure_->ChooseTool(id); });
    on(ids::kMeasureOther, [this] { showMenu(); });
    on(ids::kPenSettings, [this] { penSettings(); });
    on(ids::kUndo, [this] { shapes_.Undo(); });
    on(ids::kRedo, [this] { shapes_.Redo(); });
    on(ids::kDeleteAllMeasures, [this] { shapes_.Clear(); });
    // The desktop's undo keys for the live measurements; a focused box keeps
    // them for its own text.
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence::Undo, ids::kUndo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), ids::kRedo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ids::kRedo}};
    for (const auto& [sequence, id] : keys) {
        auto* key = new QShortcut(sequence, window_);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, commands_.action(id), &QAction::trigger);
    }
}

LiveTools::~LiveTools() = default;

LiveOverlay* LiveTools::overlay(LiveLayer layer) {
    return layer == LiveLayer::Shapes ? measure_.get() : guides_->overlay(layer);
}

void LiveTools::ReleaseMeasuringButtons() {
    measure_->ReleaseButtons();
    commands_.setSelected(ids::kMeasureOther, false);
}

void LiveTools::penSettings() {
    // The label colour and unit reach the next live shape through the
    // settings; the font is held by the live measuring, so it is handed
    // over here rather than waiting for the next start.
    const PenSettingsOutcome out = RunPenSettings(boxes_.prompts(), settings_, window_);
    measure_->SetLabelFont(out.labelFont);
    // The guides measure in the unit the tools now use.
    guides_->Rescale(boxes_.Current());
}

std::unique_ptr<CMenuXP> LiveTools::BuildMenu() {
    auto menu = std::make_unique<CMenuXP>(window_);
    const GuideSnapshot g = guides_->snapshot();
    for (const LiveMenuItem& item : kLiveMenu) {
        if (item.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        QAction* a = menu->AppendItem(Text(item.key, item.defaultText), item.id,
                                      item.icon ? QIcon(QString::fromLatin1(item.icon)) : QIcon());
        if (!item.icon) {
            a->setCheckable(true);
            a->setChecked(item.id == ids::kCrossLine ? g.crossLine
                          : item.id == ids::kScale   ? g.ruler
                          : item.id == ids::kCircle  ? g.circleGrid
                                                     : g.scaleBar);
        }
        if (const QAction* command = commands_.action(item.id)) a->setEnabled(command->isEnabled());
    }
    return menu;
}

void LiveTools::showMenu() {
    measure_->Cancel();
    const std::unique_ptr<CMenuXP> menu = BuildMenu();
    const QWidget* button = commands_.button(ids::kMeasureOther);
    // A button in the toolbar's overflow menu is not there to hang the menu
    // from: it opens where that menu was clicked.
    const QPoint at = button && button->isVisible()
                          ? button->mapToGlobal(QPoint(0, button->height() - 4))
                          : QCursor::pos();
    if (const int id = menu->Track(at)) commands_.trigger(id);
}

} // namespace tvx

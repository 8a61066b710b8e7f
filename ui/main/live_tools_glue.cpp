// The guides, the live measuring tools and the live menu, plugged into the window.
#include "capture/capture_engine.h"
#include "measure/font_file.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "ui/main/live_guides_overlay.h"
#include "ui/main/live_measure.h"
#include "ui/main/main_window.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/menu_xp.h"
#include "ui/skin/skin.h"

#include <QAction>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>

namespace tvx {

namespace {

constexpr int kMenuItemIcon = 249;
constexpr const char* kScaleBarKey = "ScaleBar";

struct LiveMenuItem {
    int id; // 0: separator
    const char* key;
    const char* defaultText;
};
constexpr LiveMenuItem kLiveMenu[] = {
    {ids::kUndo, "Undo", "Undo"},
    {ids::kRedo, "Redo", "Redo"},
    {ids::kDeleteAllMeasures, "DeleteAll", "Delete All"},
    {0, nullptr, nullptr},
    {ids::kCrossLine, "Cross", "Crosshair"},
    {ids::kScale, "Scale", "Scale line"},
    {ids::kCircle, "Circle", "circle Grid"},
    {ids::kScaleBar, "ScaleBar", "Scale Bar"},
    {0, nullptr, nullptr},
    {ids::kPenSettings, "Setting", "Settings"},
    {0, nullptr, nullptr},
    {ids::kExportMeasures, "ExportMeasures", "Export measurements..."},
    {ids::kCopyMeasures, "CopyMeasures", "Copy measurements"},
    {0, nullptr, nullptr},
    {ids::kStack, "StackSweep", "Stack a Focus Sweep   F6"},
};

} // namespace

void MainWindow::plugLiveTools() {
    const auto current = [this](bool nominal) {
        return ReadMagnification({calBox_->text(), magBox_->text(), nominal}).magnification;
    };
    guides_ = std::make_unique<LiveGuides>(LiveGuides::Hooks{
        [this] { return session_->isConnected(); }, [this] { return readLiveMagnification(false); },
        [current] { return current(false); }, [] { return Settings().unit; }});
    measure_ = std::make_unique<LiveMeasure>(
        liveShapes_, liveView_, this,
        LiveMeasure::Hooks{[this](bool nominal) { return readLiveMagnification(nominal); }, current,
                           [this](int id, bool on) { commands_->setSelected(id, on); },
                           [this](int id) { return commands_->isSelected(id); },
                           [this] { return liveView_->surface().mapping(); }});
    // The guides use the magnification the boxes show, as the tools do.
    for (QLineEdit* box : {magBox_, calBox_})
        connect(box, &QLineEdit::textChanged, this,
                [this, current] { guides_->Rescale(current(false)); });
    // Queued: the tool finishes the calibration line's click first.
    connect(measure_.get(), &LiveMeasure::calibrated, this, &MainWindow::showNewMagnification,
            Qt::QueuedConnection);
    measure_->SetLabelFont(ReadMeasureFont().value_or(DefaultFontRecord()));
    SetOverlay(LiveLayer::Shapes, measure_.get());
    for (LiveLayer layer :
         {LiveLayer::CrossLine, LiveLayer::Ruler, LiveLayer::CircleGrid, LiveLayer::ScaleBar})
        SetOverlay(layer, guides_->overlay(layer));
    // The scale bar is a setting: on at start when it was on at the end.
    QAction* scaleBar = commands_->action(ids::kScaleBar);
    scaleBar->setChecked(ReadOwnSwitch(kScaleBarKey) && guides_->SetScaleBar(true, false));
    connect(scaleBar, &QAction::toggled, this, [this, scaleBar](bool on) {
        if (on && !guides_->SetScaleBar(true, true)) {
            const QSignalBlocker block(scaleBar);
            scaleBar->setChecked(false);
            return;
        }
        if (!on) guides_->SetScaleBar(false, false);
        WriteOwnSwitch(kScaleBarKey, on);
        if (!inPreviewState()) liveView_->ClearSurface();
    });

    const auto on = [this](int id, auto&& fn) {
        connect(commands_->action(id), &QAction::triggered, this, fn);
    };
    for (int id : {ids::kCrossLine, ids::kScale, ids::kCircle})
        on(id, [this, id] {
            // Without frames nothing would redraw the picture.
            if (guides_->Toggle(id) && !inPreviewState()) liveView_->ClearSurface();
        });
    for (int id : LiveMeasure::kToolButtons)
        on(id, [this, id] { measure_->ChooseTool(id); });
    on(ids::kMeasureOther, [this] { showLiveMenu(); });
    // The desktop's undo keys for the live measurements; a focused box keeps
    // them for its own text.
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence::Undo, ids::kUndo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), ids::kRedo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ids::kRedo}};
    for (const auto& [sequence, id] : keys) {
        auto* key = new QShortcut(sequence, this);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, commands_->action(id), &QAction::trigger);
    }
}

std::optional<double> MainWindow::readLiveMagnification(bool useNominal) {
    const MagnificationReading r =
        ReadMagnification({calBox_->text(), magBox_->text(), useNominal});
    options_.calibration->nominal = r.entered;
    if (!r.magnification) warn(windowTitle(), "EnterRate", "Please input the zoomIn scale!");
    return r.magnification;
}

std::unique_ptr<CMenuXP> MainWindow::buildLiveMenu() {
    auto menu = std::make_unique<CMenuXP>(this);
    const QIcon icon(SkinPixmap(kMenuItemIcon, devicePixelRatioF()));
    const GuideSnapshot g = guides_->snapshot();
    for (const LiveMenuItem& item : kLiveMenu) {
        if (item.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        QAction* a = menu->AppendItem(Text(item.key, item.defaultText), item.id, icon);
        const bool guide = item.id == ids::kCrossLine || item.id == ids::kScale ||
                           item.id == ids::kCircle || item.id == ids::kScaleBar;
        if (guide) {
            a->setCheckable(true);
            a->setChecked(item.id == ids::kCrossLine ? g.crossLine
                          : item.id == ids::kScale   ? g.ruler
                          : item.id == ids::kCircle  ? g.circleGrid
                                                     : g.scaleBar);
        }
        if (const QAction* command = commands_->action(item.id))
            a->setEnabled(command->isEnabled());
    }
    return menu;
}

void MainWindow::showLiveMenu() {
    measure_->Cancel();
    const std::unique_ptr<CMenuXP> menu = buildLiveMenu();
    const QWidget* button = commands_->button(ids::kMeasureOther);
    const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height() - 4))
                             : liveView_->mapToGlobal(QPoint(0, 0));
    if (const int id = menu->Track(at)) commands_->trigger(id);
}

} // namespace tvx

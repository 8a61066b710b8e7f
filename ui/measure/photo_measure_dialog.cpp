#include "ui/measure/photo_measure_dialog.h"

#include "imaging/cximage.h"
#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "measure/font_file.h"
#include "measure/tool_registry.h"
#include "platform/file_name.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/regular_file.h"
#include "platform/settings.h"
#include "ui/measure/measure_canvas_widget.h"
#include "ui/measure/measure_ids.h"
#include "ui/measure/measure_pictures.h"
#include "ui/measure/measurement_export_prompts.h"
#include "ui/measure/pen_setting_dialog.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/dialog_parts.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/menu_xp.h"
#include "ui/skin/plain_text.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <cmath>

namespace tvx {

namespace {

struct ToolbarEntry {
    int id;
    const char* tipKey;
    const char* tipDefault;
    int normal, latched;
    int x;
};
constexpr ToolbarEntry kToolbar[9] = {
    {PhotoMeasureId::Open, "TipOpen", "Open", MeasurePicture::OpenNormal,
     MeasurePicture::OpenLatched, 4},
    {PhotoMeasureId::Save, "TipSave", "Save", MeasurePicture::SaveNormal,
     MeasurePicture::SaveLatched, 56},
    {PhotoMeasureId::DrawingTools, "TipLine", "Paint", MeasurePicture::DrawNormal,
     MeasurePicture::DrawLatched, 107},
    {PhotoMeasureId::MeasuringTools, "TipCircle", "Measure", MeasurePicture::MeasureNormal,
     MeasurePicture::MeasureLatched, 158},
    {PhotoMeasureId::PenSettings, "TipRectangle", "Pen Setting", MeasurePicture::PenNormal,
     MeasurePicture::PenLatched, 209},
    {PhotoMeasureId::TextTool, "TipText", "Text Setting", MeasurePicture::TextNormal,
     MeasurePicture::TextLatched, 260},
    {PhotoMeasureId::Delete, "TipDelete", "Undo", MeasurePicture::DeleteNormal,
     MeasurePicture::DeleteLatched, 311},
    {PhotoMeasureId::Resume, "TipReDelete", "Redo", MeasurePicture::ResumeNormal,
     MeasurePicture::ResumeLatched, 362},
    {PhotoMeasureId::Calibration, "TipCalibration", "Calibration",
     MeasurePicture::CalibrationNormal, MeasurePicture::CalibrationLatched, 410},
};

// The measuring menu's own items after the tools (command 0: separator).
struct OwnItem {
    int command;
    const char* key;
    const char* text;
    int icon;
};
constexpr OwnItem kMeasuringTail[] = {
    {0, nullptr, nullptr, 0},
    {MeasureCommand::Units, "Units", "Units", MeasurePicture::IconUnits},
    {MeasureCommand::ScaleBar, "ScaleBar", "Scale Bar", 0},
    {0, nullptr, nullptr, 0},
    {MeasureCommand::ExportMeasurements, "ExportMeasures", "Export measurements...", 0},
    {MeasureCommand::CopyMeasurements, "CopyMeasures", "Copy measurements", 0},
};

constexpr int kInitialTool = int(MeasureTool::None);
constexpr const char* kPhotoScaleBarKey = "PhotoScaleBar";
constexpr double kDisplayScale = 1.0;

// Tool tips come up after 100 ms over the toolbar.
class QuickTipStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return 100;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

QString Title() {
    return Text("PhotoMeasure", "Photo Measure");
}

// The caption of the magnification box, written on its plate.
QPixmap RatePlatePixmap() {
    QPixmap plate = MeasurePixmap(MeasurePicture::RatePlate);
    QPainter q(&plate);
    q.setPen(QColor(0, 125, 255));
    const QFontMetrics fm(q.font());
    q.drawText(QPoint(8, 2 + fm.ascent()), Text("Rate", "Scale:"));
    return plate;
}

// A tools menu as the tool registry places its items; the measuring menu
// then has its own.
void BuildMenu(CMenuXP& menu, bool measuring) {
    menu.SetBackgroundColour(QColor(226, 227, 229));
    menu.SetHighlightColour(QColor(78, 135, 219));
    std::vector<const ToolMenuItem*> items;
    for (const ToolRow& tool : kToolRegistry) {
        const ToolMenuItem& item = measuring ? tool.measureMenu : tool.drawMenu;
        if (item.command != 0) items.push_back(&item);
    }
    std::stable_sort(items.begin(), items.end(), [](const ToolMenuItem* a, const ToolMenuItem* b) {
        return a->place < b->place;
    });
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && items[i]->place / 10 != items[i - 1]->place / 10) menu.AppendSeparator();
        menu.AppendItem(Text(items[i]->key, items[i]->text), items[i]->command,
                        MeasureMenuIcon(items[i]->icon));
    }
    if (!measuring) return;
    for (const OwnItem& e : kMeasuringTail) {
        if (e.command == 0)
            menu.AppendSeparator();
        else
            menu.AppendItem(Text(e.key, e.text), e.command, MeasureMenuIcon(e.icon));
    }
}

} // namespace

PhotoMeasureDialog::PhotoMeasureDialog(CalibrationState& calibration, Prompts& prompts,
                                       SettingsStore& settings, const QString& picturePath,
                                       QWidget* parent)
    : QDialog(parent), calibration_(calibration), prompts_(prompts), settings_(settings),
      path_(picturePath) {
    setWindowTitle(Title());
    InstallFontSubstitutes();

    // The toolbar keeps the skin's pixel places at its left; the canvas
    // takes whatever room the window has, the zoom sits under it.
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(kToolbar[0].x, 1, 0, 4);
    bar->setSpacing(0);
    root->addLayout(bar);

    auto* tipStyle = new QuickTipStyle;
    tipStyle->setParent(this);
    int right = kToolbar[0].x;
    for (const ToolbarEntry& t : kToolbar) {
        auto* b = new CLatchButton(this);
        b->Attach(this, t.id, 0, 0, 0);
        b->SetPictures(MeasurePixmap(t.normal), MeasurePixmap(t.latched));
        b->setFixedSize(b->sizeHint());
        b->setToolTip(PlainToolTip(Text(t.tipKey, t.tipDefault)));
        b->setStyle(tipStyle);
        bar->addSpacing(t.x - right);
        bar->addWidget(b, 0, Qt::AlignTop);
        right = t.x + b->width();
    }
    // The boxes' row starts 3 pixels below the buttons.
    auto* boxes = new QHBoxLayout;
    boxes->setContentsMargins(0, 3, 0, 0);
    boxes->setSpacing(0);
    bar->addLayout(boxes);
    const auto place = [&](QWidget* w, int x, QSize size) {
        w->setFixedSize(size);
        boxes->addSpacing(x - right);
        boxes->addWidget(w, 0, Qt::AlignTop);
        right = x + size.width();
    };
    calibrated_ = new QLineEdit(this);
    calibrated_->setProperty("controlId", int(PhotoMeasureId::Calibrated));
    calibrated_->setReadOnly(true);
    calibrated_->setEnabled(false);
    place(calibrated_, 455, QSize(46, 22));
    toolName_ = new QLineEdit(this);
    toolName_->setProperty("controlId", int(PhotoMeasureId::ToolName));
    toolName_->setReadOnly(true);
    place(toolName_, 505, QSize(52, 22));
    // The caption plate of the magnification box, 5 pixels lower than the boxes.
    auto* plate = new QLabel(this);
    plate->setContentsMargins(0, 5, 0, 0);
    plate->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    plate->setPixmap(RatePlatePixmap());
    place(plate, 560, QSize(55, 25));
    nominal_ = new QLineEdit(this);
    nominal_->setProperty("controlId", int(PhotoMeasureId::Nominal));
    // To the toolbar's right edge: "60.0" needs more than the 30 pixels once given.
    nominal_->setTextMargins(0, 0, 0, 0);
    place(nominal_, 615, QSize(34, 22));
    bar->addStretch(1);
    connect(nominal_, &QLineEdit::textChanged, this, &PhotoMeasureDialog::OnNominalChanged);

    frame_ = new QFrame(this);
    frame_->setProperty("controlId", int(PhotoMeasureId::CanvasFrame));
    frame_->setFrameShape(QFrame::NoFrame);
    auto* frameLayout = new QHBoxLayout(frame_);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(5, 0, 4, 0);
    middle->addWidget(frame_);
    root->addLayout(middle, 1);

    auto* zoomRow = new QHBoxLayout;
    zoomRow->setContentsMargins(5, 4, 4, 4);
    zoomRow->setSpacing(6);
    zoomRow->addStretch(1);
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setMinimumWidth(
        QFontMetrics(zoomLabel_->font()).horizontalAdvance(QStringLiteral("8888 %")));
    zoomLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette light = zoomLabel_->palette();
    light.setColor(QPalette::WindowText, QColor(226, 227, 229));
    zoomLabel_->setPalette(light);
    zoomRow->addWidget(zoomLabel_);
    zoomBox_ = new QComboBox(this);
    zoomBox_->setFocusPolicy(Qt::NoFocus);
    zoomBox_->addItem(Text("ZoomFit", "Fit"), 0.0);
    for (int percent : {100, 200, 400})
        zoomBox_->addItem(QStringLiteral("%1 %").arg(percent), percent / 100.0);
    zoomBox_->setToolTip(PlainToolTip(QStringLiteral("Ctrl+0, Ctrl+1, Ctrl++, Ctrl+-")));
    zoomRow->addWidget(zoomBox_);
    root->addLayout(zoomRow);
    connect(zoomBox_, qOverload<int>(&QComboBox::activated), this,
            &PhotoMeasureDialog::OnZoomChosen);
    struct ZoomKey {
        QList<QKeySequence> keys;
        std::function<void(CMeasureCanvas&)> act;
    };
    const ZoomKey zoomKeys[] = {
        {{QKeySequence(Qt::CTRL | Qt::Key_0)}, [](CMeasureCanvas& c) { c.ZoomToFit(); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_1)}, [](CMeasureCanvas& c) { c.ZoomTo(1.0); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [](CMeasureCanvas& c) { c.ZoomStep(true); }},
        {{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [](CMeasureCanvas& c) { c.ZoomStep(false); }},
    };
    for (const ZoomKey& z : zoomKeys) {
        auto* action = new QAction(this);
        action->setShortcuts(z.keys);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, act = z.act] {
            if (canvas_) act(*canvas_);
        });
    }

    undoAction_ = new QAction(this);
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = new QAction(this);
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    addAction(undoAction_);
    addAction(redoAction_);
    connect(undoAction_, &QAction::triggered, this, &PhotoMeasureDialog::OnDelete);
    connect(redoAction_, &QAction::triggered, this, &PhotoMeasureDialog::OnResume);

    connect(button(PhotoMeasureId::Open), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnOpen);
    connect(button(PhotoMeasureId::Save), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnSave);
    connect(button(PhotoMeasureId::DrawingTools), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnDrawingTools);
    connect(button(PhotoMeasureId::MeasuringTools), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnMeasuringTools);
    connect(button(PhotoMeasureId::PenSettings), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnPenSettings);
    connect(button(PhotoMeasureId::TextTool), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnText);
    connect(button(PhotoMeasureId::Delete), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnDelete);
    connect(button(PhotoMeasureId::Resume), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnResume);
    connect(button(PhotoMeasureId::Calibration), &QAbstractButton::clicked, this,
            &PhotoMeasureDialog::OnCalibration);

    // A picture that cannot be read leaves the dialog without a canvas, as
    // before any picture; Open can still bring one.
    const int type = ImageTypeFromPath(picturePath);
    if (type == kImageTypeNone || !CxImage(picturePath, type).IsValid() ||
        !ShowPicture(picturePath)) {
        UpdateHistory(false, false);
        SizeForPicture();
    }
    ShowZoom();
}

PhotoMeasureDialog::~PhotoMeasureDialog() {
    delete canvas_;
}

bool PhotoMeasureDialog::ShowPicture(const QString& path) {
    auto* next = new CMeasureCanvas(this, calibration_, prompts_, settings_, path, kInitialTool,
                                    kDisplayScale);
    if (!next->model().hasPicture()) {
        delete next;
        return false;
    }
    delete canvas_;
    canvas_ = next;
    path_ = path;
    savedRender_ = QImage();
    // Nothing of the picture before carries over: its magnification, its
    // tool and a calibration it had begun all belong to it.
    magnification_ = 0;
    calibrationPending_ = false;
    canvas_->model().SetMagnification(magnification_);
    connect(canvas_, &CMeasureCanvas::historyChanged, this, &PhotoMeasureDialog::UpdateHistory);
    // Queued: the canvas finishes the calibration line's click first.
    connect(canvas_, &CMeasureCanvas::calibrated, this, &PhotoMeasureDialog::OnCalibrated,
            Qt::QueuedConnection);
    frame_->layout()->addWidget(canvas_);
    canvas_->show();
    // The keyboard starts at the picture: Space pans it at once.
    canvas_->setFocus();
    connect(canvas_, &CMeasureCanvas::zoomChanged, this, &PhotoMeasureDialog::ShowZoom);
    SizeForPicture();
    ShowZoom();

    const QString tag = canvas_->model().magnificationTag();
    {
        const QSignalBlocker block(nominal_);
        nominal_->setText(tag);
    }
    QString calibrated;
    if (!tag.isEmpty()) {
        calibrated = LookupCalibration(ScopeCalibrationFile(calibration_.scope), tag);
        // The microscope's nominal magnification stands in for a calibration;
        // another camera has no pitch for it to scale, and reads pixels.
        if (calibrated.isEmpty() && calibration_.scope.pitchKnown.load()) calibrated = tag;
    }
    calibrated_->setText(calibrated);
    canvas_->model().SetScaleBar(settings_.ReadOwnSwitch(kPhotoScaleBarKey));
    UpdatePictureScale();
    toolName_->clear();
    ReleasePopups();
    CLatchButton* calibration = button(PhotoMeasureId::Calibration);
    calibration->Release();
    calibration->setEnabled(true);
    UpdateHistory(canvas_->model().HasShapes(), canvas_->model().HasRedo());
    return true;
}

void PhotoMeasureDialog::SizeForPicture() {
    // A hidden window's layouts learn of the new canvas only when asked.
    frame_->layout()->invalidate();
    frame_->updateGeometry();
    layout()->invalidate();
    layout()->activate(); // the nested layouts forget their old sizes
    QSize want = layout()->sizeHint();
    // Without a picture the well keeps the height of the smallest canvas.
    if (!canvas_) want.rheight() += 480;
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        // Room for a window manager's frame around it.
        want = want.boundedTo(screen->availableGeometry().size() - QSize(16, 40));
    }
    if (isVisible()) {
        if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
        want = want.expandedTo(size());
    }
    resize(want.expandedTo(minimumSizeHint()));
    // Placed now even while hidden: the canvas maps clicks by its size.
    layout()->activate();
}

void PhotoMeasureDialog::OnZoomChosen(int index) {
    if (!canvas_ || index < 0) return;
    const double factor = zoomBox_->itemData(index).toDouble();
    if (factor > 0)
        canvas_->ZoomTo(factor);
    else
        canvas_->ZoomToFit();
}

void PhotoMeasureDialog::ShowZoom() {
    const int percent = canvas_ ? canvas_->zoomPercent() : 100;
    zoomLabel_->setText(QStringLiteral("%1 %").arg(percent));
    int index = canvas_ && canvas_->fitted() ? 0 : -1;
    for (int i = 1; index < 0 && i < zoomBox_->count(); ++i)
        if (std::lround(zoomBox_->itemData(i).toDouble() * 100) == percent) index = i;
    zoomBox_->setCurrentIndex(index);
    zoomBox_->setEnabled(canvas_ != nullptr);
}

void PhotoMeasureDialog::UpdateHistory(bool canUndo, bool canRedo) {
    const std::pair<int, bool> states[] = {{PhotoMeasureId::Delete, canUndo},
                                           {PhotoMeasureId::Resume, canRedo}};
    for (const auto& [id, available] : states) {
        CLatchButton* b = button(id);
        b->setEnabled(available);
        if (available)
            b->Latch();
        else
            b->Release();
    }
    undoAction_->setEnabled(canUndo);
    redoAction_->setEnabled(canRedo);
}

CLatchButton* PhotoMeasureDialog::button(int id) const {
    for (CLatchButton* b : findChildren<CLatchButton*>())
        if (b->controlId() == id) return b;
    return nullptr;
}

void PhotoMeasureDialog::ReleasePopups() {
    button(PhotoMeasureId::DrawingTools)->Release();
    button(PhotoMeasureId::MeasuringTools)->Release();
}

void PhotoMeasureDialog::SetToolName(const char* key, const char* defaultText) {
    toolName_->setText(key ? Text(key, defaultText) : QString());
    toolName_->setCursorPosition(0); // the start of a long name shows
}

bool PhotoMeasureDialog::CheckMagnification() {
    magnification_ = LeadingNumber(calibrated_->text());
    const double nominal = LeadingNumber(nominal_->text());
    if (magnification_ != 0) {
        // Calibrating starts from the nominal value, not an earlier result.
        if (calibrationPending_) magnification_ = nominal;
    } else {
        magnification_ = nominal;
        if (magnification_ == 0) {
            ShowMessage(prompts_, Title(), Text("EnterRate", "Please input the zoomIn Rate!"),
                        Prompts::Icon::Warning);
            return false;
        }
    }
    if (canvas_) canvas_->model().SetMagnification(magnification_);
    return true;
}

void PhotoMeasureDialog::BuildDrawingMenu(CMenuXP& menu) const {
    BuildMenu(menu, false);
}

void PhotoMeasureDialog::BuildMeasuringMenu(CMenuXP& menu) const {
    BuildMenu(menu, true);
}

void PhotoMeasureDialog::PrepareMenu(int buttonId) {
    if (canvas_) canvas_->model().SetTool(MeasureCanvasModel::kNoTool, true);
    toolName_->clear();
    button(buttonId)->Latch();
    button(buttonId == PhotoMeasureId::DrawingTools ? PhotoMeasureId::MeasuringTools
                                                    : PhotoMeasureId::DrawingTools)
        ->Release();
}

void PhotoMeasureDialog::OnDrawingTools() {
    PrepareMenu(PhotoMeasureId::DrawingTools);
    CMenuXP menu(this);
    BuildDrawingMenu(menu);
    CLatchButton* b = button(PhotoMeasureId::DrawingTools);
    const int command = menu.Track(b->mapToGlobal(QPoint(0, b->height() - 2)));
    if (command) OnMenuCommand(command);
}

void PhotoMeasureDialog::OnMeasuringTools() {
    PrepareMenu(PhotoMeasureId::MeasuringTools);
    CMenuXP menu(this);
    BuildMeasuringMenu(menu);
    CLatchButton* b = button(PhotoMeasureId::MeasuringTools);
    const int command = menu.Track(b->mapToGlobal(QPoint(0, b->height() - 2)));
    if (command) OnMenuCommand(command);
}

void PhotoMeasureDialog::OnMenuCommand(int command) {
    if (command == MeasureCommand::ExportMeasurements) {
        OnExportMeasurements();
        return;
    }
    if (command == MeasureCommand::CopyMeasurements) {
        OnCopyMeasurements();
        return;
    }
    if (command == MeasureCommand::ScaleBar) {
        if (!canvas_) return;
        const bool on = !canvas_->model().scaleBar();
        settings_.WriteOwnSwitch(kPhotoScaleBarKey, on);
        canvas_->model().SetScaleBar(on);
        canvas_->Repaint(QRect());
        return;
    }
    // Any other command ("Units") does nothing.
    bool measuring = false;
    const ToolRow* tool = ToolOfMenuCommand(command, &measuring);
    if (!tool) return;
    if (measuring && !CheckMagnification()) return;
    if (canvas_) canvas_->model().SetTool(tool->canvasTool, measuring);
    const ToolMenuItem& item = measuring ? tool->measureMenu : tool->drawMenu;
    SetToolName(item.nameKey, item.nameDefault);
}

void PhotoMeasureDialog::OnPenSettings() {
    ReleasePopups();
    if (!canvas_) return;
    MeasureCanvasModel& m = canvas_->model();
    const auto stored = ReadMeasureFont();
    PenSettingDialog dialog(prompts_, settings_, this);
    dialog.setLabelColour(m.labelColour());
    dialog.setLineColour(m.penColour());
    dialog.setLabelFont(stored ? *stored : DefaultFontRecord());
    if (dialog.exec() != QDialog::Accepted) return;
    m.SetColours(dialog.lineColour(), dialog.labelColour());
    m.SetLabelFont(dialog.labelFont());
    // Without a font file the default font is used as it is and the label
    // spacing keeps following the stored size.
    if (stored) {
        const int64_t height = dialog.labelFont().lfHeight;
        settings_.WriteFontSize(uint32_t(height < 0 ? -height : height));
    }
    canvas_->Repaint(QRect());
}

void PhotoMeasureDialog::OnText() {
    toolName_->clear();
    button(PhotoMeasureId::DrawingTools)->Release();
    if (canvas_) {
        const auto stored = ReadTextFont();
        TextDialog dialog(stored ? *stored : DefaultFontRecord(), prompts_, settings_, this);
        if (dialog.exec() == QDialog::Accepted) {
            canvas_->model().SetTextStyle(dialog.textColour(), dialog.textFont());
            if (!canvas_->model().AddText(dialog.text()))
                ShowMessage(prompts_, Text("MsgTitle", "Tavolux"),
                            Text("InputText", "Please input text!"), Prompts::Icon::Warning);
        }
        canvas_->model().SetTool(int(MeasureTool::Text), true);
    }
}

// The buttons and keys follow the canvas's historyChanged.
void PhotoMeasureDialog::OnDelete() {
    ReleasePopups();
    if (canvas_) canvas_->model().Undo();
}

void PhotoMeasureDialog::OnResume() {
    ReleasePopups();
    if (canvas_) canvas_->model().Redo();
}

void PhotoMeasureDialog::OnCalibration() {
    calibrationPending_ = true;
    if (!CheckMagnification()) return;
    calibrationPending_ = false;
    if (canvas_) {
        canvas_->model().SetCalibrationMode(true);
        canvas_->model().SetTool(int(MeasureTool::Line), true);
    }
    CLatchButton* b = button(PhotoMeasureId::Calibration);
    b->Latch();
    b->setEnabled(false);
    SetToolName("MeasureLine", "Line");
}

void PhotoMeasureDialog::OnCalibrated() {
    const double value = calibration_.calibrated;
    // Stored before the scale is worked out, which looks it up.
    StoreCalibration(ScopeCalibrationFile(calibration_.scope), nominal_->text(), value,
                     !calibration_.scope.pitchKnown.load());
    calibrated_->setText(FormatMagnification(value));
    UpdatePictureScale();
    CheckMagnification();
    // The main window files the result under the nominal magnification it
    // reads from here; left alone, it would be the live view's (or none).
    calibration_.nominal = LeadingNumber(nominal_->text());
    emit calibrationStored();
}

void PhotoMeasureDialog::OnNominalChanged(const QString& text) {
    if (text.isEmpty()) return;
    calibrated_->setText(LookupCalibration(ScopeCalibrationFile(calibration_.scope), text));
    UpdatePictureScale();
}

void PhotoMeasureDialog::UpdatePictureScale() {
    if (!canvas_) return;
    const double calibrated = LeadingNumber(calibrated_->text());
    const bool known =
        !LookupCalibration(ScopeCalibrationFile(calibration_.scope), nominal_->text()).isEmpty();
    canvas_->model().SetPictureScale(calibrated > 0 ? calibrated : LeadingNumber(nominal_->text()),
                                     known);
    canvas_->Repaint(QRect());
}

bool PhotoMeasureDialog::HasUnsavedWork() const {
    if (!canvas_) return false;
    const MeasureCanvasModel& m = canvas_->model();
    if (m.shapeUnderWay()) return true;
    // Unsaved is what Save would write differently from the last save, or
    // anything drawn at all when nothing was saved yet.
    if (savedRender_.isNull()) return m.HasShapes();
    return m.Render() != savedRender_;
}

void PhotoMeasureDialog::OnSave() {
    ReleasePopups();
    if (!canvas_) return;
    const QString cwd = QDir::currentPath();
    // Beside the clean picture, never over it: Enter must not replace it. A
    // name that is not UTF-8 is proposed in its readable form.
    const QString proposed = ProposedMeasuredPath(DisplayFileName(path_));
    QString filter = ImageTypeFromPath(proposed) == kImageTypeJpg
                         ? QStringLiteral("JPG Files(*.JPG)")
                         : QStringLiteral("BMP Files(*.BMP)");
    // TIFF: the annotated picture with its pixel size, for analysis programs.
    QString path = prompts_.SaveFileName(
        Title(), proposed,
        QStringLiteral("BMP Files(*.BMP);;JPG Files(*.JPG);;TIFF Files with Scale(*.TIF)"),
        &filter);
    if (!path.isEmpty()) {
        // The default extension follows the chosen filter.
        if (QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith(QLatin1String("JPG"))    ? QStringLiteral(".JPG")
                    : filter.startsWith(QLatin1String("TIFF")) ? QStringLiteral(".TIF")
                                                               : QStringLiteral(".BMP");
        QString why;
        const bool saved = canvas_->model().RenderToFile(path, &why);
        if (saved) {
            savedRender_ = canvas_->model().Render();
            emit pictureSaved(path);
        }
        ShowMessage(prompts_, Title(),
                    saved ? Text("SaveSuccessfull", "Save successfully!")
                          : Text("SaveFail", "Save fail") + QLatin1Char('\n') +
                                DisplayFileName(path) + QStringLiteral(": ") + why,
                    saved ? Prompts::Icon::Information : Prompts::Icon::Warning);
    }
    QDir::setCurrent(cwd);
}

void PhotoMeasureDialog::OnOpen() {
    ReleasePopups();
    const QString path =
        prompts_.OpenFileName(Title(), QFileInfo(path_).absolutePath(),
                              QStringLiteral("Picture Files(*.bmp *.jpg *.jpeg *.png)"));
    if (!path.isEmpty()) ShowPicture(path);
}

QVector<MeasurementRow> PhotoMeasureDialog::MeasurementRowsNow() const {
    if (!canvas_) return {};
    MeasurementExportContext ctx;
    ctx.numbering = ShapeNumbering::Canvas;
    ctx.measure = canvas_->model().CurrentContext();
    const QString calibrated = calibrated_->text();
    ctx.magnification = LeadingNumber(calibrated) != 0 ? calibrated : nominal_->text();
    ctx.picture = QFileInfo(path_).fileName();
    return MeasurementRows(canvas_->model().shapes(), ctx);
}

bool PhotoMeasureDialog::OnExportMeasurements() {
    const QFileInfo picture(path_);
    return ExportMeasurementsAs(
        prompts_, Title(),
        picture.dir().filePath(picture.completeBaseName() + QStringLiteral("_measurements.csv")),
        MeasurementRowsNow());
}

bool PhotoMeasureDialog::OnCopyMeasurements() {
    return CopyMeasurements(prompts_, Title(), MeasurementRowsNow());
}

void PhotoMeasureDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, MeasureBackground(size(), frame_->geometry()));
}

void PhotoMeasureDialog::closeEvent(QCloseEvent* e) {
    // Only work that would be lost is worth a question.
    if (HasUnsavedWork() && prompts_.Message(Title(), Text("SureClose", "Are you sure to close?"),
                                             Prompts::Icon::Question,
                                             Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        e->ignore();
        return;
    }
    e->accept();
    done(QDialog::Rejected);
}

void PhotoMeasureDialog::keyPressEvent(QKeyEvent* e) {
    if (!SwallowEnterAndEscape(e)) QDialog::keyPressEvent(e);
}

bool RunPhotoMeasure(CalibrationState& calibration, Prompts& prompts, SettingsStore& settings,
                     QWidget* parent, const QString& path, const std::function<void()>& calibrated,
                     const std::function<void(const QString&)>& saved) {
    QFile probe;
    if (!OpenRegularFileForReading(probe, path)) {
        ShowMessage(prompts, Text("MsgTitle", "Tavolux"),
                    Text("PictureNotOpen", "the picture not open,please check the file exist!"),
                    Prompts::Icon::Warning);
        return false;
    }
    probe.close();
    PhotoMeasureDialog dialog(calibration, prompts, settings, path, parent);
    // Queued to the parent, which outlives the dialog: the dialog stores the
    // calibration first.
    if (calibrated && parent)
        QObject::connect(&dialog, &PhotoMeasureDialog::calibrationStored, parent, calibrated,
                         Qt::QueuedConnection);
    if (saved) QObject::connect(&dialog, &PhotoMeasureDialog::pictureSaved, &dialog, saved);
    dialog.exec();
    return true;
}

PenSettingsOutcome RunPenSettings(Prompts& prompts, SettingsStore& settings, QWidget* parent) {
    InstallFontSubstitutes();
    const SettingsValues s = settings.values();
    const auto stored = ReadMeasureFont();
    PenSettingDialog dialog(prompts, settings, parent);
    dialog.setLineColour(s.LineColor);
    dialog.setLabelColour(s.MeasureTxtColor);
    dialog.setLabelFont(stored ? *stored : DefaultFontRecord());
    PenSettingsOutcome out;
    out.accepted = dialog.exec() == QDialog::Accepted;
    out.labelFont = dialog.labelFont();
    return out;
}

} // namespace tvx

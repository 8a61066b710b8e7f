#include "ui/measure/photo_measure_dialog.h"

#include "imaging/cximage.h"
#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "measure/font_file.h"
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
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>

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

struct MenuEntry {
    int command; // 0: separator
    const char* key;
    const char* text;
    int icon;
    int tool;
    const char* nameKey;
    const char* nameDefault;
};
constexpr MenuEntry kDrawingMenu[] = {
    {MeasureCommand::DrawLine, "straightline", "Line", MeasurePicture::IconLine, 0, "DrawLine",
     "Line"},
    {MeasureCommand::DrawContinuousLine, "Continuousline", "Continuous line",
     MeasurePicture::IconContinuousDraw, 7, "DrawContinueline", "Continue Line"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::DrawAngle, "Angle", "Angle", MeasurePicture::IconAngle, 5, "DrawAngle",
     "Angle"},
    {MeasureCommand::DrawRectangle, "Rectangle", "Retangle", MeasurePicture::IconRectangle, 2,
     "DrawRectangle", "Rectangle"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::DrawRadiusCircle, "RadialCircle", "Radius Circle",
     MeasurePicture::IconRadiusCircle, 1, "DrawRadialCircle", "Radial Circle"},
    {MeasureCommand::DrawDiameterCircle, "Diametercircle", "Diameter Circle",
     MeasurePicture::IconDiameterCircle, 6, "DrawDiametercircle", "Diameter Circle"},
    {MeasureCommand::DrawThreePointCircle, "Threepointcircle", "Three Points Circle",
     MeasurePicture::IconThreePointCircle, 8, "DrawThreePointCircle", "Three Point Circle"},
};
constexpr MenuEntry kMeasuringMenu[] = {
    {MeasureCommand::MeasureLine, "straightline", "Line", MeasurePicture::IconLine, 0,
     "MeasureLine", "Line"},
    {MeasureCommand::MeasureContinuousLine, "Continuousline", "Continuous line",
     MeasurePicture::IconContinuousMeasure, 7, "MeasureContinueline", "Continue Line"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::MeasureRectangle, "Rectangle", "Rectangle", MeasurePicture::IconRectangle, 2,
     "MeasureRectangle", "Rectangle"},
    {MeasureCommand::MeasurePolygon, "Ploygon", "Ploygon", MeasurePicture::IconPolygon, 9,
     "MeasurePloygon", "Ploygon"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::MeasureRadiusCircle, "RadialCircle", "Radius Circle",
     MeasurePicture::IconRadiusCircle, 1, "MeasureRedialCircle", "Radius Circle"},
    {MeasureCommand::MeasureDiameterCircle, "Diametercircle", "Diameter Circle",
     MeasurePicture::IconDiameterCircle, 6, "MeasureDiameterCircle", "Diameter Circle"},
    {MeasureCommand::MeasureThreePointCircle, "Threepointcircle", "Three Point Circle",
     MeasurePicture::IconThreePointCircle, 8, "MeasureThreePointCircle", "Three Point Circle"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::MeasureAngle, "Angle", "Angle", MeasurePicture::IconAngle, 5, "MeasureAngle",
     "Angle"},
    {MeasureCommand::MeasureFourPointAngle, "Fourpointangle", "Four Point Angle",
     MeasurePicture::IconFourPointAngle, 10, "MeasureFourPointCircle", "Four point Angle"},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::Units, "Units", "Units", MeasurePicture::IconUnits, -1, nullptr, nullptr},
    {MeasureCommand::ScaleBar, "ScaleBar", "Scale Bar", 0, -1, nullptr, nullptr},
    {0, nullptr, nullptr, 0, 0, nullptr, nullptr},
    {MeasureCommand::ExportMeasurements, "ExportMeasures", "Export measurements...", 0, -1, nullptr,
     nullptr},
    {MeasureCommand::CopyMeasurements, "CopyMeasures", "Copy measurements", 0, -1, nullptr,
     nullptr},
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

void BuildMenu(CMenuXP& menu, const MenuEntry* entries, size_t count) {
    menu.SetBackgroundColour(QColor(226, 227, 229));
    menu.SetHighlightColour(QColor(78, 135, 219));
    for (size_t i = 0; i < count; ++i) {
        const MenuEntry& e = entries[i];
        if (e.command == 0)
            menu.AppendSeparator();
        else
            menu.AppendItem(Text(e.key, e.text), e.command, MeasureMenuIcon(e.icon));
    }
}

const MenuEntry* FindEntry(int command, bool* measuring) {
    for (const MenuEntry& e : kDrawingMenu)
        if (e.command == command) {
            *measuring = false;
            return &e;
        }
    for (const MenuEntry& e : kMeasuringMenu)
        if (e.command == command) {
            *measuring = true;
            return &e;
        }
    return nullptr;
}

} // namespace

PhotoMeasureDialog::PhotoMeasureDialog(const QString& picturePath, QWidget* parent)
    : QDialog(parent), path_(picturePath) {
    setWindowTitle(Title());
    InstallFontSubstitutes();

    frame_ = new QFrame(this);
    frame_->setProperty("controlId", int(PhotoMeasureId::CanvasFrame));
    frame_->setFrameShape(QFrame::NoFrame);

    // Toolbar, edits, background.
    auto* tipStyle = new QuickTipStyle;
    tipStyle->setParent(this);
    for (const ToolbarEntry& t : kToolbar) {
        auto* b = new CLatchButton(this);
        b->Attach(this, t.id, 0, 0, 0);
        b->SetPictures(MeasurePixmap(t.normal), MeasurePixmap(t.latched));
        b->move(t.x, 1);
        b->setToolTip(PlainToolTip(Text(t.tipKey, t.tipDefault)));
        b->setStyle(tipStyle);
    }
    calibrated_ = new QLineEdit(this);
    calibrated_->setProperty("controlId", int(PhotoMeasureId::Calibrated));
    calibrated_->setGeometry(455, 4, 46, 22);
    calibrated_->setReadOnly(true);
    calibrated_->setEnabled(false);
    toolName_ = new QLineEdit(this);
    toolName_->setProperty("controlId", int(PhotoMeasureId::ToolName));
    toolName_->setGeometry(505, 4, 52, 22);
    toolName_->setReadOnly(true);
    nominal_ = new QLineEdit(this);
    nominal_->setProperty("controlId", int(PhotoMeasureId::Nominal));
    // To the dialog's right edge: "60.0" needs more than the 30 pixels once given.
    nominal_->setGeometry(615, 4, 34, 22);
    nominal_->setTextMargins(0, 0, 0, 0);
    connect(nominal_, &QLineEdit::textChanged, this, &PhotoMeasureDialog::OnNominalChanged);

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
        SetBackground(false);
        UpdateHistory(false, false);
    }
}

PhotoMeasureDialog::~PhotoMeasureDialog() {
    delete canvas_;
}

bool PhotoMeasureDialog::ShowPicture(const QString& path) {
    auto* next = new CMeasureCanvas(this, path, kInitialTool, kDisplayScale);
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
    frame_->setGeometry(5, 41, canvas_->width(), 512);
    canvas_->move(5, 41);
    canvas_->show();
    frame_->lower();
    SetBackground(canvas_->width() > 640);

    const QString tag = canvas_->model().magnificationTag();
    {
        const QSignalBlocker block(nominal_);
        nominal_->setText(tag);
    }
    QString calibrated;
    if (!tag.isEmpty()) {
        calibrated = LookupCalibration(CalibrationFilePath(), tag);
        if (calibrated.isEmpty()) calibrated = tag;
    }
    calibrated_->setText(calibrated);
    canvas_->model().SetScaleBar(ReadOwnSwitch(kPhotoScaleBarKey));
    UpdatePictureScale();
    toolName_->clear();
    ReleasePopups();
    CLatchButton* calibration = button(PhotoMeasureId::Calibration);
    calibration->Release();
    calibration->setEnabled(true);
    UpdateHistory(canvas_->model().HasShapes(), canvas_->model().HasRedo());
    return true;
}

void PhotoMeasureDialog::SetBackground(bool wide) {
    background_ =
        MeasurePixmap(wide ? MeasurePicture::Background720 : MeasurePicture::Background640);
    setFixedSize(background_.size());
    update();
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
            ShowMessage(Title(), Text("EnterRate", "Please input the zoomIn Rate!"),
                        Prompts::Icon::Warning);
            return false;
        }
    }
    if (canvas_) canvas_->model().SetMagnification(magnification_);
    return true;
}

void PhotoMeasureDialog::BuildDrawingMenu(CMenuXP& menu) const {
    BuildMenu(menu, kDrawingMenu, std::size(kDrawingMenu));
}

void PhotoMeasureDialog::BuildMeasuringMenu(CMenuXP& menu) const {
    BuildMenu(menu, kMeasuringMenu, std::size(kMeasuringMenu));
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
        WriteOwnSwitch(kPhotoScaleBarKey, on);
        canvas_->model().SetScaleBar(on);
        canvas_->Repaint(QRect());
        return;
    }
    bool measuring = false;
    const MenuEntry* e = FindEntry(command, &measuring);
    if (!e || e->tool < 0) return; // "Units" does nothing
    if (measuring && !CheckMagnification()) return;
    if (canvas_) canvas_->model().SetTool(e->tool, measuring);
    SetToolName(e->nameKey, e->nameDefault);
}

void PhotoMeasureDialog::OnPenSettings() {
    ReleasePopups();
    if (!canvas_) return;
    MeasureCanvasModel& m = canvas_->model();
    const auto stored = ReadMeasureFont();
    PenSettingDialog dialog(this);
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
        WriteFontSize(uint32_t(height < 0 ? -height : height));
    }
    canvas_->Repaint(QRect());
}

void PhotoMeasureDialog::OnText() {
    toolName_->clear();
    button(PhotoMeasureId::DrawingTools)->Release();
    if (canvas_) {
        const auto stored = ReadTextFont();
        TextDialog dialog(stored ? *stored : DefaultFontRecord(), this);
        if (dialog.exec() == QDialog::Accepted) {
            canvas_->model().SetTextStyle(dialog.textColour(), dialog.textFont());
            if (!canvas_->model().AddText(dialog.text()))
                ShowMessage(Text("MsgTitle", "Tavolux"), Text("InputText", "Please input text!"),
                            Prompts::Icon::Warning);
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
    const double value = calibrationState().calibrated;
    calibrated_->setText(FormatMagnification(value));
    UpdatePictureScale();
    CheckMagnification();
    // The main window files the result under the nominal magnification it
    // reads from here; left alone, it would be the live view's (or none).
    calibrationState().nominal = LeadingNumber(nominal_->text());
    emit calibrationStored();
    StoreCalibration(CalibrationFilePath(), nominal_->text(), value);
}

void PhotoMeasureDialog::OnNominalChanged(const QString& text) {
    if (text.isEmpty()) return;
    calibrated_->setText(LookupCalibration(CalibrationFilePath(), text));
    UpdatePictureScale();
}

void PhotoMeasureDialog::UpdatePictureScale() {
    if (!canvas_) return;
    const double calibrated = LeadingNumber(calibrated_->text());
    const bool known = !LookupCalibration(CalibrationFilePath(), nominal_->text()).isEmpty();
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
    QString path = prompts().SaveFileName(
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
        ShowMessage(Title(),
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
        prompts().OpenFileName(Title(), QFileInfo(path_).absolutePath(),
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
        Title(),
        picture.dir().filePath(picture.completeBaseName() + QStringLiteral("_measurements.csv")),
        MeasurementRowsNow());
}

bool PhotoMeasureDialog::OnCopyMeasurements() {
    return CopyMeasurements(Title(), MeasurementRowsNow());
}

void PhotoMeasureDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    QPixmap plate = MeasurePixmap(MeasurePicture::RatePlate);
    {
        QPainter q(&plate);
        q.setPen(QColor(0, 125, 255));
        const QFontMetrics fm(q.font());
        q.drawText(QPoint(8, 2 + fm.ascent()), Text("Rate", "Scale:"));
    }
    p.drawPixmap(560, 9, plate);
}

void PhotoMeasureDialog::closeEvent(QCloseEvent* e) {
    // Only work that would be lost is worth a question.
    if (HasUnsavedWork() && prompts().Message(Title(), Text("SureClose", "Are you sure to close?"),
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

bool RunPhotoMeasure(QWidget* parent, const QString& path, const std::function<void()>& calibrated,
                     const std::function<void(const QString&)>& saved) {
    QFile probe;
    if (!OpenRegularFileForReading(probe, path)) {
        ShowMessage(Text("MsgTitle", "Tavolux"),
                    Text("PictureNotOpen", "the picture not open,please check the file exist!"),
                    Prompts::Icon::Warning);
        return false;
    }
    probe.close();
    PhotoMeasureDialog dialog(path, parent);
    // Queued to the parent, which outlives the dialog: the dialog stores the
    // calibration first.
    if (calibrated && parent)
        QObject::connect(&dialog, &PhotoMeasureDialog::calibrationStored, parent, calibrated,
                         Qt::QueuedConnection);
    if (saved) QObject::connect(&dialog, &PhotoMeasureDialog::pictureSaved, &dialog, saved);
    dialog.exec();
    return true;
}

PenSettingsOutcome RunPenSettings(QWidget* parent) {
    InstallFontSubstitutes();
    const SettingsValues s = Settings();
    const auto stored = ReadMeasureFont();
    PenSettingDialog dialog(parent);
    dialog.setLineColour(s.LineColor);
    dialog.setLabelColour(s.MeasureTxtColor);
    dialog.setLabelFont(stored ? *stored : DefaultFontRecord());
    PenSettingsOutcome out;
    out.accepted = dialog.exec() == QDialog::Accepted;
    out.labelFont = dialog.labelFont();
    return out;
}

} // namespace tvx

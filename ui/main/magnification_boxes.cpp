#include "ui/main/magnification_boxes.h"

#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "measure/geometry.h"
#include "measure/live_guides.h"
#include "platform/language.h"
#include "ui/skin/error_sink.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tvx {

namespace {

// Room a line edit leaves for its text: its contents less the frame, the
// text margins and the two pixels the line edit keeps free on each side.
int TextRoom(const QLineEdit* box) {
    QStyleOptionFrame opt;
    opt.initFrom(box);
    opt.rect = box->rect();
    opt.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, box) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    const QRect r = box->style()
                        ->subElementRect(QStyle::SE_LineEditContents, &opt, box)
                        .marginsRemoved(box->textMargins());
    return r.width() - 4;
}

// The boxes sit in 34-pixel slots of the skin. A value wider than that
// ("100.0", and calibrations up to "100000.0") is narrowed, then made
// smaller, rather than scrolled so that only its tail shows. The tool tip
// carries the value at full size.
void FitBoxText(QLineEdit* box, const QFont& base) {
    const QString text = box->text();
    const int room = TextRoom(box);
    QFont f = base;
    const int basePixels = QFontInfo(base).pixelSize();
    const auto fits = [&] { return QFontMetrics(f).horizontalAdvance(text) <= room; };
    for (int stretch = 100; stretch >= 60 && !fits(); stretch -= 5)
        f.setStretch(stretch);
    for (int pixels = basePixels; pixels >= 6 && !fits(); --pixels)
        f.setPixelSize(pixels);
    box->setFont(f);
    box->setToolTip(text);
}

} // namespace

MagnificationBoxes::MagnificationBoxes(QWidget* parent, CalibrationState& calibration,
                                       Prompts& prompts, QString calibrationFile)
    : QObject(parent), calibration_(calibration), prompts_(prompts),
      calibrationFile_(std::move(calibrationFile)) {
    setObjectName(QStringLiteral("magnificationBoxes"));
    pair_ = new QWidget(parent);
    pair_->setObjectName(QStringLiteral("magnificationPair"));
    pair_->resize(74, 30);
    magBox_ = new QLineEdit(pair_);
    magBox_->setObjectName(QStringLiteral("magnificationBox"));
    magBox_->setMaxLength(5);
    magBox_->setGeometry(QRect(QPoint(759, 6) - kPairAt, QSize(34, 25)));
    magBox_->setAlignment(Qt::AlignCenter);
    calBox_ = new QLineEdit(pair_);
    calBox_->setObjectName(QStringLiteral("calibrationBox"));
    calBox_->setReadOnly(true);
    calBox_->setFocusPolicy(Qt::NoFocus);
    calBox_->setGeometry(QRect(QPoint(723, 6) - kPairAt, QSize(34, 25)));
    calBox_->setAlignment(Qt::AlignCenter);
    connect(magBox_, &QLineEdit::textChanged, this, &MagnificationBoxes::lookUpCalibration);
    // A camera without a pitch of its own measures in pixels until then;
    // known before `changed` goes out, so the guides take the right unit.
    connect(calBox_, &QLineEdit::textChanged, this,
            [this] { calibration_.scope.calibrationKnown.store(!Uncalibrated()); });
    for (QLineEdit* box : {magBox_, calBox_}) {
        connect(box, &QLineEdit::textChanged, box,
                [box, base = box->font()] { FitBoxText(box, base); });
        connect(box, &QLineEdit::textChanged, this, &MagnificationBoxes::changed);
    }
    magBox_->setText(QStringLiteral("60.0"));
}

QString MagnificationBoxes::magnificationText() const {
    return magBox_->text();
}

QString MagnificationBoxes::calibrationText() const {
    return calBox_->text();
}

std::optional<double> MagnificationBoxes::Current() const {
    return ReadMagnification({calBox_->text(), magBox_->text(), false}).magnification;
}

std::optional<double> MagnificationBoxes::ReadForMeasuring(bool useNominal, QWidget* dialogParent) {
    const MagnificationReading r =
        ReadMagnification({calBox_->text(), magBox_->text(), useNominal});
    calibration_.nominal = r.entered;
    const QString title = dialogParent ? dialogParent->window()->windowTitle() : QString();
    if (!r.magnification)
        ShowMessage(prompts_, title, Text("EnterRate", "Please input the zoomIn scale!"),
                    Prompts::Icon::Warning);
    else if (!useNominal && calibration_.scope.MeasuresInPixels() && !askedToCalibrate_) {
        // Once for each camera and size: the pixels it measures in meanwhile
        // are still useful for comparing.
        askedToCalibrate_ = true;
        ShowMessage(prompts_, title,
                    Text("CalibrateCamera",
                         "This camera is not calibrated yet: lengths are shown in pixels (px). "
                         "Calibrate it on a stage micrometer with the calibration tool."),
                    Prompts::Icon::Information);
    }
    return r.magnification;
}

QString MagnificationBoxes::calibrationFile() const {
    // Another camera keeps its calibrations in a file of its own.
    return calibration_.scope.pitchKnown.load() ? calibrationFile_
                                                : ScopeCalibrationFile(calibration_.scope);
}

void MagnificationBoxes::Refresh() {
    askedToCalibrate_ = false;
    const QString text = magBox_->text();
    calBox_->setText(text.isEmpty() ? QString() : LookupCalibration(calibrationFile(), text));
    // The same texts may mean another unit now (the microscope's or a
    // camera's pixels): whoever follows the boxes looks again.
    calibration_.scope.calibrationKnown.store(!Uncalibrated());
    emit changed();
}

void MagnificationBoxes::lookUpCalibration() {
    const QString text = magBox_->text();
    if (!text.isEmpty()) calBox_->setText(LookupCalibration(calibrationFile(), text));
}

void MagnificationBoxes::ShowNewCalibration() {
    const QString nominal = QString::asprintf("%0.1f", calibration_.nominal);
    StoreCalibration(calibrationFile(), nominal, calibration_.calibratedCopy,
                     !calibration_.scope.pitchKnown.load());
    // Setting the box looks the value up again; the shown value wins even
    // when there is no calibration file to keep it.
    magBox_->setText(nominal);
    calBox_->setText(QString::asprintf("%0.1f", calibration_.calibratedCopy));
}

bool MagnificationBoxes::Uncalibrated() const {
    return LeadingNumber(calBox_->text()) == 0;
}

void MagnificationBoxes::SetVisible(bool on) {
    magBox_->setVisible(on);
    calBox_->setVisible(on);
}

} // namespace tvx

#include "ui/record/recorder_setting_dlg.h"

#include "media/compressors.h"
#include "media/video_recorder.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "ui/record/compressor_dlg.h"
#include "ui/record/record_ids.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tvx {

using namespace record_ids;

CompressorChooser DefaultCompressorChooser() {
    return &CCompressorDlg::Choose;
}

QString RangeMessage(int low, int high) {
    return Text("RangeInteger", "Please enter an integer between %1 and %2.").arg(low).arg(high);
}

namespace {

constexpr int kSecondsLow = 1;
constexpr int kSecondsHigh = 99999;

template <class W> W* Named(W* w, int id) {
    w->setObjectName(QString::number(id));
    return w;
}

} // namespace

CRecorderSettingDlg::CRecorderSettingDlg(int captureWidth, int captureHeight,
                                         RecorderDialogState& state, CompressorChooser chooser,
                                         QWidget* parent)
    : QDialog(parent), width_(captureWidth), height_(captureHeight), state_(state),
      chooser_(std::move(chooser)) {
    setWindowTitle(Text("RecorderSetting", "Recorder Setting"));
    setFixedSize(300, 150);

    auto* rateLabel = Named(new QLabel(Text("FrameRate", "Frame rate"), this), kFrameRateLabel);
    rateLabel->setGeometry(12, 14, 90, 22);
    frameRate_ = Named(new QLineEdit(this), kFrameRate);
    frameRate_->setGeometry(106, 14, 60, 22);
    const int rate = DefaultFrameRateForWidth(captureWidth);
    if (rate > 0) frameRate_->setText(QString::number(rate));
    (new QLabel(QStringLiteral("(1--30)"), this))->setGeometry(172, 14, 80, 22);

    limit_ = Named(new QCheckBox(Text("TimerLimit", "Time limit"), this), kTimeLimitCheck);
    limit_->setGeometry(12, 48, 90, 22);
    limit_->setChecked(true);
    seconds_ = Named(new QLineEdit(QStringLiteral("10"), this), kSeconds);
    seconds_->setGeometry(106, 48, 60, 22);
    Named(new QLabel(Text("Second", "Second"), this), kSecondLabel)->setGeometry(172, 48, 50, 22);
    (new QLabel(QStringLiteral("(1--99999)"), this))->setGeometry(222, 48, 76, 22);
    connect(limit_, &QCheckBox::toggled, seconds_, &QWidget::setEnabled);

    auto* compress = Named(new QPushButton(Text("Compress", "Compress"), this), kCompress);
    compress->setGeometry(12, 110, 84, 26);
    connect(compress, &QPushButton::clicked, this, &CRecorderSettingDlg::onCompress);
    auto* ok = Named(new QPushButton(Text("OK", "OK"), this), kOk);
    ok->setGeometry(116, 110, 80, 26);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CRecorderSettingDlg::accept);
    auto* cancel = Named(new QPushButton(Text("Cancel", "Cancel"), this), kCancel);
    cancel->setGeometry(206, 110, 80, 26);
    connect(cancel, &QPushButton::clicked, this, &CRecorderSettingDlg::reject);
}

void CRecorderSettingDlg::onCompress() {
    compressorChosen_ = true;
    if (!chooser_) return;
    const std::optional<CompressorChoice> choice =
        chooser_(this, width_, height_, state_.compressor);
    // A choice that does not open at this size leaves the previous one in
    // force, silently: the chooser only lists encoders that open.
    if (choice && CompressorOpens(*choice, width_, height_)) state_.compressor = *choice;
}

int CRecorderSettingDlg::timeLimit() const {
    return limit_->isChecked() ? seconds_->text().trimmed().toInt() : kNoTimeLimit;
}

void CRecorderSettingDlg::accept() {
    // The choice belongs to this opening: a second OK after a range message
    // keeps it rather than falling back to the default.
    if (!compressorChosen_) state_.compressor = DefaultCompressor();
    state_.frameRate = frameRate_->text().trimmed().toInt(); // text reads as 0
    // An unchecked limit disables the box; its content does not matter then.
    if (limit_->isChecked()) {
        bool ok = false;
        const int s = seconds_->text().trimmed().toInt(&ok);
        if (!ok || s < kSecondsLow || s > kSecondsHigh) {
            prompts().Message(windowTitle(), RangeMessage(kSecondsLow, kSecondsHigh),
                              Prompts::Icon::Warning);
            seconds_->setFocus();
            seconds_->selectAll();
            return;
        }
    }
    QDialog::accept();
}

} // namespace tvx

#include "ui/record/recorder_setting_dlg.h"

#include "media/compressors.h"
#include "media/video_recorder.h"
#include "platform/language.h"
#include "ui/record/compressor_dlg.h"
#include "ui/record/record_ids.h"
#include "ui/skin/dialog_parts.h"
#include "ui/skin/error_sink.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace tvx {

using namespace record_ids;

CompressorChooser DefaultCompressorChooser() {
    return &CompressorDialog::Choose;
}

QString RangeMessage(int low, int high) {
    return Text("RangeInteger", "Please enter an integer between %1 and %2.").arg(low).arg(high);
}

namespace {

constexpr int kSecondsLow = 1;
constexpr int kSecondsHigh = 99999;

} // namespace

RecorderSettingsDialog::RecorderSettingsDialog(int captureWidth, int captureHeight,
                                               RecorderDialogState& state, Prompts& prompts,
                                               CompressorChooser chooser, QWidget* parent)
    : QDialog(parent), width_(captureWidth), height_(captureHeight), state_(state),
      prompts_(prompts), chooser_(std::move(chooser)) {
    setWindowTitle(Text("RecorderSetting", "Recorder Setting"));

    auto* rateLabel = Named(new QLabel(Text("FrameRate", "Frame rate"), this), kFrameRateLabel);
    limit_ = Named(new QCheckBox(Text("TimerLimit", "Time limit"), this), kTimeLimitCheck);
    auto* secondLabel = Named(new QLabel(Text("Second", "Second"), this), kSecondLabel);
    // Translations run longer than the English texts: the edits move right
    // of the longest label, and the range notes right of the unit.
    const int edits =
        12 + std::max({90, rateLabel->sizeHint().width(), limit_->sizeHint().width()}) + 4;
    const int range = edits + 66 + std::max(50, secondLabel->sizeHint().width() + 6);
    setFixedSize(std::max(300, range + 80), 150);

    rateLabel->setGeometry(12, 14, edits - 16, 22);
    frameRate_ = Named(new QLineEdit(this), kFrameRate);
    frameRate_->setGeometry(edits, 14, 60, 22);
    const int rate = DefaultFrameRateForWidth(captureWidth);
    if (rate > 0) frameRate_->setText(QString::number(rate));
    (new QLabel(QStringLiteral("(1--30)"), this))->setGeometry(edits + 66, 14, 80, 22);

    limit_->setGeometry(12, 48, edits - 16, 22);
    limit_->setChecked(true);
    seconds_ = Named(new QLineEdit(QStringLiteral("10"), this), kSeconds);
    seconds_->setGeometry(edits, 48, 60, 22);
    secondLabel->setGeometry(edits + 66, 48, range - edits - 66, 22);
    (new QLabel(QStringLiteral("(1--99999)"), this))->setGeometry(range, 48, 76, 22);
    connect(limit_, &QCheckBox::toggled, seconds_, &QWidget::setEnabled);

    auto* compress = Named(new QPushButton(Text("Compress", "Compress"), this), kCompress);
    compress->setGeometry(12, 110, std::max(84, compress->sizeHint().width()), 26);
    connect(compress, &QPushButton::clicked, this, &RecorderSettingsDialog::onCompress);
    auto* ok = Named(new QPushButton(Text("OK", "OK"), this), kOk);
    ok->setGeometry(width() - 184, 110, 80, 26);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &RecorderSettingsDialog::accept);
    auto* cancel = Named(new QPushButton(Text("Cancel", "Cancel"), this), kCancel);
    cancel->setGeometry(width() - 94, 110, 80, 26);
    connect(cancel, &QPushButton::clicked, this, &RecorderSettingsDialog::reject);
}

void RecorderSettingsDialog::onCompress() {
    compressorChosen_ = true;
    if (!chooser_) return;
    const std::optional<CompressorChoice> choice =
        chooser_(this, width_, height_, state_.compressor);
    // A choice that does not open at this size leaves the previous one in
    // force, silently: the chooser only lists encoders that open.
    if (choice && CompressorOpens(*choice, width_, height_)) state_.compressor = *choice;
}

int RecorderSettingsDialog::timeLimit() const {
    return limit_->isChecked() ? seconds_->text().trimmed().toInt() : kNoTimeLimit;
}

void RecorderSettingsDialog::accept() {
    // The choice belongs to this opening: a second OK after a range message
    // keeps it rather than falling back to the default.
    if (!compressorChosen_) state_.compressor = DefaultCompressor();
    state_.frameRate = frameRate_->text().trimmed().toInt(); // text reads as 0
    // An unchecked limit disables the box; its content does not matter then.
    if (limit_->isChecked()) {
        bool ok = false;
        const int s = seconds_->text().trimmed().toInt(&ok);
        if (!ok || s < kSecondsLow || s > kSecondsHigh) {
            ShowMessage(prompts_, windowTitle(), RangeMessage(kSecondsLow, kSecondsHigh),
                        Prompts::Icon::Warning);
            seconds_->setFocus();
            seconds_->selectAll();
            return;
        }
    }
    QDialog::accept();
}

} // namespace tvx

#include "ui/record/compressor_dlg.h"

#include "platform/language.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace tvx {

namespace {

QString FourCcText(uint32_t tag) {
    QString s;
    for (int i = 0; i < 4; ++i) {
        const char c = char((tag >> (8 * i)) & 0xff);
        s += (c >= 32 && c < 127) ? QChar(c) : QChar('.');
    }
    return s;
}

constexpr int kDefaultQuality = 85;

} // namespace

CompressorDialog::CompressorDialog(int width, int height, const CompressorChoice& current,
                                   QWidget* parent)
    : QDialog(parent), list_(AvailableCompressors(width, height)) {
    setWindowTitle(Text("CompressTilte", "Compress Format Selection"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Text("Compressor", "Compressor:"), this));
    encoders_ = new QListWidget(this);
    encoders_->setObjectName(QStringLiteral("encoders"));
    int selected = 0;
    for (size_t i = 0; i < list_.size(); ++i) {
        const CompressorInfo& c = list_[i];
        encoders_->addItem(QStringLiteral("%1  (%2)")
                               .arg(c.description, c.fourcc ? FourCcText(c.fourcc)
                                                            : QString::fromStdString(c.encoder)));
        if (c.encoder == current.encoder) selected = int(i);
    }
    // Wide enough for the longest encoder name without a sideways scroll.
    encoders_->setMinimumWidth(std::min(560, encoders_->sizeHintForColumn(0) + 32));
    layout->addWidget(encoders_);

    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(new QLabel(Text("Quality", "Quality"), this));
    quality_ = new QSlider(Qt::Horizontal, this);
    quality_->setRange(1, 100);
    qualityBox_ = new QSpinBox(this);
    qualityBox_->setObjectName(QStringLiteral("quality"));
    qualityBox_->setRange(1, 100);
    connect(quality_, &QSlider::valueChanged, qualityBox_, &QSpinBox::setValue);
    connect(qualityBox_, qOverload<int>(&QSpinBox::valueChanged), quality_, &QSlider::setValue);
    quality_->setValue(current.quality > 0 ? current.quality : kDefaultQuality);
    qualityRow->addWidget(quality_);
    qualityRow->addWidget(qualityBox_);
    layout->addLayout(qualityRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Text("OK", "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Text("Cancel", "Cancel"));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!list_.empty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(encoders_, &QListWidget::currentRowChanged, this, &CompressorDialog::onRowChanged);
    if (!list_.empty()) encoders_->setCurrentRow(selected);
    onRowChanged(encoders_->currentRow());
}

void CompressorDialog::onRowChanged(int row) {
    const bool has = row >= 0 && size_t(row) < list_.size() && list_[size_t(row)].hasQuality;
    quality_->setEnabled(has);
    qualityBox_->setEnabled(has);
}

CompressorChoice CompressorDialog::choice() const {
    const int row = encoders_->currentRow();
    if (row < 0 || size_t(row) >= list_.size()) return DefaultCompressor();
    const CompressorInfo& c = list_[size_t(row)];
    return CompressorChoice{c.encoder, c.hasQuality ? qualityBox_->value() : -1};
}

std::optional<CompressorChoice> CompressorDialog::Choose(QWidget* parent, int width, int height,
                                                         const CompressorChoice& current) {
    CompressorDialog dlg(width, height, current, parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.choice();
}

} // namespace tvx

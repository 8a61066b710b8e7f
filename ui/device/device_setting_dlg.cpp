#include "ui/device/device_setting_dlg.h"

#include "capture/capture_engine.h"
#include "platform/language.h"
#include "ui/device/device_ids.h"
#include "ui/skin/dialog_parts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>

namespace tvx {

using namespace device_ids;

namespace {

QString Value3(int v) {
    return QString::asprintf("%3d", v);
}

} // namespace

CSpin::CSpin(QWidget* parent) : QWidget(parent) {
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setGeometry(0, 0, 16, 11);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setGeometry(0, 11, 16, 11);
    connect(up, &QToolButton::clicked, this, &CSpin::Up);
    connect(down, &QToolButton::clicked, this, &CSpin::Down);
    setFixedSize(16, 22);
}

void CSpin::Up() {
    emit stepped(1);
}

void CSpin::Down() {
    emit stepped(-1);
}

DeviceSettingsDialog::DeviceSettingsDialog(CaptureEngine& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
    setFixedSize(430, 400);
    // Template wording until the device is read.
    setWindowTitle(QStringLiteral("Video Setting"));
    deviceGroup_ =
        Named(new QGroupBox(QStringLiteral("Video Capture Device"), this), kCaptureDeviceGroup);
    deviceGroup_->setGeometry(10, 8, 410, 56);
    deviceLabel_ = Named(new QLabel(QStringLiteral("Device Name"), this), kDeviceLabel);
    deviceLabel_->setGeometry(22, 30, 100, 22);
    devices_ = Named(new QComboBox(this), kDeviceList);
    devices_->setGeometry(126, 30, 282, 24);

    settingGroup_ =
        Named(new QGroupBox(QStringLiteral("Device Setting"), this), kDeviceSettingGroup);
    settingGroup_->setGeometry(10, 70, 410, 56);
    resolutionLabel_ =
        Named(new QLabel(QStringLiteral("Video Resolution"), this), kResolutionLabel);
    resolutionLabel_->setGeometry(22, 92, 100, 22);
    resolutions_ = Named(new QComboBox(this), kResolutionList);
    resolutions_->setGeometry(126, 92, 100, 24);
    normLabel_ = Named(new QLabel(QStringLiteral("Video Norm"), this), kNormLabel);
    normLabel_->setGeometry(236, 92, 70, 22);
    norms_ = Named(new QComboBox(this), kNormList);
    norms_->setGeometry(308, 92, 100, 24);
    normLabel_->hide();
    norms_->hide();

    propertiesGroup_ =
        Named(new QGroupBox(QStringLiteral("Video Properies"), this), kPropertiesGroup);
    propertiesGroup_->setGeometry(10, 132, 410, 220);
    // Gamma and hue share the last line; the template shows hue.
    const int lineOf[kPropertyRows] = {0, 1, 2, 3, 4, 4};
    for (int i = 0; i < kPropertyRows; ++i) {
        const PropertyRowIds& ids = kRows[i];
        const int y = 156 + lineOf[i] * 38;
        RowControls& c = controls_[size_t(i)];
        c.label = Named(new QLabel(QString::fromLatin1(ids.key), this), ids.label);
        c.label->setGeometry(22, y, 90, 22);
        c.slider = Named(new QSlider(Qt::Horizontal, this), ids.slider);
        c.slider->setGeometry(114, y, 210, 22);
        c.edit = Named(new QLineEdit(this), ids.edit);
        c.edit->setGeometry(332, y, 52, 22);
        c.edit->setReadOnly(true);
        c.edit->setAlignment(Qt::AlignLeft);
        c.edit->setFont(QFont(QStringLiteral("monospace")));
        c.spin = Named(new CSpin(this), ids.spin);
        c.spin->move(386, y);
        connect(c.slider, &QSlider::valueChanged, this, [this, i] { ApplySlider(i); });
        connect(c.spin, &CSpin::stepped, this, [this, i](int d) { StepRow(i, d); });
    }
    ShowRow(kGammaRow, false);
    ShowRow(kHueRow, true);

    auto* def = Named(new QPushButton(QStringLiteral("Default"), this), kDefault);
    def->setGeometry(22, 362, 90, 28);
    connect(def, &QPushButton::clicked, this, &DeviceSettingsDialog::OnDefault);
    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), kOk);
    ok->setGeometry(222, 362, 90, 28);
    connect(ok, &QPushButton::clicked, this, &DeviceSettingsDialog::OnOk);
    auto* exit = Named(new QPushButton(QStringLiteral("Exit"), this), kExit);
    exit->setGeometry(322, 362, 90, 28);
    // Exit undoes nothing: every change already went to the device.
    connect(exit, &QPushButton::clicked, this, &DeviceSettingsDialog::reject);
    // Enter confirms and Escape leaves; resetting every property takes a
    // click of its own.
    def->setAutoDefault(false);
    exit->setAutoDefault(false);
    ok->setDefault(true);
    defaultButton_ = def;
    okButton_ = ok;
    exitButton_ = exit;

    connect(devices_, &QComboBox::currentIndexChanged, this,
            [this](int index) { SwitchDevice(index); });
    connect(resolutions_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) ApplyResolution();
    });
    connect(norms_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) ApplyNorm();
    });

    Refill();
}

// Translations run longer than the English texts: labels take the room
// they need from the sliders and lists beside them.
void DeviceSettingsDialog::FitTexts() {
    int labels = 90;
    for (const RowControls& c : controls_)
        labels = std::max(labels, c.label->sizeHint().width());
    const int sliderX = 22 + std::min(labels, 150) + 2;
    for (RowControls& c : controls_) {
        c.label->resize(sliderX - 24, c.label->height());
        c.slider->setGeometry(sliderX, c.slider->y(), 324 - sliderX, c.slider->height());
    }
    const int resolutionW = std::max(100, resolutionLabel_->sizeHint().width());
    resolutionLabel_->resize(resolutionW, resolutionLabel_->height());
    resolutions_->move(22 + resolutionW + 4, resolutions_->y());
    const int normX = resolutions_->x() + resolutions_->width() + 10;
    const int normW = std::max(70, normLabel_->sizeHint().width());
    normLabel_->setGeometry(normX, normLabel_->y(), normW, normLabel_->height());
    const int normsX = normX + normW + 2;
    norms_->setGeometry(normsX, norms_->y(), std::max(80, 408 - normsX), norms_->height());
    defaultButton_->resize(std::max(90, defaultButton_->sizeHint().width()),
                           defaultButton_->height());
}

void DeviceSettingsDialog::ShowRow(int row, bool shown) {
    const RowControls& c = controls_[size_t(row)];
    for (QWidget* w : {static_cast<QWidget*>(c.slider), static_cast<QWidget*>(c.label),
                       static_cast<QWidget*>(c.edit), static_cast<QWidget*>(c.spin)})
        w->setVisible(shown);
}

void DeviceSettingsDialog::Refill() {
    filling_ = true;
    devices_->clear();
    norms_->clear();
    resolutions_->clear();
    selectedDevice_ = -1;

    VideoProcAmp* amp = engine_.GetVideoProcAmp();
    if (!amp) {
        filling_ = false;
        return;
    }
    for (int i = 0; i < kPropertyRows; ++i) {
        Row& r = rows_[size_t(i)];
        amp->GetRange(kRows[i].property, &r.range);
        int flags = 0;
        amp->Get(kRows[i].property, &r.value, &flags);
    }

    setWindowTitle(Text("VideoSetting", "Video Setting"));
    deviceLabel_->setText(Text("DeviceName", "Device Name"));
    deviceGroup_->setTitle(Text("VideoCaptionDevice", "Video Capture Device"));
    settingGroup_->setTitle(Text("DeviceSetting", "Device Setting"));
    normLabel_->setText(Text("VideoNorm", "Video Norm"));
    resolutionLabel_->setText(Text("VideoResolution", "Video Resolution"));
    propertiesGroup_->setTitle(Text("VideoProperies", "Video Properies"));
    static_cast<QPushButton*>(defaultButton_)->setText(Text("Default", "Default"));
    static_cast<QPushButton*>(exitButton_)->setText(Text("Exit", "Exit"));
    static_cast<QPushButton*>(okButton_)->setText(Text("Ok", "OK"));

    for (int i = 0; i < kPropertyRows; ++i) {
        const Row& r = rows_[size_t(i)];
        RowControls& c = controls_[size_t(i)];
        c.slider->setRange(r.range.min, r.range.max);
        c.slider->setValue(r.value);
        c.edit->setText(Value3(r.value));
        c.label->setText(Text(kRows[i].key, kRows[i].key, 32));
    }
    FitTexts();

    const auto& table = engine_.DeviceTable();
    for (int row = 0; row < kDeviceSlotCount; ++row) {
        const DeviceSlot& slot = table[size_t(row)];
        if (slot.status < 0 || slot.friendlyName.isEmpty()) continue;
        devices_->addItem(slot.friendlyName, row);
        if (slot.selected) selectedDevice_ = devices_->count() - 1;
    }
    devices_->setCurrentIndex(selectedDevice_);

    if (engine_.ButtonLibraryMode() == 1) {
        norms_->addItems({QStringLiteral("NTSC_M"), QStringLiteral("PAL B")});
        int format = 0;
        const bool known = engine_.GetTvFormat(&format).ok();
        const bool ntsc = !known || format == kTvFormatNtscM;
        if (ntsc) {
            norms_->setCurrentIndex(0);
        } else {
            if (format != kTvFormatPalB) engine_.SetTvFormat(kTvFormatPalB);
            norms_->setCurrentIndex(1);
        }
        resolutions_->addItems({QStringLiteral("320x240"), QStringLiteral("640x480"),
                                ntsc ? QStringLiteral("720x480") : QStringLiteral("720x576")});
        const int width = engine_.captureSize().width;
        resolutions_->setCurrentIndex(width == 320 ? 0 : width == 640 ? 1 : 2);
        normLabel_->show();
        norms_->show();
        ShowRow(kGammaRow, false);
        ShowRow(kHueRow, true);
    }
    filling_ = false;
}

void DeviceSettingsDialog::ApplySlider(int row) {
    if (filling_) return;
    VideoProcAmp* amp = engine_.GetVideoProcAmp();
    if (!amp) return;
    Row& r = rows_[size_t(row)];
    RowControls& c = controls_[size_t(row)];
    if (c.slider->value() == r.value) return; // nothing new for the device
    r.value = c.slider->value();
    // A value the device refuses is shown all the same.
    amp->Set(kRows[row].property, r.value, r.range.flags);
    c.edit->setText(Value3(r.value));
}

void DeviceSettingsDialog::StepRow(int row, int delta) {
    if (!engine_.GetVideoProcAmp()) return;
    QSlider* slider = controls_[size_t(row)].slider;
    const int value = std::clamp(slider->value() + delta, slider->minimum(), slider->maximum());
    if (value != slider->value()) slider->setValue(value); // ApplySlider sends it
}

void DeviceSettingsDialog::OnDefault() {
    VideoProcAmp* amp = engine_.GetVideoProcAmp();
    if (!amp) return;
    filling_ = true;
    for (int i = 0; i < kPropertyRows; ++i) {
        Row& r = rows_[size_t(i)];
        RowControls& c = controls_[size_t(i)];
        c.slider->setValue(r.range.defaultValue);
        r.value = r.range.defaultValue;
        r.range.flags = kProcAmpFlagsAuto;
        amp->Set(kRows[i].property, r.value, kProcAmpFlagsAuto);
        c.edit->setText(Value3(r.value));
    }
    resolutions_->setCurrentIndex(2);
    // The norm list has two entries: asking for a third leaves none chosen.
    norms_->setCurrentIndex(norms_->count() > 2 ? 2 : -1);
    if (engine_.ButtonLibraryMode() == 1) engine_.SetTvFormat(kTvFormatNtscM);
    filling_ = false;
    ApplyResolution();
}

void DeviceSettingsDialog::OnOk() {
    ApplyResolution();
    accept();
}

void DeviceSettingsDialog::ApplyResolution() {
    switch (resolutions_->currentIndex()) {
    case 0:
        engine_.SetResolution(320, 240);
        break;
    case 1:
        engine_.SetResolution(640, 480);
        break;
    case 2:
        if (engine_.ButtonLibraryMode() == 1) {
            int format = kTvFormatNtscM;
            if (!engine_.GetTvFormat(&format)) format = kTvFormatNtscM;
            if (format == kTvFormatNtscM)
                engine_.SetResolution(720, 480);
            else
                engine_.SetResolution(720, 576);
        }
        break;
    default:
        break;
    }
}

void DeviceSettingsDialog::ApplyNorm() {
    if (engine_.ButtonLibraryMode() != 1) return;
    engine_.SetTvFormat(norms_->currentIndex() == 1 ? kTvFormatPalB : kTvFormatNtscM);
}

void DeviceSettingsDialog::SwitchDevice(int index) {
    if (filling_ || index < 0) return;
    engine_.SelectDevice(devices_->itemData(index).toInt());
    // Filling clears the list this signal came from: do it once the signal
    // is over.
    QMetaObject::invokeMethod(this, &DeviceSettingsDialog::Refill, Qt::QueuedConnection);
}

} // namespace tvx

#include "ui/measure/pen_setting_dialog.h"

#include "measure/font_file.h"
#include "measure/shape_drawing.h"
#include "measure/units.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "ui/measure/measure_ids.h"
#include "ui/skin/error_sink.h"
#include "ui/skin/plain_text.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <algorithm>
#include <initializer_list>

namespace tvx {

namespace {

template <class W> W* Tagged(W* w, int id) {
    w->setProperty("controlId", id);
    return w;
}

} // namespace

QWidget* ControlById(QWidget* dialog, int id) {
    if (!dialog) return nullptr;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const QVariant v = w->property("controlId");
        if (v.isValid() && v.toInt() == id) return w;
    }
    return nullptr;
}

void PreviewBox::paintEvent(QPaintEvent* e) {
    QGroupBox::paintEvent(e);
    if (!draw) return;
    QPainter p(this);
    draw(p, rect());
}

// --- Pen Setting ---------------------------------------------------------------

PenSettingDialog::PenSettingDialog(Prompts& prompts, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), prompts_(prompts), settings_(settings) {
    setWindowTitle(Text("PenSetting", "Pen setting"));
    setFixedSize(380, 300);
    const SettingsValues s = settings_.values();

    auto* typeGroup =
        Tagged(new QGroupBox(Text("PenType", "Pen Type"), this), PenSettingId::TypeGroup);
    typeGroup->setGeometry(10, 8, 170, 150);
    types_ = new QButtonGroup(this);
    const struct {
        int id;
        const char* key;
        const char* text;
    } kTypes[5] = {{PenSettingId::Solid, "SolidLine", "Solid Line"},
                   {PenSettingId::Dash, "DashLine", "Dash Line"},
                   {PenSettingId::Dot, "DotLine", "Dot Line"},
                   {PenSettingId::DashDot, "DashDotLine", "DashDot Line1"},
                   {PenSettingId::DashDotDot, "DashDotDotLine", "DashDot Line2"}};
    for (int i = 0; i < 5; ++i) {
        auto* r =
            Tagged(new QRadioButton(Text(kTypes[i].key, kTypes[i].text), typeGroup), kTypes[i].id);
        r->setGeometry(12, 22 + i * 25, 150, 22);
        types_->addButton(r, i);
    }
    // A wide pen draws solid whatever its type, so that is what shows.
    if (s.Linewidth != 1) {
        types_->button(0)->setChecked(true);
    } else if (s.Linetype <= 4) {
        types_->button(int(s.Linetype))->setChecked(true);
    } else {
        types_->setExclusive(false); // nothing checked for a type out of range
        types_->setExclusive(true);
    }
    connect(types_, &QButtonGroup::idClicked, this, &PenSettingDialog::SetLineType);

    auto* colourGroup =
        Tagged(new QGroupBox(Text("PenColorLine", "Line Colour"), this), PenSettingId::ColourGroup);
    colourGroup->setGeometry(190, 8, 180, 56);
    auto* colour =
        Tagged(new QPushButton(Text("PenColor", "Colour"), colourGroup), PenSettingId::Colour);
    colour->setGeometry(12, 22, 156, 26);
    connect(colour, &QPushButton::clicked, this, &PenSettingDialog::ChooseColour);

    auto* widthGroup =
        Tagged(new QGroupBox(Text("PenWidth", "Line Width"), this), PenSettingId::WidthGroup);
    widthGroup->setGeometry(190, 70, 180, 56);
    width_ = Tagged(new QLineEdit(widthGroup), PenSettingId::Width);
    width_->setGeometry(12, 22, 130, 24);
    width_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), width_));
    spin_ = Tagged(new QSpinBox(widthGroup), PenSettingId::WidthSpin);
    spin_->setGeometry(142, 22, 26, 24);
    spin_->setRange(1, 3);
    spin_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spin_->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
    width_->setText(QString::number(int32_t(s.Linewidth)));
    spin_->setValue(std::clamp<int>(int32_t(s.Linewidth), 1, 3));
    connect(spin_, qOverload<int>(&QSpinBox::valueChanged), this,
            [this](int v) { width_->setText(QString::number(v)); });
    connect(width_, &QLineEdit::textChanged, this, [this](const QString& t) {
        SettingsValues v = settings_.values();
        v.Linewidth = uint32_t(t.toInt());
        settings_.SetRunning(v);
        if (v.Linewidth >= 1 && v.Linewidth <= 3) {
            const QSignalBlocker block(spin_);
            spin_->setValue(int(v.Linewidth));
        }
        preview_->update();
    });

    preview_ = Tagged(new PreviewBox(Text("LinePriview", "Preview"), this), PenSettingId::Preview);
    preview_->setGeometry(10, 164, 170, 56);
    preview_->draw = [this](QPainter& p, const QRect& box) { PaintPreview(p, box); };

    auto* unitsGroup =
        Tagged(new QGroupBox(Text("Units", "Units"), this), PenSettingId::UnitsGroup);
    unitsGroup->setGeometry(190, 132, 180, 44);
    const int unitIds[kLengthUnitCount] = {PenSettingId::Um, PenSettingId::Mm, PenSettingId::Cm,
                                           PenSettingId::Mil, PenSettingId::Inch};
    for (int i = 0; i < kLengthUnitCount; ++i) {
        const LengthUnit& unit = kLengthUnits[i];
        units_[i] = Tagged(new QRadioButton(unit.shownName(), unitsGroup), unitIds[i]);
        units_[i]->setProperty("unit", unit.storedName());
        connect(units_[i], &QRadioButton::clicked, this,
                [this, &unit] { SetUnit(unit.storedName()); });
        // An unknown setting checks what it is measured in: millimetres.
        units_[i]->setChecked(&unit == &UnitFor(s.unit));
    }

    auto* decGroup =
        Tagged(new QGroupBox(Text("decimal", "decimal"), this), PenSettingId::DecimalGroup);
    decGroup->setGeometry(10, 226, 360, 36);
    const int decIds[4] = {PenSettingId::Decimals2, PenSettingId::Decimals3,
                           PenSettingId::Decimals4, PenSettingId::Decimals5};
    const char* const decTexts[4] = {"0.01", "0.001", "0.0001", "0.00001"};
    for (int i = 0; i < 4; ++i) {
        decimals_[i] =
            Tagged(new QRadioButton(QString::fromLatin1(decTexts[i]), decGroup), decIds[i]);
        decimals_[i]->setGeometry(8 + i * 86, 14, 86, 20);
        connect(decimals_[i], &QRadioButton::clicked, this, [this, i] { SetDecimals(i + 2); });
    }
    const int d = s.decimal >= 2 && s.decimal <= 5 ? int(s.decimal) : 5;
    decimals_[d - 2]->setChecked(true);

    auto* font = Tagged(new QPushButton(Text("Font", "Font"), this), PenSettingId::Font);
    font->setGeometry(190, 184, 180, 28);
    connect(font, &QPushButton::clicked, this, &PenSettingDialog::ChooseFont);
    auto* ok = Tagged(new QPushButton(Text("OK", "OK"), this), PenSettingId::Ok);
    ok->setGeometry(190, 268, 86, 26);
    ok->setDefault(true);
    auto* cancel = Tagged(new QPushButton(Text("Cancel", "Cancel"), this), PenSettingId::Cancel);
    cancel->setGeometry(284, 268, 86, 26);
    connect(ok, &QPushButton::clicked, this, &PenSettingDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PenSettingDialog::reject);

    // The units side by side, each as wide as its text ("inch" is wider
    // than "cm"); the group and the dialog grow with them below.
    int unitX = 8;
    for (QRadioButton* u : units_) {
        const int w = u->sizeHint().width();
        u->setGeometry(unitX, 18, w, 20);
        unitX += w + 2;
    }
    // The units need more than the right column's 180 pixels in most fonts,
    // and a long pen-type name widens its group: the dialog grows with both.
    const int grow = std::max(0, unitX + 6 - unitsGroup->width());
    int typeW = 170;
    for (QAbstractButton* r : types_->buttons())
        typeW = std::max(typeW, 12 + r->sizeHint().width() + 8);
    const int shift = typeW - 170;
    for (QAbstractButton* r : types_->buttons())
        r->resize(typeW - 20, r->height());
    typeGroup->resize(typeW, typeGroup->height());
    preview_->resize(typeW, preview_->height());
    decGroup->resize(decGroup->width() + shift + grow, decGroup->height());
    for (QWidget* w : std::initializer_list<QWidget*>{colourGroup, widthGroup, unitsGroup, font})
        w->setGeometry(w->x() + shift, w->y(), w->width() + grow, w->height());
    colour->resize(colour->width() + grow, colour->height());
    width_->resize(width_->width() + grow, width_->height());
    spin_->move(spin_->x() + grow, spin_->y());
    for (QWidget* w : std::initializer_list<QWidget*>{ok, cancel})
        w->move(w->x() + shift + grow, w->y());
    setFixedSize(380 + shift + grow, 300);
}

void PenSettingDialog::SetLineType(int type) {
    SettingsValues v = settings_.values();
    v.Linetype = uint32_t(type);
    settings_.SetRunning(v);
    preview_->update();
}

void PenSettingDialog::SetUnit(const QString& unit) {
    SettingsValues v = settings_.values();
    v.unit = unit;
    settings_.SetRunning(v);
}

void PenSettingDialog::SetDecimals(int decimals) {
    SettingsValues v = settings_.values();
    v.decimal = uint32_t(decimals);
    settings_.SetRunning(v);
}

void PenSettingDialog::ChooseColour() {
    if (const auto c = prompts_.ChooseColor(lineColour_)) {
        lineColour_ = *c;
        settings_.WriteLineColor(*c);
        preview_->update();
    }
}

void PenSettingDialog::ChooseFont() {
    uint32_t colour = labelColour_;
    const auto font = prompts_.ChooseFont(ToQFont(labelFont_), &colour);
    if (!font) return;
    // Fields a chosen font does not carry (character set, precisions) keep
    // what the record had.
    labelFont_ = FontRecordFromQFont(*font, labelFont_);
    labelColour_ = colour;
    settings_.WriteMeasureTxtColor(colour);
    WriteMeasureFont(labelFont_);
}

void PenSettingDialog::PaintPreview(QPainter& p, const QRect& box) {
    const SettingsValues s = settings_.values();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(MeasurePen(int32_t(s.Linetype), int32_t(s.Linewidth), lineColour_));
    const int y = box.center().y() + 4; // below the group's caption line
    p.drawLine(box.left() + 10, y, box.right() - 10, y);
}

void PenSettingDialog::accept() {
    const SettingsValues s = settings_.values();
    settings_.WriteLineWidth(s.Linewidth);
    settings_.WriteLineType(s.Linetype);
    settings_.WriteUnitDecimal(s.unit, s.decimal);
    QDialog::accept();
}

// --- Text ------------------------------------------------------------------------

TextDialog::TextDialog(const FontRecord& font, Prompts& prompts, SettingsStore& settings,
                       QWidget* parent)
    : QDialog(parent), prompts_(prompts), settings_(settings), font_(font) {
    setWindowTitle(Text("TextSetting", "Text"));
    setFixedSize(360, 260);
    settings_.ReadFontColor();
    colour_ = settings_.values().fontcolor;
    auto* prompt = Tagged(new QLabel(this), TextDialogId::Prompt);
    SetPlainLabelText(prompt, Text("EnterText", "Please enter text:"));
    prompt->setGeometry(10, 8, 340, 20);
    edit_ = Tagged(new QPlainTextEdit(this), TextDialogId::Text);
    edit_->setGeometry(10, 30, 250, 100);
    connect(edit_, &QPlainTextEdit::textChanged, this, [this] { preview_->update(); });
    auto* fontButton = Tagged(new QPushButton(Text("Font", "Font"), this), TextDialogId::Font);
    // A long "Font" takes its room from the text box.
    const int buttonW =
        std::max(82, fontButton->fontMetrics().horizontalAdvance(fontButton->text()) + 16);
    fontButton->setGeometry(350 - buttonW, 30, buttonW, 26);
    edit_->resize(350 - buttonW - 18, edit_->height());
    connect(fontButton, &QPushButton::clicked, this, &TextDialog::ChooseFont);
    auto* colour = Tagged(new QPushButton(Text("Color", "Colour"), this), TextDialogId::Colour);
    colour->setGeometry(268, 62, 82, 26);
    colour->hide(); // the Font button chooses the colour too
    preview_ = Tagged(new PreviewBox(Text("Preview", "Preview"), this), TextDialogId::Preview);
    preview_->setGeometry(10, 136, 340, 80);
    preview_->draw = [this](QPainter& p, const QRect& box) { PaintPreview(p, box); };
    auto* ok = Tagged(new QPushButton(Text("OK", "OK"), this), TextDialogId::Ok);
    ok->setGeometry(170, 224, 86, 26);
    auto* cancel = Tagged(new QPushButton(Text("Cancel", "Cancel"), this), TextDialogId::Cancel);
    cancel->setGeometry(264, 224, 86, 26);
    connect(ok, &QPushButton::clicked, this, &TextDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TextDialog::reject);
    edit_->setFocus();
}

QWidget* TextDialog::editor() const {
    return edit_;
}

void TextDialog::ChooseFont() {
    uint32_t colour = colour_;
    const auto font = prompts_.ChooseFont(ToQFont(font_), &colour);
    if (!font) return;
    font_ = FontRecordFromQFont(*font, font_);
    colour_ = colour;
    settings_.WriteFontColor(colour);
    WriteTextFont(font_);
    preview_->update();
}

void TextDialog::PaintPreview(QPainter& p, const QRect& box) {
    const QFont f = ToQFont(font_);
    p.setFont(f);
    p.setPen(ColourFromBgr(colour_));
    const QFontMetrics fm(f);
    const int top = box.center().y() - fm.height() / 2;
    p.drawText(QPoint(box.left() + 2, top + fm.ascent()), edit_->toPlainText());
}

void TextDialog::accept() {
    const QString t = edit_->toPlainText();
    if (t.size() > kMaxTextNoteLength) {
        ShowMessage(prompts_, windowTitle(),
                    Text("TextTooLong", "Please enter no more than 254 characters."),
                    Prompts::Icon::Warning);
        edit_->setFocus();
        return;
    }
    text_ = t;
    QDialog::accept();
}

} // namespace tvx

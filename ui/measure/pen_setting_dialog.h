#pragma once

#include "measure/font_record.h"
#include "measure/units.h"

#include <QDialog>
#include <QGroupBox>
#include <cstdint>
#include <functional>

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

namespace tvx {

class SettingsStore;

class Prompts;

// A group box that shows a sample of what its dialog sets.
class PreviewBox : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;
    std::function<void(QPainter&, const QRect&)> draw;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Line type, colour and width of measuring shapes, the unit and decimals of
// their labels, and the label font and colour. Every choice takes effect for
// the running program at once (Cancel does not take it back); colours and
// the label font are stored at once, the rest by OK.
class PenSettingDialog : public QDialog {
    Q_OBJECT
public:
    PenSettingDialog(Prompts& prompts, SettingsStore& settings, QWidget* parent = nullptr);

    // The caller sets the colours before exec() and reads them after OK.
    void setLineColour(uint32_t c) { lineColour_ = c; }
    void setLabelColour(uint32_t c) { labelColour_ = c; }
    uint32_t lineColour() const { return lineColour_; }
    uint32_t labelColour() const { return labelColour_; }
    // The measurement label font shown and chosen by the Font button.
    void setLabelFont(const FontRecord& r) { labelFont_ = r; }
    const FontRecord& labelFont() const { return labelFont_; }

    // The buttons, for the window that drives the dialog and for tests.
    void ChooseColour();
    void ChooseFont();

public slots:
    void accept() override;

private:
    void SetLineType(int type);
    void SetUnit(const QString& unit);
    void SetDecimals(int decimals);
    void PaintPreview(QPainter& p, const QRect& box);

    Prompts& prompts_;
    SettingsStore& settings_;
    uint32_t lineColour_ = 255;
    uint32_t labelColour_ = 255;
    FontRecord labelFont_ = DefaultFontRecord();
    QButtonGroup* types_ = nullptr;
    QLineEdit* width_ = nullptr;
    QSpinBox* spin_ = nullptr;
    // One choice each: radio buttons, exclusive within their group box.
    QRadioButton* units_[kLengthUnitCount] = {}; // in the order of kLengthUnits
    QRadioButton* decimals_[4] = {};
    PreviewBox* preview_ = nullptr;
};

// The text of a text note, shown in the text font and colour; its Font
// button chooses both and stores them at once.
class TextDialog : public QDialog {
    Q_OBJECT
public:
    // `font` is the text font the caller read from logfont.ini (or the
    // default); the colour comes from the settings.
    TextDialog(const FontRecord& font, Prompts& prompts, SettingsStore& settings,
               QWidget* parent = nullptr);

    QString text() const { return text_; }
    uint32_t textColour() const { return colour_; }
    const FontRecord& textFont() const { return font_; }
    QWidget* editor() const;

    void ChooseFont();

public slots:
    // Stays open, after telling the user, while the text is too long.
    void accept() override;

private:
    void PaintPreview(QPainter& p, const QRect& box);

    Prompts& prompts_;
    SettingsStore& settings_;
    FontRecord font_;
    uint32_t colour_ = 255;
    QString text_;
    QPlainTextEdit* edit_ = nullptr;
    PreviewBox* preview_ = nullptr;
};

} // namespace tvx

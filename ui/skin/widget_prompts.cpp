#include "ui/skin/widget_prompts.h"

#include "platform/language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <utility>

namespace tvx {

namespace {

QWidget* parentWindow() {
    return QApplication::activeWindow();
}

// Colours are kept as 0x00BBGGRR.
QColor toQColor(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
uint32_t fromQColor(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

// "bmp" of "Bitmap Files(*.bmp)"; empty for a filter without one.
QString firstSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

QFont FontForChooser(const QFont& font) {
    QFont shown = font;
    // A face the desktop lacks (Arial on most Linux desktops) is shown as
    // the face it is drawn with, which the chooser's list has.
    if (!QFontDatabase::families().contains(font.family(), Qt::CaseInsensitive))
        shown.setFamily(QFontInfo(font).family());
    // The chooser speaks points; the font files keep pixels at 96 per inch.
    if (font.pixelSize() > 0) shown.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return shown;
}

Prompts::Answer WidgetPrompts::Message(const QString& title, const QString& text, Icon icon,
                                       Buttons buttons) {
    QMessageBox box(parentWindow());
    box.setWindowTitle(title);
    // Message texts come from language files and file names: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // Qt's own button texts are English whatever language the user chose.
    const std::pair<QMessageBox::StandardButton, QString> labels[] = {
        {QMessageBox::Ok, Text("OK", "OK")},
        {QMessageBox::Cancel, Text("Cancel", "Cancel")},
        {QMessageBox::Yes, Text("Yes", "Yes")},
        {QMessageBox::No, Text("No", "No")},
    };
    for (const auto& [which, label] : labels)
        if (QAbstractButton* b = box.button(which)) b->setText(label);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString WidgetPrompts::SaveFileName(const QString& title, const QString& proposedPath,
                                    const QString& filters, QString* selectedFilter) {
    QFileDialog dlg(parentWindow(), title, proposedPath, filters);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    if (selectedFilter && !selectedFilter->isEmpty()) dlg.selectNameFilter(*selectedFilter);
    // A name typed without extension gets the chosen type's one inside the
    // dialog, so that replacing an existing "foo.bmp" is asked about before
    // the dialog closes, not written over afterwards.
    dlg.setDefaultSuffix(firstSuffix(dlg.selectedNameFilter()));
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                     [&dlg](const QString& filter) { dlg.setDefaultSuffix(firstSuffix(filter)); });
    if (dlg.exec() != QDialog::Accepted) return QString();
    if (selectedFilter) *selectedFilter = dlg.selectedNameFilter();
    return dlg.selectedFiles().value(0);
}

QString WidgetPrompts::OpenFileName(const QString& title, const QString& folder,
                                    const QString& filters) {
    return QFileDialog::getOpenFileName(parentWindow(), title, folder, filters);
}

QString WidgetPrompts::ExistingFolder(const QString& title, const QString& folder) {
    return QFileDialog::getExistingDirectory(parentWindow(), title, folder);
}

std::optional<uint32_t> WidgetPrompts::ChooseColor(uint32_t initial) {
    const QColor c = QColorDialog::getColor(toQColor(initial), parentWindow());
    if (!c.isValid()) return std::nullopt;
    return fromQColor(c);
}

std::optional<QFont> WidgetPrompts::ChooseFont(const QFont& initial, uint32_t* colour) {
    QFontDialog dialog(parentWindow());
    dialog.setCurrentFont(FontForChooser(initial));
    // What the chooser shows, as it reads it back: a field left as it was
    // keeps the caller's value, not the chooser's rounding of it.
    const QFont shown = dialog.currentFont();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QFont f = dialog.selectedFont();
    if (f.family() == shown.family()) f.setFamily(initial.family());
    if (f.pointSizeF() == shown.pointSizeF()) {
        if (initial.pixelSize() > 0)
            f.setPixelSize(initial.pixelSize());
        else
            f.setPointSizeF(initial.pointSizeF());
    }
    // The desktop font chooser has no colour: ask for it right after, as one
    // choice. Cancelling the colour keeps the old one.
    if (colour) {
        const QColor c = QColorDialog::getColor(toQColor(*colour), parentWindow());
        if (c.isValid()) *colour = fromQColor(c);
    }
    return f;
}

} // namespace tvx

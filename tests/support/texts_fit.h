#pragma once

// Checks that a dialog shows each of its texts whole in every shipped
// language: the long translations are what gets cut off first.

#include "platform/language.h"
#include "tests/support/test_env.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

namespace tvx::test {

// (primary, sub-language) of every language file the program ships.
inline std::vector<std::pair<int, int>> ShippedLanguages() {
    return {{9, 0},  {1, 0},  {2, 0},  {4, 1},  {4, 2},  {6, 0},  {7, 0},  {10, 0},
            {11, 0}, {12, 0}, {13, 0}, {16, 0}, {17, 0}, {18, 0}, {19, 0}, {20, 0},
            {21, 0}, {22, 0}, {25, 0}, {29, 0}, {30, 0}, {31, 0}, {42, 0}};
}

// The texts of `dialog` that do not fit their control or stick out of
// their parent, "text (needs N, has M)" each, joined by "; "; empty when
// all fit.
inline std::string CutTexts(QWidget* dialog) {
    QStringList cut;
    const auto outside = [](const QWidget* w) {
        const QWidget* p = w->parentWidget();
        return p && (w->geometry().right() >= p->width() || w->geometry().bottom() >= p->height());
    };
    const auto note = [&](const QWidget* w, const QString& text, int needs) {
        if (needs > w->width())
            cut << QStringLiteral("%1 (needs %2, has %3)").arg(text).arg(needs).arg(w->width());
        else if (outside(w))
            cut << QStringLiteral("%1 (outside its parent)").arg(text);
    };
    for (const QLabel* l : dialog->findChildren<QLabel*>()) {
        if (l->isHidden() || l->text().isEmpty() || l->wordWrap()) continue;
        note(l, l->text(), l->sizeHint().width());
    }
    for (const QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
        if (b->isHidden() || b->text().isEmpty()) continue;
        if (qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b)) {
            note(b, b->text(), b->sizeHint().width());
        } else if (qobject_cast<const QPushButton*>(b)) {
            // The style's minimum width of a push button is no text of ours.
            note(b, b->text(), b->fontMetrics().horizontalAdvance(b->text()) + 8);
        }
    }
    return cut.join(QStringLiteral("; ")).toStdString();
}

} // namespace tvx::test

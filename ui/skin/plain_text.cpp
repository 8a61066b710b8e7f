#include "ui/skin/plain_text.h"

#include <QLabel>

namespace tvx {

QString PlainToolTip(const QString& text) {
    if (text.isEmpty()) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

void SetPlainLabelText(QLabel* label, const QString& text) {
    if (!label) return;
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

} // namespace tvx

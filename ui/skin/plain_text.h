#pragma once

#include <QString>

class QLabel;

namespace tvx {

// Texts from language files are text, never markup: a file must not be able to
// put HTML (and with it a local picture) into the window.

// A tool tip that shows `text` as it stands. Qt takes a tool tip for rich
// text when it merely looks like markup, so the text is escaped and wrapped
// in a paragraph that keeps its spaces and line breaks. Empty stays empty (no
// tool tip).
QString PlainToolTip(const QString& text);

// Sets a label's text as plain text.
void SetPlainLabelText(QLabel* label, const QString& text);

} // namespace tvx

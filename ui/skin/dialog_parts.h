#pragma once

#include <QString>

class QKeyEvent;

namespace tvx {

// A dialog's control named by its control number, so that tests and the
// language files find it by the number the dialog has always used.
template <class W> W* Named(W* w, int id) {
    w->setObjectName(QString::number(id));
    return w;
}

// For the windows that only their close box closes: takes Enter and Escape
// (true) so that the dialog's own handling never sees them.
bool SwallowEnterAndEscape(QKeyEvent* e);

} // namespace tvx

#include "ui/skin/dialog_parts.h"

#include <QKeyEvent>

namespace tvx {

bool SwallowEnterAndEscape(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        return true;
    default:
        return false;
    }
}

} // namespace tvx

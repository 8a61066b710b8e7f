#pragma once

#include <QDialog>

class QLabel;

namespace tvx {

// The about box: product, description, version and a last line, all from
// the language file.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QString description() const;
    QString lastLine() const;

private:
    QLabel* description_ = nullptr; // static 1083
    QLabel* lastLine_ = nullptr;    // static 1085
};

} // namespace tvx

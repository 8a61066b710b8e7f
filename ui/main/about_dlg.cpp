#include "ui/main/about_dlg.h"

#include "platform/language.h"
#include "ui/skin/plain_text.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tvx {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Text("AboutViewZandor1", "About Tavolux"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/app_128.svg")).pixmap(64, 64));

    // Language files give text, never markup.
    const auto label = [this](const QString& text) {
        auto* l = new QLabel(this);
        SetPlainLabelText(l, text);
        return l;
    };
    auto* product = label(Text("AboutViewZandor2", "Tavolux"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    product->setFont(big);
    description_ = label(Text("AboutDescription",
                              "Live view, still pictures, recording and calibrated measuring "
                              "for the wireless digital microscope."));
    description_->setWordWrap(true);
    // One version everywhere: the build's own, as --version and the package say.
    auto* version =
        label(Text("AboutVersion", "Version %1").arg(QCoreApplication::applicationVersion()));
    lastLine_ = label(
        Text("AboutCopyright", "Copyright (C) 2026 the Tavolux developers. All rights reserved."));
    // The fixed width would cut a long line; it wraps instead.
    lastLine_->setWordWrap(true);
    auto* ok = new QPushButton(Text("Ok", "OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(description_);
    text->addWidget(version);
    text->addWidget(lastLine_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);
    setFixedWidth(420);
}

QString AboutDialog::description() const {
    return description_->text();
}
QString AboutDialog::lastLine() const {
    return lastLine_->text();
}

} // namespace tvx

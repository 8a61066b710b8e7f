#include "ui/main/status_strip.h"

#include "platform/language.h"

#include <QFileInfo>
#include <QTextDocument>
#include <QUrl>

namespace tvx {

StatusStrip::StatusStrip(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("statusStrip"));
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);
    // The skin's panel text: light on the dark strip, links in its blue.
    setStyleSheet(QStringLiteral("QLabel { color: rgb(190,204,220); background: transparent; }"));
    messageTimer_.setSingleShot(true);
    messageTimer_.setInterval(kMessageMs);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        message_.clear();
        refresh();
    });
    connect(this, &QLabel::linkActivated, this,
            [this](const QString& link) { emit openFolder(QUrl(link).toLocalFile()); });
}

void StatusStrip::ShowSaved(const QString& path) {
    const QFileInfo file(path);
    const QString link = QUrl::fromLocalFile(file.absolutePath()).toString(QUrl::FullyEncoded);
    message_ =
        Text("StatusSaved", "Saved %1").arg(file.fileName().toHtmlEscaped()) +
        QStringLiteral(" &nbsp;<a style=\"color: rgb(78,165,255)\" href=\"%1\">%2</a>")
            .arg(link.toHtmlEscaped(), Text("StatusOpenFolder", "Open folder").toHtmlEscaped());
    messageTimer_.start();
    refresh();
}

void StatusStrip::ShowMessage(const QString& text) {
    message_ = text.toHtmlEscaped();
    messageTimer_.start();
    refresh();
}

void StatusStrip::SetProgress(const QString& text) {
    progress_ = text;
    refresh();
}

void StatusStrip::SetHint(const QString& text) {
    hint_ = text;
    refresh();
}

QString StatusStrip::plainText() const {
    QTextDocument doc;
    doc.setHtml(text());
    return doc.toPlainText();
}

void StatusStrip::refresh() {
    // What happened and what runs are both worth a look (a time-lapse
    // picture saved while the series goes on); the hint waits for quiet.
    QStringList parts;
    if (!message_.isEmpty()) parts << message_;
    if (!progress_.isEmpty()) parts << progress_.toHtmlEscaped();
    if (parts.isEmpty() && !hint_.isEmpty()) parts << hint_.toHtmlEscaped();
    setText(parts.join(QStringLiteral(" &nbsp;&nbsp;&nbsp;")));
}

} // namespace tvx

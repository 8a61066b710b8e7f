#include "ui/skin/error_sink.h"

#include <QLoggingCategory>

namespace tvx {

namespace {
Q_LOGGING_CATEGORY(lcMessages, "tavolux.messages")
} // namespace

void ShowMessage(Prompts& prompts, const QString& title, const QString& text, Prompts::Icon icon) {
    if (icon == Prompts::Icon::Information)
        qCInfo(lcMessages).noquote() << title << "-" << text;
    else
        qCWarning(lcMessages).noquote() << title << "-" << text;
    prompts.Message(title, text, icon);
}

bool ErrorReporter::Report(const QString& title, const QString& reason) {
    ++reported_;
    // A box runs the event loop: errors arriving meanwhile are only logged.
    if (showing_ || (sinceLastBox_.isValid() && sinceLastBox_.elapsed() < quietMs_)) {
        qCWarning(lcMessages).noquote() << title << "- not shown again:" << reason;
        return false;
    }
    showing_ = true;
    ++boxes_;
    ShowMessage(prompts_, title, reason, Prompts::Icon::Error);
    showing_ = false;
    sinceLastBox_.start();
    return true;
}

} // namespace tvx

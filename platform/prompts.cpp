#include "platform/prompts.h"

namespace tvx {

template <typename T> std::optional<T> ScriptedPrompts::next() {
    if (replies_.empty()) return std::nullopt;
    Reply r = std::move(replies_.front());
    replies_.pop_front();
    if (auto* v = std::get_if<T>(&r)) return *v;
    return std::nullopt;
}

Prompts::Answer ScriptedPrompts::Message(const QString& title, const QString& text, Icon icon,
                                         Buttons buttons) {
    shown_.push_back({title, text, icon});
    if (buttons == Buttons::Ok) return Answer::Ok;
    return next<Answer>().value_or(Answer::Cancel);
}

QString ScriptedPrompts::SaveFileName(const QString& title, const QString& proposedPath,
                                      const QString& filters, QString* selectedFilter) {
    asked_.push_back(title);
    lastProposed_ = proposedPath;
    const QString path = next<QString>().value_or(QString());
    if (selectedFilter && !path.isEmpty())
        *selectedFilter = filters.section(QStringLiteral(";;"), 0, 0);
    return path;
}

QString ScriptedPrompts::OpenFileName(const QString& title, const QString& folder, const QString&) {
    asked_.push_back(title);
    lastProposed_ = folder;
    return next<QString>().value_or(QString());
}

QString ScriptedPrompts::ExistingFolder(const QString& title, const QString& folder) {
    asked_.push_back(title);
    lastProposed_ = folder;
    return next<QString>().value_or(QString());
}

std::optional<uint32_t> ScriptedPrompts::ChooseColor(uint32_t) {
    return next<uint32_t>();
}

std::optional<QFont> ScriptedPrompts::ChooseFont(const QFont&, uint32_t*) {
    return next<QFont>();
}

} // namespace tvx

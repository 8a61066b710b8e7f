#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>
#include <variant>

namespace tvx {

// Every question the program asks the user goes through this interface: the
// window build shows real dialogs, tests answer from a script.
class Prompts {
public:
    enum class Icon { Information, Warning, Error, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts() = default;

    virtual Answer Message(const QString& title, const QString& text, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;
    // Empty when cancelled. `filters` as Qt file-dialog filters separated by ";;";
    // `selectedFilter` receives the chosen one.
    virtual QString SaveFileName(const QString& title, const QString& proposedPath,
                                 const QString& filters, QString* selectedFilter) = 0;
    virtual QString OpenFileName(const QString& title, const QString& folder,
                                 const QString& filters) = 0;
    virtual QString ExistingFolder(const QString& title, const QString& folder) = 0;
    // Colours are 0x00BBGGRR; nothing when cancelled.
    virtual std::optional<uint32_t> ChooseColor(uint32_t initial) = 0;
    // The chosen font and, through `colour`, its colour; nothing when cancelled.
    virtual std::optional<QFont> ChooseFont(const QFont& initial, uint32_t* colour) = 0;
};

// Answers dialogs from a queue and records every message shown.
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString title;
        QString text;
        Icon icon;
    };
    using Reply = std::variant<Answer, QString, uint32_t, QFont>;

    void Push(Reply reply) { replies_.push_back(std::move(reply)); }
    const std::vector<Shown>& shown() const { return shown_; }
    // Titles of the file dialogs asked, in order.
    const QStringList& asked() const { return asked_; }
    QString lastProposedPath() const { return lastProposed_; }
    void Clear() {
        shown_.clear();
        replies_.clear();
        asked_.clear();
    }

    Answer Message(const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    QString SaveFileName(const QString& title, const QString& proposedPath, const QString& filters,
                         QString* selectedFilter) override;
    QString OpenFileName(const QString& title, const QString& folder,
                         const QString& filters) override;
    QString ExistingFolder(const QString& title, const QString& folder) override;
    std::optional<uint32_t> ChooseColor(uint32_t initial) override;
    std::optional<QFont> ChooseFont(const QFont& initial, uint32_t* colour) override;

private:
    template <typename T> std::optional<T> next();

    std::deque<Reply> replies_;
    std::vector<Shown> shown_;
    QStringList asked_;
    QString lastProposed_;
};

} // namespace tvx

#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QProcess;

namespace tvx {

// What handing a file to the mail program came to.
enum class MailStatus {
    HandedOver,    // the mail program has the file in a new message
    NoMailProgram, // no mail program is set up (the mail system cannot be loaded)
    Failed,        // the mail program was there but did not take the file
};

struct MailResult {
    MailStatus status = MailStatus::Failed;
    QString reason; // empty when handed over
};

// Hands one file to the user's mail program as the attachment of a new
// message, through xdg-email. The programs are run directly with an argument
// list, never through a shell, and the file is passed as an absolute path so
// no name can pass for an option. Lives on the UI thread.
class Mailer : public QObject {
    Q_OBJECT
public:
    explicit Mailer(QObject* parent = nullptr);
    // A mail program may still be starting when the program ends; it belongs
    // to the user and is left running.
    ~Mailer() override;

    // The programs to run: xdg-email and xdg-mime unless tests say otherwise.
    void SetPrograms(const QString& email, const QString& mimeQuery);

    // Starts handing `file` over; `done` runs on the UI thread once the mail
    // program has answered. Without a mail program set up, `done` runs before
    // this returns.
    void Send(const QString& file, std::function<void(const MailResult&)> done);
    // Mail programs still being started.
    int Pending() const { return pending_; }

    // The mail handler of the desktop ("thunderbird.desktop" …); empty when
    // none is set up or the query cannot run.
    QString DefaultMailHandler() const;

private:
    QString email_ = QStringLiteral("xdg-email");
    QString mimeQuery_ = QStringLiteral("xdg-mime");
    int pending_ = 0;
};

} // namespace tvx

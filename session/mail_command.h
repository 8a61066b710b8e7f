#pragma once

#include "platform/mailer.h"
#include "platform/prompts.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace tvx {

// What the mail command hands the mail program for a file: a BMP picture
// (extension "bmp" in any letter case) goes as a JPEG copy of the same name;
// a file whose name is not UTF-8 as a copy under its readable name (the
// mail program is given names as text); any other file as itself.
struct MailAttachment {
    bool convert = false; // a JPEG copy is to be made
    bool copy = false;    // a plain copy is to be made
    QString copyName;     // the copy's file name ("a.b.bmp" → "a.b.jpg"); empty without
};
MailAttachment AttachmentFor(const QString& path);

// How long a copy handed to the mail program is kept: long enough for a
// message composed at leisure to be sent.
inline constexpr qint64 kMailCopyLifeSeconds = 24 * 60 * 60;

// The E-Mail command of the file list: hands the selected file to the user's
// mail program and says how that went (message(), for the window to show).
//
// Copies are made in TempDir, each in a new folder of its own
// ("mail-XXXXXX", made by mkdtemp), so nothing planted in TempDir (a link
// to a file elsewhere) can be written through, and the copy keeps the name
// the recipient sees. The mail program may read a copy whenever the user
// presses Send, so copies it took are kept until they are a day old; older
// ones are removed when the command is made (at start-up) and at each mail.
// A copy the mail program never took goes at once. Nothing but these
// folders is ever deleted: the user's files, in TempDir or anywhere, stay.
class MailCommand : public QObject {
    Q_OBJECT
public:
    // `tempDir` empty: the TempDir of the storage folders.
    explicit MailCommand(Mailer& mailer, QString tempDir = {}, QObject* parent = nullptr);

    // Mails `path` (the file list's selected entry; empty when none is
    // selected). What the user is to be told comes as message(); finished()
    // follows once the mail program answered or it is clear nothing is sent.
    void Mail(const QString& path);

    // Removes the copy folders of TempDir that are at least
    // kMailCopyLifeSeconds old (by their newest time).
    void DropStaleCopies();
    // Copies this command made that still exist.
    QStringList Copies() const;

signals:
    // For the user: why nothing was sent, or that the mail program has it.
    void message(const QString& title, const QString& text, tvx::Prompts::Icon icon);
    void finished(bool handedOver);

private:
    void warn(const QString& text);
    // The copy's path, or empty after saying why not.
    QString MakeCopy(const QString& source, const MailAttachment& how);

    Mailer& mailer_;
    QString tempDir_;
    QStringList copies_;
};

} // namespace tvx

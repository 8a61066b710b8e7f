#pragma once

#include "platform/mailer.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace tvx {

// What the mail command hands the mail program for a file: a BMP picture
// (extension "bmp" in lower case) goes as a JPEG copy of the same name, any
// other file as itself.
struct MailAttachment {
    bool convert = false; // a JPEG copy is to be made
    QString copyName;     // the copy's file name ("a.b.bmp" → "a.b.jpg"); empty without
};
MailAttachment AttachmentFor(const QString& path);

// The E-Mail command of the file list: hands the selected file to the user's
// mail program and tells the user how that went (through the prompts).
//
// JPEG copies of BMP pictures are made in TempDir under their own names and
// nowhere else; only copies this command made are ever deleted, and only
// once the mail program has had them: at the next mail, or at exit. A file
// the user keeps anywhere, the program folder included, is never touched.
class MailCommand : public QObject {
    Q_OBJECT
public:
    // `tempDir` empty: the TempDir of the storage folders.
    explicit MailCommand(Mailer& mailer, QString tempDir = {}, QObject* parent = nullptr);
    // Deletes the copies the mail program has had (see DropHandedCopies).
    ~MailCommand() override;

    // Mails `path` (the file list's selected entry; empty when none is
    // selected). Messages go to the user; finished() follows once the
    // mail program answered or it is clear nothing is sent.
    void Mail(const QString& path);

    // Deletes the copies whose mail program has answered. Copies still being
    // handed over are kept.
    void DropHandedCopies();
    // Copies this command made that still exist.
    QStringList Copies() const;

signals:
    void finished(bool handedOver);

private:
    struct Copy {
        QString path;
        QString ownFolder; // a folder made only for this copy, removed with it
        bool handed = false;
    };
    std::shared_ptr<Copy> MakeCopy(const QString& bmp, const QString& name);

    Mailer& mailer_;
    QString tempDir_;
    std::vector<std::shared_ptr<Copy>> copies_;
};

} // namespace tvx

#include "session/mail_command.h"

#include "imaging/cximage.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

namespace tvx {

namespace {

const QString kTitle = QStringLiteral("Tavolux");

void Warn(const QString& text) {
    prompts().Message(kTitle, text, Prompts::Icon::Warning);
}

} // namespace

MailAttachment AttachmentFor(const QString& path) {
    // The three characters after the file name's last dot decide, letter
    // case included: only a lower-case "bmp" is converted. A dot in a folder
    // name does not count.
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.mid(dot + 1, 3) != QLatin1String("bmp")) return {};
    return {true, name.left(dot + 1) + QStringLiteral("jpg")};
}

MailCommand::MailCommand(Mailer& mailer, QString tempDir, QObject* parent)
    : QObject(parent), mailer_(mailer), tempDir_(std::move(tempDir)) {
    if (tempDir_.isEmpty()) tempDir_ = MakeStorageFolders().tempDir;
}

MailCommand::~MailCommand() {
    DropHandedCopies();
}

QStringList MailCommand::Copies() const {
    QStringList out;
    for (const auto& c : copies_)
        if (QFileInfo::exists(c->path)) out << c->path;
    return out;
}

void MailCommand::DropHandedCopies() {
    std::vector<std::shared_ptr<Copy>> kept;
    for (const auto& c : copies_) {
        if (!c->handed) {
            kept.push_back(c);
            continue;
        }
        QFile::remove(c->path);
        if (!c->ownFolder.isEmpty()) QDir().rmdir(c->ownFolder);
    }
    copies_ = std::move(kept);
}

std::shared_ptr<MailCommand::Copy> MailCommand::MakeCopy(const QString& bmp, const QString& name) {
    CxImage picture(bmp, kImageTypeBmp);
    if (!picture.IsValid()) {
        Warn(QStringLiteral("imageEmail Create fail"));
        return nullptr;
    }
    QDir().mkpath(tempDir_);
    auto copy = std::make_shared<Copy>();
    copy->path = tempDir_ + QLatin1Char('/') + name;
    // A file of that name that is not ours stays as it is: the copy then
    // gets a folder of its own, so it keeps the name the recipient sees.
    if (QFileInfo::exists(copy->path)) {
        QTemporaryDir own(tempDir_ + QStringLiteral("/mail-XXXXXX"));
        own.setAutoRemove(false);
        if (own.isValid()) {
            copy->ownFolder = own.path();
            copy->path = own.path() + QLatin1Char('/') + name;
        }
    }
    if (QFileInfo::exists(copy->path) || !picture.Save(copy->path, kImageTypeJpg)) {
        if (!copy->ownFolder.isEmpty()) QDir().rmdir(copy->ownFolder);
        Warn(QStringLiteral("Compress fail"));
        return nullptr;
    }
    copies_.push_back(copy);
    return copy;
}

void MailCommand::Mail(const QString& path) {
    if (path.isEmpty()) {
        Warn(Text("SelectFile", "Please select an image or video"));
        emit finished(false);
        return;
    }
    DropHandedCopies();

    QString attachment = path;
    std::shared_ptr<Copy> copy;
    const MailAttachment how = AttachmentFor(path);
    if (how.convert) {
        copy = MakeCopy(path, how.copyName);
        if (!copy) {
            emit finished(false);
            return;
        }
        attachment = copy->path;
    }

    // The mail program may answer after this command is gone (at exit).
    QPointer<MailCommand> self(this);
    mailer_.Send(attachment, [self, copy](const MailResult& result) {
        if (copy) copy->handed = true;
        if (!self) return;
        switch (result.status) {
        case MailStatus::HandedOver:
            Warn(Text("SEND_CAMPLETE", "Send Completed"));
            break;
        case MailStatus::NoMailProgram:
            prompts().Message(
                kTitle,
                Text("MailNotLoaded", "The mail system cannot be loaded: %1.").arg(result.reason) +
                    QLatin1Char('\n') +
                    Text("MailSetUp", "Set up a mail program for your desktop."),
                Prompts::Icon::Error);
            break;
        case MailStatus::Failed:
            prompts().Message(kTitle,
                              Text("MailNotSent", "The mail was not sent: %1.").arg(result.reason),
                              Prompts::Icon::Error);
            break;
        }
        emit self->finished(result.status == MailStatus::HandedOver);
    });
}

} // namespace tvx

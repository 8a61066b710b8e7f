#include "session/mail_command.h"

#include "imaging/cximage.h"
#include "platform/exclusive_file.h"
#include "platform/file_name.h"
#include "platform/folders.h"
#include "platform/language.h"
#include "platform/prompts.h"
#include "platform/regular_file.h"

#include <QDateTime>
#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

namespace {

const QString kTitle = QStringLiteral("Tavolux");
const QString kCopyFolderPrefix = QStringLiteral("mail-");

QString FileName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

qint64 Nanoseconds(const struct timespec& t) {
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Removes one copy folder of ours when everything in it is old enough. A
// folder holding anything but files (and links, which are removed, never
// followed) is not ours to empty.
void DropFolderIfStale(const QString& folder, qint64 cutoff) {
    const QByteArray native = NativeFileName(folder);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return;
    qint64 newest = Nanoseconds(st.st_mtim);
    QList<QByteArray> files;
    for (const FolderEntry& e : ReadFolder(folder)) {
        const QByteArray path = native + '/' + NativeFileName(e.name);
        struct stat est {};
        if (::lstat(path.constData(), &est) != 0) return;
        if (!S_ISREG(est.st_mode) && !S_ISLNK(est.st_mode)) return;
        newest = std::max(newest, Nanoseconds(est.st_mtim));
        files << path;
    }
    if (newest > cutoff) return;
    for (const QByteArray& f : files)
        ::unlink(f.constData());
    ::rmdir(native.constData());
}

} // namespace

MailAttachment AttachmentFor(const QString& path) {
    // The three characters after the file name's last dot decide; a dot in a
    // folder name does not count.
    const QString name = DisplayFileName(FileName(path));
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && name.mid(dot + 1).compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0)
        return {true, false, name.left(dot + 1) + QStringLiteral("jpg")};
    if (HasRawBytes(FileName(path))) return {false, true, name};
    return {};
}

MailCommand::MailCommand(Mailer& mailer, QString tempDir, QObject* parent)
    : QObject(parent), mailer_(mailer), tempDir_(std::move(tempDir)) {
    if (tempDir_.isEmpty()) tempDir_ = MakeStorageFolders().tempDir;
    DropStaleCopies();
}

QStringList MailCommand::Copies() const {
    QStringList out;
    for (const QString& c : copies_)
        if (IsRegularFile(c)) out << c;
    return out;
}

void MailCommand::DropStaleCopies() {
    static const QRegularExpression ours(QStringLiteral("^mail-[A-Za-z0-9]{6}$"));
    const qint64 cutoff =
        (QDateTime::currentSecsSinceEpoch() - kMailCopyLifeSeconds) * qint64(1000000000);
    for (const FolderEntry& e : ReadFolder(tempDir_))
        if (e.folder && ours.match(e.name).hasMatch())
            DropFolderIfStale(tempDir_ + QLatin1Char('/') + e.name, cutoff);
}

void MailCommand::warn(const QString& text) {
    emit message(kTitle, text, Prompts::Icon::Warning);
}

QString MailCommand::MakeCopy(const QString& source, const MailAttachment& how) {
    QByteArray bytes;
    if (how.convert) {
        CxImage picture(source, kImageTypeBmp);
        if (!picture.IsValid()) {
            warn(QStringLiteral("imageEmail Create fail"));
            return {};
        }
        bytes = picture.Encode(kImageTypeJpg);
        if (bytes.isEmpty()) {
            warn(QStringLiteral("Compress fail"));
            return {};
        }
    } else {
        QString why;
        if (!ReadRegularFile(source, std::numeric_limits<qint64>::max(), &bytes, &why)) {
            warn(why);
            return {};
        }
    }
    QDir().mkpath(tempDir_);
    Status made;
    const QString folder = CreateFreshFolder(tempDir_, kCopyFolderPrefix, &made);
    const QString path = folder + QLatin1Char('/') + how.copyName;
    if (folder.isEmpty() || WriteFileExclusively(path, bytes, &made) != CreateOutcome::Created) {
        if (!folder.isEmpty()) QDir().rmdir(folder);
        warn(QStringLiteral("Compress fail") + QLatin1Char('\n') + made.reason());
        return {};
    }
    copies_ << path;
    return path;
}

void MailCommand::Mail(const QString& path) {
    if (path.isEmpty()) {
        warn(Text("SelectFile", "Please select an image or video"));
        emit finished(false);
        return;
    }
    DropStaleCopies();

    QString attachment = path;
    const MailAttachment how = AttachmentFor(path);
    const bool copied = how.convert || how.copy;
    if (copied) {
        attachment = MakeCopy(path, how);
        if (attachment.isEmpty()) {
            emit finished(false);
            return;
        }
    }
    const bool picture = ImageTypeFromPath(path) != kImageTypeNone;

    // The mail program may answer after this command is gone (at exit).
    QPointer<MailCommand> self(this);
    mailer_.Send(attachment, [self, attachment, copied, picture](const MailResult& result) {
        // A copy the mail program never took is of no use to anyone.
        if (copied && result.status != MailStatus::HandedOver) {
            const QString folder = attachment.left(attachment.lastIndexOf(QLatin1Char('/')));
            ::unlink(NativeFileName(attachment).constData());
            ::rmdir(NativeFileName(folder).constData());
        }
        if (!self) return;
        switch (result.status) {
        case MailStatus::HandedOver:
            // The mail program has a new message with the file; it is sent
            // (or not) when the user says so there.
            emit self->message(
                kTitle,
                picture
                    ? Text("MailPictureHandedOver", "The picture was handed to your mail program.")
                    : Text("MailVideoHandedOver", "The video was handed to your mail program."),
                Prompts::Icon::Information);
            break;
        case MailStatus::NoMailProgram:
            emit self->message(
                kTitle,
                Text("MailNotLoaded", "The mail system cannot be loaded: %1.").arg(result.reason) +
                    QLatin1Char('\n') +
                    Text("MailSetUp", "Set up a mail program for your desktop."),
                Prompts::Icon::Error);
            break;
        case MailStatus::Failed:
            emit self->message(kTitle,
                               Text("MailNotSent", "The mail was not sent: %1.").arg(result.reason),
                               Prompts::Icon::Error);
            break;
        }
        emit self->finished(result.status == MailStatus::HandedOver);
    });
}

} // namespace tvx

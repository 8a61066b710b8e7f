#include "platform/mailer.h"

#include <QFileInfo>
#include <QProcess>
#include <memory>

namespace tvx {

namespace {

constexpr int kQueryTimeoutMs = 5000;
// xdg-email's exit codes for a missing tool and a failed action: no usable
// mail program behind it.
constexpr int kExitToolMissing = 3;
constexpr int kExitActionFailed = 4;

} // namespace

Mailer::Mailer(QObject* parent) : QObject(parent) {}

Mailer::~Mailer() {
    // Destroying a running QProcess kills it; the mail program's compose
    // window must outlive us, so running ones are let go instead.
    for (QProcess* p : findChildren<QProcess*>(QString(), Qt::FindDirectChildrenOnly)) {
        p->disconnect(this);
        if (p->state() != QProcess::NotRunning) p->setParent(nullptr);
    }
}

void Mailer::SetPrograms(const QString& email, const QString& mimeQuery) {
    email_ = email;
    mimeQuery_ = mimeQuery;
}

QString Mailer::DefaultMailHandler() const {
    QProcess query;
    query.start(mimeQuery_, {QStringLiteral("query"), QStringLiteral("default"),
                             QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

void Mailer::Send(const QString& file, std::function<void(const MailResult&)> done) {
    if (DefaultMailHandler().isEmpty()) {
        done({MailStatus::NoMailProgram, QStringLiteral("no mail program is set up")});
        return;
    }
    auto* process = new QProcess(this);
    process->setProgram(email_);
    process->setArguments({QStringLiteral("--attach"), QFileInfo(file).absoluteFilePath()});
    process->setStandardInputFile(QProcess::nullDevice());
    ++pending_;
    auto finish = [this, process, done](MailResult result) {
        --pending_;
        process->disconnect(this);
        process->deleteLater();
        done(result);
    };
    connect(process, &QProcess::errorOccurred, this, [process, finish](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return; // a crash also ends in finished()
        finish({MailStatus::NoMailProgram, QStringLiteral("%1 cannot be run: %2")
                                               .arg(process->program(), process->errorString())});
    });
    connect(
        process, &QProcess::finished, this,
        [process, finish](int code, QProcess::ExitStatus status) {
            const QString err = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
            if (status != QProcess::NormalExit)
                finish({MailStatus::Failed, QStringLiteral("the mail program crashed")});
            else if (code == 0)
                finish({MailStatus::HandedOver, {}});
            else if (code == kExitToolMissing || code == kExitActionFailed)
                finish({MailStatus::NoMailProgram,
                        QStringLiteral("exit code %1 %2").arg(code).arg(err)});
            else
                finish({MailStatus::Failed, QStringLiteral("exit code %1 %2").arg(code).arg(err)});
        });
    process->start();
}

} // namespace tvx

// Handing a file to the mail program through a stand-in xdg-email that
// records the arguments it was given.
#include "platform/mailer.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>

namespace tvx {
namespace {

// Writes an executable script and returns its path.
QString Script(const QString& name, const QByteArray& body) {
    const QString path = test::homeDir() + "/" + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
}

struct FakeMail {
    QString log = test::homeDir() + "/argv.log";
    QString email;
    QString mime;
    // `exitCode` of the stand-in xdg-email; `handler` what xdg-mime answers.
    FakeMail(int exitCode, const QByteArray& handler) {
        email =
            Script("fake-email", "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" + log.toUtf8() +
                                     "'; done\nexit " + QByteArray::number(exitCode) + "\n");
        mime = Script("fake-mime", "printf '" + handler + "'\n");
    }
    QStringList Argv() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList out;
        for (const QByteArray& a : f.readAll().split('\0'))
            if (!a.isEmpty()) out << QString::fromUtf8(a);
        return out;
    }
};

std::optional<MailResult> SendAndWait(Mailer& mailer, const QString& file) {
    std::optional<MailResult> result;
    mailer.Send(file, [&](const MailResult& r) { result = r; });
    QElapsedTimer t;
    t.start();
    while (!result && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return result;
}

TEST(Mailer, AwkwardNamesReachTheMailProgramIntactAsAbsolutePaths) {
    FakeMail fake(0, "thunderbird.desktop\\n");
    Mailer mailer;
    mailer.SetPrograms(fake.email, fake.mime);
    const QString awkward = test::homeDir() + "/-it's a \"test\" $(touch pwned) *.bmp";
    auto r = SendAndWait(mailer, awkward);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, MailStatus::HandedOver);
    EXPECT_EQ(fake.Argv(), QStringList({"--attach", awkward}));
    EXPECT_FALSE(QFile::exists(test::homeDir() + "/pwned"));
    EXPECT_EQ(mailer.Pending(), 0);

    // A relative name that looks like an option goes as an absolute path.
    QFile::remove(fake.log);
    r = SendAndWait(mailer, "--help.avi");
    ASSERT_TRUE(r);
    const QStringList argv = fake.Argv();
    ASSERT_EQ(argv.size(), 2);
    EXPECT_TRUE(argv[1].startsWith('/'));
    EXPECT_TRUE(argv[1].endsWith("/--help.avi"));
}

TEST(Mailer, WithoutAMailProgramTheMailSystemCannotBeLoaded) {
    {
        FakeMail fake(0, ""); // no handler for mailto: xdg-email is not even run
        Mailer mailer;
        mailer.SetPrograms(fake.email, fake.mime);
        auto r = SendAndWait(mailer, test::homeDir() + "/a.avi");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, MailStatus::NoMailProgram);
        EXPECT_TRUE(fake.Argv().isEmpty());
    }
    for (int code : {3, 4}) {
        FakeMail fake(code, "evolution.desktop");
        Mailer mailer;
        mailer.SetPrograms(fake.email, fake.mime);
        auto r = SendAndWait(mailer, test::homeDir() + "/a.avi");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, MailStatus::NoMailProgram) << code;
        EXPECT_FALSE(r->reason.isEmpty());
    }
    {
        FakeMail fake(0, "evolution.desktop");
        Mailer mailer;
        mailer.SetPrograms(test::homeDir() + "/no-such-xdg-email", fake.mime);
        auto r = SendAndWait(mailer, test::homeDir() + "/a.avi");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, MailStatus::NoMailProgram);
        mailer.SetPrograms(fake.email, test::homeDir() + "/no-such-xdg-mime");
        r = SendAndWait(mailer, test::homeDir() + "/a.avi");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, MailStatus::NoMailProgram);
    }
}

TEST(Mailer, OtherExitCodesAreFailures) {
    FakeMail fake(2, "evolution.desktop");
    Mailer mailer;
    mailer.SetPrograms(fake.email, fake.mime);
    auto r = SendAndWait(mailer, test::homeDir() + "/a.avi");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, MailStatus::Failed);
    EXPECT_TRUE(r->reason.contains("2"));
}

} // namespace
} // namespace tvx

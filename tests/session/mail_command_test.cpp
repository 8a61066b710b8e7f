// The E-Mail command: what is attached, the JPEG copies and who deletes them.
#include "imaging/cximage.h"
#include "platform/file_name.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "session/mail_command.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/time.h>

namespace tvx {
namespace {

TEST(MailAttachment, ABmpInAnyCaseIsConvertedAndARawNameCopied) {
    EXPECT_EQ(AttachmentFor("/p/Still_1.bmp").copyName, "Still_1.jpg");
    EXPECT_EQ(AttachmentFor("/p/a.b.bmp").copyName, "a.b.jpg");
    EXPECT_TRUE(AttachmentFor("/p/a.b.bmp").convert);
    EXPECT_TRUE(AttachmentFor("/p/UPPER.BMP").convert);
    EXPECT_EQ(AttachmentFor("/p/UPPER.BMP").copyName, "UPPER.jpg");
    EXPECT_FALSE(AttachmentFor("/p/Video_1.avi").convert);
    EXPECT_FALSE(AttachmentFor("/p/x.jpg").convert);
    EXPECT_FALSE(AttachmentFor("/p/x.jpg").copy);
    EXPECT_FALSE(AttachmentFor("/p.bmp/noextension").convert);
    const MailAttachment raw = AttachmentFor(FileNameFromNative("/p/caf\xe9.avi"));
    EXPECT_TRUE(raw.copy);
    EXPECT_EQ(raw.copyName, "caf\\xE9.avi");
}

class Mail : public ::testing::Test {
protected:
    void SetUp() override {
        folders = MakeStorageFolders();
        email = Script("fake-email", "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" +
                                         log.toUtf8() + "'; done\nexit 0\n");
        mailer.SetPrograms(email, Script("fake-mime", "echo thunderbird.desktop\n"));
    }

    static QString Script(const QString& name, const QByteArray& body) {
        const QString path = test::homeDir() + "/" + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    QString Picture(const QString& name) {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(QColor(200, 60, 30));
        CxImage pic;
        EXPECT_TRUE(pic.CreateFromHBITMAP(img));
        const QString path = folders.picture + "/" + name;
        EXPECT_TRUE(pic.Save(path, kImageTypeBmp));
        return path;
    }
    // The attachments the mail program was given, in order.
    QStringList Attached() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList out;
        for (const QByteArray& a : f.readAll().split('\0'))
            if (!a.isEmpty() && a != "--attach") out << QString::fromUtf8(a);
        return out;
    }
    bool MailAndWait(MailCommand& cmd, const QString& path) {
        bool done = false, handed = false;
        // What the window would show.
        auto m =
            QObject::connect(&cmd, &MailCommand::message,
                             [&](const QString& title, const QString& text, Prompts::Icon icon) {
                                 scripted.Message(title, text, icon, Prompts::Buttons::Ok);
                             });
        auto c = QObject::connect(&cmd, &MailCommand::finished, [&](bool ok) {
            done = true;
            handed = ok;
        });
        cmd.Mail(path);
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QObject::disconnect(c);
        QObject::disconnect(m);
        return handed;
    }

    ScriptedPrompts scripted;
    StorageFolders folders;
    QString log = test::homeDir() + "/argv.log";
    QString email;
    Mailer mailer;
};

TEST_F(Mail, ABmpGoesAsAJpegCopyInAFolderOfItsOwnAndOtherFilesAsThemselves) {
    MailCommand cmd(mailer, folders.tempDir);
    const QString bmp = Picture("a.b.bmp");
    ASSERT_TRUE(MailAndWait(cmd, bmp));
    ASSERT_EQ(Attached().size(), 1);
    const QString copy = Attached()[0];
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(folders.tempDir) +
                                   "/mail-[A-Za-z0-9]{6}/a\\.b\\.jpg$")
                    .match(copy)
                    .hasMatch())
        << copy.toStdString();
    CxImage jpeg(copy, kImageTypeJpg);
    ASSERT_TRUE(jpeg.IsValid());
    EXPECT_EQ(jpeg.GetWidth(), 40);
    // Handed over is not sent: the user sends it from the mail program.
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].text, "The picture was handed to your mail program.");
    EXPECT_EQ(scripted.shown()[0].title, "Tavolux");
    EXPECT_EQ(scripted.shown()[0].icon, Prompts::Icon::Information);

    const QString upper = Picture("UPPER.BMP");
    const QString avi = folders.video + "/Video_1.avi";
    QFile(avi).open(QIODevice::WriteOnly);
    ASSERT_TRUE(MailAndWait(cmd, upper));
    ASSERT_TRUE(MailAndWait(cmd, avi));
    ASSERT_EQ(Attached().size(), 3);
    EXPECT_TRUE(Attached()[1].endsWith("/UPPER.jpg"));
    EXPECT_EQ(Attached()[2], avi);
    EXPECT_EQ(scripted.shown().back().text, "The video was handed to your mail program.");
    EXPECT_TRUE(QFile::exists(bmp));
    EXPECT_TRUE(QFile::exists(upper));
    EXPECT_TRUE(QFile::exists(avi));
}

// Ages a file or folder by two days.
void Age(const QString& path) {
    const struct timeval old[2] = {{QDateTime::currentSecsSinceEpoch() - 2 * 86400, 0},
                                   {QDateTime::currentSecsSinceEpoch() - 2 * 86400, 0}};
    ASSERT_EQ(::lutimes(QFile::encodeName(path).constData(), old), 0) << path.toStdString();
}

TEST_F(Mail, CopiesStayADayWhateverIsMailedOrQuitAndOnlyOursAreEverDeleted) {
    // What the user keeps in the program folder and in TempDir, among it a
    // folder that looks like ours but holds a folder.
    const QString kept = ProgramFolder() + "/holiday.jpg";
    const QString sameName = folders.tempDir + "/Still_2.jpg";
    const QString lookalike = folders.tempDir + "/mail-abcdef";
    QDir().mkpath(lookalike + "/inner");
    for (const QString& p : {kept, sameName, lookalike + "/x.jpg"}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("user's own");
    }
    for (const QString& p : {kept, sameName, lookalike + "/x.jpg", lookalike, lookalike + "/inner"})
        Age(p);
    QString first;
    {
        MailCommand cmd(mailer, folders.tempDir);
        ASSERT_TRUE(MailAndWait(cmd, Picture("Still_1.bmp")));
        first = Attached().last();
        ASSERT_TRUE(MailAndWait(cmd, Picture("Still_2.bmp")));
        // The mail program may read the first only when Send is pressed.
        EXPECT_TRUE(QFile::exists(first));
        EXPECT_EQ(cmd.Copies().size(), 2);
        EXPECT_NE(Attached().last(), sameName);
    } // quitting
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_TRUE(QFile::exists(Attached().last()));

    // A day later, the next start removes them; the user's files stay.
    for (const QString& copy : Attached()) {
        Age(copy);
        Age(QFileInfo(copy).path());
    }
    MailCommand next(mailer, folders.tempDir);
    for (const QString& copy : Attached()) {
        EXPECT_FALSE(QFile::exists(copy));
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(copy).path()));
    }
    for (const QString& p : {kept, sameName, lookalike + "/x.jpg"}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << p.toStdString();
        EXPECT_EQ(f.readAll(), "user's own");
    }

    // And at the next mail too.
    ASSERT_TRUE(MailAndWait(next, Picture("Still_3.bmp")));
    const QString third = Attached().last();
    Age(third);
    Age(QFileInfo(third).path());
    ASSERT_TRUE(MailAndWait(next, Picture("Still_4.bmp")));
    EXPECT_FALSE(QFile::exists(third));
    EXPECT_TRUE(QFile::exists(Attached().last()));
}

// A link planted in TempDir under the copy's name, to a place that does not
// exist: the copy is never written through it.
TEST_F(Mail, APlantedLinkIsNeverWrittenThrough) {
    const QString outside = test::homeDir() + "/outside";
    QDir().mkpath(outside);
    QDir().mkpath(folders.tempDir);
    ASSERT_TRUE(QFile::link(outside + "/target.jpg", folders.tempDir + "/victim.jpg"));
    MailCommand cmd(mailer, folders.tempDir);
    ASSERT_TRUE(MailAndWait(cmd, Picture("victim.bmp")));
    EXPECT_FALSE(QFileInfo::exists(outside + "/target.jpg"));
    EXPECT_TRUE(QDir(outside).isEmpty());
    ASSERT_EQ(Attached().size(), 1);
    EXPECT_NE(Attached()[0], folders.tempDir + "/victim.jpg");
    EXPECT_TRUE(QFileInfo(Attached()[0]).isFile());
    EXPECT_FALSE(QFileInfo(Attached()[0]).isSymLink());
}

TEST_F(Mail, NothingSelectedOrADamagedPictureSendsNothing) {
    MailCommand cmd(mailer, folders.tempDir);
    EXPECT_FALSE(MailAndWait(cmd, QString()));
    const QString damaged = folders.picture + "/broken.bmp";
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM not really a bitmap");
    }
    EXPECT_FALSE(MailAndWait(cmd, damaged));
    EXPECT_TRUE(Attached().isEmpty());
    ASSERT_EQ(scripted.shown().size(), 2u);
    EXPECT_EQ(scripted.shown()[0].text, "Please select an image or video");
    EXPECT_EQ(scripted.shown()[1].text, "imageEmail Create fail");
    EXPECT_TRUE(cmd.Copies().isEmpty());
}

TEST_F(Mail, ACopyTheMailProgramNeverTookGoesAtOnce) {
    mailer.SetPrograms(email, Script("no-handler", "exit 0\n"));
    MailCommand cmd(mailer, folders.tempDir);
    EXPECT_FALSE(MailAndWait(cmd, Picture("Still_3.bmp")));
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_TRUE(scripted.shown()[0].text.startsWith("The mail system cannot be loaded"));
    EXPECT_TRUE(cmd.Copies().isEmpty());
    EXPECT_TRUE(QDir(folders.tempDir).isEmpty());
}

} // namespace
} // namespace tvx

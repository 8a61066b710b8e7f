// The E-Mail command: what is attached, the JPEG copies and who deletes them.
#include "imaging/cximage.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "session/mail_command.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace tvx {
namespace {

TEST(MailAttachment, OnlyALowerCaseBmpIsConverted) {
    EXPECT_EQ(AttachmentFor("/p/Still_1.bmp").copyName, "Still_1.jpg");
    EXPECT_EQ(AttachmentFor("/p/a.b.bmp").copyName, "a.b.jpg");
    EXPECT_TRUE(AttachmentFor("/p/a.b.bmp").convert);
    EXPECT_FALSE(AttachmentFor("/p/UPPER.BMP").convert);
    EXPECT_FALSE(AttachmentFor("/p/Video_1.avi").convert);
    EXPECT_FALSE(AttachmentFor("/p/x.jpg").convert);
    EXPECT_FALSE(AttachmentFor("/p.bmp/noextension").convert);
}

class Mail : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompts(&scripted);
        folders = MakeStorageFolders();
        email = Script("fake-email", "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" +
                                         log.toUtf8() + "'; done\nexit 0\n");
        mailer.SetPrograms(email, Script("fake-mime", "echo thunderbird.desktop\n"));
    }
    void TearDown() override { SetPrompts(nullptr); }

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
        return handed;
    }

    ScriptedPrompts scripted;
    StorageFolders folders;
    QString log = test::homeDir() + "/argv.log";
    QString email;
    Mailer mailer;
};

TEST_F(Mail, ABmpGoesAsAJpegCopyInTempDirAndOtherFilesAsThemselves) {
    MailCommand cmd(mailer, folders.tempDir);
    const QString bmp = Picture("a.b.bmp");
    ASSERT_TRUE(MailAndWait(cmd, bmp));
    const QString copy = folders.tempDir + "/a.b.jpg";
    EXPECT_EQ(Attached(), QStringList{copy});
    CxImage jpeg(copy, kImageTypeJpg);
    ASSERT_TRUE(jpeg.IsValid());
    EXPECT_EQ(jpeg.GetWidth(), 40);
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_EQ(scripted.shown()[0].text, "Send Completed");
    EXPECT_EQ(scripted.shown()[0].title, "Tavolux");

    const QString upper = Picture("UPPER.BMP");
    const QString avi = folders.video + "/Video_1.avi";
    QFile(avi).open(QIODevice::WriteOnly);
    ASSERT_TRUE(MailAndWait(cmd, upper));
    ASSERT_TRUE(MailAndWait(cmd, avi));
    EXPECT_EQ(Attached(), QStringList({copy, upper, avi}));
    EXPECT_TRUE(QFile::exists(bmp));
    EXPECT_TRUE(QFile::exists(upper));
    EXPECT_TRUE(QFile::exists(avi));
}

TEST_F(Mail, OnlyTheProgramsOwnCopiesAreDeletedAndOnlyAfterTheMailProgramHadThem) {
    // JPEG files the user keeps, in the program folder and in TempDir.
    const QString kept = ProgramFolder() + "/holiday.jpg";
    const QString sameName = folders.tempDir + "/Still_2.jpg";
    for (const QString& p : {kept, sameName}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("user's own");
    }
    {
        MailCommand cmd(mailer, folders.tempDir);
        ASSERT_TRUE(MailAndWait(cmd, Picture("Still_1.bmp")));
        const QString first = folders.tempDir + "/Still_1.jpg";
        EXPECT_TRUE(QFile::exists(first)); // the mail program may still read it

        // A name the user already has in TempDir: the copy goes beside it.
        ASSERT_TRUE(MailAndWait(cmd, Picture("Still_2.bmp")));
        EXPECT_FALSE(QFile::exists(first)); // dropped at the next mail
        const QStringList copies = cmd.Copies();
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(copies[0].endsWith("/Still_2.jpg"));
        EXPECT_NE(copies[0], sameName);
        EXPECT_EQ(Attached().last(), copies[0]);
    } // at exit the last copy goes too
    EXPECT_TRUE(QDir(folders.tempDir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries) ==
                QStringList{"Still_2.jpg"});
    for (const QString& p : {kept, sameName}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << p.toStdString();
        EXPECT_EQ(f.readAll(), "user's own");
    }
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

TEST_F(Mail, NoMailProgramIsToldAndTheCopyIsStillCleanedUp) {
    mailer.SetPrograms(email, Script("no-handler", "exit 0\n"));
    MailCommand cmd(mailer, folders.tempDir);
    EXPECT_FALSE(MailAndWait(cmd, Picture("Still_3.bmp")));
    ASSERT_EQ(scripted.shown().size(), 1u);
    EXPECT_TRUE(scripted.shown()[0].text.startsWith("The mail system cannot be loaded"));
    cmd.DropHandedCopies();
    EXPECT_TRUE(cmd.Copies().isEmpty());
    EXPECT_FALSE(QFile::exists(folders.tempDir + "/Still_3.jpg"));
}

} // namespace
} // namespace tvx

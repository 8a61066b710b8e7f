#include "session/still_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime kMay3(QDate(2016, 5, 3), QTime(14, 25, 1));

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

class StillNamesTest : public ::testing::Test {
protected:
    QString folder() const { return dir_.path(); }
    QString In(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
};

TEST(StillNames, PatternsForPicturesAndRecordings) {
    EXPECT_EQ(tvx::StillPictureName("/p", kMay3, "60.0", 1),
              "/p/Still_2016-05-03_142501_60.0X_N0001.bmp");
    EXPECT_EQ(tvx::StillPictureName("/p", kMay3, "", 1), "/p/Still_2016-05-03_142501_N0001.bmp");
    EXPECT_EQ(tvx::RecordingName("/v", kMay3, 37), "/v/Video_2016-05-03_142501_N0037.avi");

    // Hours run 0 to 23.
    EXPECT_EQ(tvx::StillPictureName("/p", QDateTime(QDate(2020, 12, 31), QTime(23, 59, 59)), "", 2),
              "/p/Still_2020-12-31_235959_N0002.bmp");
    EXPECT_EQ(tvx::RecordingName("/v", QDateTime(QDate(2021, 1, 1), QTime(0, 0, 0)), 3),
              "/v/Video_2021-01-01_000000_N0003.avi");

    // The counter grows past four digits instead of wrapping.
    EXPECT_EQ(tvx::StillPictureName("/p", kMay3, "20", 10000),
              "/p/Still_2016-05-03_142501_20X_N10000.bmp");
    // A slash typed into the magnification box must not make a sub-folder.
    EXPECT_EQ(tvx::StillPictureName("/p", kMay3, "1/2", 5),
              "/p/Still_2016-05-03_142501_1_2X_N0005.bmp");
}

TEST(StillNames, CounterReadFromTheTextAfterTheLastUpperCaseN) {
    EXPECT_EQ(tvx::CounterFromName("Still_2016-05-03_142501_60.0X_N0007.bmp"), 7);
    EXPECT_EQ(tvx::CounterFromName("photoN12.bmp"), 12);
    EXPECT_EQ(tvx::CounterFromName("Video_2016-05-03_142501_N0123.avi"), 123);
    EXPECT_EQ(tvx::CounterFromName("N1N2N34.bmp"), 34);
    EXPECT_EQ(tvx::CounterFromName("aN5x.bmp"), 5);   // digits stop at the first other
    EXPECT_EQ(tvx::CounterFromName("N12.5.bmp"), 12); // cut at the last full stop
    EXPECT_EQ(tvx::CounterFromName("Nikon.bmp"), 0);  // no leading digits
    EXPECT_EQ(tvx::CounterFromName("N.bmp"), 0);
    EXPECT_EQ(tvx::CounterFromName("N-5.bmp"), 0);          // no sign
    EXPECT_EQ(tvx::CounterFromName("still_n0009.bmp"), -1); // lower-case n does not count
    EXPECT_EQ(tvx::CounterFromName("plain.bmp"), -1);

    // A hand-made name with a huge number neither overflows nor goes negative.
    const qint64 huge = tvx::CounterFromName("N99999999999999999999999999.bmp");
    EXPECT_GT(huge, 9999999999LL);
    EXPECT_GT(huge + 1, huge);
}

TEST_F(StillNamesTest, EmptyOrMissingFolderStartsAtOne) {
    EXPECT_EQ(tvx::NextFileCounter(folder(), "bmp"), 1);
    EXPECT_EQ(tvx::NextStillPicturePath(folder(), kMay3, "60.0"),
              In("Still_2016-05-03_142501_60.0X_N0001.bmp"));
    EXPECT_EQ(tvx::NextFileCounter(In("missing"), "bmp"), 1);
}

TEST_F(StillNamesTest, CountsOnFromTheLargestNumberOfMatchingFiles) {
    Touch(In("Still_2016-05-02_101010_60.0X_N0007.bmp"));
    Touch(In("photoN12.bmp"));
    Touch(In("noNumber.bmp"));
    Touch(In("otherN99.jpg")); // another extension is not scanned
    Touch(In("clipN50.avi"));
    EXPECT_EQ(tvx::NextPictureCounter(folder()), 13);
    EXPECT_EQ(tvx::NextRecordingCounter(folder()), 51);

    // The extension matches without regard to case.
    Touch(In("UPPERN20.BMP"));
    EXPECT_EQ(tvx::NextPictureCounter(folder()), 21);
}

TEST_F(StillNamesTest, TwoPicturesInOneSecondGetDifferentNames) {
    const QString first = tvx::NextStillPicturePath(folder(), kMay3, "60.0");
    Touch(first);
    const QString second = tvx::NextStillPicturePath(folder(), kMay3, "60.0");
    EXPECT_NE(first, second);
    EXPECT_EQ(second, In("Still_2016-05-03_142501_60.0X_N0002.bmp"));
}

TEST_F(StillNamesTest, CounterGoesPast9999) {
    Touch(In("Still_2016-05-03_142500_N9999.bmp"));
    EXPECT_EQ(tvx::NextStillPicturePath(folder(), kMay3, ""),
              In("Still_2016-05-03_142501_N10000.bmp"));
}

TEST_F(StillNamesTest, MatchingFolderIsReportedOnceAndTheScanGoesOn) {
    ASSERT_TRUE(QDir(folder()).mkdir("x.bmp"));
    ASSERT_TRUE(QDir(folder()).mkdir("N500.bmp")); // its number must not count
    ASSERT_TRUE(QDir(folder()).mkdir("plainfolder"));
    Touch(In("aN3.bmp"));
    Touch(In("bN4.bmp"));

    QStringList reported;
    EXPECT_EQ(tvx::NextFileCounter(folder(), "bmp", [&](const QString& name) { reported << name; }),
              5);
    reported.sort();
    EXPECT_EQ(reported, (QStringList{"N500.bmp", "x.bmp"}));

    // The still and recording counts hand them on the same way.
    int met = 0;
    const auto count = [&met](const QString&) { ++met; };
    EXPECT_EQ(tvx::NextPictureCounter(folder(), count), 5);
    EXPECT_EQ(met, 2);
    met = 0;
    ASSERT_TRUE(QDir(folder()).mkdir("take.AVI"));
    EXPECT_EQ(tvx::NextRecordingCounter(folder(), count), 1);
    EXPECT_EQ(met, 1);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(StillNamesTest, AStrayHugeNumberDoesNotStopTheCount) {
    Touch(In("xN99999999999999999999.bmp"));
    Touch(In("Still_2016-05-03_142500_N0041.bmp"));
    EXPECT_EQ(tvx::NextPictureCounter(folder()), 42);
    // A name the count once reached by itself is not the end of it either.
    Touch(In("Still_2016-05-03_142500_N576460752303423488.bmp"));
    EXPECT_EQ(tvx::NextPictureCounter(folder()), 42);
}

TEST_F(StillNamesTest, StillsOfOneSecondNeverReplaceEachOther) {
    Touch(In("xN99999999999999999999.bmp")); // the count cannot move on from this one
    QStringList saved;
    for (const char* bytes : {"first", "second", "third"}) {
        const tvx::NewFile f = tvx::SaveNewStillPicture(folder(), kMay3, "60.0", bytes);
        ASSERT_TRUE(f.ok()) << f.reason.toStdString();
        saved << f.path;
    }
    EXPECT_EQ(saved.at(0), In("Still_2016-05-03_142501_60.0X_N0001.bmp"));
    EXPECT_EQ(saved.at(1), In("Still_2016-05-03_142501_60.0X_N0002.bmp"));
    EXPECT_EQ(ReadAll(saved.at(0)), "first");
    EXPECT_EQ(ReadAll(saved.at(1)), "second");
    EXPECT_EQ(ReadAll(saved.at(2)), "third");
    // Only the pictures and the stray name: no temporary left behind.
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(StillNamesTest, ANameTakenAfterTheScanIsNotReplaced) {
    // Another instance (or a slow save) took the name the scan proposed.
    const auto name = [&](qint64 n) { return tvx::StillPictureName(folder(), kMay3, "", n); };
    {
        QFile f(name(7));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("theirs");
    }
    const tvx::NewFile still = tvx::WriteNewFile(name, 7, "ours");
    ASSERT_TRUE(still.ok()) << still.reason.toStdString();
    EXPECT_EQ(still.path, name(8));
    EXPECT_EQ(ReadAll(name(7)), "theirs");
    EXPECT_EQ(ReadAll(name(8)), "ours");

    // Recordings reserve an empty file the same way.
    const auto video = [&](qint64 n) { return tvx::RecordingName(folder(), kMay3, n); };
    Touch(video(1));
    const tvx::NewFile first = tvx::ReserveNewFile(video, 1);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.path, video(2));
    const tvx::NewFile next = tvx::ReserveNewRecording(folder(), kMay3);
    EXPECT_EQ(next.path, video(3));
    EXPECT_TRUE(QFileInfo(next.path).isFile());
    EXPECT_EQ(QFileInfo(next.path).size(), 0);

    // A counter at the ceiling starts again from 1.
    const tvx::NewFile wrapped = tvx::ReserveNewFile(video, tvx::kCounterCeiling);
    EXPECT_EQ(wrapped.path, video(4));
}

TEST_F(StillNamesTest, AFolderThatCannotTakeThePictureGivesTheReason) {
    // A file stands where the folder's parent should be: it cannot be made.
    QFile blocker(In("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const tvx::NewFile f = tvx::SaveNewStillPicture(In("file/missing"), kMay3, "", "x");
    EXPECT_FALSE(f.ok());
    EXPECT_FALSE(f.reason.isEmpty());
    // A folder that is merely missing (removed by the user) is made again,
    // for pictures and for recordings.
    EXPECT_TRUE(tvx::SaveNewStillPicture(In("missing/Picture"), kMay3, "", "x").ok());
    EXPECT_TRUE(tvx::ReserveNewRecording(In("missing/Video"), kMay3).ok());
}

} // namespace

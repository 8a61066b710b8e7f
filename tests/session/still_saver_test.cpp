#include "session/live_shapes.h"
#include "session/still_names.h"
#include "session/still_saver.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace tvx {
namespace {

StillPicture Grey(int w, int h, uint8_t level) {
    StillPicture s;
    s.width = w;
    s.height = h;
    s.stride = (w * 3 + 3) & ~3;
    s.pixels.assign(size_t(s.stride) * h, level);
    return s;
}

class Marker : public StillCompositor {
public:
    void Compose(QPainter& painter, const QSize& picture) override {
        ++calls;
        size = picture;
        painter.fillRect(QRect(0, 0, 2, 2), Qt::red);
    }
    int calls = 0;
    QSize size;
};

const QDateTime kWhen(QDate(2026, 3, 4), QTime(10, 15, 0));

TEST(StillSaver, SavesTheNextNumberedPictureWithTheDrawingOverIt) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    Marker marker;
    const StillSaveResult first = saver.Save(Grey(16, 8, 90), "60.0", kWhen, &marker);
    ASSERT_TRUE(first.saved()) << first.reason.toStdString();
    EXPECT_EQ(QFileInfo(first.path).fileName(), "Still_2026-03-04_101500_60.0X_N0001.bmp");
    EXPECT_EQ(marker.calls, 1);
    EXPECT_EQ(marker.size, QSize(16, 8));
    const QImage back(first.path);
    ASSERT_EQ(back.size(), QSize(16, 8));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(back.pixelColor(10, 5), QColor(90, 90, 90));

    const StillSaveResult second = saver.Save(Grey(16, 8, 10), "", kWhen, nullptr);
    ASSERT_TRUE(second.saved());
    EXPECT_EQ(QFileInfo(second.path).fileName(), "Still_2026-03-04_101500_N0002.bmp");
}

TEST(StillSaver, NoFrameWritesNothingAndAMissingFolderGivesTheReason) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    const StillSaveResult none = saver.Save(StillPicture{}, "60.0", kWhen, nullptr);
    EXPECT_EQ(none.status, StillSaveResult::Status::NoFrame);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A folder that cannot be made (a file stands where its parent should).
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    saver.SetFolder(dir.path() + "/file/gone");
    const StillSaveResult failed = saver.Save(Grey(4, 4, 1), "60.0", kWhen, nullptr);
    EXPECT_EQ(failed.status, StillSaveResult::Status::Failed);
    EXPECT_TRUE(failed.reason.startsWith("The picture could not be saved in:"));
    EXPECT_TRUE(failed.reason.contains(QDir::toNativeSeparators(dir.path() + "/file/gone")));
    EXPECT_TRUE(failed.reason.endsWith("The folder is missing and could not be made again."))
        << failed.reason.toStdString();

    // A folder the user removed is made again.
    saver.SetFolder(dir.path() + "/removed/Picture");
    const StillSaveResult again = saver.Save(Grey(4, 4, 1), "60.0", kWhen, nullptr);
    ASSERT_TRUE(again.saved()) << again.reason.toStdString();
    EXPECT_TRUE(QFileInfo::exists(again.path));
}

TEST(StillSaver, TheCauseOfAFailureIsToldInTheUsersWords) {
    const auto because = [](int error) {
        return StillFailureText("/p", "/p/.tavolux-x: " + QString::fromLocal8Bit(strerror(error)),
                                error);
    };
    EXPECT_TRUE(because(ENOSPC).endsWith("\nThe disk is full."));
    EXPECT_TRUE(because(EDQUOT).endsWith("\nThe disk is full."));
    EXPECT_TRUE(because(EACCES).endsWith("\nThere is no permission to write in this folder."));
    EXPECT_TRUE(because(EROFS).endsWith("\nThere is no permission to write in this folder."));
    EXPECT_TRUE(because(ENOENT).endsWith("\nThe folder is missing and could not be made again."));
    // Anything else keeps the system's words.
    EXPECT_TRUE(because(EIO).endsWith(QString::fromLocal8Bit(strerror(EIO))));
    EXPECT_TRUE(because(EIO).startsWith("The picture could not be saved in:\n/p\n"));
    // The number decides, not the words: a reason that merely reads like a
    // full disk is no full disk.
    EXPECT_TRUE(StillFailureText("/p", QString::fromLocal8Bit(strerror(ENOSPC)))
                    .endsWith(QString::fromLocal8Bit(strerror(ENOSPC))));
}

// The counter is kept between stills instead of read from the folder each
// time, yet what others do to the folder still counts.
TEST(StillSaver, TheKeptCounterFollowsWhatOthersDoInTheFolder) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    auto save = [&] {
        const StillSaveResult r = saver.Save(Grey(8, 8, 50), "60.0", kWhen, nullptr);
        EXPECT_TRUE(r.saved()) << r.reason.toStdString();
        return QFileInfo(r.path).fileName();
    };
    EXPECT_EQ(save(), "Still_2026-03-04_101500_60.0X_N0001.bmp");
    EXPECT_EQ(save(), "Still_2026-03-04_101500_60.0X_N0002.bmp");
    // Another program puts a higher-numbered still there: the next goes past it.
    ASSERT_TRUE(QFile::copy(dir.filePath("Still_2026-03-04_101500_60.0X_N0001.bmp"),
                            dir.filePath("Still_2026-03-04_101500_60.0X_N0009.bmp")));
    EXPECT_EQ(save(), "Still_2026-03-04_101500_60.0X_N0010.bmp");
    // The newest goes away: counted again from what is there, as a fresh start would.
    ASSERT_TRUE(QFile::remove(dir.filePath("Still_2026-03-04_101500_60.0X_N0010.bmp")));
    EXPECT_EQ(save(), "Still_2026-03-04_101500_60.0X_N0010.bmp");
    // The folder itself is replaced by an empty one.
    ASSERT_TRUE(QDir(dir.path()).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(dir.path()));
    EXPECT_EQ(save(), "Still_2026-03-04_101500_60.0X_N0001.bmp");
}

// Draws nothing, but makes files meanwhile as another instance of the
// program would, under the names the saver is about to choose.
class OtherInstance : public StillCompositor {
public:
    explicit OtherInstance(QString folder) : folder_(std::move(folder)) {}
    void Compose(QPainter&, const QSize&) override {
        for (int n = 1; n <= 3; ++n) {
            QFile f(StillPictureName(folder_, kWhen, "60.0", n));
            if (f.exists()) continue;
            if (f.open(QIODevice::WriteOnly)) f.write("theirs");
        }
    }

private:
    QString folder_;
};

TEST(StillSaver, PicturesAreNeverReplaced) {
    QTemporaryDir dir;
    // A hand-made name with an absurd counter must not stop the count.
    QFile stray(dir.path() + "/xN99999999999999999999.bmp");
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.write("stray");
    stray.close();

    // Files that appear between the folder scan and the write stay theirs.
    StillSaver saver(dir.path());
    OtherInstance other(dir.path());
    const StillSaveResult mine = saver.Save(Grey(8, 8, 7), "60.0", kWhen, &other);
    ASSERT_TRUE(mine.saved()) << mine.reason.toStdString();
    for (int n = 1; n <= 3; ++n) {
        QFile f(StillPictureName(dir.path(), kWhen, "60.0", n));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "theirs") << n;
    }
    EXPECT_EQ(QImage(mine.path).pixelColor(1, 1), QColor(7, 7, 7));

    // Many stills in the same second, from two savers at once: each its own file.
    constexpr int kEach = 20;
    std::atomic<int> failed{0};
    const auto burst = [&](uint8_t level) {
        StillSaver s(dir.path());
        for (int i = 0; i < kEach; ++i)
            if (!s.Save(Grey(8, 8, level), "60.0", kWhen, nullptr).saved()) ++failed;
    };
    std::thread a(burst, 100), b(burst, 200);
    a.join();
    b.join();
    EXPECT_EQ(failed.load(), 0);
    const QStringList bmps = QDir(dir.path()).entryList({"Still_*.bmp"}, QDir::Files);
    EXPECT_EQ(bmps.size(), 3 + 1 + 2 * kEach);
    int hundred = 0, twoHundred = 0;
    for (const QString& name : bmps) {
        const QImage img(dir.path() + "/" + name);
        if (img.isNull()) continue;
        hundred += img.pixelColor(1, 1) == QColor(100, 100, 100);
        twoHundred += img.pixelColor(1, 1) == QColor(200, 200, 200);
    }
    EXPECT_EQ(hundred, kEach);
    EXPECT_EQ(twoHundred, kEach);
    // Nothing half-staged is left behind.
    EXPECT_TRUE(QDir(dir.path()).entryList({".tavolux-*"}, QDir::Files | QDir::Hidden).isEmpty());
}

// An overlay that is switched off draws nothing; one switched on draws a dot.
class Dot : public LiveOverlay {
public:
    bool on = false;
    ViewMapping seen;
    void Draw(QPainter& painter, const ViewMapping& map) override {
        seen = map;
        if (on) painter.fillRect(QRect(3, 2, 1, 1), Qt::green);
    }
};

TEST(StillSaver, OverlaysThatDrawNothingLeaveTheFramesBytesAsTheyAre) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    // Odd width: the file's rows carry padding the frame's rows do not share.
    StillPicture still = Grey(13, 5, 0);
    for (size_t i = 0; i < still.pixels.size(); ++i)
        still.pixels[i] = uint8_t(i * 7 + 1);
    Dot dot;
    OverlayCompositor compositor;
    compositor.SetOverlay(LiveLayer::Ruler, &dot);

    const StillSaveResult plain = saver.Save(still, "", kWhen, &compositor);
    ASSERT_TRUE(plain.saved()) << plain.reason.toStdString();
    const StillSaveResult none = saver.Save(still, "", kWhen, nullptr);
    ASSERT_TRUE(none.saved());
    QFile a(plain.path), b(none.path);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    EXPECT_EQ(bytes, b.readAll());
    ASSERT_EQ(bytes.size(), 54 + 40 * 5);
    // Bottom row first, each padded to 40 bytes with zeros.
    for (int y = 0; y < 5; ++y)
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(uint8_t(bytes[54 + y * 40 + i]),
                      i < 39 ? still.pixels[size_t(y) * still.stride + i] : 0)
                << y << " " << i;

    dot.on = true;
    const StillSaveResult drawn = saver.Save(still, "", kWhen, &compositor);
    ASSERT_TRUE(drawn.saved());
    const QImage back(drawn.path);
    EXPECT_EQ(back.pixelColor(3, 2), QColor(Qt::green));
    EXPECT_TRUE(dot.seen.identity()) << "overlays draw into a still at the picture's own scale";
    EXPECT_EQ(dot.seen.picture(), QSize(13, 5));
    const uint8_t* p = still.pixels.data() + 2 * still.stride + 4 * 3; // row 2 counted either way
    EXPECT_EQ(back.pixelColor(4, 2), QColor(p[2], p[1], p[0]));
}

// The streaming thread draws the live list with every frame while the UI
// thread edits it: a drawer must always see a whole list.
TEST(LiveShapes, DrawersSeeWholeEdits) {
    LiveShapes live;
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0};
    std::thread drawer([&] {
        while (!stop.load())
            live.Draw([&](const ShapeList& l) { odd += l.shapes().size() % 2; });
    });
    for (int i = 0; i < 2000; ++i) {
        // Two shapes per edit: an odd count would be half an edit.
        live.Edit([](ShapeList& l) {
            l.Append(NewMeasurementShape(ShapeKind(1), ShapeStyle{}));
            l.Append(NewMeasurementShape(ShapeKind(2), ShapeStyle{}));
        });
        if (i % 50 == 49) live.Clear();
    }
    stop.store(true);
    drawer.join();
    EXPECT_EQ(odd.load(), 0);
}

} // namespace
} // namespace tvx

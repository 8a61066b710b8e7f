#include "session/live_shapes.h"
#include "session/still_saver.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
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
    void Compose(QPainter& painter, const QSize& picture, double shapeScale) override {
        ++calls;
        scale = shapeScale;
        size = picture;
        painter.fillRect(QRect(0, 0, 2, 2), Qt::red);
    }
    int calls = 0;
    double scale = 0;
    QSize size;
};

const QDateTime kWhen(QDate(2026, 3, 4), QTime(10, 15, 0));

TEST(StillSaver, SavesTheNextNumberedPictureWithTheDrawingOverIt) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    Marker marker;
    const StillSaveResult first = saver.Save(Grey(16, 8, 90), "60.0", kWhen, 0.5, &marker);
    ASSERT_TRUE(first.saved()) << first.reason.toStdString();
    EXPECT_EQ(QFileInfo(first.path).fileName(), "Still_2026-03-04_101500_60.0X_N0001.bmp");
    EXPECT_EQ(marker.calls, 1);
    EXPECT_EQ(marker.scale, 0.5);
    EXPECT_EQ(marker.size, QSize(16, 8));
    const QImage back(first.path);
    ASSERT_EQ(back.size(), QSize(16, 8));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(back.pixelColor(10, 5), QColor(90, 90, 90));

    const StillSaveResult second = saver.Save(Grey(16, 8, 10), "", kWhen, 1.0, nullptr);
    ASSERT_TRUE(second.saved());
    EXPECT_EQ(QFileInfo(second.path).fileName(), "Still_2026-03-04_101500_N0002.bmp");
}

TEST(StillSaver, NoFrameWritesNothingAndAMissingFolderGivesTheReason) {
    QTemporaryDir dir;
    StillSaver saver(dir.path());
    const StillSaveResult none = saver.Save(StillPicture{}, "60.0", kWhen, 1.0, nullptr);
    EXPECT_EQ(none.status, StillSaveResult::Status::NoFrame);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    saver.SetFolder(dir.path() + "/gone");
    const StillSaveResult failed = saver.Save(Grey(4, 4, 1), "60.0", kWhen, 1.0, nullptr);
    EXPECT_EQ(failed.status, StillSaveResult::Status::Failed);
    EXPECT_TRUE(failed.reason.startsWith("The picture could not be saved in:"));
    EXPECT_TRUE(failed.reason.contains(QDir::toNativeSeparators(dir.path() + "/gone")));
}

TEST(StillSaver, ShapesAreHalvedOnlyAtQuarterSize) {
    EXPECT_EQ(StillSaver::ShapeScaleFor(320, 240), 0.5);
    EXPECT_EQ(StillSaver::ShapeScaleFor(640, 480), 1.0);
    EXPECT_EQ(StillSaver::ShapeScaleFor(320, 480), 1.0);
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

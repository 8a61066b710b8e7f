#include "tests/capture/pattern_frame.h"
#include "ui/main/live_view.h"

#include <QCoreApplication>
#include <QPainter>
#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace tvx {
namespace {

TEST(CLiveView, StreamRepaintsAreCoalescedAndTextsDrawn) {
    CLiveView view;
    view.resize(320, 240);
    view.surface().Recreate(QSize(320, 240));
    PatternFrame f(320, 240);
    std::thread stream([&] {
        for (int i = 0; i < 50; ++i)
            view.surface().DrawFrame(f.view());
    });
    stream.join();
    EXPECT_EQ(view.updateRequests(), 1) << "one repaint pending at a time";
    QCoreApplication::processEvents();
    view.surface().DrawFrame(f.view());
    EXPECT_EQ(view.updateRequests(), 2);
    QCoreApplication::processEvents();

    const QImage plain = view.grab().toImage();
    EXPECT_EQ(plain.pixel(10, 20), PatternFrame::At(10, 20));

    // The message in the middle is green; the hint appears only in full screen.
    view.SetCentreMessage("Please connect the microscope");
    view.SetFullScreenHint("ESC Restore");
    auto countPixels = [](const QImage& img, QRect area, auto pred) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += pred(QColor(img.pixel(x, y))) ? 1 : 0;
        return n;
    };
    auto green = [](QColor c) { return c.green() > 200 && c.red() < 60 && c.blue() < 60; };
    auto red = [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
    PatternFrame grey(320, 240);
    std::fill(grey.bytes.begin(), grey.bytes.end(), uint8_t(128));
    view.surface().DrawFrame(grey.view());
    QCoreApplication::processEvents();
    QImage withText = view.grab().toImage();
    EXPECT_GT(countPixels(withText, QRect(0, 100, 320, 40), green), 20);
    EXPECT_EQ(countPixels(withText, QRect(0, 0, 320, 30), red), 0);
    // A reason under the message takes a line of its own below it.
    const QRect below(0, 134, 320, 14);
    EXPECT_EQ(countPixels(withText, below, green), 0);
    view.SetCentreMessage("Please connect the microscope\nbusy");
    EXPECT_GT(countPixels(view.grab().toImage(), below, green), 5);

    view.EnterFullScreen();
    view.surface().DrawFrame(grey.view());
    QCoreApplication::processEvents();
    withText = view.grab().toImage();
    EXPECT_GT(countPixels(withText, QRect(160, 0, 160, 30), red), 10);
}

} // namespace
} // namespace tvx

#include "tests/support/test_env.h"
#include "ui/main/command_table.h"
#include "ui/skin/bitmap_button.h"
#include "ui/skin/skin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

namespace {

using tvx::CBitmapButton;
using tvx::CLatchButton;

// The main window's buttons as its command table places them: id, up, down, x, y.
struct Placed {
    int id, up, down, x, y;
};
// shown: the buttons on the toolbar; otherwise those never shown but still loaded.
std::vector<Placed> tableButtons(bool shown) {
    std::vector<Placed> out;
    for (const tvx::CommandRow& row : tvx::CommandRows())
        if (row.up != 0 && row.hidden != shown)
            out.push_back({row.id, row.up, row.down, row.x, row.y});
    return out;
}
const std::vector<Placed> kMainWindowButtons = tableButtons(true);

std::vector<Placed> allButtons() {
    std::vector<Placed> all = kMainWindowButtons;
    const std::vector<Placed> hidden = tableButtons(false);
    all.insert(all.end(), hidden.begin(), hidden.end());
    return all;
}

class SkinFixture : public ::testing::Test {
protected:
    void SetUp() override { tvx::SetSkinRoot(tvx::test::resourcePath(QString())); }
    void TearDown() override { tvx::SetSkinRoot(QString()); }
};

QPixmap solid(QColor c, QSize s = QSize(20, 20)) {
    QPixmap p(s);
    p.fill(c);
    return p;
}

// What the widget paints, on a transparent ground: grab() would first fill in
// the window background and hide what the button left uncovered.
QImage shot(QWidget& w) {
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QColor centre(QWidget& w) {
    const QImage img = shot(w);
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

// Largest channel difference between two pictures of one size; 255 when the
// sizes differ. Compositing may round a premultiplied value by one.
int difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

int opaquePixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 0;
    return n;
}

// --- skin loader ----------------------------------------------------------------

TEST_F(SkinFixture, EveryPictureOfTheMainWindowRendersAndFitsItsPlace) {
    std::vector<int> numbers = {tvx::kPicAppIcon,      tvx::kPicBackground,
                                tvx::kPicTabPictures,  tvx::kPicTabVideos,
                                tvx::kPicSecondsPlate, tvx::kPicResolutionPlate};
    for (const Placed& b : allButtons()) {
        numbers.push_back(b.up);
        numbers.push_back(b.down);
    }
    for (int n : numbers) {
        SCOPED_TRACE(n);
        ASSERT_FALSE(tvx::SkinPath(n).isEmpty());
        const QImage img = tvx::SkinImage(n);
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.size(), tvx::SkinSize(n));
        // A picture that renders mostly transparent means the SVG lost its shapes.
        EXPECT_GT(opaquePixels(img), img.width() * img.height() / 4);
        const QImage twice = tvx::SkinImage(n, 2.0);
        EXPECT_EQ(twice.size(), img.size() * 2);
        EXPECT_EQ(twice.deviceIndependentSize().toSize(), img.size());
    }
    EXPECT_EQ(tvx::SkinSize(tvx::kPicBackground), QSize(860, 610));

    // The buttons sit side by side in the top band: none may cover another or
    // leave the band, and the up and down pictures of one button must match in
    // size and differ in look.
    ASSERT_EQ(kMainWindowButtons.size(), 25u);
    std::vector<QRect> placed;
    for (const Placed& b : kMainWindowButtons) {
        SCOPED_TRACE(b.id);
        const QSize up = tvx::SkinSize(b.up);
        EXPECT_EQ(up, tvx::SkinSize(b.down));
        EXPECT_NE(tvx::SkinImage(b.up), tvx::SkinImage(b.down));
        const QRect r(QPoint(b.x, b.y), up);
        EXPECT_LE(r.right(), 859);
        EXPECT_LE(r.bottom(), 42);
        for (const QRect& other : placed)
            EXPECT_FALSE(r.intersects(other)) << "overlaps a button at " << other.x();
        placed.push_back(r);
    }
    // Nor may they run into the magnification and calibration boxes.
    for (const QRect& r : placed)
        EXPECT_FALSE(r.intersects(QRect(723, 6, 70, 25))) << r.x();
}

TEST_F(SkinFixture, UnknownMissingAndDamagedPicturesGiveNothing) {
    EXPECT_TRUE(tvx::SkinPath(99999).isEmpty());
    EXPECT_TRUE(tvx::SkinImage(99999).isNull());
    EXPECT_TRUE(tvx::SkinPixmap(0).isNull());

    QTemporaryDir root;
    tvx::SetSkinRoot(root.path());
    EXPECT_TRUE(tvx::SkinPixmap(150).isNull()) << "no file under this root";

    auto put = [](const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put(tvx::SkinPath(150), QByteArray("\x89PNG not an svg at all\x00\xff", 25));
    put(tvx::SkinPath(350), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" "
                            "height=\"100000\"><rect width=\"10\" height=\"10\"/></svg>");
    put(tvx::SkinPath(151), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"0\"/>");
    for (int n : {150, 350, 151}) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(tvx::SkinImage(n).isNull());
        EXPECT_FALSE(tvx::SkinSize(n).isValid());
    }
    CBitmapButton b;
    EXPECT_FALSE(b.LoadBitmaps(150, 350));
    QWidget parent;
    CLatchButton l;
    EXPECT_FALSE(l.Attach(&parent, 1122, 150, 0, 0));
}

TEST_F(SkinFixture, PixmapsAreCachedPerRatioAndDroppedWithTheRoot) {
    const QPixmap a = tvx::SkinPixmap(150, 1.0);
    const QPixmap b = tvx::SkinPixmap(150, 1.0);
    const QPixmap c = tvx::SkinPixmap(150, 2.0);
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    EXPECT_NE(a.cacheKey(), c.cacheKey());
    EXPECT_EQ(c.devicePixelRatio(), 2.0);
    tvx::SetSkinRoot(tvx::test::resourcePath(QString()));
    EXPECT_NE(tvx::SkinPixmap(150, 1.0).cacheKey(), a.cacheKey());
}

// Pictures drawn ahead on another thread are those drawn on demand, at the
// ratio asked for; a new root drops the ones not taken yet.
TEST_F(SkinFixture, PicturesPreparedAheadAreThoseDrawnOnDemand) {
    std::vector<int> numbers;
    for (const Placed& b : allButtons()) {
        numbers.push_back(b.up);
        numbers.push_back(b.down);
    }
    tvx::PrepareSkinPixmaps(numbers, 2.0);
    for (int n : numbers) {
        const QImage expected = tvx::SkinImage(n, 2.0);
        const QPixmap got = tvx::SkinPixmap(n, 2.0);
        ASSERT_EQ(got.devicePixelRatio(), 2.0) << n;
        ASSERT_EQ(got.toImage().convertToFormat(expected.format()), expected) << n;
    }
    tvx::PrepareSkinPixmaps({150, 151}, 1.0);
    tvx::SetSkinRoot(QDir::tempPath()); // no pictures there
    EXPECT_TRUE(tvx::SkinPixmap(150, 1.0).isNull()) << "a picture of the old root";
}

// The three sounds are short mono 16-bit PCM files that any player takes.
TEST_F(SkinFixture, SoundsAreShortMonoPcm) {
    for (int n : {tvx::kSoundRecordStart, tvx::kSoundShutter, tvx::kSoundRecordStop}) {
        SCOPED_TRACE(n);
        QFile f(tvx::SoundPath(n));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << tvx::SoundPath(n).toStdString();
        const QByteArray d = f.readAll();
        ASSERT_GE(d.size(), 44);
        EXPECT_EQ(d.left(4), "RIFF");
        EXPECT_EQ(d.mid(8, 8), "WAVEfmt ");
        const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(d.constData() + at); };
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(d.constData() + at); };
        EXPECT_EQ(u16(20), 1) << "PCM";
        EXPECT_EQ(u16(22), 1) << "mono";
        const quint32 rate = u32(24);
        EXPECT_TRUE(rate == 22050 || rate == 44100) << rate;
        EXPECT_EQ(u16(34), 16);
        EXPECT_EQ(d.mid(36, 4), "data");
        const quint32 bytes = u32(40);
        EXPECT_EQ(bytes + 44, quint32(d.size()));
        const double seconds = bytes / 2.0 / rate;
        EXPECT_GT(seconds, 0.04);
        EXPECT_LT(seconds, 1.5);
        // Not silent, and not clipped flat against full scale.
        int peak = 0;
        for (quint32 i = 44; i + 1 < quint32(d.size()); i += 2)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(d.constData() + i))));
        EXPECT_GT(peak, 3000);
        EXPECT_LT(peak, 32767);
    }
    EXPECT_TRUE(tvx::SoundPath(183).isEmpty());
}

// --- the latching button ----------------------------------------------------------

TEST(LatchButton, DrawsTheFirstPictureThatAppliesInRuleOrder) {
    QWidget window;
    window.resize(100, 100);
    QWidget elsewhere(&window); // holds the focus while the button must not
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.setGeometry(0, 0, 10, 10);
    CLatchButton b(&window);
    b.SetPictures(solid(Qt::red), solid(Qt::green), solid(Qt::blue), solid(Qt::yellow));
    b.move(60, 60); // away from the pointer, which rests at the origin
    window.show();
    QApplication::setActiveWindow(&window);
    elsewhere.setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(b.hasFocus());

    EXPECT_EQ(centre(b), QColor(Qt::red)) << "normal";
    b.Latch();
    EXPECT_EQ(centre(b), QColor(Qt::green)) << "latched";
    b.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(b.hasFocus());
    EXPECT_EQ(centre(b), QColor(Qt::blue)) << "focus beats latched";
    b.Release();
    EXPECT_EQ(centre(b), QColor(Qt::blue)) << "focus beats normal";
    b.Latch();
    b.setEnabled(false);
    EXPECT_EQ(centre(b), QColor(Qt::yellow)) << "disabled beats everything";

    // Without a disabled picture a disabled latched button still shows its
    // latched picture, only faded.
    b.SetPictures(solid(Qt::red), solid(Qt::green), solid(Qt::blue));
    const QColor expected = tvx::DisabledLook(solid(Qt::green).toImage()).pixelColor(10, 10);
    EXPECT_EQ(centre(b), expected);
    EXPECT_NE(centre(b), tvx::DisabledLook(solid(Qt::red).toImage()).pixelColor(10, 10));
    b.Release();
    EXPECT_EQ(centre(b), tvx::DisabledLook(solid(Qt::red).toImage()).pixelColor(10, 10));

    // A latched button without a latched picture has nothing else to show.
    b.setEnabled(true);
    elsewhere.setFocus();
    b.SetPictures(solid(Qt::red), QPixmap());
    b.Latch();
    EXPECT_EQ(shot(b).pixelColor(10, 10).alpha(), 0);
}

TEST(LatchButton, PicturesAreDrawnUnscaledAtTheTopLeftAndClipped) {
    QImage quarters(20, 20, QImage::Format_ARGB32_Premultiplied);
    quarters.fill(Qt::red);
    QPainter(&quarters).fillRect(10, 10, 10, 10, Qt::blue);

    CLatchButton b;
    b.SetPictures(QPixmap::fromImage(quarters), QPixmap());
    EXPECT_EQ(b.size(), QSize(20, 20)) << "sized to its picture";

    b.resize(30, 30);
    QImage img = shot(b);
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(15, 15), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(25, 25).alpha(), 0) << "not stretched";

    b.resize(12, 12);
    img = shot(b);
    EXPECT_EQ(img.size(), QSize(12, 12));
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(11, 11), QColor(Qt::blue)) << "not shrunk";
}

TEST(LatchButton, ClicksReachTheOwnerButNeverChangeTheLatch) {
    QWidget window;
    CLatchButton b(&window);
    b.SetPictures(solid(Qt::red), solid(Qt::green));
    window.show();
    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });

    const QPointF at(5, 5);
    auto mouseClick = [&] {
        QMouseEvent press(QEvent::MouseButtonPress, at, b.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, b.mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&b, &press);
        QApplication::sendEvent(&b, &release);
    };
    mouseClick();
    EXPECT_FALSE(b.IsLatched());
    b.Latch();
    mouseClick();
    b.click();
    EXPECT_TRUE(b.IsLatched());
    EXPECT_EQ(clicks, 3);
    b.Release();
    b.Release();
    EXPECT_FALSE(b.IsLatched());
}

TEST_F(SkinFixture, AttachTakesTheButtonIntoItsWindow) {
    QWidget dialog; // outlives the button it adopts
    CLatchButton b;
    EXPECT_FALSE(b.Attach(nullptr, 1122, 150, 350, 0));
    EXPECT_FALSE(b.IsLatched());

    EXPECT_FALSE(b.Attach(&dialog, 1122, 150, 99999, 0)) << "a missing picture is a fault";
    EXPECT_EQ(b.parentWidget(), nullptr);

    ASSERT_TRUE(b.Attach(&dialog, 1122, 150, 350, 0));
    EXPECT_EQ(b.parentWidget(), &dialog);
    EXPECT_EQ(b.controlId(), 1122);
    EXPECT_EQ(b.property("controlId").toInt(), 1122);
    EXPECT_EQ(dialog.findChild<CLatchButton*>(QStringLiteral("button1122")), &b);
    EXPECT_EQ(b.size(), tvx::SkinSize(150));
    EXPECT_LE(difference(shot(b), tvx::SkinImage(150)), 1);
    b.Latch();
    EXPECT_LE(difference(shot(b), tvx::SkinImage(350)), 1);
}

// --- the plain two-picture button ---------------------------------------------------

TEST(BitmapButton, ShowsDownWhilePressedOrSelectedAndKeepsSelectionOnClick) {
    CBitmapButton b;
    b.setControlId(1006);
    b.SetPictures(solid(Qt::red), solid(Qt::green));
    EXPECT_EQ(b.size(), QSize(20, 20));
    EXPECT_EQ(b.objectName(), QStringLiteral("button1006"));
    EXPECT_EQ(centre(b), QColor(Qt::red));
    b.setDown(true);
    EXPECT_EQ(centre(b), QColor(Qt::green)) << "pressed";
    b.setDown(false);
    b.SetSelected(true);
    EXPECT_EQ(centre(b), QColor(Qt::green)) << "selected";

    int clicks = 0;
    QObject::connect(&b, &QAbstractButton::clicked, [&] { ++clicks; });
    b.click();
    EXPECT_TRUE(b.IsSelected());
    b.SetSelected(false);
    b.click();
    EXPECT_FALSE(b.IsSelected());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(centre(b), QColor(Qt::red));

    // Disabled: its own picture when it has one, else the shown one faded.
    b.setEnabled(false);
    EXPECT_EQ(centre(b), tvx::DisabledLook(solid(Qt::red).toImage()).pixelColor(10, 10));
    b.SetSelected(true);
    EXPECT_EQ(centre(b), tvx::DisabledLook(solid(Qt::green).toImage()).pixelColor(10, 10));
    b.SetPictures(solid(Qt::red), solid(Qt::green), solid(Qt::yellow));
    EXPECT_EQ(centre(b), QColor(Qt::yellow));
}

TEST_F(SkinFixture, ToolbarButtonsLoadTheirPicturesByNumber) {
    QWidget bar;
    for (const Placed& p : kMainWindowButtons) {
        SCOPED_TRACE(p.id);
        CBitmapButton* b = new CBitmapButton(&bar, p.id, p.up, p.down);
        EXPECT_EQ(b->size(), tvx::SkinSize(p.up));
        EXPECT_LE(difference(shot(*b), tvx::SkinImage(p.up)), 1);
        b->SetSelected(true);
        EXPECT_LE(difference(shot(*b), tvx::SkinImage(p.down)), 1);
    }
    CBitmapButton b;
    EXPECT_FALSE(b.LoadBitmaps(0, 350)) << "an up picture is required";
    EXPECT_FALSE(b.LoadBitmaps(150, 350, 99999));
}

TEST(DisabledLook, IsGreyFadedAndKeepsThePixelRatio) {
    QImage img(4, 2, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(2.0);
    img.fill(QColor(30, 160, 250));
    img.setPixelColor(0, 0, Qt::transparent);
    const QImage out = tvx::DisabledLook(img);
    EXPECT_EQ(out.devicePixelRatio(), 2.0);
    EXPECT_EQ(out.pixelColor(0, 0).alpha(), 0);
    const QColor c = out.pixelColor(1, 0);
    EXPECT_EQ(c.red(), c.green());
    EXPECT_EQ(c.green(), c.blue());
    EXPECT_NEAR(c.alpha(), 127, 1);
    // Light and dark parts of a glyph stay told apart.
    img.fill(Qt::black);
    const int dark = tvx::DisabledLook(img).pixelColor(1, 0).red();
    img.fill(Qt::white);
    EXPECT_GT(tvx::DisabledLook(img).pixelColor(1, 0).red(), dark + 60);
}

// --- contact sheet for review -------------------------------------------------------
// TAVOLUX_SKIN_PREVIEW=<png path> writes the window as the skin places the
// buttons, and every picture below it, so the artwork can be judged at once.

void drawLabel(QPainter& p, int x, int y, const QString& text, QColor c = QColor(150, 165, 180)) {
    p.setPen(c);
    p.drawText(QRect(x, y, 90, 14), Qt::AlignHCenter | Qt::AlignTop, text);
}

// A picture rendered for a 200 % screen, shown pixel for pixel.
QImage atFullSize(QImage img) {
    img.setDevicePixelRatio(1.0);
    return img;
}

// Renders every picture of the skin into one contact sheet. With
// TAVOLUX_SKIN_PREVIEW set to a .png path the sheet is kept there for review.
TEST_F(SkinFixture, ContactSheetOfEveryPictureRendersAndSaves) {
    QTemporaryDir scratch;
    QString out = qEnvironmentVariable("TAVOLUX_SKIN_PREVIEW");
    if (out.isEmpty()) out = scratch.filePath(QStringLiteral("sheet.png"));

    const int pairs = int(allButtons().size());
    const int perRow = 13;
    const int rows = (pairs + perRow - 1) / perRow;
    const int sheetH = 650 + rows * 220 + 10 + 140;
    QImage sheet(1180, sheetH, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(12, 15, 19));
    QPainter p(&sheet);
    QFont small;
    small.setPixelSize(10);
    p.setFont(small);

    // The window.
    p.drawPixmap(0, 0, tvx::SkinPixmap(tvx::kPicBackground));
    p.drawPixmap(7, 43, tvx::SkinPixmap(tvx::kPicTabPictures));
    p.drawPixmap(219, 537, tvx::SkinPixmap(tvx::kPicResolutionPlate));
    p.drawPixmap(663, 537, tvx::SkinPixmap(tvx::kPicSecondsPlate));
    QFont bold;
    bold.setPixelSize(13);
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(QColor(0, 125, 255));
    p.drawText(219, 537 + 3, 80, 17, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("640*480"));
    p.setPen(QColor(0, 255, 0));
    p.drawText(663 + 1, 537 + 1, 108, 22, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("12 Seconds"));
    p.setFont(small);
    for (int x : {723, 759}) {
        p.fillRect(x, 6, 34, 25, QColor(245, 247, 250));
        p.setPen(Qt::black);
        p.drawText(QRect(x, 6, 34, 25), Qt::AlignCenter, x == 759 ? "60.0" : "59.5");
    }
    QWidget host;
    for (const Placed& b : kMainWindowButtons) {
        CBitmapButton button(&host, b.id, b.up, b.down);
        // Show a running recording, one effect and one tool in use.
        button.SetSelected(b.id == 1006 || b.id == 1187 || b.id == 1195);
        p.drawPixmap(b.x, b.y, QPixmap::fromImage(shot(button)));
    }

    // Every pair: up, down, disabled, and the up picture at twice the size.
    int i = 0;
    const int top = 650;
    p.setPen(QColor(200, 210, 220));
    p.drawText(10, top - 20, QStringLiteral("up / down / disabled, and at 200 %"));
    {
        for (const Placed& b : allButtons()) {
            const int x = 10 + (i % perRow) * 90;
            const int y = top + (i / perRow) * 220;
            CBitmapButton button(&host, b.id, b.up, b.down);
            p.drawPixmap(x, y, QPixmap::fromImage(shot(button)));
            button.SetSelected(true);
            p.drawPixmap(x + 34, y, QPixmap::fromImage(shot(button)));
            button.SetSelected(false);
            button.setEnabled(false);
            p.drawPixmap(x, y + 36, QPixmap::fromImage(shot(button)));
            p.drawImage(x, y + 74, atFullSize(tvx::SkinImage(b.up, 2.0)));
            p.drawImage(x, y + 142, atFullSize(tvx::SkinImage(b.down, 2.0)));
            drawLabel(p, x - 10, y + 206,
                      QStringLiteral("%1  %2/%3").arg(b.id).arg(b.up).arg(b.down));
            ++i;
        }
    }
    const int rest = top + rows * 220 + 10;
    p.drawPixmap(10, rest, tvx::SkinPixmap(tvx::kPicTabPictures));
    p.drawPixmap(140, rest, tvx::SkinPixmap(tvx::kPicTabVideos));
    p.drawImage(10, rest + 50, atFullSize(tvx::SkinImage(tvx::kPicTabPictures, 2.0)));
    p.drawImage(270, rest + 50, atFullSize(tvx::SkinImage(tvx::kPicTabVideos, 2.0)));
    p.drawPixmap(280, rest, tvx::SkinPixmap(tvx::kPicResolutionPlate));
    p.drawPixmap(380, rest, tvx::SkinPixmap(tvx::kPicSecondsPlate));
    p.drawPixmap(540, rest, tvx::SkinPixmap(tvx::kPicAppIcon));
    p.drawPixmap(
        680, rest,
        QPixmap::fromImage(tvx::SkinImage(tvx::kPicAppIcon)
                               .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    p.drawPixmap(
        760, rest,
        QPixmap::fromImage(tvx::SkinImage(tvx::kPicAppIcon)
                               .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    p.end();
    ASSERT_TRUE(sheet.save(out));
    const QImage back(out);
    ASSERT_EQ(back.size(), sheet.size());
    // The buttons row is not the bare ground colour.
    int painted = 0;
    for (int x = 0; x < back.width(); x += 3)
        painted += back.pixelColor(x, 660).rgb() != QColor(12, 15, 19).rgb();
    EXPECT_GT(painted, 20);
}

} // namespace

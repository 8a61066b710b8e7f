// Calibration from a line of known length, and the file that remembers it.
#include "measure/calibration.h"
#include "measure/calibration_file.h"
#include "measure/geometry.h"

#include "platform/folders.h"
#include "platform/prompts.h"
#include "tests/support/test_env.h"

#include "tests/measure/qt_printers.h"
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace tvx {
namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// --- CalibrationIni.ini ---------------------------------------------------

class CalibrationFileTest : public ::testing::Test {
protected:
    QString path_ = CalibrationFilePath();
};

TEST_F(CalibrationFileTest, LookupMatchesWholeHeadersAndSkipsComments) {
    WriteAll(path_, "// comment\r\n[200]\r\n// 200=999\r\n200=203.4\r\n[Abc]\r\nAbc=7.5\r\n");
    EXPECT_EQ(LookupCalibration(path_, "200"), QStringLiteral("203.4"));
    EXPECT_EQ(LookupCalibration(path_, "20"), QString());
    EXPECT_EQ(LookupCalibration(path_, "abc"), QString()); // the key is matched as written
    CalibrationFile file;
    ASSERT_TRUE(file.Open(path_));
    EXPECT_EQ(file.Lookup("ABC", "Abc"), QStringLiteral("7.5"));
    EXPECT_FALSE(file.Lookup("200", "Abc")); // the next section ends the search
    EXPECT_FALSE(file.Lookup("", ""));

    // Lookups leave the file as it was.
    EXPECT_EQ(ReadAll(path_),
              "// comment\r\n[200]\r\n// 200=999\r\n200=203.4\r\n[Abc]\r\nAbc=7.5\r\n");
}

TEST_F(CalibrationFileTest, ValuesNoMicroscopeHasAreNoCalibration) {
    WriteAll(path_, "[1]\n1=1e-300\n[2]\n2=0.05\n[3]\n3=100000.1\n[4]\n4=abc\n[5]\n5=0.1\n"
                    "[6]\n6=100000.0\n");
    for (const char* absurd : {"1", "2", "3", "4"})
        EXPECT_EQ(LookupCalibration(path_, absurd), QString()) << absurd;
    EXPECT_EQ(LookupCalibration(path_, "5"), QStringLiteral("0.1"));
    EXPECT_EQ(LookupCalibration(path_, "6"), QStringLiteral("100000.0"));
}

TEST_F(CalibrationFileTest, WriteMatchesHeadersAsSubstrings) {
    WriteAll(path_, "[200]\n// 20=1\n200=203.4\n[300]\n300=301.0\n");
    ASSERT_TRUE(StoreCalibration(path_, "20", 21.04));
    // The write for 20 lands in [200]; the comment is never replaced.
    EXPECT_EQ(ReadAll(path_), "[200]\n// 20=1\n20=21.0\n[300]\n300=301.0\n");

    ASSERT_TRUE(StoreCalibration(path_, "400", 398.96));
    ASSERT_TRUE(StoreCalibration(path_, "300", 299.5));
    EXPECT_EQ(ReadAll(path_), "[200]\n// 20=1\n20=21.0\n[300]\n300=299.5\n[400]\n400=399.0\n");
}

TEST_F(CalibrationFileTest, WriteInsertsIntoSectionsWithoutTheEntry) {
    WriteAll(path_, "[50]\n[60]\n60=61.0\n[70]\n// only a note\n");
    CalibrationFile file;
    ASSERT_TRUE(file.Open(path_));
    EXPECT_TRUE(file.Write("50", "50", "49.5")); // before the next header
    EXPECT_TRUE(file.Write("70", "70", "71.0")); // only comments follow: last
    EXPECT_FALSE(file.Write("", "x", "1"));
    EXPECT_FALSE(file.Write("80", "80", "1\n[90]"));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(ReadAll(path_), "[50]\n50=49.5\n[60]\n60=61.0\n[70]\n// only a note\n70=71.0\n");
    EXPECT_EQ(LookupCalibration(path_, "70"), QStringLiteral("71.0"));
}

TEST_F(CalibrationFileTest, OneCalibrationStoredByBothWindows) {
    ASSERT_TRUE(QFile::copy(test::resourcePath("CalibrationIni.ini"), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray seed = ReadAll(path_);

    // Typed 200 in the Photo Measure dialog, shown as 200.0 in the main window.
    ASSERT_TRUE(StoreCalibration(path_, "200", 203.44));
    ASSERT_TRUE(StoreCalibration(path_, FormatMagnification(200), 203.44));
    EXPECT_EQ(ReadAll(path_), seed + "[200]\n200=203.4\n[200.0]\n200.0=203.4\n");
    EXPECT_EQ(LookupCalibration(path_, "200"), QStringLiteral("203.4"));
    EXPECT_EQ(LookupCalibration(path_, "200.0"), QStringLiteral("203.4"));
}

TEST_F(CalibrationFileTest, MissingOrOversizedFilesAreNeverWritten) {
    EXPECT_FALSE(StoreCalibration(path_, "200", 203.4));
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_EQ(LookupCalibration(path_, "200"), QString());
    CalibrationFile file;
    EXPECT_FALSE(file.Open(path_));
    EXPECT_FALSE(file.Lookup("200", "200"));
    EXPECT_FALSE(file.Write("200", "200", "1.0"));
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(QFile::exists(path_));

    QByteArray huge = "[200]\n200=203.4\n";
    huge += QByteArray(CalibrationFile::kMaxFileSize, '#');
    WriteAll(path_, huge);
    EXPECT_EQ(LookupCalibration(path_, "200"), QString());
    EXPECT_FALSE(StoreCalibration(path_, "300", 1));
    EXPECT_EQ(ReadAll(path_).size(), huge.size());
}

// --- cameras other than the microscope -------------------------------------

// Each camera keeps its calibrations per capture size in a file of its own;
// the microscope's file is left alone.
TEST_F(CalibrationFileTest, EachCameraAndSizeHasItsOwnFile) {
    ASSERT_TRUE(QFile::copy(test::resourcePath("CalibrationIni.ini"), path_));
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray seed = ReadAll(path_);
    const QString hd = CameraCalibrationFilePath("usb:1234:5678@1-2.3", QSize(1920, 1080));
    const QString vga = CameraCalibrationFilePath("usb:1234:5678@1-2.3", QSize(640, 480));
    const QString odd = CameraCalibrationFilePath("usb:1234:5678:a/b c", QSize(640, 480));
    EXPECT_TRUE(hd.endsWith("/Calibration/usb_1234_5678@1-2.3_1920x1080.ini")) << hd.toStdString();
    EXPECT_TRUE(odd.endsWith("/Calibration/usb_1234_5678_a_b_c_640x480.ini")) << odd.toStdString();
    EXPECT_NE(hd, vga);
    EXPECT_EQ(CameraCalibrationFilePath("", QSize(640, 480)), QString());
    EXPECT_EQ(CameraCalibrationFilePath("test:x", QSize()), QString());

    // Nothing is made until a calibration is stored, and only a store that
    // may create the file makes it.
    EXPECT_FALSE(QFileInfo::exists(hd));
    EXPECT_FALSE(StoreCalibration(hd, "60.0", 412.5));
    EXPECT_FALSE(QFileInfo::exists(hd));
    ASSERT_TRUE(StoreCalibration(hd, "60.0", 412.5, true));
    EXPECT_EQ(CameraCalibrationFilePath("usb:1234:5678@1-2.3", QSize(1920, 1080)), hd);
    EXPECT_EQ(LookupCalibration(hd, "60.0"), QStringLiteral("412.5"));
    EXPECT_EQ(LookupCalibration(vga, "60.0"), QString());
    EXPECT_EQ(ReadAll(path_), seed);

    MeasuringScope scope;
    scope.calibrationFile = hd;
    EXPECT_EQ(ScopeCalibrationFile(scope), hd);
    scope.calibrationFile.clear();
    EXPECT_EQ(ScopeCalibrationFile(scope), path_);
}

// A camera without a pitch of its own measures in pixels; a calibration
// line measured so gives its pixels per millimetre, and from then on the
// unit of the settings is right.
TEST(CameraMeasuring, PixelsUntilCalibratedThenTheUnit) {
    MeasuringScope scope;
    SettingsValues s;
    s.unit = "um";
    s.decimal = 1;
    const QSize size(1920, 1080);
    // The microscope is never measured in pixels.
    EXPECT_FALSE(scope.MeasuresInPixels());
    EXPECT_EQ(CurrentMeasureContext(size, 60, s, scope).unit, "um");

    scope.pitchKnown = false;
    ASSERT_TRUE(scope.MeasuresInPixels());
    const MeasureContext px = CurrentMeasureContext(size, 60, s, scope);
    ASSERT_TRUE(px.valid());
    EXPECT_EQ(FormatLength(px, "L:", px.Length(250)), "L:250.0px");
    EXPECT_EQ(FormatArea(px, "A:", 12.5), "A:12.5px2");

    // 250 pixels over 0.5 mm of the stage micrometer: 500 pixels a mm.
    const std::optional<double> a = ActualDistanceFromText("0.5", px.unit);
    ASSERT_TRUE(a);
    const std::optional<double> m = CalibratedMagnification(250, px, *a);
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(*m, 500);

    scope.calibrationKnown = true;
    EXPECT_FALSE(scope.MeasuresInPixels());
    const MeasureContext um = CurrentMeasureContext(size, *m, s, scope);
    EXPECT_EQ(FormatLength(um, "L:", um.Length(250)), "L:500.0\u00B5m");
    s.unit = "mm";
    const MeasureContext mm = CurrentMeasureContext(size, *m, s, scope);
    EXPECT_EQ(FormatLength(mm, "L:", mm.Length(1000)), "L:2.0mm");
}

} // namespace
} // namespace tvx

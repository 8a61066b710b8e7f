// The shipped language files: the same keys in every language, every text the
// program names present with its English default, and translations that come
// out of the code-page decoding as the right Unicode.

#include "platform/language.h"
#include "platform/profile.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <array>
#include <vector>

namespace tvx {
namespace {

// Every text key the program names, with the English default it is named with.
// A few keys are shared by two places that name different defaults; those list
// each, and the English file holds the one that reads well in both places.
// Where the English file mends the built-in default's spelling or grammar,
// the mended text is listed last: the file must hold one of the list.
struct NamedText {
    const char* key;
    std::array<const char*, 4> defaults;
};

// clang-format off
const NamedText kNamedTexts[] = {
    // Main window: messages and texts
    {"MsgTitle", {"Tavolux"}},
    {"ConnectMsg", {"Please connect Wireless Digital Microscope", "Please connect the wireless digital microscope."}},
    {"EscRestore", {"ESC Restore", "Press Esc to leave full screen"}},
    {"BrowseToCamera", {"Please return to the preview state", "Please return to the live picture first."}},
    {"BrowseToTimer", {"Please return to the preview state", "Please return to the live picture first."}},
    {"SelectFile", {"Please select an image or video", "Please select a picture or a video."}},
    {"Second", {"Seconds", "Second"}},
    {"TipMeasurementCalibration", {"Please Calibration before measurement.", "Please calibrate before measuring."}},
    {"TipPrompt", {"Pop-up window next time.", "Show this message next time"}},
    // Main menu and file pop-up menu
    {"File", {"File"}},
    {"Open", {"Open..."}},
    {"Save", {"Save As", "Save as"}},
    {"Delete", {"Delete..."}},
    {"DeleteAll", {"Delete All"}},
    {"EMail", {"E-Mail..."}},
    {"Setting", {"Settings", "Setting"}},
    {"640*480", {"640*480    F11"}},
    {"720*480", {"720*480    F12"}},
    {"Device...", {"Device Settings"}},
    {"Cross", {"Cross Line", "Crosshair"}},
    {"Scale", {"Scale", "Scale line"}},
    {"Circle", {"Circle", "circle Grid"}},
    {"Changelanguage", {"Change language"}},
    {"Capture", {"Capture"}},
    {"DeviceMenu", {"&Device"}},
    {"DeviceMenuNone", {"No camera attached"}},
    {"Take Picture", {"Take Picture...      F2"}},
    {"Take Video", {"Take Video/Stop...   F3/F4", "Record Video/Stop...   F3/F4"}},
    {"Take time lapsed Pictures", {"Take time lapsed Pictures", "Take Time-Lapse Pictures..."}},
    {"Help", {"Help"}},
    {"ViewZandorManual", {"Help", "Manual"}},
    {"ViewZandorUpdate", {"Update"}},
    {"ViewZandorAbout", {"About"}},
    {"Undo", {"Undo"}},
    {"Redo", {"Redo"}},
    // Language menu: each language also under its own name
    {"English", {"English(English)", "English"}},
    {"Simplified", {"Chinese(Simplified)", "Chinese (Simplified)"}},
    {"Traditional", {"Chinese(Traditional)", "Chinese (Traditional)"}},
    {"Turkish", {"Turkish(Turkish)", "Turkish"}},
    {"Japanese", {"Japanese(Japanese)", "Japanese"}},
    {"Korean", {"Korean(Korean)", "Korean"}},
    {"German", {"German(German)", "German"}},
    {"Russian", {"Russian(Russian)", "Russian"}},
    {"Bulgarian", {"Bulgarian(Bulgarian)", "Bulgarian"}},
    {"FollowSystem", {"Follow the system"}},
    {"Arabic", {"Arabic"}},
    {"Danish", {"Danish"}},
    {"Spanish", {"Spanish"}},
    {"Finnish", {"Finnish"}},
    {"French", {"French"}},
    {"Hebrew", {"Hebrew"}},
    {"Italian", {"Italian"}},
    {"Dutch", {"Dutch"}},
    {"Norwegian", {"Norwegian"}},
    {"Polish", {"Polish"}},
    {"Portuguese", {"Portuguese"}},
    {"Swedish", {"Swedish"}},
    {"Thai", {"Thai"}},
    {"Vietnamese", {"Vietnamese"}},
    // Main window tool tips
    {"TipPreview", {"Preview"}},
    {"TipCamera", {"Camera"}},
    {"TipVideo", {"Recording Video"}},
    {"TipTimer", {"Timer"}},
    {"TipSetting", {"Setting", "Settings"}},
    {"TipSave", {"Save as", "Save", "Save As"}},
    {"TipEMail", {"E-Mail"}},
    {"TipHorMirror", {"Horizontal Mirror"}},
    {"TipVerMirror", {"Vertical Mirror"}},
    {"TipNegative", {"Negative"}},
    {"TipBinarysegmentation", {"Binary Segmentation"}},
    {"TipRED", {"Red Display"}},
    {"TipGreen", {"Green Display"}},
    {"TipBlue", {"Blue Display"}},
    {"TipPointToLine", {"Point to Line Measurement", "Point-to-Line Measurement"}},
    {"PictureError", {"Picture Error"}},
    {"AVIError", {"AVI Error"}},
    {"SaveStillFail", {"The picture could not be saved in:"}},
    {"NoStillFrame", {"There is no picture from the microscope yet."}},
    {"DiskFull", {"The disk is full."}},
    {"NoPermission", {"There is no permission to write in this folder."}},
    {"FolderMissing", {"The folder is missing and could not be made again."}},
    {"CaptureError", {"The microscope's picture failed:"}},
    {"PressNotTaken", {"1 press not taken"}},
    {"PressesNotTaken", {"%1 presses not taken"}},
    // Recording messages and the compressor choice
    {"AviCapture", {"AVI Capture"}},
    {"OpenAviFail", {"Open avi file failed(0x%08X:%d)", "Opening the AVI file failed (0x%08X:%d)"}},
    {"CreateStreamFail", {"Create stream failed(0x%08X:%d)", "Creating the stream failed (0x%08X:%d)"}},
    {"MakeCompressFail", {"Make compress stream failed(0x%08X:%d)", "Creating the compressed stream failed (0x%08X:%d)"}},
    {"UnsupportFormat", {"Unsupport compressed format", "Unsupported compression format"}},
    {"BadFormat", {"Bad compresse format", "Bad compression format"}},
    {"SetFormatFail", {"Set stream format failed(0x%08X:%d)", "Setting the stream format failed (0x%08X:%d)"}},
    {"WriteAviFail", {"Write avi file failed(0x%08X:%d)", "Writing the AVI file failed (0x%08X:%d)"}},
    {"RangeInteger", {"Please enter an integer between %1 and %2."}},
    {"Compressor", {"Compressor:"}},
    {"Quality", {"Quality"}},
    {"PictureNotOpen", {"the picture not open,please check the file exist!", "The picture could not be opened. Please check that the file exists."}},
    {"TextTooLong", {"Please enter no more than 254 characters."}},
    // Focus meter, sharpest still, measurement export
    {"FocusMeter", {"Focus Meter"}},
    {"SharpestStill", {"Sharpest Picture of the Last Second"}},
    {"ScaleBar", {"Scale Bar"}},
    {"StillTiff", {"Save Pictures as TIFF with Their Scale"}},
    {"ExportMeasures", {"Export measurements..."}},
    {"CopyMeasures", {"Copy measurements"}},
    {"NoMeasurements", {"There are no measurements to export."}},
    {"ExportMeasuresFail", {"The measurements could not be saved in:"}},
    {"CsvFiles", {"CSV files (*.csv)"}},
    // Focus stacking
    {"StackSweep", {"Stack a Focus Sweep   F6"}},
    {"TipStack", {"Focus Stack"}},
    {"StackDepthMap", {"Save the Depth Map of Stacks"}},
    {"StackKeepFrames", {"Keep the Frames of Stacks"}},
    {"StackHolding", {"Stack: %1 frames"}},
    {"StackWorking", {"Aligning and fusing %1 frames..."}},
    {"StackCancel", {"Cancel"}},
    {"StackTooFew", {"Too few different frames to stack: turn the focus through the specimen "
                     "while the stack runs."}},
    {"StackFailed", {"The frames could not be aligned."}},
    {"TArc", {"Three Points Arc Measurement", "Three-Point Arc Measurement"}},
    {"TipCalibration", {"Calibration", "Line Calibration"}},
    // Measuring tools: tool tips and the Photo Measure menus
    {"straightline", {"Line", "Line Measurement"}},
    {"Continuousline", {"Continuous line", "Continuous Line Measurement", "Continuous Line"}},
    {"Ploygon", {"Ploygon", "Polygon measrement", "Polygon"}},
    {"RadialCircle", {"Radius Circle", "Radius of Circle Measurement"}},
    {"Diametercircle", {"Diameter Circle", "Diameter of Circle Measurement"}},
    {"Threepointcircle", {"Three Point Circle", "Three Points Circle", "Three Points Circle Measurement", "Three-Point Circle"}},
    {"Angle", {"Angle", "Three Points Angle Measurement"}},
    {"Fourpointangle", {"Four Point Angle", "Four Points Angle Measurement", "Four-Point Angle"}},
    {"Rectangle", {"Rectangle", "Retangle"}},
    {"Units", {"Units"}},
    // Calibration prompt and about box
    {"AboutViewZandor1", {"About Tavolux"}},
    {"AboutViewZandor2", {"Tavolux"}},
    {"AboutDescription", {"Live view, still pictures, recording and calibrated measuring for the wireless digital microscope."}},
    {"AboutVersion", {"Version %1"}},
    {"AboutCopyright", {"Copyright (C) 2026 the Tavolux developers. All rights reserved."}},
    // Buttons shared by the dialogs (keys match without regard to case: "Ok" finds "OK")
    {"OK", {"OK"}},
    {"Cancel", {"Cancel"}},
    {"Start", {"Start"}},
    {"Stop", {"Stop"}},
    {"Default", {"Default"}},
    {"Exit", {"Exit"}},
    // Recorder dialog
    {"RecorderSetting", {"Recorder Setting", "Recorder Settings"}},
    {"FrameRate", {"Frame rate"}},
    {"TimerLimit", {"Time limit"}},
    {"Compress", {"Compress", "Compression..."}},
    {"CompressTilte", {"Compress Format Selection", "Choose a Compression Format"}},
    // Time-lapse dialog
    {"CaptureSetting", {"Capture Setting", "Time-Lapse Settings"}},
    {"StartTime", {"Start Time"}},
    {"Interval", {"Interval"}},
    {"Frame", {"Frame", "pictures"}},
    {"Completed", {"Completed"}},
    {"FileSize", {"File Size"}},
    {"SET_TIMER_FAIL", {"The time of your setting must be a future time!", "The start time must be in the future."}},
    {"UnitYr", {"Yr"}},
    {"UnitMon", {"Mon"}},
    {"UnitDay", {"Day"}},
    {"UnitHr", {"Hr"}},
    {"UnitMin", {"Min"}},
    {"UnitSec", {"Sec"}},
    {"UnitMB", {"MB"}},
    {"StartNow", {"Start now"}},
    {"TimeLapseFirstIn", {"First picture in %1 s"}},
    {"TimeLapseProgress", {"%1 of %2 taken, next in %3 s"}},
    {"TimeLapseDoneOne", {"1 picture taken"}},
    {"TimeLapseDone", {"%1 pictures taken"}},
    // Live view and calibration
    {"EnterRate", {"Please input the zoomIn scale!", "Please input the zoomIn Rate!", "Please enter the magnification."}},
    {"CalibrateCamera", {"This camera is not calibrated yet: lengths are shown in pixels (px). Calibrate it on a stage micrometer with the calibration tool."}},
    {"EnterActualDistance", {"Please enter actual distance (mm)", "Please enter the actual distance (mm)."}},
    {"EnterDigital", {"Please enter digital!", "Please enter a number."}},
    // Device settings dialog
    {"VideoSetting", {"Video Setting", "Video Settings"}},
    {"DeviceName", {"Device Name"}},
    {"VideoCaptionDevice", {"Video Capture Device"}},
    {"DeviceSetting", {"Device Setting", "Device Settings"}},
    {"VideoNorm", {"Video Norm"}},
    {"VideoResolution", {"Video Resolution"}},
    {"VideoProperies", {"Video Properies", "Video Properties"}},
    {"Brightness", {"Brightness"}},
    {"Contrast", {"Contrast"}},
    {"Saturation", {"Saturation"}},
    {"Sharpness", {"Sharpness"}},
    {"Gamma", {"Gamma"}},
    {"Hue", {"Hue"}},
    // File list and stored pictures
    {"SureDelete", {"Are you sure to delete?", "Do you really want to delete the selected file?"}},
    {"DeleteFile", {"Delete %1?"}},
    {"SureDeleteAll", {"Are you sure to delete all?", "Do you really want to delete all files of the list?"}},
    {"enFileFail", {"Can not Open file", "The file cannot be opened."}},
    {"InputText", {"Please input text!", "Please enter a text."}},
    // Photo Measure dialog
    {"PhotoMeasure", {"Photo Measure"}},
    {"TipOpen", {"Open"}},
    {"TipLine", {"Paint"}},
    {"TipCircle", {"Measure"}},
    {"TipRectangle", {"Pen Setting", "Pen Settings"}},
    {"TipText", {"Text Setting", "Text Settings"}},
    {"TipDelete", {"Undo"}},
    {"TipReDelete", {"Redo"}},
    {"DrawLine", {"Line"}},
    {"DrawContinueline", {"Continue Line", "Continuous Line"}},
    {"DrawAngle", {"Angle"}},
    {"DrawRectangle", {"Rectangle"}},
    {"DrawRadialCircle", {"Radial Circle", "Radius Circle"}},
    {"DrawDiametercircle", {"Diameter Circle"}},
    {"DrawThreePointCircle", {"Three Point Circle", "Three-Point Circle"}},
    {"MeasureLine", {"Line"}},
    {"MeasureContinueline", {"Continue Line", "Continuous Line"}},
    {"MeasureRectangle", {"Rectangle"}},
    {"MeasurePloygon", {"Ploygon", "Polygon"}},
    {"MeasureRedialCircle", {"Radius Circle"}},
    {"MeasureDiameterCircle", {"Diameter Circle"}},
    {"MeasureThreePointCircle", {"Three Point Circle", "Three-Point Circle"}},
    {"MeasureAngle", {"Angle"}},
    {"MeasureFourPointCircle", {"Four point Angle", "Four-Point Angle"}},
    {"SaveSuccessfull", {"Save successfully!", "The picture was saved."}},
    {"SaveFail", {"Save fail", "The picture could not be saved."}},
    {"SureClose", {"Are you sure to close?", "Do you really want to close?"}},
    {"Rate", {"Scale:"}},
    // Pen Setting dialog
    {"PenSetting", {"Pen setting", "Pen Settings"}},
    {"PenType", {"Pen Type"}},
    {"SolidLine", {"Solid Line"}},
    {"DashLine", {"Dash Line", "Dashed Line"}},
    {"DotLine", {"Dot Line", "Dotted Line"}},
    {"DashDotLine", {"DashDot Line1", "Dash-Dot Line"}},
    {"DashDotDotLine", {"DashDot Line2", "Dash-Dot-Dot Line"}},
    {"PenColorLine", {"Line Colour"}},
    {"PenColor", {"Colour"}},
    {"PenWidth", {"Line Width"}},
    {"LinePriview", {"Preview"}},
    {"decimal", {"decimal", "Decimals"}},
    {"Font", {"Font"}},
    // Text dialog
    {"TextSetting", {"Text"}},
    {"EnterText", {"Please enter text:"}},
    {"Color", {"Colour"}},
    {"Preview", {"Preview"}},
    // Video player
    {"VideoPlayer", {"Video Player"}},
    {"TipFirst", {"First"}},
    {"TipReward", {"Backward"}},
    {"TipPlay", {"Play"}},
    {"TipForward", {"Forward"}},
    {"TipLast", {"Last"}},
    {"TipStop", {"Stop"}},
    {"TipPause", {"Pause"}},
    // E-mail
    {"StartOutlook", {"Start outlook, Please waiting...", "Starting the mail program, please wait..."}},
    {"MailPictureHandedOver", {"The picture was handed to your mail program."}},
    {"MailVideoHandedOver", {"The video was handed to your mail program."}},
    {"Quit", {"Quit                      Ctrl+Q"}},
    // Recording: a change of size goes on in a new file; time-lapse pictures not taken
    {"RecordNewFile", {"The picture is now %1*%2. The recording goes on at this size in a new file:"}},
    {"TimeLapseMissed", {"%1 of the %2 time-lapse pictures were not taken: the microscope gave no picture while they were due."}},
    {"MailNotLoaded", {"The mail system cannot be loaded: %1."}},
    {"MailSetUp", {"Set up a mail program for your desktop."}},
    {"MailNotSent", {"The mail was not sent: %1."}},
    // The status strip and the measuring tools' next step
    {"StatusSaved", {"Saved %1"}},
    {"StatusOpenFolder", {"Open folder"}},
    {"StatusRecording", {"Recording %1  %2"}},
    {"HintFirstEnd", {"Click the first end"}},
    {"HintSecondEnd", {"Click the second end"}},
    {"HintNextPoint", {"Click the next point; a double click ends the line"}},
    {"HintFirstCorner", {"Click the first corner"}},
    {"HintNextCorner", {"Click the next corner; a double click closes the polygon"}},
    {"HintCentre", {"Click the centre"}},
    {"HintOnCircle", {"Click a point on the circle"}},
    {"HintPoint", {"Click point %1 of %2"}},
    {"HintLabel", {"Click where the label goes; Esc cancels"}},
    // Photo Measure's zoom
    {"ZoomFit", {"Fit"}},
    {"FullScreen", {"Full Screen    Ctrl+F"}},
    {"TipMoreButtons", {"More buttons"}},
    {"MeasureOtherMenu", {"Guides and Measuring..."}},
    // Message-box buttons
    {"Yes", {"Yes"}},
    {"No", {"No"}},
};
// clang-format on

const char* const kEnglish = "English1252.ini";
const char* const kRussian = "Russian1251.ini";
const char* const kChinese = "Chinese936.ini";

// Every file the language table can choose, English included.
QStringList shippedFiles() {
    QStringList names;
    for (int primary = 0; primary < 1024; ++primary) {
        for (int sub : {0, 1}) {
            const QString name = LanguageFilesFor(primary, sub, QString()).languageFile.mid(1);
            if (!names.contains(name)) names << name;
        }
    }
    names.sort();
    return names;
}

QString shippedPath(const QString& name) {
    return test::resourcePath(QStringLiteral("lang/") + name);
}

QString lower(const char* key) {
    return QString::fromUtf8(key).toLower();
}

struct Entry {
    QString key;
    QString value;
};

struct ShippedFile {
    QByteArray bytes;
    QString text;               // decoded by the code page in the file's name
    std::vector<Entry> entries; // key=value lines of the text section, in file order
};

ShippedFile readShipped(const QString& name) {
    ShippedFile file;
    QFile f(shippedPath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << qPrintable(name);
        return file;
    }
    file.bytes = f.readAll();
    file.text = DecodeProfileText(file.bytes, name);
    bool inTexts = false;
    for (const QString& raw : file.text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            inTexts = line.compare(QStringLiteral("[Zandor]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inTexts && eq > 0)
            file.entries.push_back({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return file;
}

QSet<QString> keySet(const ShippedFile& file) {
    QSet<QString> keys;
    for (const Entry& e : file.entries)
        keys.insert(e.key.toLower());
    return keys;
}

// "missing: a, b; extra: c" between what is expected and what is there.
QString difference(const QSet<QString>& expected, const QSet<QString>& actual) {
    QStringList missing = QSet<QString>(expected).subtract(actual).values();
    QStringList extra = QSet<QString>(actual).subtract(expected).values();
    if (missing.isEmpty() && extra.isEmpty()) return QString();
    missing.sort();
    extra.sort();
    return QStringLiteral("missing: ") + missing.join(QStringLiteral(", ")) +
           QStringLiteral("; extra: ") + extra.join(QStringLiteral(", "));
}

QHash<QString, const NamedText*> namedTextsByKey() {
    QHash<QString, const NamedText*> byKey;
    for (const NamedText& t : kNamedTexts) {
        EXPECT_FALSE(byKey.contains(lower(t.key))) << "named twice: " << t.key;
        byKey.insert(lower(t.key), &t);
    }
    return byKey;
}

bool isNamedDefault(const NamedText& named, const QString& text) {
    for (const char* d : named.defaults) {
        if (d != nullptr && text == QString::fromUtf8(d)) return true;
    }
    return false;
}

// The printf directives of a text, in order.
QStringList formatDirectives(const QString& text) {
    static const QRegularExpression format(
        QStringLiteral("%[-+ #0]*\\d*(\\.\\*|\\.\\d+)?[a-zA-Z]"));
    QStringList found;
    for (auto it = format.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

// The %1-style places a text fills with QString::arg, sorted.
QStringList numberedPlaces(const QString& text) {
    static const QRegularExpression place(QStringLiteral("%\\d+(?!\\d|\\.\\d|[a-zA-Z])"));
    QStringList found;
    for (auto it = place.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

QString englishValue(const QString& key) {
    return GetProfileString(shippedPath(kEnglish), QLatin1String(kTextSection), key, QString(),
                            1024);
}

TEST(LanguageFiles, EveryLanguageShipsTheSameKeysEachWithAText) {
    QHash<QString, QSet<QString>> keysByFile;
    const QStringList files = shippedFiles();
    ASSERT_EQ(files.size(), 23);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const ShippedFile file = readShipped(name);
        // The code page comes from the file name; a byte-order mark would override it.
        // 442 names no code page: that file is UTF-16 and says so with its mark.
        const bool marked = file.bytes.startsWith("\xEF\xBB\xBF") ||
                            file.bytes.startsWith("\xFF\xFE") || file.bytes.startsWith("\xFE\xFF");
        EXPECT_EQ(marked, name.endsWith(QLatin1String("442.ini")));
        EXPECT_FALSE(file.text.contains(QChar::ReplacementCharacter))
            << "bytes that the code page cannot decode";
        ASSERT_FALSE(file.entries.empty());

        QSet<QString> seen;
        for (const Entry& e : file.entries) {
            // A second line with the same key would never be read: the first one wins.
            EXPECT_FALSE(seen.contains(e.key.toLower())) << "duplicate key " << qPrintable(e.key);
            seen.insert(e.key.toLower());
            // The program's own reader must find every line, with the same text.
            const QString read = GetProfileString(shippedPath(name), QLatin1String(kTextSection),
                                                  e.key, QStringLiteral("\x01"), 1024);
            EXPECT_EQ(read, e.value) << "key " << qPrintable(e.key);
            EXPECT_FALSE(e.value.isEmpty()) << "key " << qPrintable(e.key);
        }
        keysByFile.insert(name, keySet(file));

        auto text = [&](const char* key) {
            return GetProfileString(shippedPath(name), QLatin1String(kTextSection),
                                    QString::fromUtf8(key), QString(), 1024);
        };
        // The time-lapse button tells its state by comparing its caption with
        // the Start text, so the two captions must differ.
        EXPECT_NE(text("Start"), text("Stop"));
        // Two languages with one label could not be told apart in the menu.
        QSet<QString> languageLabels;
        for (const LanguageMenuItem& item : kLanguageMenu)
            languageLabels.insert(text(item.key));
        EXPECT_EQ(languageLabels.size(), static_cast<qsizetype>(std::size(kLanguageMenu)));
    }
    const QSet<QString> english = keysByFile.value(QLatin1String(kEnglish));
    for (const QString& name : files) {
        const QString diff = difference(english, keysByFile.value(name));
        EXPECT_TRUE(diff.isEmpty())
            << qPrintable(name) << " against " << kEnglish << ": " << qPrintable(diff);
    }
}

TEST(LanguageFiles, EnglishFileHoldsEveryNamedTextWithItsDefault) {
    const QHash<QString, const NamedText*> named = namedTextsByKey();
    const ShippedFile english = readShipped(kEnglish);
    const QString diff =
        difference(QSet<QString>(named.keyBegin(), named.keyEnd()), keySet(english));
    EXPECT_TRUE(diff.isEmpty()) << qPrintable(diff);

    for (const NamedText& t : kNamedTexts) {
        const QString value = englishValue(QString::fromUtf8(t.key));
        EXPECT_TRUE(isNamedDefault(t, value))
            << t.key << " reads \"" << qPrintable(value) << "\" in the English file";
    }
}

TEST(LanguageFiles, TextsFitTheSpaceTheyAreReadInto) {
    // Texts are read into buffers of 256 characters (the terminator takes one);
    // the full-screen hint into 128, the picture-property names into 32.
    const QHash<QString, int> smaller = {
        {QStringLiteral("escrestore"), 128}, {QStringLiteral("brightness"), 32},
        {QStringLiteral("contrast"), 32},    {QStringLiteral("saturation"), 32},
        {QStringLiteral("sharpness"), 32},   {QStringLiteral("gamma"), 32},
        {QStringLiteral("hue"), 32}};
    for (const QString& name : shippedFiles()) {
        for (const Entry& e : readShipped(name).entries) {
            const int capacity = smaller.value(e.key.toLower(), 256);
            EXPECT_LT(e.value.size(), capacity) << qPrintable(name) << ": " << qPrintable(e.key);
        }
    }
}

TEST(LanguageFiles, TranslationsAreCompleteAndKeepHotKeysAndFormats) {
    const ShippedFile english = readShipped(kEnglish);
    // What needs no translation: the product's name, hot keys, numbers, and
    // "OK" and "MB", which many languages print as they are.
    const QRegularExpression untranslatable(QStringLiteral("Tavolux|\\bF\\d+\\b|^OK$|^MB$"));
    const QRegularExpression hotKey(QStringLiteral("\\s(F\\d+(/F\\d+)?)$"));
    const auto formats = formatDirectives;
    // The script each translation must be written in; the Latin-script ones
    // are told from an English copy by how few texts stay English.
    const QHash<QString, QString> scripts = {
        {QStringLiteral("1251"), QStringLiteral("[\\x{0400}-\\x{04FF}]")},
        {QStringLiteral("442"), QStringLiteral("[\\x{0400}-\\x{04FF}]")},
        {QStringLiteral("936"), QStringLiteral("[\\x{4E00}-\\x{9FFF}]")},
        {QStringLiteral("950"), QStringLiteral("[\\x{4E00}-\\x{9FFF}]")},
        {QStringLiteral("932"), QStringLiteral("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]")},
        {QStringLiteral("949"), QStringLiteral("[\\x{AC00}-\\x{D7A3}]")},
        {QStringLiteral("1256"), QStringLiteral("[\\x{0600}-\\x{06FF}]")},
        {QStringLiteral("1255"), QStringLiteral("[\\x{05D0}-\\x{05EA}]")},
        {QStringLiteral("874"), QStringLiteral("[\\x{0E00}-\\x{0E7F}]")},
    };
    const QRegularExpression page(QStringLiteral("(\\d+)\\.ini$"));

    for (const QString& name : shippedFiles()) {
        if (name == QLatin1String(kEnglish)) continue;
        const QString path = shippedPath(name);
        const QString script = scripts.value(page.match(name).captured(1));
        const QRegularExpression inScript(script);
        int withWords = 0;
        int leftEnglish = 0;
        for (const Entry& e : english.entries) {
            SCOPED_TRACE((name + QStringLiteral(": ") + e.key).toStdString());
            const QString text =
                GetProfileString(path, QLatin1String(kTextSection), e.key, QString(), 1024);
            const bool hasWords = QString(e.value)
                                      .remove(untranslatable)
                                      .contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
            if (hasWords) {
                ++withWords;
                if (text == e.value) ++leftEnglish;
                if (!script.isEmpty()) {
                    EXPECT_TRUE(text.contains(inScript)) << "untranslated: " << qPrintable(text);
                }
            }
            const QRegularExpressionMatch key = hotKey.match(e.value);
            if (key.hasMatch()) {
                EXPECT_TRUE(text.endsWith(QLatin1Char(' ') + key.captured(1)))
                    << "hot key lost: " << qPrintable(text);
            }
            // Same directives in the same order: a swapped pair would print the
            // numbers in each other's places, a lost one would read garbage.
            EXPECT_EQ(formats(text), formats(e.value));
            // Numbered places (%1, %2) may move within a sentence but not go.
            EXPECT_EQ(numberedPlaces(text), numberedPlaces(e.value));
        }
        // Words like "Gamma", "Start" or "OK" may stay as they are; most may not.
        EXPECT_LE(leftEnglish * 10, withWords) << qPrintable(name) << ": " << leftEnglish << " of "
                                               << withWords << " texts still English";
    }
}

TEST(LanguageFiles, NumberedPlacesAreFoundButNotPrintfDirectives) {
    EXPECT_EQ(numberedPlaces(QStringLiteral("zwischen %2 und %1., %4d, %0.1f")),
              (QStringList{QStringLiteral("%1"), QStringLiteral("%2")}));
}

TEST(LanguageFiles, FormatDirectivesAreFoundInTheirOrder) {
    // The shapes the texts may use; a literal percent sign is none.
    EXPECT_EQ(formatDirectives(QStringLiteral("%4d.%2d mm, %0.1f%%, %s of %d")),
              (QStringList{QStringLiteral("%4d"), QStringLiteral("%2d"), QStringLiteral("%0.1f"),
                           QStringLiteral("%s"), QStringLiteral("%d")}));
}

// The shipped files are written by tools/make_lang.py from UTF-8 sources in
// tools/lang/: each file must say what its source says, and its bytes must be
// exactly what its code page makes of that text (nothing lost or replaced).
TEST(LanguageFiles, EncodedFilesRoundTripAndMatchTheirSources) {
    const QString sources = QStringLiteral(TAVOLUX_SOURCE_DIR "/tools/lang/");
    for (const QString& name : shippedFiles()) {
        SCOPED_TRACE(name.toStdString());
        const ShippedFile file = readShipped(name);
        ASSERT_FALSE(file.bytes.isEmpty());

        if (name.endsWith(QLatin1String("442.ini"))) {
            ASSERT_TRUE(file.bytes.startsWith("\xFF\xFE"));
            ASSERT_EQ(file.bytes.size() % 2, 0);
            QStringEncoder enc(QStringEncoder::Utf16LE);
            EXPECT_EQ(QByteArray("\xFF\xFE") + QByteArray(enc(file.text)), file.bytes);
        } else {
            const QByteArray codec = CodecForFileName(name);
            QStringDecoder dec(codec.constData());
            QStringEncoder enc(codec.constData());
            ASSERT_TRUE(dec.isValid() && enc.isValid()) << codec.constData();
            const QString raw = dec(file.bytes);
            EXPECT_FALSE(dec.hasError());
            EXPECT_FALSE(raw.contains(QChar::ReplacementCharacter));
            const QByteArray again = enc(raw);
            EXPECT_FALSE(enc.hasError());
            EXPECT_EQ(again, file.bytes) << "does not survive " << codec.constData();
        }

        if (name == QLatin1String(kEnglish)) continue; // the template, kept by hand
        QFile source(sources + QFileInfo(name).completeBaseName() + QStringLiteral(".txt"));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << "no source for " << qPrintable(name);
        QHash<QString, QString> wanted;
        for (const QString& raw : QString::fromUtf8(source.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            const int eq = line.indexOf(QLatin1Char('='));
            if (line.startsWith(QLatin1Char(';')) || eq <= 0) continue;
            wanted.insert(line.left(eq).trimmed().toLower(),
                          line.mid(eq + 1).trimmed().normalized(QString::NormalizationForm_C));
        }
        ASSERT_EQ(wanted.size(), static_cast<qsizetype>(file.entries.size()));
        for (const Entry& e : file.entries)
            EXPECT_EQ(e.value, wanted.value(e.key.toLower()))
                << qPrintable(e.key) << ": run tools/make_lang.py after editing a source";
    }
}

TEST(LanguageFiles, ChosenLanguageComesOutAsUnicode) {
    test::installLanguageFiles();
    test::InstalledLanguage language;
    const char* connect = "Please connect Wireless Digital Microscope";

    language.Choose(9, 0);
    EXPECT_EQ(Text("ConnectMsg", "-"), "Please connect the wireless digital microscope.");

    language.Choose(25, 0);
    ASSERT_TRUE(language.filePath().endsWith(QLatin1String(kRussian)));
    EXPECT_EQ(Text("ConnectMsg", connect),
              QString::fromUtf8("Подключите беспроводной цифровой микроскоп"));
    EXPECT_EQ(Text("Russian", "Russian(Russian)"), QString::fromUtf8("Русский"));
    EXPECT_EQ(Text("Take Picture", "Take Picture...      F2"),
              QString::fromUtf8("Сделать снимок...      F2"));
    EXPECT_EQ(Text("Ok", "OK"), QString::fromUtf8("ОК"));
    // Cut by characters, not by the bytes of the code page.
    EXPECT_EQ(Text("ConnectMsg", connect, 9), QString::fromUtf8("Подключи"));

    language.Choose(4, 2);
    ASSERT_TRUE(language.filePath().endsWith(QLatin1String(kChinese)));
    EXPECT_EQ(Text("ConnectMsg", connect), QString::fromUtf8("请连接无线数码显微镜"));
    EXPECT_EQ(Text("Traditional", "Chinese(Traditional)"), QString::fromUtf8("繁體中文"));
    // GBK carries the Cyrillic and Japanese names of the language menu too.
    EXPECT_EQ(Text("Russian", "Russian(Russian)"), QString::fromUtf8("俄语(Русский)"));
    EXPECT_EQ(Text("Japanese", "Japanese(Japanese)"), QString::fromUtf8("日语(日本語)"));
    EXPECT_EQ(Text("SET_TIMER_FAIL", "-"), QString::fromUtf8("设定的时间必须晚于当前时间！"));

    language.Choose(4, 1);
    ASSERT_TRUE(language.filePath().endsWith(QLatin1String("Chinese950.ini")));
    EXPECT_EQ(Text("ConnectMsg", connect), QString::fromUtf8("請連接無線數位顯微鏡"));

    // 442 is no code page: the Bulgarian file is UTF-16 and the mark says so.
    language.Choose(2, 0);
    EXPECT_EQ(Text("Bulgarian", "Bulgarian(Bulgarian)"), QString::fromUtf8("Български"));
    EXPECT_EQ(Text("Japanese", "Japanese(Japanese)"), QString::fromUtf8("Японски (日本語)"));

    language.Choose(17, 0);
    EXPECT_EQ(Text("TipHorMirror", "-"), QString::fromUtf8("左右反転"));
    language.Choose(18, 0);
    EXPECT_EQ(Text("Cancel", "-"), QString::fromUtf8("취소"));
    language.Choose(31, 0);
    EXPECT_EQ(Text("Brightness", "-"), QString::fromUtf8("Parlaklık"));
    language.Choose(7, 0);
    EXPECT_EQ(Text("Exit", "-"), QString::fromUtf8("Schließen"));
    language.Choose(21, 0);
    EXPECT_EQ(Text("Exit", "-"), QString::fromUtf8("Zamknij"));
    EXPECT_EQ(Text("Angle", "-"), QString::fromUtf8("Kąt"));
    // Windows-1258 stores the tone marks apart; the text comes out composed,
    // so "ộ" counts (and is cut) as one character.
    language.Choose(42, 0);
    EXPECT_EQ(Text("Brightness", "-"), QString::fromUtf8("Độ sáng"));
    EXPECT_EQ(Text("Brightness", "-", 3), QString::fromUtf8("Độ"));
}

// Each text the program asks for: a literal Text("key", "default") call, or a
// row of a table whose struct names its fields key/text, tipKey/tipDefault and
// the like, read by Text(row.key, row.text) elsewhere.
struct TextCall {
    QString file;
    QString key;
    QString defaultText;
};

// Every folder that may ask for texts, so that a new one cannot be missed.
const char* const kProductFolders[] = {"platform", "imaging", "measure", "capture",
                                       "media",    "session", "ui",      "app"};

struct SourceFile {
    QString path; // below the source folder
    QString text; // with line comments removed
};

std::vector<SourceFile> productSources() {
    const QString root = QStringLiteral(TAVOLUX_SOURCE_DIR);
    QStringList paths = {root + QStringLiteral("/main.cpp")};
    for (const char* folder : kProductFolders) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            paths << it.next();
    }
    static const QRegularExpression lineComment(QStringLiteral("(?<![:\"])//[^\\n]*"));
    std::vector<SourceFile> files;
    for (const QString& path : paths) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) continue;
        files.push_back(
            {path.mid(root.size() + 1), QString::fromUtf8(f.readAll()).remove(lineComment)});
    }
    return files;
}

const QString kLiteral = QStringLiteral(R"re("(?:[^"\\]|\\.)*")re");

QString unescape(QString s) {
    return s.replace(QStringLiteral("\\\""), QStringLiteral("\""))
        .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
}

// The text of one or more adjacent literals; a null string when `code` is not
// made of literals only.
QString literalText(const QString& code) {
    static const QRegularExpression only(QStringLiteral("^\\s*(?:") + kLiteral +
                                         QStringLiteral("\\s*)+$"));
    static const QRegularExpression piece(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    if (!only.match(code).hasMatch()) return QString();
    QString text = QStringLiteral(""); // empty, not null: "" is a literal too
    for (auto p = piece.globalMatch(code); p.hasNext();)
        text += unescape(p.next().captured(1));
    return text;
}

// The text between the brace at `open` and its partner, literals skipped.
QString braced(const QString& s, int open) {
    int depth = 0;
    for (int i = open; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('"')) {
            for (++i; i < s.size() && s[i] != QLatin1Char('"'); ++i)
                if (s[i] == QLatin1Char('\\')) ++i;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}') && --depth == 0) {
            return s.mid(open + 1, i - open - 1);
        }
    }
    return QString();
}

// `code` cut at its commas that stand outside literals, brackets and braces.
QStringList topLevelItems(const QString& code) {
    QStringList items;
    int depth = 0;
    int from = 0;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char('"')) {
            for (++i; i < code.size() && code[i] != QLatin1Char('"'); ++i)
                if (code[i] == QLatin1Char('\\')) ++i;
        } else if (c == QLatin1Char('{') || c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char('}') || c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            items << code.mid(from, i - from).trimmed();
            from = i + 1;
        }
    }
    if (!code.mid(from).trimmed().isEmpty()) items << code.mid(from).trimmed();
    return items;
}

// The field names of a struct body, in order ("int x, y;" gives x and y);
// `texts` gets the places of the char pointers.
QStringList fieldNames(const QString& body, QSet<int>* texts = nullptr) {
    static const QRegularExpression name(QStringLiteral("(\\w+)\\s*(?:\\[[^\\]]*\\])?\\s*$"));
    QStringList names;
    for (QString decl : body.split(QLatin1Char(';'))) {
        decl = decl.section(QLatin1Char('='), 0, 0).trimmed();
        if (decl.isEmpty() || decl.contains(QLatin1Char('('))) continue; // no member functions
        const QStringList parts = decl.split(QLatin1Char(','));
        for (int i = 0; i < parts.size(); ++i) {
            // The first part holds the type before its name.
            const QRegularExpressionMatch m = name.match(parts[i]);
            if (m.hasMatch() && (i > 0 || parts[i].trimmed().contains(QRegularExpression(
                                              QStringLiteral("[\\w*&>]\\s+[*&]*\\s*\\w+"))))) {
                if (texts && parts[0].contains(QLatin1String("char"))) texts->insert(names.size());
                names << m.captured(1);
            }
        }
    }
    return names;
}

// The field that holds the default of a key field: tipKey → tipDefault or
// tipText, key → text or defaultText; -1 when the key is its own default.
int defaultFieldOf(const QStringList& fields, const QString& keyField) {
    const QString stem = keyField.left(keyField.size() - 3);
    for (const QString& name : {stem + QStringLiteral("Default"), stem + QStringLiteral("Text"),
                                stem + QStringLiteral("default"), stem + QStringLiteral("text"),
                                QStringLiteral("defaultText")}) {
        const int at = fields.indexOf(name);
        if (at >= 0) return at;
    }
    return -1;
}

std::vector<TextCall> textCallsInSources() {
    // A literal key, a comma, then one or more adjacent literals for the default.
    static const QRegularExpression call(QStringLiteral("\\bText\\(\\s*(") + kLiteral +
                                         QStringLiteral(")\\s*,\\s*((?:") + kLiteral +
                                         QStringLiteral("\\s*)+)[,)]"));
    static const QRegularExpression namedStruct(
        QStringLiteral("\\bstruct\\s+(\\w+)\\s*\\{([^{}]*)\\}\\s*;"));
    static const QRegularExpression anonymousStruct(
        QStringLiteral("\\bstruct\\s*\\{([^{}]*)\\}\\s*\\w+\\s*\\["));
    static const QRegularExpression keyField(QStringLiteral("^(key|\\w+Key)$"));
    static const QRegularExpression emptyItem(QStringLiteral("^(nullptr|NULL)$"));

    const std::vector<SourceFile> files = productSources();
    std::vector<TextCall> calls;
    for (const SourceFile& f : files) {
        for (auto m = call.globalMatch(f.text); m.hasNext();) {
            const QRegularExpressionMatch found = m.next();
            calls.push_back(
                {f.path, literalText(found.captured(1)), literalText(found.captured(2))});
        }
    }

    // A struct with text fields is seen by its own file, or by every file when
    // a header declares it.
    // A struct: its fields, and which of them are texts.
    using Shape = std::pair<QStringList, QSet<int>>;
    auto shapeOf = [](const QString& body) {
        Shape shape;
        shape.first = fieldNames(body, &shape.second);
        return shape;
    };
    QList<Shape> shared;
    for (const SourceFile& f : files) {
        if (!f.path.endsWith(QLatin1String(".h"))) continue;
        for (auto m = namedStruct.globalMatch(f.text); m.hasNext();)
            shared << shapeOf(m.next().captured(2));
    }
    for (const SourceFile& f : files) {
        QList<Shape> visible;
        if (!f.path.endsWith(QLatin1String(".h"))) {
            for (auto m = namedStruct.globalMatch(f.text); m.hasNext();)
                visible << shapeOf(m.next().captured(2));
        }
        for (auto m = anonymousStruct.globalMatch(f.text); m.hasNext();)
            visible << shapeOf(m.next().captured(1));
        visible += shared;
        struct WithKeys {
            QStringList fields;
            QSet<int> texts;
            QList<int> keys;
        };
        QList<WithKeys> withKeys;
        for (const Shape& shape : std::as_const(visible)) {
            QList<int> keys;
            for (int i = 0; i < shape.first.size(); ++i)
                if (shape.second.contains(i) && keyField.match(shape.first[i]).hasMatch())
                    keys << i;
            if (!keys.isEmpty()) withKeys.push_back({shape.first, shape.second, keys});
        }
        if (withKeys.isEmpty()) continue;
        // Every braced list that fills such a struct: a table's row or a
        // temporary handed to a function.
        for (int open = f.text.indexOf(QLatin1Char('{')); open >= 0;
             open = f.text.indexOf(QLatin1Char('{'), open + 1)) {
            const QStringList items = topLevelItems(braced(f.text, open));
            for (const WithKeys& shape : std::as_const(withKeys)) {
                const QStringList& fields = shape.fields;
                if (items.size() != fields.size()) continue;
                // Texts where the struct has char pointers, nothing else there.
                bool fits = true, any = false;
                for (int i = 0; i < items.size(); ++i) {
                    const bool literal = !literalText(items[i]).isNull();
                    if (shape.texts.contains(i))
                        fits = fits && (literal || emptyItem.match(items[i]).hasMatch());
                    else
                        fits = fits && !literal;
                    any = any || (literal && shape.keys.contains(i));
                }
                if (!fits || !any) continue;
                for (int k : shape.keys) {
                    const QString key = literalText(items[k]);
                    if (key.isNull()) continue; // a row without this text
                    const int d = defaultFieldOf(fields, fields[k]);
                    calls.push_back({f.path, key, d < 0 ? key : literalText(items.value(d))});
                }
                break;
            }
        }
    }
    return calls;
}

TEST(LanguageFiles, SourceScanFindsCallsAndTableRows) {
    // The scan must see each way the program asks for a text; were it blind to
    // one, the check below would pass on keys no language file has.
    QHash<QString, QString> found;
    for (const TextCall& c : textCallsInSources())
        found.insert(c.key, c.defaultText);
    EXPECT_EQ(found.value(QStringLiteral("DiskFull")), QStringLiteral("The disk is full."));
    EXPECT_EQ(found.value(QStringLiteral("OpenAviFail")),
              QStringLiteral("Open avi file failed(0x%08X:%d)")); // a table's key and text
    EXPECT_EQ(found.value(QStringLiteral("Take Video")),
              QStringLiteral("Take Video/Stop...   F3/F4")); // second key of a command row
    EXPECT_EQ(found.value(QStringLiteral("TipPlay")), QStringLiteral("Play")); // a temporary
    EXPECT_EQ(found.value(QStringLiteral("DashDotLine")),
              QStringLiteral("DashDot Line1")); // a struct without a name
    EXPECT_EQ(found.value(QStringLiteral("Gamma")), QStringLiteral("Gamma")); // its own default
    EXPECT_EQ(found.value(QStringLiteral("MeasureFourPointCircle")),
              QStringLiteral("Four point Angle"));
    // Tables of other strings are no texts.
    EXPECT_FALSE(found.contains(QStringLiteral("German1252.ini")));
    EXPECT_FALSE(found.contains(QStringLiteral("mil")));
    EXPECT_FALSE(found.contains(QStringLiteral("three-point arc")));

    QSet<int> texts;
    EXPECT_EQ(
        fieldNames(QStringLiteral("int id; const char* key; int up, down; QPoint at"), &texts),
        (QStringList{QStringLiteral("id"), QStringLiteral("key"), QStringLiteral("up"),
                     QStringLiteral("down"), QStringLiteral("at")}));
    EXPECT_EQ(texts, QSet<int>{1});
    EXPECT_EQ(topLevelItems(QStringLiteral("1, \"a,b\", QPoint(2, 3), {4, 5}")).size(), 4);
}

TEST(LanguageFiles, ProgramAsksForShippedKeysWithTheirDefaults) {
    const QHash<QString, const NamedText*> named = namedTextsByKey();
    const QSet<QString> shipped = keySet(readShipped(kEnglish));

    for (const TextCall& c : textCallsInSources()) {
        SCOPED_TRACE(
            (c.file + QStringLiteral(": Text(\"") + c.key + QStringLiteral("\")")).toStdString());
        if (!shipped.contains(c.key.toLower())) {
            ADD_FAILURE() << "English1252.ini lacks this key; add it there with the code's "
                             "default \""
                          << qPrintable(c.defaultText)
                          << "\", translate it in tools/lang/ and run tools/make_lang.py";
            continue;
        }
        const QString english = englishValue(c.key);
        const NamedText* n = named.value(c.key.toLower());
        // Either the English file says exactly what the code falls back to, or
        // the key is one of the shared ones and both texts are among its defaults.
        const bool agrees = english == c.defaultText ||
                            (n && isNamedDefault(*n, c.defaultText) && isNamedDefault(*n, english));
        EXPECT_TRUE(agrees) << "the code falls back to \"" << qPrintable(c.defaultText)
                            << "\", the English file says \"" << qPrintable(english) << "\""
                            << (c.key.compare(QLatin1String("DotLine"), Qt::CaseInsensitive) == 0
                                    ? " (DotLine is the dotted pen style; the point-to-line "
                                      "tool tip has its own key, TipPointToLine)"
                                    : "");
    }

    // The language menu is a table rather than literal calls.
    for (const LanguageMenuItem& item : kLanguageMenu) {
        const NamedText* n = named.value(lower(item.key));
        ASSERT_NE(n, nullptr) << item.key;
        EXPECT_TRUE(isNamedDefault(*n, QString::fromUtf8(item.defaultText)) &&
                    isNamedDefault(*n, englishValue(QString::fromUtf8(item.key))))
            << item.key;
        for (const QString& name : shippedFiles())
            EXPECT_TRUE(keySet(readShipped(name)).contains(lower(item.key)))
                << item.key << " in " << qPrintable(name);
    }
}

} // namespace
} // namespace tvx

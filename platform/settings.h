#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <cstdint>
#include <memory>

class QSettings;
class QTemporaryDir;

namespace tvx {

// Every persistent user setting. Each value is kept in the user's settings
// file under SOFTWARE/microscopeEx/<sub-key>/<name>, as the registry layout
// of earlier releases had it.
struct SettingsValues {
    uint32_t LineColor = 255;            // 0x00BBGGRR of measuring lines
    uint32_t MeasureTxtColor = 19;       // 0x00BBGGRR of measurement labels
    uint32_t fontcolor = 255;            // 0x00BBGGRR of text notes
    uint32_t fontsize = 12;              // label font height
    uint32_t Linewidth = 1;              // pen width in pixels
    uint32_t Linetype = 0;               // pen style 0 solid … 4 dash-dot-dot
    QString unit = QStringLiteral("mm"); // "um", "mm", "cm", "mil" or "inch"
    uint32_t decimal = 3;                // 2 … 5 decimals in labels
    uint32_t LanID = 0;                  // primary language number; 0 = follow the system
    uint32_t SubLanIDD = 0;              // sub-language (1 and 2 matter for Chinese)
    uint32_t sys_date = 1;               // 1 = show the calibration prompt at start-up
};

// The unit text lives in a buffer of this many characters, terminator included.
constexpr int kUnitCapacity = 32;

// Path of the user's settings file.
QString SettingsFilePath();

// The settings file and the values read from it. One store serves a run; the
// values are written on the UI thread and kept under a lock, so the
// streaming thread may read a copy too.
class SettingsStore {
public:
    explicit SettingsStore(QString path = SettingsFilePath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // A copy of the current values (the built-in ones until read).
    SettingsValues values() const;
    // Changes the values for the running program without storing them: a
    // dialog's choices take effect at once and are stored only by its OK.
    void SetRunning(const SettingsValues& values);

    QString filePath() const { return path_; }
    // True when SOFTWARE/microscopeEx exists in the file.
    bool KeyExists() const;
    // When SOFTWARE/microscopeEx is absent, writes every first-run value in
    // the fixed order; when it exists, writes nothing. Returns true when it
    // wrote.
    bool CreateFirstRun();

    // One read and one write per value (or pair), as the file keeps them. A
    // read leaves the value as it is when the file lacks it or its data does
    // not fit; a write sets the value and stores it.
    void ReadLineColor();
    void WriteLineColor(uint32_t colour);
    void ReadMeasureTxtColor();
    void WriteMeasureTxtColor(uint32_t colour);
    void ReadFontColor();
    void WriteFontColor(uint32_t colour);
    void ReadFontSize();
    void WriteFontSize(uint32_t size);
    void ReadLineWidth();
    void WriteLineWidth(uint32_t width);
    void ReadLineType();
    void WriteLineType(uint32_t style);
    void ReadUnitDecimal();
    void WriteUnitDecimal(const QString& unit, uint32_t decimals);
    void ReadLanguage();
    void WriteLanguage(uint32_t primary, uint32_t sub);
    void ReadSysDate();
    void WriteSysDate(uint32_t show);

    // Switches of this program's own features (focus meter, sharpest still
    // …), kept apart from the inherited layout under Tavolux/<name> as 0 or
    // 1. Reading answers `fallback` when the value is missing or is neither.
    bool ReadOwnSwitch(const char* name, bool fallback = false) const;
    void WriteOwnSwitch(const char* name, bool on);
    // Bytes of this program's own (the window's place and size), under the
    // same section; empty when missing.
    QByteArray ReadOwnBytes(const char* name) const;
    void WriteOwnBytes(const char* name, const QByteArray& bytes);
    // A text of this program's own under Tavolux/<name>; empty when missing.
    QString ReadOwnText(const char* name) const;
    void WriteOwnText(const char* name, const QString& text);

private:
    QString storePath() const;
    std::unique_ptr<QSettings> openStore() const;
    void readDword(const char* subKey, const char* name, uint32_t SettingsValues::*member);
    void writeDword(const char* subKey, const char* name, uint32_t SettingsValues::*member,
                    uint32_t value);

    const QString path_;
    mutable QMutex mutex_;
    SettingsValues values_; // guarded by mutex_
    // Where the settings live when path_ is taken by something that is not
    // a regular file; made on first use.
    mutable QMutex substituteMutex_;
    mutable std::unique_ptr<QTemporaryDir> substitute_; // guarded by substituteMutex_
};

// filepath.dat in the program folder: the TempDir path as 260 UTF-16LE units,
// zero-terminated and zero-filled. Reading answers the path only when it is
// a usable folder (IsUsableFolder), else an empty string: the caller keeps
// the default TempDir. Writing refuses a path that is not a usable folder or
// does not fit the record.
constexpr int kFilePathDatSize = 520;
QString ReadFilePathDat(const QString& programFolder);
bool WriteFilePathDat(const QString& programFolder, const QString& tempDir);
// The record's bytes for a path, cut so the terminator fits.
QByteArray EncodeFilePathDat(const QString& tempDir);
// Decodes the bytes of a filepath.dat; empty when they hold no usable path.
QString DecodeFilePathDat(const QByteArray& bytes);

} // namespace tvx

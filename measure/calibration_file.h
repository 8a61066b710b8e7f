#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tvx {

struct MeasuringScope;

// CalibrationIni.ini: for each nominal magnification as typed, a section
// "[200]" holding "200=203.4", the calibrated magnification. Lines containing
// "//" are comments. The whole file is kept as lines while it is open and
// rewritten whole on Close.
class CalibrationFile {
public:
    // Larger files are left alone: no calibration file of ours grows past a
    // few kilobytes, and rewriting a huge stray file would stall the window.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    // Reads the file. When it cannot be read the object stays closed: Lookup
    // finds nothing, Write is refused and Close writes nothing, so a missing
    // file is never created.
    bool Open(const QString& path);
    // The same rules over bytes already in memory (no path: Close writes nothing).
    void OpenBytes(const QByteArray& bytes);
    bool isOpen() const { return open_; }

    // The value after the first "=" of the first line containing `key`,
    // within the section whose header line, trimmed and stripped of its first
    // and last character, equals `section` ignoring case. Comment lines are
    // skipped; a line with "[" ends the section.
    std::optional<QString> Lookup(const QString& section, const QString& key) const;

    // Stores key=value. The section is the first line with "[" that contains
    // `section` anywhere (so a Write for 20 lands in an existing [200]: files
    // written by earlier releases were made that way and read back that way).
    // Within it the first line containing `key` is replaced; otherwise the
    // entry goes before the next section, or last when the section runs to
    // the end of the file. Without a section, "[section]" and the entry are
    // appended. Refused when closed,
    // or when a text is empty or holds a line break (it would split the file).
    bool Write(const QString& section, const QString& key, const QString& value);

    // Rewrites the file whole, each line followed by a line break, when it
    // was opened from a path. Answers whether that write succeeded.
    bool Close();

    const QStringList& lines() const { return lines_; }

private:
    void SetText(const QByteArray& bytes);

    QString path_;
    QStringList lines_;
    bool open_ = false;
};

// The calibrated magnification stored for a nominal magnification as typed,
// or "" when the file or the entry is missing or its number is no sane
// magnification (SaneMagnification). Opens and closes the file.
QString LookupCalibration(const QString& path, const QString& magnificationText);
// Stores "%.1f" of `calibrated` for the nominal magnification as typed. Does
// nothing when the file is missing, unless `create` (a camera's file, made
// with its folder by its first calibration). Answers whether the file was
// written.
bool StoreCalibration(const QString& path, const QString& magnificationText, double calibrated,
                      bool create = false);
// The calibration file of the camera in use: the scope's own, or the
// microscope's (CalibrationFilePath) while the scope names none. UI thread.
QString ScopeCalibrationFile(const MeasuringScope& scope);

// "%.1f" of a magnification, in the C locale.
QString FormatMagnification(double magnification);

} // namespace tvx

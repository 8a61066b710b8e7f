#include "measure/calibration_file.h"

#include "measure/calibration.h"
#include "measure/geometry.h"
#include "platform/folders.h"
#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tvx {

namespace {

const QLatin1String kComment("//");
const QLatin1Char kOpenBracket('[');

bool HasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

} // namespace

void CalibrationFile::SetText(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    lines_ = text.split(QLatin1Char('\n'));
    // The line break after the last line ends it; it does not start another.
    if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
    for (QString& line : lines_)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    open_ = true;
}

bool CalibrationFile::Open(const QString& path) {
    path_.clear();
    lines_.clear();
    open_ = false;
    QByteArray bytes;
    if (!ReadRegularFile(path, kMaxFileSize + 1, &bytes) || bytes.size() > kMaxFileSize)
        return false;
    SetText(bytes);
    path_ = path;
    return true;
}

void CalibrationFile::OpenBytes(const QByteArray& bytes) {
    path_.clear();
    SetText(bytes);
}

std::optional<QString> CalibrationFile::Lookup(const QString& section, const QString& key) const {
    if (!open_ || section.isEmpty()) return std::nullopt;
    const int n = int(lines_.size());
    for (int i = 0; i < n; ++i) {
        const QString trimmed = lines_[i].trimmed();
        if (trimmed.size() < 2 ||
            trimmed.mid(1, trimmed.size() - 2).compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (int j = i + 1; j < n; ++j) {
            const QString& line = lines_[j];
            if (line.contains(kComment)) continue;
            if (line.contains(kOpenBracket)) return std::nullopt;
            if (line.contains(key)) {
                const int eq = int(line.indexOf(QLatin1Char('=')));
                return eq < 0 ? QString() : line.mid(eq + 1);
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool CalibrationFile::Write(const QString& section, const QString& key, const QString& value) {
    if (!open_ || section.isEmpty() || key.isEmpty() || HasLineBreak(section) ||
        HasLineBreak(key) || HasLineBreak(value))
        return false;
    const QString entry = key + QLatin1Char('=') + value;
    const int n = int(lines_.size());
    for (int i = 0; i < n; ++i) {
        const QString& header = lines_[i];
        if (!header.contains(kOpenBracket) || !header.contains(section)) continue;
        for (int j = i + 1; j < n; ++j) {
            const QString& line = lines_[j];
            if (line.contains(kComment)) continue;
            // A header is never taken for the entry, even when the key
            // happens to be part of it ("[200]" holds "20").
            if (line.contains(kOpenBracket)) {
                lines_.insert(j, entry);
                return true;
            }
            if (line.contains(key)) {
                lines_[j] = entry;
                return true;
            }
            if (j == n - 1) {
                lines_.append(entry);
                return true;
            }
        }
        // The section ends the file, or only comments follow it: the entry
        // goes last, inside it. A second header of the same name would hide
        // the entry from every lookup.
        lines_.append(entry);
        return true;
    }
    lines_.append(QLatin1Char('[') + section + QLatin1Char(']'));
    lines_.append(entry);
    return true;
}

bool CalibrationFile::Close() {
    if (!open_) return false;
    open_ = false;
    if (path_.isEmpty()) return false;
    QByteArray bytes;
    for (const QString& line : lines_) {
        bytes += line.toUtf8();
        bytes += '\n';
    }
    // Written beside and renamed into place, so a full disk never leaves a
    // half-written file where the calibrations were.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(bytes);
    return file.commit();
}

QString FormatMagnification(double magnification) {
    return FormatFixed(magnification, 1);
}

QString LookupCalibration(const QString& path, const QString& magnificationText) {
    if (magnificationText.isEmpty()) return QString();
    CalibrationFile file;
    if (!file.Open(path)) return QString();
    // Nothing changed, so the file is not rewritten: a lookup runs at every
    // keystroke in a magnification box.
    const QString value = file.Lookup(magnificationText, magnificationText).value_or(QString());
    // A hand-edited or damaged entry ("1e-300", "abc") is no calibration:
    // shown, it would be taken for the magnification of every length.
    return SaneMagnification(LeadingNumber(value)) ? value : QString();
}

bool StoreCalibration(const QString& path, const QString& magnificationText, double calibrated,
                      bool create) {
    if (create && !path.isEmpty() && !QFileInfo::exists(path)) {
        // Only a calibration to keep makes the file: one made at the first
        // sight of a camera would only clutter the folder.
        QFile made(path);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
            !made.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
    }
    CalibrationFile file;
    if (!file.Open(path)) return false;
    const bool written =
        file.Write(magnificationText, magnificationText, FormatMagnification(calibrated));
    return file.Close() && written;
}

QString ScopeCalibrationFile(const MeasuringScope& scope) {
    return scope.calibrationFile.isEmpty() ? CalibrationFilePath() : scope.calibrationFile;
}

} // namespace tvx

#include "platform/settings.h"

#include "platform/folders.h"
#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

namespace tvx {

namespace {

const QString kRoot = QStringLiteral("SOFTWARE/microscopeEx");

QString valuePath(const char* subKey, const char* name) {
    return kRoot + QLatin1Char('/') + QLatin1String(subKey) + QLatin1Char('/') +
           QLatin1String(name);
}

// A DWORD fits when it is a whole number in 0 … 2^32-1.
bool parseDword(const QVariant& v, uint32_t* out) {
    bool ok = false;
    const qulonglong n = v.toString().trimmed().toULongLong(&ok, 10);
    if (!ok || n > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(n);
    return true;
}

void writeDword(QSettings& s, const char* subKey, const char* name, uint32_t value) {
    s.setValue(valuePath(subKey, name), static_cast<qulonglong>(value));
}

} // namespace

SettingsStore::SettingsStore(QString path) : path_(std::move(path)) {}

SettingsStore::~SettingsStore() = default;

SettingsValues SettingsStore::values() const {
    QMutexLocker lock(&mutex_);
    return values_;
}

void SettingsStore::SetRunning(const SettingsValues& values) {
    QMutexLocker lock(&mutex_);
    values_ = values;
}

// When the settings file's name is taken by something that is not a regular
// file (a FIFO would block QSettings' read forever, a folder cannot be
// parsed), the store keeps its settings in a private file of its own that
// goes away with it: the values start from their defaults and changes last
// for this run only. The real path is left untouched.
QString SettingsStore::storePath() const {
    if (!QFileInfo::exists(path_) && !QFileInfo(path_).isSymLink()) return path_;
    if (IsRegularFile(path_)) return path_;
    QMutexLocker lock(&substituteMutex_);
    if (!substitute_) {
        substitute_ = std::make_unique<QTemporaryDir>();
        qWarning("tavolux: %s is not a regular file; settings start from their defaults and "
                 "are kept for this run only",
                 qUtf8Printable(path_));
    }
    return substitute_->filePath(QStringLiteral("settings.ini"));
}

std::unique_ptr<QSettings> SettingsStore::openStore() const {
    return std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
}

void SettingsStore::readDword(const char* subKey, const char* name,
                              uint32_t SettingsValues::*member) {
    auto s = openStore();
    const QVariant v = s->value(valuePath(subKey, name));
    uint32_t n = 0;
    if (!v.isValid() || !parseDword(v, &n)) return;
    QMutexLocker lock(&mutex_);
    values_.*member = n;
}

void SettingsStore::writeDword(const char* subKey, const char* name,
                               uint32_t SettingsValues::*member, uint32_t value) {
    {
        QMutexLocker lock(&mutex_);
        values_.*member = value;
    }
    auto s = openStore();
    tvx::writeDword(*s, subKey, name, value);
}

bool SettingsStore::ReadOwnSwitch(const char* name, bool fallback) const {
    auto s = openStore();
    uint32_t n = 0;
    const QVariant v = s->value(QStringLiteral("Tavolux/") + QLatin1String(name));
    if (!v.isValid() || !parseDword(v, &n) || n > 1) return fallback;
    return n == 1;
}

void SettingsStore::WriteOwnSwitch(const char* name, bool on) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    auto s = openStore();
    s->setValue(QStringLiteral("Tavolux/") + QLatin1String(name), on ? 1 : 0);
}

QByteArray SettingsStore::ReadOwnBytes(const char* name) const {
    auto s = openStore();
    return s->value(QStringLiteral("Tavolux/") + QLatin1String(name)).toByteArray();
}

void SettingsStore::WriteOwnBytes(const char* name, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    auto s = openStore();
    s->setValue(QStringLiteral("Tavolux/") + QLatin1String(name), bytes);
}

QString SettingsStore::ReadOwnText(const char* name) const {
    auto s = openStore();
    const QVariant v = s->value(QStringLiteral("Tavolux/") + QLatin1String(name));
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

void SettingsStore::WriteOwnText(const char* name, const QString& text) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    auto s = openStore();
    s->setValue(QStringLiteral("Tavolux/") + QLatin1String(name), text);
}

QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavolux/settings.ini");
}

bool SettingsStore::KeyExists() const {
    auto s = openStore();
    if (s->status() != QSettings::NoError) return false;
    s->beginGroup(kRoot);
    const bool exists = !s->childKeys().isEmpty() || !s->childGroups().isEmpty();
    s->endGroup();
    return exists;
}

bool SettingsStore::CreateFirstRun() {
    if (KeyExists()) return false;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    auto s = openStore();
    tvx::writeDword(*s, "font", "fontcolor", 255);
    tvx::writeDword(*s, "font", "LineColor", 255);
    tvx::writeDword(*s, "font", "MeasureTxtColor", 255);
    tvx::writeDword(*s, "font", "fontsize", 16);
    tvx::writeDword(*s, "font", "Linewidth", 1);
    tvx::writeDword(*s, "font", "Linetype", 0);
    s->setValue(valuePath("font", "ChangeTime"), QString::asprintf("%.2f", 3.0));
    tvx::writeDword(*s, "LanguageID", "LanID", 0);
    tvx::writeDword(*s, "LanguageID", "SubLanIDD", 0);
    tvx::writeDword(*s, "LanguageID", "sys_date", 1);
    s->setValue(valuePath("Units", "unit"), QStringLiteral("mm"));
    tvx::writeDword(*s, "Units", "decimal", 3);
    s->sync();
    return true;
}

void SettingsStore::ReadLineColor() {
    readDword("font", "LineColor", &SettingsValues::LineColor);
}
void SettingsStore::WriteLineColor(uint32_t c) {
    writeDword("font", "LineColor", &SettingsValues::LineColor, c);
}
void SettingsStore::ReadMeasureTxtColor() {
    readDword("font", "MeasureTxtColor", &SettingsValues::MeasureTxtColor);
}
void SettingsStore::WriteMeasureTxtColor(uint32_t c) {
    writeDword("font", "MeasureTxtColor", &SettingsValues::MeasureTxtColor, c);
}
void SettingsStore::ReadFontColor() {
    readDword("font", "fontcolor", &SettingsValues::fontcolor);
}
void SettingsStore::WriteFontColor(uint32_t c) {
    writeDword("font", "fontcolor", &SettingsValues::fontcolor, c);
}
void SettingsStore::ReadFontSize() {
    readDword("font", "fontsize", &SettingsValues::fontsize);
}
void SettingsStore::WriteFontSize(uint32_t n) {
    writeDword("font", "fontsize", &SettingsValues::fontsize, n);
}
void SettingsStore::ReadLineWidth() {
    readDword("font", "Linewidth", &SettingsValues::Linewidth);
}
void SettingsStore::WriteLineWidth(uint32_t n) {
    writeDword("font", "Linewidth", &SettingsValues::Linewidth, n);
}
void SettingsStore::ReadLineType() {
    readDword("font", "Linetype", &SettingsValues::Linetype);
}
void SettingsStore::WriteLineType(uint32_t n) {
    writeDword("font", "Linetype", &SettingsValues::Linetype, n);
}
void SettingsStore::ReadSysDate() {
    readDword("LanguageID", "sys_date", &SettingsValues::sys_date);
}
void SettingsStore::WriteSysDate(uint32_t n) {
    writeDword("LanguageID", "sys_date", &SettingsValues::sys_date, n);
}

void SettingsStore::ReadUnitDecimal() {
    {
        auto s = openStore();
        const QVariant v = s->value(valuePath("Units", "unit"));
        // The unit buffer holds 31 characters and the terminator; longer data
        // does not fit and leaves the variable alone.
        if (v.isValid() && v.canConvert<QString>()) {
            const QString text = v.toString();
            if (text.size() < kUnitCapacity) {
                QMutexLocker lock(&mutex_);
                values_.unit = text;
            }
        }
    }
    readDword("Units", "decimal", &SettingsValues::decimal);
}

void SettingsStore::WriteUnitDecimal(const QString& unit, uint32_t decimals) {
    const QString fitted = unit.left(kUnitCapacity - 1);
    {
        QMutexLocker lock(&mutex_);
        values_.unit = fitted;
        values_.decimal = decimals;
    }
    auto s = openStore();
    s->setValue(valuePath("Units", "unit"), fitted);
    tvx::writeDword(*s, "Units", "decimal", decimals);
}

void SettingsStore::ReadLanguage() {
    readDword("LanguageID", "LanID", &SettingsValues::LanID);
    readDword("LanguageID", "SubLanIDD", &SettingsValues::SubLanIDD);
}

void SettingsStore::WriteLanguage(uint32_t primary, uint32_t sub) {
    {
        QMutexLocker lock(&mutex_);
        values_.LanID = primary;
        values_.SubLanIDD = sub;
    }
    auto s = openStore();
    tvx::writeDword(*s, "LanguageID", "LanID", primary);
    tvx::writeDword(*s, "LanguageID", "SubLanIDD", sub);
}

QString DecodeFilePathDat(const QByteArray& bytes) {
    const int units = static_cast<int>(std::min<qsizetype>(bytes.size(), kFilePathDatSize) / 2);
    QString path;
    path.reserve(units);
    for (int i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        const char16_t u = static_cast<char16_t>(lo | (hi << 8));
        if (u == 0) return path;
        path.append(QChar(u));
    }
    // No terminator: a truncated or foreign file, not a path we wrote.
    return QString();
}

QByteArray EncodeFilePathDat(const QString& tempDir) {
    QByteArray bytes(kFilePathDatSize, '\0');
    // 259 units and the terminator fit.
    const QString fitted = tempDir.left(kFilePathDatSize / 2 - 1);
    for (int i = 0; i < fitted.size(); ++i) {
        const char16_t u = fitted.at(i).unicode();
        bytes[2 * i] = static_cast<char>(u & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return bytes;
}

QString ReadFilePathDat(const QString& programFolder) {
    QByteArray bytes;
    if (!ReadRegularFile(programFolder + QStringLiteral("/filepath.dat"), kFilePathDatSize, &bytes))
        return QString();
    // Anyone may edit the file: a path from it is used only when it names a
    // folder that files can be written to. Anything else keeps the default.
    const QString path = DecodeFilePathDat(bytes);
    return IsUsableFolder(path) ? path : QString();
}

bool WriteFilePathDat(const QString& programFolder, const QString& tempDir) {
    // A path that could not be read back would be stored only to be ignored.
    if (!IsUsableFolder(tempDir) || tempDir.size() >= kFilePathDatSize / 2) return false;
    const QByteArray bytes = EncodeFilePathDat(tempDir);
    // Replaced whole through a temporary: whatever has the name (a FIFO
    // included) is never opened for writing.
    QSaveFile f(programFolder + QStringLiteral("/filepath.dat"));
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace tvx

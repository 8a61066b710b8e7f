#pragma once

#include <QString>
#include <iterator>

namespace tvx {

// One length unit of the measurement labels. Everything that depends on the
// unit reads it from here, so a unit is added in one place.
struct LengthUnit {
    const char* stored;    // the `unit` setting's text, e.g. "um"
    const char16_t* shown; // what labels and the pen settings show, e.g. "µm"
    double perMicrometre;  // one micrometre in the unit (the unit factor)
    double perMillimetre;  // one millimetre in the unit (the Calibration dialog asks in mm)
    const char* imagej;    // the unit's name in an ImageJ description, e.g. "micron"
    const char* ome;       // its OME-XML symbol (UTF-8), e.g. "µm", "thou"

    QString storedName() const { return QString::fromLatin1(stored); }
    QString shownName() const { return QString::fromUtf16(shown); }
};

// The units in the order the pen settings offer them. The factors of mm,
// cm, mil and inch are the rounded ones every stored calibration was made
// with, so they stay as they are; µm is exactly a thousandth of mm.
inline constexpr LengthUnit kLengthUnits[] = {
    {"um", u"\u00B5m", 1.0, 1000.0, "micron", "\xC2\xB5m"},
    {"mm", u"mm", 0.001, 1.0, "mm", "mm"},
    {"cm", u"cm", 0.0001, 0.1, "cm", "cm"},
    {"mil", u"mil", 0.0394, 5000 * 0.007874015748031496, "mil", "thou"},
    {"inch", u"inch", 0.0000394, 0.03937007874015748, "inch", "in"},
};
inline constexpr int kLengthUnitCount = int(std::size(kLengthUnits));
// Where the settings start and what an unknown text falls back to.
inline constexpr const LengthUnit& kMillimetre = kLengthUnits[1];
inline constexpr double kMicrometreInMm = kMillimetre.perMicrometre;

// The unit whose stored text is exactly `stored`; any other text (an older
// or damaged setting) counts as millimetres.
const LengthUnit& UnitFor(const QString& stored);

} // namespace tvx

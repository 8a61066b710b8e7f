#include "measure/units.h"

namespace tvx {

const LengthUnit& UnitFor(const QString& stored) {
    for (const LengthUnit& u : kLengthUnits)
        if (stored == QLatin1String(u.stored)) return u;
    return kMillimetre;
}

} // namespace tvx

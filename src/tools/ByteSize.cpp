#include "tools/ByteSize.h"

#include <QLocale>

namespace {

QStringList& Units() {
    static QStringList units = {QStringLiteral("b."), QStringLiteral("Kb."), QStringLiteral("Mb."),
                                QStringLiteral("Gb."), QStringLiteral("Tb.")};
    return units;
}

} // namespace

QStringList SizeUnits() {
    return Units();
}

void SetSizeUnits(const QStringList& units) {
    // A short translation list keeps the missing units as they were.
    for (int i = 0; i < units.size() && i < Units().size(); ++i)
        Units()[i] = units[i];
}

QString FormatByteSize(uint64_t size) {
    const QStringList& units = Units();
    if (size < 1024) return QString::asprintf("%-4u ", unsigned(size)) + units[0];
    double q = double(size) / 1024.0;
    int unit = 1;
    while (q >= 1024.0 && unit < 4) {
        q /= 1024.0;
        ++unit;
    }
    // Three significant digits would turn 999.5 and up into an exponent ("1e+03"); those
    // quotients are written whole like the ones from 1000 on.
    if (q < 999.5) return QLocale().toString(q, 'g', 3) + QLatin1Char(' ') + units[unit];
    // Beyond 1023 Tb. the quotient is written whole as well.
    return QString::number(uint64_t(q)) + QLatin1Char(' ') + units[unit];
}

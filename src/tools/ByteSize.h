#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Size unit texts ("b.", "Kb.", "Mb.", "Gb.", "Tb."), replaced after a language switch.
QStringList SizeUnits();
void SetSizeUnits(const QStringList& units);

// "512  b.", "1.5 Kb.", "1023 Kb.", "4.77 Mb."; the decimal separator is the locale's.
QString FormatByteSize(uint64_t size);

#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <cstdint>

// The language identifiers of the platform the language files come from, with their
// English names and the locale each stands for.
struct TKnownLanguage {
    uint16_t Id;
    const char* Name;
    const char* Locale; // empty for the two that name no language
};

// The 145 identifiers in the order language files are looked for.
const QList<TKnownLanguage>& KnownLanguages();

// The 10 low bits of an identifier: the language without its region.
inline uint16_t PrimaryLanguage(uint32_t id) {
    return uint16_t(id & 0x3FF);
}

// The identifier for `locale` (fr_FR gives 0x040C); a locale whose region is not listed
// gives its language's default identifier, one of no listed language 0.
uint16_t LanguageIdOfLocale(const QLocale& locale);
// The locale of an identifier (or of its language); QLocale::c() when none is known.
QLocale LocaleOfLanguage(uint16_t id);

// The cleaning rules, one table of texts and options.
#include "tools/TextCleaner.h"

#include <gtest/gtest.h>

namespace {

// Options by letters: u underscores to spaces, s spaces to underscores, m minus to spaces,
// g merge spaces; a digit switches case formatting on with that format.
TCleanOptions Opts(const char* spec) {
    TCleanOptions o;
    for (const char* c = spec; *c; ++c) {
        o.UnderscoresToSpaces |= *c == 'u';
        o.SpacesToUnderscores |= *c == 's';
        o.MinusToSpaces |= *c == 'm';
        o.MergeSpaces |= *c == 'g';
        if (*c >= '0' && *c <= '3') {
            o.CaseFormatting = true;
            o.CaseFormat = *c - '0';
        }
    }
    return o;
}

TEST(CleanText, RulesInTheirOrder) {
    const struct {
        const char* text;
        const char* options;
        const char* expected;
    } cases[] = {
        {"my_song  -  live", "umg", "my song live"}, // the minus leaves five spaces, merged
        {"the (best) of-all", "2", "The (Best) Of-All"},
        {"the (best) of-all", "3", "The (best) of-all"},
        {"", "3", ""},
        {" a  b ", "", " a  b "},    // no rule: not even trimmed
        {"\t_a_b_\x01", "u", "a b"}, // trimmed: white space and control characters
        {"a b ", "s", "a_b_"},       // the trim comes after the replacement
        {"a_b c", "us", "a_b_c"},    // both underscore rules, in order
        {"a - b", "m", "a   b"},     // no merge without its rule
        {"Ä_b", "u", "Ä b"},         // never narrowed to a code page
        {"x__y", "1", "x__y"},       // lower case of what has no case
        {"straße", "0", "STRASSE"},  // full Unicode mappings as Qt makes them
        {"ΟΔΟΣ ΙΣΤΟΣ", "1", "οδοσ ιστοσ"},
        {"ıi", "0", "II"},
        {"élan_vital-𐐨x", "2", "Élan_Vital-𐐀x"}, // a code point beyond 16 bits maps whole
        {"ßa b", "2", "SSa B"},
        {"ABC", "", "ABC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanText(QString::fromUtf8(c.text), Opts(c.options)),
                  QString::fromUtf8(c.expected))
            << c.text << " / " << c.options;
    // Case formatting without a chosen format changes nothing.
    TCleanOptions noFormat;
    noFormat.CaseFormatting = true;
    EXPECT_EQ(CleanText(QStringLiteral("aB"), noFormat), QStringLiteral("aB"));
}

} // namespace

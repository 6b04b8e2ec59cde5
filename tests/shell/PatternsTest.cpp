#include "tools/Patterns.h"

#include <gtest/gtest.h>

namespace {

QString Expand(const QString& pattern, const QString& skip = QString(),
               const QString& artist = QStringLiteral("Artist"),
               const QString& album = QStringLiteral("Album"),
               const QString& track = QStringLiteral("Track"), int number = 1) {
    return ExpandPattern(pattern, artist, album, skip, QStringLiteral("rock"),
                         QStringLiteral("2003"), track, number);
}

} // namespace

TEST(Patterns, ExpandsEveryPlaceholderAndTrimsValues) {
    EXPECT_EQ(Expand("%1|%2|%3|%4|%5|%6"), "Artist|Track|Album|2003|rock|01");
    EXPECT_EQ(Expand("%6 - %2", {}, {}, {}, QStringLiteral("  Intro \t"), 7), "07 - Intro");
    EXPECT_EQ(Expand("%6", {}, {}, {}, {}, 12), "12");
    EXPECT_EQ(Expand("%6", {}, {}, {}, {}, 123), "123");
    EXPECT_EQ(Expand("%6", {}, {}, {}, {}, -3), "-03"); // at least two digits
    // Control characters at the ends go too, inner spaces stay.
    EXPECT_EQ(Expand("%1", {}, QStringLiteral("\x01 The  Band\r\n")), "The  Band");
    // Repeated placeholders are all replaced.
    EXPECT_EQ(Expand("%1/%1"), "Artist/Artist");
}

TEST(Patterns, PlainTextAndEdgeForms) {
    EXPECT_EQ(Expand("%7 %0 %a 100%"), "%7 %0 %a 100%");
    EXPECT_EQ(Expand("%%1", {}, QStringLiteral("X")), "%X");
    EXPECT_EQ(Expand(""), "");
    // Case matters for nothing here, but the placeholder must match exactly.
    EXPECT_EQ(Expand("% 1"), "% 1");
    // An empty value removes only its placeholder.
    EXPECT_EQ(Expand("%1 - %3", {}, QString(), QStringLiteral("B")), " - B");
}

TEST(Patterns, RunningResultExpandsPlaceholdersInsideValues) {
    EXPECT_EQ(Expand("%1", {}, QStringLiteral("x%3y"), QStringLiteral("ALB")), "xALBy");
    // An earlier placeholder inside a later value stays as it is.
    EXPECT_EQ(Expand("%3", {}, QStringLiteral("A"), QStringLiteral("%1")), "%1");
}

TEST(Patterns, SkipListsKeepPlaceholdersLiteral) {
    EXPECT_EQ(Expand("%1\\%3", kSubfolderPatternSkip, "A", "B"), "A\\B");
    EXPECT_EQ(Expand("%1 %2 %6", kSubfolderPatternSkip), "Artist %2 %6");
    EXPECT_EQ(Expand("%1 - %3 - %6", kPlaylistPatternSkip), "Artist - Album - %6");
}

TEST(Patterns, Validity) {
    EXPECT_FALSE(IsValidPattern(""));
    EXPECT_FALSE(IsValidPattern("Track"));
    EXPECT_FALSE(IsValidPattern("[ ]"));
    EXPECT_FALSE(IsValidPattern("%7%%"));
    EXPECT_TRUE(IsValidPattern("%6"));
    EXPECT_TRUE(IsValidPattern("x%5"));
    for (const auto& list : {RenamePatternPresets(), PlaylistPatternPresets(),
                             OrganizerRenamePatternPresets(), OrganizerSubfolderPatternPresets()})
        for (const auto& p : list)
            EXPECT_TRUE(IsValidPattern(p)) << p.toStdString();
}

TEST(Patterns, Sanitize) {
    EXPECT_EQ(SanitizeFileName("AC/DC: Live?"), "ACDC Live");
    EXPECT_EQ(SanitizeFileName("A\\B", "\\"), "A\\B");
    EXPECT_EQ(SanitizeFileName("A\\B"), "AB");
    EXPECT_EQ(SanitizeFileName("/\\:?*\"<>|"), "");
    EXPECT_EQ(SanitizeFileName("/\\:?*\"<>|", "\\"), "\\");
    // Everything else stays, also dots, spaces and non-Latin text.
    EXPECT_EQ(SanitizeFileName(" .Ωμέγα. "), " .Ωμέγα. ");
    EXPECT_EQ(SanitizeFileName(""), "");
}

TEST(Patterns, PresetsAndSamples) {
    EXPECT_EQ(RenamePatternPresets().size(), 6);
    EXPECT_EQ(RenamePatternPresets().first(), "%1 - %3 - %6 - %2");
    EXPECT_EQ(PlaylistPatternPresets(), QStringList({"%1 - %3", "%3"}));
    EXPECT_EQ(OrganizerRenamePatternPresets().first(), "%1 - %3 - %2");
    EXPECT_EQ(OrganizerSubfolderPatternPresets().at(2), "%1\\%3");
    EXPECT_EQ(PatternSample("%1 - %3 - %6 - %2", {}), "Artist - Album - 01 - Track Name");
    EXPECT_EQ(PatternSample("%1 - %3 - %6", kPlaylistPatternSkip), "Artist - Album - %6");
}

#pragma once

#include <QString>

// Positions of the case format list ("Upper case", "Lower case", "Capitalize first
// letter", "Capitalize first letter (first word only)"); cfNone when nothing is selected.
enum TCaseFormat : int {
    cfNone = -1,
    cfUpper = 0,
    cfLower = 1,
    cfCapitalize = 2,
    cfFirstWordOnly = 3,
};

// The cleaning options of the name cleaner and of the tag cleaner (each has its own set).
struct TCleanOptions {
    bool UnderscoresToSpaces = false;
    bool SpacesToUnderscores = false;
    bool MinusToSpaces = false;
    bool MergeSpaces = false;
    bool CaseFormatting = false;
    int CaseFormat = cfNone;
};

// What a cleaning run did with one file.
enum class TCleanOutcome { Unchanged, Changed, Failed };

// Applies the enabled rules in their fixed order: underscores to spaces, spaces to
// underscores, minus to spaces, merge spaces (each followed by a trim of white space and
// control characters at both ends), then the case format. Every character is kept.
QString CleanText(const QString& text, const TCleanOptions& options);

// White space and control characters removed at both ends.
QString TrimText(const QString& text);

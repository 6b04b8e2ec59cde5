#pragma once

#include <QString>
#include <QStringList>

// Naming patterns: "%1" artist, "%2" track name, "%3" album, "%4" year, "%5" genre,
// "%6" track number (at least two digits). Everything else is copied as is.

// Placeholders whose two characters occur in `skip` stay literal.
QString ExpandPattern(const QString& pattern, const QString& artist, const QString& album,
                      const QString& skip, const QString& genre, const QString& year,
                      const QString& trackName, int trackNumber);

// True when the pattern holds at least one placeholder.
bool IsValidPattern(const QString& pattern);

// The characters a file name may not hold.
inline const QString kForbiddenFileChars = QStringLiteral("/\\:?*\"<>|");

// Removes every forbidden character except those listed in `keep`.
QString SanitizeFileName(const QString& text, const QString& keep = QString());

// Skip lists of the callers.
inline const QString kPlaylistPatternSkip = QStringLiteral("%6");
inline const QString kSubfolderPatternSkip = QStringLiteral("%6%2");

// Presets of the four pattern boxes; the first of each is the default.
QStringList RenamePatternPresets();
QStringList PlaylistPatternPresets();
QStringList OrganizerRenamePatternPresets();
QStringList OrganizerSubfolderPatternPresets();

// Live sample of a pattern as shown beside its box; the words are the translatable
// "Artist", "Album" and "Track Name".
QString PatternSample(const QString& pattern, const QString& skip,
                      const QString& artistWord = QStringLiteral("Artist"),
                      const QString& albumWord = QStringLiteral("Album"),
                      const QString& trackWord = QStringLiteral("Track Name"));

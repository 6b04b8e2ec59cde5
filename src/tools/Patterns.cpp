#include "tools/Patterns.h"

namespace {

// White space and control characters at both ends go.
bool IsTrimmed(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace() || c.category() == QChar::Other_Control;
}

QString TrimValue(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b]))
        ++b;
    while (e > b && IsTrimmed(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

} // namespace

QString ExpandPattern(const QString& pattern, const QString& artist, const QString& album,
                      const QString& skip, const QString& genre, const QString& year,
                      const QString& trackName, int trackNumber) {
    const QString number = QString::asprintf("%.2d", trackNumber);
    const QString* values[6] = {&artist, &trackName, &album, &year, &genre, &number};
    QString result = pattern;
    for (int i = 0; i < 6; ++i) {
        const QString placeholder = QLatin1Char('%') + QChar(u'1' + i);
        if (skip.contains(placeholder)) continue;
        // Runs on the running result: a value holding a later placeholder is expanded too.
        result.replace(placeholder, TrimValue(*values[i]), Qt::CaseSensitive);
    }
    return result;
}

bool IsValidPattern(const QString& pattern) {
    const QString sample =
        ExpandPattern(pattern, QStringLiteral("Artist"), QStringLiteral("Album"), QString(),
                      QStringLiteral("rock"), QStringLiteral("2003"), QStringLiteral("Track"), 1);
    return sample.compare(pattern, Qt::CaseInsensitive) != 0;
}

QString SanitizeFileName(const QString& text, const QString& keep) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (kForbiddenFileChars.contains(c) && !keep.contains(c)) continue;
        result.append(c);
    }
    return result;
}

QStringList RenamePatternPresets() {
    return {QStringLiteral("%1 - %3 - %6 - %2"), QStringLiteral("%2"),
            QStringLiteral("%3 - %6 - %2"),      QStringLiteral("%1 - %6 - %3 - %2"),
            QStringLiteral("%6 - %2"),           QStringLiteral("[%6] %1 - %3 - %2")};
}

QStringList PlaylistPatternPresets() {
    return {QStringLiteral("%1 - %3"), QStringLiteral("%3")};
}

QStringList OrganizerRenamePatternPresets() {
    return {QStringLiteral("%1 - %3 - %2"), QStringLiteral("%3 - %2"), QStringLiteral("%2")};
}

QStringList OrganizerSubfolderPatternPresets() {
    return {QStringLiteral("%1"), QStringLiteral("%3"), QStringLiteral("%1\\%3"),
            QStringLiteral("%1-%3")};
}

QString PatternSample(const QString& pattern, const QString& skip, const QString& artistWord,
                      const QString& albumWord, const QString& trackWord) {
    return ExpandPattern(pattern, artistWord, albumWord, skip, QStringLiteral("rock"),
                         QStringLiteral("2003"), trackWord, 1);
}

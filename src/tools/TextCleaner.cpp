#include "tools/TextCleaner.h"

namespace {

bool IsTrimmed(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control;
}

// Every run of two or more spaces becomes one space.
QString MergeSpaceRuns(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') || out.isEmpty() || out.back() != QLatin1Char(' ')) out += c;
    return out;
}

// One code point (a surrogate pair stays whole) starting at `i`.
qsizetype CodePointLength(const QString& text, qsizetype i) {
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
               ? 2
               : 1;
}

QString CapitalizeWords(const QString& text) {
    static const QString kBefore = QStringLiteral(" ([{_-");
    QString out;
    out.reserve(text.size());
    bool upper = true;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = CodePointLength(text, i);
        // The whole-string mappings, so "ß" becomes "SS" as in the upper-case rule.
        const QString c = text.mid(i, n);
        out += upper ? c.toUpper() : c.toLower();
        upper = kBefore.contains(out.back());
        i += n;
    }
    return out;
}

QString CapitalizeFirst(const QString& text) {
    if (text.isEmpty()) return text;
    const qsizetype n = CodePointLength(text, 0);
    return text.left(n).toUpper() + text.mid(n).toLower();
}

} // namespace

QString TrimText(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && IsTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString CleanText(const QString& text, const TCleanOptions& options) {
    QString s = text;
    if (options.UnderscoresToSpaces) s = TrimText(s.replace(QLatin1Char('_'), QLatin1Char(' ')));
    if (options.SpacesToUnderscores) s = TrimText(s.replace(QLatin1Char(' '), QLatin1Char('_')));
    if (options.MinusToSpaces) s = TrimText(s.replace(QLatin1Char('-'), QLatin1Char(' ')));
    if (options.MergeSpaces) s = TrimText(MergeSpaceRuns(s));
    if (!options.CaseFormatting) return s;
    switch (options.CaseFormat) {
    case cfUpper:
        return s.toUpper();
    case cfLower:
        return s.toLower();
    case cfCapitalize:
        return CapitalizeWords(s);
    case cfFirstWordOnly:
        return CapitalizeFirst(s);
    default:
        return s;
    }
}

#include "tools/SafeNames.h"
#include "lang/TextStorage.h"

#include <algorithm>

namespace {

int Utf8Bytes(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

} // namespace

QString ShortenToBytes(const QString& name, int maxBytes) {
    int bytes = 0;
    qsizetype i = 0;
    while (i < name.size()) {
        qsizetype step = 1;
        char32_t c = name[i].unicode();
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            step = 2;
        }
        bytes += Utf8Bytes(c);
        if (bytes > maxBytes) break;
        i += step;
    }
    return name.left(i);
}

QString CleanNamePart(const QString& name) {
    QString kept;
    kept.reserve(name.size());
    for (QChar c : name)
        if (c.category() != QChar::Other_Control) kept.append(c);
    // Cutting may leave white space at the end again.
    return ShortenToBytes(kept.trimmed()).trimmed();
}

bool SafeFolderParts(const QString& text, QStringList& parts, QString* why) {
    parts.clear();
    for (const QString& raw : text.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        const QString part = CleanNamePart(raw);
        if (part.isEmpty()) continue;
        if (part == QLatin1String(".") || part == QLatin1String("..")) {
            if (why) *why = Tr("the tags give the folder name \"%1\"").arg(part);
            parts.clear();
            return false;
        }
        parts.append(part);
    }
    return true;
}

QString SafeFileName(const QString& base, const QString& extension) {
    QString clean = CleanNamePart(base);
    if (clean.isEmpty()) return QString();
    const int extBytes = int(extension.toUtf8().size());
    clean = ShortenToBytes(clean, std::max(1, kMaxNameBytes - extBytes)).trimmed();
    return clean + extension;
}

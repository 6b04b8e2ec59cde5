#include "tools/TextFile.h"

#include "io/SonvaleError.h"

#include <QStringDecoder>

namespace {

// Windows-1252 from 0x80 to 0x9F; its five unassigned bytes keep the control codes.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromCp1252(const char* p, qsizetype n) {
    QString s(n, Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = uint8_t(p[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return s;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const char* text, qsizetype n) {
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    qsizetype i = 0;
    while (i < n) {
        const uint8_t b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra;
        uint32_t cp;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (n - i <= extra) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

QString FromEightBit(const char* p, qsizetype n) {
    return IsUtf8(p, n) ? QString::fromUtf8(p, n) : FromCp1252(p, n);
}

enum class TEncoding { EightBit, Utf16LE, Utf16BE };

// The encoding and where the text starts. Without a byte-order mark, text whose first
// character has a zero byte beside it is UTF-16 (older XPL files carry no mark).
TEncoding Sniff(const QByteArray& bytes, qsizetype& start) {
    start = 0;
    const auto at = [&](qsizetype i) { return i < bytes.size() ? uint8_t(bytes[i]) : 0xFFu; };
    if (at(0) == 0xFF && at(1) == 0xFE) {
        start = 2;
        return TEncoding::Utf16LE;
    }
    if (at(0) == 0xFE && at(1) == 0xFF) {
        start = 2;
        return TEncoding::Utf16BE;
    }
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) start = 3;
    if (bytes.size() >= 2 && at(0) != 0 && at(1) == 0) return TEncoding::Utf16LE;
    if (bytes.size() >= 2 && at(0) == 0 && at(1) != 0) return TEncoding::Utf16BE;
    if (bytes.indexOf('\0', start) >= 0)
        throw ESonvaleError(QStringLiteral("Not a text file (binary data)"));
    return TEncoding::EightBit;
}

QString FromUtf16(const QByteArray& bytes, qsizetype start, TEncoding encoding) {
    QStringDecoder decoder(encoding == TEncoding::Utf16LE ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless);
    // An odd last byte is no character.
    const qsizetype n = (bytes.size() - start) & ~qsizetype(1);
    return decoder(QByteArrayView(bytes.constData() + start, n));
}

// Calls `line(begin, length)` for each line of `n` units of `p`.
template <class Char, class F> void SplitLines(const Char* p, qsizetype n, F line) {
    qsizetype begin = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != Char('\r') && p[i] != Char('\n')) continue;
        line(begin, i - begin);
        if (p[i] == Char('\r') && i + 1 < n && p[i + 1] == Char('\n')) ++i;
        begin = i + 1;
    }
    if (begin < n) line(begin, n - begin);
}

} // namespace

QString DecodeText(const QByteArray& bytes) {
    qsizetype start;
    const TEncoding encoding = Sniff(bytes, start);
    if (encoding != TEncoding::EightBit) return FromUtf16(bytes, start, encoding);
    const char* p = bytes.constData() + start;
    const qsizetype n = bytes.size() - start;
    if (IsUtf8(p, n)) return QString::fromUtf8(p, n);
    // A file of mixed lines: each stretch between line ends on its own.
    QString text;
    text.reserve(n);
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && p[i] != '\r' && p[i] != '\n') continue;
        text += FromEightBit(p + begin, i - begin);
        if (i < n) text += QLatin1Char(p[i]);
        begin = i + 1;
    }
    return text;
}

void ForEachTextLine(const QByteArray& bytes, const std::function<void(const QString&)>& line) {
    qsizetype start;
    const TEncoding encoding = Sniff(bytes, start);
    if (encoding != TEncoding::EightBit) {
        const QString text = FromUtf16(bytes, start, encoding);
        SplitLines(text.constData(), text.size(),
                   [&](qsizetype begin, qsizetype length) { line(text.mid(begin, length)); });
        return;
    }
    const char* p = bytes.constData() + start;
    const bool utf8 = IsUtf8(p, bytes.size() - start);
    SplitLines(p, bytes.size() - start, [&](qsizetype begin, qsizetype length) {
        line(utf8 ? QString::fromUtf8(p + begin, length) : FromEightBit(p + begin, length));
    });
}

QStringList DecodeTextLines(const QByteArray& bytes) {
    QStringList lines;
    ForEachTextLine(bytes, [&](const QString& l) { lines.append(l); });
    return lines;
}

void AppendTextLine(QByteArray& out, const QString& line) {
    out += line.toUtf8();
    out += "\r\n";
}

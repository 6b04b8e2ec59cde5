#include "tools/TextFile.h"

#include "io/EightBitText.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"

#include <QStringDecoder>

namespace {

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
    if (bytes.indexOf('\0', start) >= 0) throw ESonvaleError(Tr("Not a text file (binary data)"));
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

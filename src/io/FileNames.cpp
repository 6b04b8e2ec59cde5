#include "io/FileUtils.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at p (1 to 4), or 0 when the bytes there
// are not one: overlong forms, encoded surrogates and values past U+10FFFF included.
int SequenceLength(const unsigned char* p, qsizetype left) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    int len;
    unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (left < len || p[1] < lo || p[1] > hi) return 0;
    for (int i = 2; i < len; ++i)
        if (!IsContinuation(p[i])) return 0;
    return len;
}

void AppendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// UTF-8 with escaped bytes put back. A character that has no bytes (another unpaired
// surrogate, or NUL when `strict`) makes the result empty when `strict`, U+FFFD otherwise.
QByteArray Encode(const QString& text, bool strict) {
    // Most names hold no surrogate (escaped bytes or pairs) and no NUL: Qt's encoder then
    // gives the same bytes.
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && p[i] != 0 && !QChar::isSurrogate(p[i]))
        ++i;
    if (i == n) return text.toUtf8();
    QByteArray out;
    out.reserve(text.size());
    for (i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out += char(u - kEscapeBase);
        } else if (QChar::isSurrogate(u) || (u == 0 && strict)) {
            if (strict) return {};
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

} // namespace

QByteArray EncodeFileName(const QString& name) {
    return Encode(name, true);
}

QByteArray EncodeEscapedText(const QString& text) {
    return Encode(text, false);
}

QString DecodeFileName(const QByteArray& bytes) {
    QString out;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype run = 0; // start of the well-formed bytes not yet copied
    for (qsizetype i = 0; i < n;) {
        const int len = SequenceLength(p + i, n - i);
        if (len > 0) {
            i += len;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + run, i - run);
        out += QChar(char16_t(kEscapeBase + p[i]));
        run = ++i;
    }
    if (run == 0) return QString::fromUtf8(bytes);
    out += QString::fromUtf8(bytes.constData() + run, n - run);
    return out;
}

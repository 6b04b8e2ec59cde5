#include "tags/Id3v2Tag.h"

#include "tags/FieldList.h"
#include "tags/Id3v1Tag.h"

#include <algorithm>
#include <cstring>

namespace {

enum TFrameKind { kText = 2, kUserText = 3, kUrl = 4, kUserUrl = 5, kComment = 13 };

struct TFrameRow {
    const char* id;
    const char* name;
    int kind;
    bool written; // one frame per field: the others are only read
};

// Four-letter frames that carry a field (the other identifiers are kept as
// they are on write and not read into the field list).
const TFrameRow kRows4[] = {
    {"COMM", "COMMENTS", kComment, true},
    {"TALB", "ALBUM", kText, true},
    {"TBPM", "BPM", kText, true},
    {"TCOM", "COMPOSER", kText, true},
    {"TCON", "GENRE", kText, true},
    {"TCOP", "COPYRIGHT", kText, true},
    {"TDEN", "ENCODINGTIME", kText, true},
    {"TDLY", "PLAYLISTDELAY", kText, true},
    {"TDOR", "RELEASETIME", kText, false},
    {"TDRC", "RECORDTIME", kText, true},
    {"TDRL", "RELEASETIME", kText, true},
    {"TDTG", "TAGGINGTIME", kText, true},
    {"TENC", "ENCODER", kText, true},
    {"TEXT", "WRITER", kText, true},
    {"TFLT", "FILETYPE", kText, true},
    {"TIPL", "INVOLVEDPEOPLE", kText, true},
    {"TIT1", "TITLE", kText, false},
    {"TIT2", "TITLE", kText, true},
    {"TIT3", "SUBTITLE", kText, true},
    {"TKEY", "INITIALKEY", kText, true},
    {"TLAN", "LANGUAGE", kText, true},
    {"TLEN", "LENGTH", kText, true},
    {"TMCL", "CREDITS", kText, true},
    {"TMED", "MEDIATYPE", kText, true},
    {"TMOO", "MOOD", kText, true},
    {"TOAL", "TITLE", kText, false},
    {"TOFN", "FILENAME", kText, true},
    {"TOLY", "WRITER", kText, false},
    {"TOPE", "ARTIST", kText, false},
    {"TOWN", "OWNER", kText, true},
    {"TPE1", "ARTIST", kText, true},
    {"TPE2", "BAND", kText, true},
    {"TPE3", "PERFORMER", kText, true},
    {"TPE4", "INTERPRETER", kText, true},
    {"TPOS", "PARTOF", kText, true},
    {"TPRO", "PRODUCER", kText, true},
    {"TPUB", "PUBLISHER", kText, true},
    {"TRCK", "TRACK", kText, true},
    {"TRSN", "INETRADIO", kText, true},
    {"TRSO", "INETRADIOOWNER", kText, true},
    {"TSOA", "SORTORDER", kText, true},
    {"TSOP", "PERFORMERSORTORDER", kText, true},
    {"TSOT", "TITLESORTORDER", kText, true},
    {"TSRC", "ISRC", kText, true},
    {"TSSE", "SETTINGS", kText, true},
    {"TSST", "SUBTITLE", kText, false},
    {"TXXX", "USER", kUserText, false},
    {"TYER", "YEAR", kText, true},
    {"WCOM", "COMMERCIALWEB", kUrl, true},
    {"WCOP", "LEGALINFOWEB", kUrl, true},
    {"WOAF", "OFFICIALWEB", kUrl, true},
    {"WOAR", "ARTISTWEB", kUrl, true},
    {"WOAS", "AUDIOWEB", kUrl, true},
    {"WORS", "INETRADIOWEB", kUrl, true},
    {"WPAY", "PAYMENTWEB", kUrl, true},
    {"WPUB", "PUBLISHERWEB", kUrl, true},
    {"WXXX", "WEB", kUserUrl, true},
};

// Version 2.2 frames, with the 2.3 frame each becomes (iTunes' sort order and
// compilation frames included, as other programs convert them).
struct TFrameRow3 {
    const char* id;
    const char* name; // nullptr: not read into the field list
    int kind;
    bool secondary;  // read, but another frame of the same field wins
    const char* id4; // the version 2.3 identifier, nullptr when none
};

const TFrameRow3 kRows3[] = {
    {"BUF", nullptr, 0, false, "RBUF"},           {"CNT", nullptr, 0, false, "PCNT"},
    {"COM", "COMMENTS", kComment, false, "COMM"}, {"CRA", nullptr, 0, false, "AENC"},
    {"CRM", nullptr, 0, false, nullptr},          {"ETC", nullptr, 0, false, "ETCO"},
    {"EQU", nullptr, 0, false, "EQUA"},           {"GEO", nullptr, 0, false, "GEOB"},
    {"IPL", nullptr, 0, false, "IPLS"},           {"LNK", nullptr, 0, false, nullptr},
    {"MCI", nullptr, 0, false, "MCDI"},           {"MLL", nullptr, 0, false, "MLLT"},
    {"PIC", nullptr, 0, false, "APIC"},           {"POP", nullptr, 0, false, "POPM"},
    {"REV", nullptr, 0, false, "RVRB"},           {"RVA", nullptr, 0, false, "RVAD"},
    {"SLT", nullptr, 0, false, "SYLT"},           {"STC", nullptr, 0, false, "SYTC"},
    {"TAL", "ALBUM", kText, false, "TALB"},       {"TBP", "BPM", kText, false, "TBPM"},
    {"TCM", "COMPOSER", kText, false, "TCOM"},    {"TCO", "GENRE", kText, false, "TCON"},
    {"TCP", nullptr, 0, false, "TCMP"},           {"TCR", "COPYRIGHT", kText, false, "TCOP"},
    {"TDA", "DATE", kText, false, "TDAT"},        {"TDY", "PLAYLISTDELAY", kText, false, "TDLY"},
    {"TEN", "ENCODER", kText, false, "TENC"},     {"TFT", "FILETYPE", kText, false, "TFLT"},
    {"TIM", "TIME", kText, false, "TIME"},        {"TKE", "INITIALKEY", kText, false, "TKEY"},
    {"TLA", "LANGUAGE", kText, false, "TLAN"},    {"TLE", "LENGTH", kText, false, "TLEN"},
    {"TMT", "MEDIATYPE", kText, false, "TMED"},   {"TOA", "ARTIST", kText, true, "TOPE"},
    {"TOF", "FILENAME", kText, false, "TOFN"},    {"TOL", "WRITER", kText, true, "TOLY"},
    {"TOR", "YEAR", kText, true, "TORY"},         {"TOT", "ALBUM", kText, true, "TOAL"},
    {"TP1", "ARTIST", kText, false, "TPE1"},      {"TP2", "BAND", kText, false, "TPE2"},
    {"TP3", "PERFORMER", kText, false, "TPE3"},   {"TP4", "INTERPRETER", kText, false, "TPE4"},
    {"TPA", "PARTOF", kText, false, "TPOS"},      {"TPB", "PUBLISHER", kText, false, "TPUB"},
    {"TRC", "ISRC", kText, false, "TSRC"},        {"TRD", "RECORDDATE", kText, false, "TRDA"},
    {"TRK", "TRACK", kText, false, "TRCK"},       {"TS2", nullptr, 0, false, "TSO2"},
    {"TSA", nullptr, 0, false, "TSOA"},           {"TSC", nullptr, 0, false, "TSOC"},
    {"TSI", "SIZE", kText, false, "TSIZ"},        {"TSP", nullptr, 0, false, "TSOP"},
    {"TSS", "SETTINGS", kText, false, "TSSE"},    {"TST", nullptr, 0, false, "TSOT"},
    {"TT1", "TITLE", kText, true, "TIT1"},        {"TT2", "TITLE", kText, false, "TIT2"},
    {"TT3", "SUBTITLE", kText, false, "TIT3"},    {"TXT", "WRITER", kText, false, "TEXT"},
    {"TXX", "USER", kUserText, false, "TXXX"},    {"TYE", "YEAR", kText, false, "TYER"},
    {"UFI", nullptr, 0, false, "UFID"},           {"ULT", nullptr, 0, false, "USLT"},
    {"WAF", "OFFICIALWEB", kUrl, false, "WOAF"},  {"WAR", "ARTISTWEB", kUrl, false, "WOAR"},
    {"WAS", "AUDIOWEB", kUrl, false, "WOAS"},     {"WCM", "COMMERCIALWEB", kUrl, false, "WCOM"},
    {"WCP", "LEGALINFOWEB", kUrl, false, "WCOP"}, {"WPB", "PUBLISHERWEB", kUrl, false, "WPUB"},
    {"WXX", "WEB", kUserUrl, false, "WXXX"},
};

const TFrameRow* FindRow4(const char* id) {
    for (const TFrameRow& r : kRows4)
        if (std::memcmp(r.id, id, 4) == 0) return &r;
    return nullptr;
}

const TFrameRow3* FindRow3(const char* id) {
    for (const TFrameRow3& r : kRows3)
        if (std::memcmp(r.id, id, 3) == 0) return &r;
    return nullptr;
}

uint32_t BE32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void PutBE32(char* p, uint32_t v) {
    p[0] = char(v >> 24);
    p[1] = char(v >> 16);
    p[2] = char(v >> 8);
    p[3] = char(v);
}

void PutSyncSafe(char* p, uint32_t v) {
    p[0] = char((v >> 21) & 0x7F);
    p[1] = char((v >> 14) & 0x7F);
    p[2] = char((v >> 7) & 0x7F);
    p[3] = char(v & 0x7F);
}

bool IsIdChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameId(const char* p, int n) {
    if (!(p[0] >= 'A' && p[0] <= 'Z')) return false;
    for (int i = 1; i < n; ++i)
        if (!IsIdChar(p[i])) return false;
    return true;
}

// --- text decoding ---------------------------------------------------------

int TermWidth(int enc) {
    return (enc == 1 || enc == 2) ? 2 : 1;
}

// Index of the terminator of the string starting at `from`, or -1.
int FindTerm(const QByteArray& d, int from, int enc) {
    if (TermWidth(enc) == 1) return d.indexOf('\0', from);
    for (int i = from; i + 1 < d.size(); i += 2)
        if (d[i] == 0 && d[i + 1] == 0) return i;
    return -1;
}

// Decodes one string; `bigEndian` carries the byte order of UTF-16 text from
// one string to the next when a later one has no byte-order mark.
QString DecodeString(int enc, const char* p, int n, bool& bigEndian) {
    if (n <= 0) return {};
    switch (enc) {
    case 1:
    case 2: {
        if (n >= 2) {
            auto b0 = uint8_t(p[0]), b1 = uint8_t(p[1]);
            if (b0 == 0xFF && b1 == 0xFE) {
                bigEndian = false;
                p += 2, n -= 2;
            } else if (b0 == 0xFE && b1 == 0xFF) {
                bigEndian = true;
                p += 2, n -= 2;
            }
        }
        n &= ~1;
        QString s(n / 2, Qt::Uninitialized);
        QChar* out = s.data();
        for (int i = 0; i < n; i += 2) {
            auto a = uint8_t(p[i]), b = uint8_t(p[i + 1]);
            out[i / 2] = QChar(bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a));
        }
        while (!s.isEmpty() && s.back() == QChar(0))
            s.chop(1);
        return s;
    }
    case 3: {
        while (n > 0 && p[n - 1] == 0)
            --n;
        return QString::fromUtf8(p, n);
    }
    default:
        while (n > 0 && p[n - 1] == 0)
            --n;
        return QString::fromLatin1(p, n);
    }
}

// All strings of `d` from `from` on, split at the terminators; trailing
// empty strings are dropped.
QStringList DecodeStrings(const QByteArray& d, int from, int enc) {
    QStringList values;
    bool bigEndian = enc == 2;
    int pos = from;
    while (pos < d.size()) {
        int t = FindTerm(d, pos, enc);
        int end = t < 0 ? int(d.size()) : t;
        values << DecodeString(enc, d.constData() + pos, end - pos, bigEndian);
        if (t < 0) break;
        pos = t + TermWidth(enc);
    }
    while (!values.isEmpty() && values.back().isEmpty())
        values.removeLast();
    return values;
}

// Splits a description (terminated) from the value after it.
void DecodeDescribed(const QByteArray& d, int from, int enc, bool latinValue, QString& desc,
                     QString& value) {
    bool bigEndian = enc == 2;
    int t = FindTerm(d, from, enc);
    if (t < 0) {
        desc = DecodeString(enc, d.constData() + from, int(d.size()) - from, bigEndian);
        value.clear();
        return;
    }
    desc = DecodeString(enc, d.constData() + from, t - from, bigEndian);
    int v = t + TermWidth(enc);
    if (latinValue) {
        bool unused = false;
        value = DecodeString(0, d.constData() + v, int(d.size()) - v, unused);
        int nul = value.indexOf(QChar(0));
        if (nul >= 0) value.truncate(nul);
    } else {
        value = DecodeStrings(d, v, enc).join(QStringLiteral(" / "));
    }
}

// --- text encoding ---------------------------------------------------------

void AppendEncoded(QByteArray& out, int enc, const QString& s) {
    switch (enc) {
    case 0:
        out += s.toLatin1();
        out += '\0';
        break;
    case 1:
        out += "\xFF\xFE";
        for (QChar c : s) {
            out += char(c.unicode() & 0xFF);
            out += char(c.unicode() >> 8);
        }
        out += QByteArray(2, '\0');
        break;
    case 2: // UTF-16 big-endian without byte-order mark
        for (QChar c : s) {
            out += char(c.unicode() >> 8);
            out += char(c.unicode() & 0xFF);
        }
        out += QByteArray(2, '\0');
        break;
    default:
        out += s.toUtf8();
        out += '\0';
    }
}

QByteArray FrameBody(int kind, int enc, const QString& value) {
    QByteArray b;
    switch (kind) {
    case kText:
        b += char(enc);
        AppendEncoded(b, enc, value);
        break;
    case kUrl:
        b += value.toLatin1();
        break;
    case kUserUrl:
        b += char(enc);
        AppendEncoded(b, enc, QStringLiteral("url"));
        b += value.toLatin1();
        break;
    case kComment:
        b += char(enc);
        b += "eng";
        AppendEncoded(b, enc, QStringLiteral("Comments"));
        AppendEncoded(b, enc, value);
        break;
    }
    return b;
}

// A comment frame this system manages: no description, or ours.
bool IsPlainComment(const QString& desc) {
    return desc.isEmpty() || desc.compare(QLatin1String("Comments"), Qt::CaseInsensitive) == 0;
}

QString CommentDescription(const QByteArray& d) {
    if (d.size() < 4) return {};
    int enc = uint8_t(d[0]);
    QString desc, value;
    DecodeDescribed(d, 4, enc, false, desc, value);
    return desc;
}

// Version 2.2 picture: the three-letter image format becomes a MIME type.
QByteArray PicToApic(const QByteArray& d) {
    if (d.size() < 5) return {};
    QByteArray fmt = d.mid(1, 3).toLower();
    QByteArray mime = fmt == "jpg" ? QByteArray("image/jpeg") : "image/" + fmt;
    return d.left(1) + mime + '\0' + d.mid(4);
}

// Re-encodes the strings from `from` on as UTF-16 with byte-order marks.
QByteArray ReencodeStrings(const QByteArray& d, int from, int enc) {
    QByteArray out;
    bool bigEndian = enc == 2;
    int pos = from;
    while (pos < d.size()) {
        int t = FindTerm(d, pos, enc);
        int end = t < 0 ? int(d.size()) : t;
        AppendEncoded(out, 1, DecodeString(enc, d.constData() + pos, end - pos, bigEndian));
        if (t < 0) break;
        pos = t + TermWidth(enc);
    }
    return out;
}

// Text in encodings 2 and 3 exists in version 2.4 only: a frame carried
// into a 2.3 tag gets UTF-16 with byte-order marks instead.
QByteArray To23Encoding(const QByteArray& id, const QByteArray& d) {
    if (d.isEmpty()) return d;
    const int enc = uint8_t(d[0]);
    if (enc != 2 && enc != 3) return d;
    if (id.startsWith('T')) return QByteArray(1, 1) + ReencodeStrings(d, 1, enc);
    if ((id == "COMM" || id == "USLT") && d.size() >= 4)
        return QByteArray(1, 1) + d.mid(1, 3) + ReencodeStrings(d, 4, enc);
    if (id == "WXXX") {
        int t = FindTerm(d, 1, enc);
        if (t < 0) return d;
        return QByteArray(1, 1) + ReencodeStrings(d.left(t), 1, enc) + d.mid(t + TermWidth(enc));
    }
    if (id == "APIC") {
        int mimeEnd = d.indexOf('\0', 1);
        if (mimeEnd < 0 || mimeEnd + 2 > d.size()) return d;
        int t = FindTerm(d, mimeEnd + 2, enc);
        if (t < 0) return d;
        return QByteArray(1, 1) + d.mid(1, mimeEnd + 1) +
               ReencodeStrings(d.left(t), mimeEnd + 2, enc) + d.mid(t + TermWidth(enc));
    }
    return d;
}

} // namespace

uint32_t Id3SyncSafe(const unsigned char* p) {
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 |
           uint32_t(p[3] & 0x7F);
}

QByteArray Id3Resynchronise(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size());
    for (int i = 0; i < data.size(); ++i) {
        out += data[i];
        if (uint8_t(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == 0) ++i;
    }
    return out;
}

QByteArray Id3Unsynchronise(const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size() + data.size() / 16);
    for (int i = 0; i < data.size(); ++i) {
        out += data[i];
        if (uint8_t(data[i]) == 0xFF &&
            (i + 1 == data.size() || uint8_t(data[i + 1]) >= 0xE0 || data[i + 1] == 0))
            out += '\0';
    }
    return out;
}

QString Id3GenreText(const QString& value) {
    QStringList names;
    QString v = value.trimmed();
    bool ok = false;
    int n = v.toInt(&ok, 10);
    if (ok && !v.isEmpty() && v[0].isDigit()) return GenreName(n);
    while (v.startsWith(QLatin1Char('(')) && !v.startsWith(QLatin1String("(("))) {
        int close = v.indexOf(QLatin1Char(')'));
        if (close < 0) break;
        QString ref = v.mid(1, close - 1);
        int num = ref.toInt(&ok, 10);
        if (ok)
            names << GenreName(num);
        else if (ref == QLatin1String("RX"))
            names << QStringLiteral("Remix");
        else if (ref == QLatin1String("CR"))
            names << QStringLiteral("Cover");
        else
            break;
        v = v.mid(close + 1);
    }
    if (v.startsWith(QLatin1String("(("))) v.remove(0, 1);
    if (!v.isEmpty() && (names.isEmpty() || v.compare(names.back(), Qt::CaseInsensitive) != 0))
        names << v;
    return names.join(QStringLiteral(" / "));
}

void TId3V2Tag::Clear() {
    Fields.clear();
    Present = false;
    Version = 0;
    totalLength = 0;
    frames.clear();
    readOnlyValues.clear();
    writtenIdSeen.clear();
    firstValueById.clear();
}

int64_t Id3v2TagSize(const unsigned char* h) {
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] < 2 || h[3] > 4 || h[4] == 0xFF ||
        (h[6] | h[7] | h[8] | h[9]) & 0x80)
        return 0;
    const int64_t size = int64_t(Id3SyncSafe(h + 6)) + 10;
    return h[3] == 4 && (h[5] & 0x10) ? size + 10 : size;
}

int64_t TId3V2Tag::DeclaredSize(const QByteArray& header) {
    if (header.size() < 10) return 0;
    return Id3v2TagSize(reinterpret_cast<const unsigned char*>(header.constData()));
}

bool TId3V2Tag::Parse(const QByteArray& tag) {
    Clear();
    totalLength = DeclaredSize(tag);
    if (totalLength == 0) return false;
    Present = true;
    Version = uint8_t(tag[3]);
    const uint8_t flags = uint8_t(tag[5]);
    // A declared length beyond the end of the file reads what is there.
    QByteArray body = tag.mid(10, int(std::min<int64_t>(totalLength, tag.size()) - 10));
    if (Version == 4 && (flags & 0x10) && body.size() == totalLength - 10) body.chop(10);
    ParseBody(body, flags);
    // One line per field wins a lookup: plain comments before described
    // ones, the written frames (TIT2, TPE1, ...) before those only read.
    Fields = primaryLines + secondaryLines;
    primaryLines.clear();
    secondaryLines.clear();
    return true;
}

void TId3V2Tag::ParseBody(const QByteArray& rawBody, uint8_t flags) {
    QByteArray body = rawBody;
    // Version 2.2 compression has no defined method: nothing can be read.
    if (Version == 2 && (flags & 0x40)) return;
    if (Version < 4 && (flags & 0x80)) body = Id3Resynchronise(body);
    int pos = 0;
    const int end = int(body.size());
    const auto* u = reinterpret_cast<const unsigned char*>(body.constData());
    // Some writers set the extended-header flag without writing one: a
    // frame right at the start wins over the flag.
    const bool frameFirst = end >= 10 && IsFrameId(body.constData(), Version == 2 ? 3 : 4);
    if (Version >= 3 && (flags & 0x40) && end >= 4 && !frameFirst) {
        // Extended header: 2.3 counts its size field apart, 2.4 includes it.
        int64_t ext = Version == 3 ? int64_t(BE32(u)) + 4 : int64_t(Id3SyncSafe(u));
        if (ext < 4 || ext > end) return;
        pos = int(ext);
    }

    if (Version == 2) {
        while (pos + 6 <= end && IsFrameId(body.constData() + pos, 3)) {
            int size = int(u[pos + 3]) << 16 | int(u[pos + 4]) << 8 | int(u[pos + 5]);
            if (size > end - pos - 6) break; // cut by the end of the tag
            const TFrameRow3* row = FindRow3(body.constData() + pos);
            QByteArray data = body.mid(pos + 6, size);
            if (row && row->id4) {
                QByteArray id4(row->id4);
                if (id4 == "APIC") data = PicToApic(data);
                AddFrame(id4, 0, data, &data);
            }
            pos += size + 6;
        }
        return;
    }

    auto plausibleNext = [&](int64_t next) {
        if (next > end) return false;
        if (next == end || next + 10 > end) return true;
        if (u[next] == 0) return true; // padding
        return IsFrameId(body.constData() + next, 4);
    };

    while (pos + 10 <= end) {
        const char* p = body.constData() + pos;
        if (!IsFrameId(p, 4) || std::memcmp(p, "MP3", 3) == 0) break;
        const unsigned char* sz = u + pos + 4;
        int64_t plain = BE32(sz);
        bool safeValid = ((sz[0] | sz[1] | sz[2] | sz[3]) & 0x80) == 0;
        int64_t safe = Id3SyncSafe(sz);
        // Version 2.3 sizes are plain and 2.4 sizes syncsafe, but writers
        // mix them up: take the other reading when only it lands on a frame.
        int64_t size = Version == 4 && safeValid ? safe : plain;
        int64_t other = Version == 4 ? plain : (safeValid ? safe : plain);
        if (!plausibleNext(pos + 10 + size) && plausibleNext(pos + 10 + other)) size = other;
        if (size > end - pos - 10) break; // cut by the end of the tag
        uint16_t fl = uint16_t(u[pos + 8] << 8 | u[pos + 9]);
        QByteArray id(p, 4);
        QByteArray data = body.mid(pos + 10, int(size));
        pos += 10 + int(size);
        // As stored, with its size field written the way version 2.4 asks.
        QByteArray raw24;
        if (Version == 4 && !(flags & 0x80)) {
            raw24 = id + QByteArray(4, '\0') + QByteArray(p + 8, 2) + data;
            PutSyncSafe(raw24.data() + 4, uint32_t(size));
        }

        if (Version == 3) {
            // Compressed or encrypted bodies are kept as they are, unread.
            bool opaque = fl & 0x00C0;
            QByteArray text = (fl & 0x0020) ? data.mid(1) : data;
            AddFrame(id, fl, data, opaque ? nullptr : &text);
            continue;
        }
        // Version 2.4: group byte, encryption method, data length, then
        // unsynchronisation of the rest.
        int skip = 0;
        uint32_t dataLength = 0;
        bool hasLength = fl & 0x0001;
        if (fl & 0x0040) skip += 1;
        if (fl & 0x0004) skip += 1;
        if (hasLength) {
            if (data.size() < skip + 4) continue;
            dataLength =
                Id3SyncSafe(reinterpret_cast<const unsigned char*>(data.constData()) + skip);
            skip += 4;
        }
        if (skip > data.size()) continue;
        data = data.mid(skip);
        if ((fl & 0x0002) || (flags & 0x80)) data = Id3Resynchronise(data);
        if (fl & 0x0004) continue; // encrypted: nothing we can keep meaningfully
        if (fl & 0x0008) {
            // Compressed: kept in the 2.3 layout (decompressed size first).
            if (!hasLength) continue;
            QByteArray d(4, '\0');
            PutBE32(d.data(), dataLength);
            AddFrame(id, 0x0080, d + data, nullptr, raw24);
            continue;
        }
        QByteArray carried = To23Encoding(id, data);
        AddFrame(id, 0, carried, &data, raw24);
    }
}

void TId3V2Tag::AddFrame(const QByteArray& id, uint16_t flags, const QByteArray& keep,
                         const QByteArray* decode, const QByteArray& raw24) {
    frames.push_back({id, flags, keep, raw24});
    if (!decode) return;
    const QByteArray& data = *decode;
    const TFrameRow* row = FindRow4(id.constData());
    const char* name = row ? row->name : nullptr;
    int kind = row ? row->kind : 0;
    bool secondary = row && !row->written;
    // Frames converted from 2.2 keep the 2.2 table's names.
    if (Version == 2) {
        for (const TFrameRow3& r : kRows3) {
            if (r.id4 && id == r.id4) {
                name = r.name;
                kind = r.kind;
                secondary = r.secondary;
                break;
            }
        }
    }
    if (!name || data.isEmpty()) return;
    QString value;
    bool lowPriority = secondary;
    const int enc = uint8_t(data[0]);
    switch (kind) {
    case kText:
        value = DecodeStrings(data, 1, enc).join(QStringLiteral(" / "));
        if (id == "TCON") value = Id3GenreText(value);
        break;
    case kUrl: {
        bool unused = false;
        value = DecodeString(0, data.constData(), int(data.size()), unused);
        int nul = value.indexOf(QChar(0));
        if (nul >= 0) value.truncate(nul);
        break;
    }
    case kUserText:
    case kUserUrl: {
        QString desc;
        DecodeDescribed(data, 1, enc, kind == kUserUrl, desc, value);
        // Some writers (FFmpeg among them) keep the comment in a user text
        // frame: it is the comment when the tag has no comment frame.
        if (kind == kUserText && !value.isEmpty() &&
            (desc.compare(QLatin1String("comment"), Qt::CaseInsensitive) == 0 ||
             desc.compare(QLatin1String("description"), Qt::CaseInsensitive) == 0)) {
            readOnlyValues.insert(QStringLiteral("COMMENTS"), value);
            secondaryLines << QStringLiteral("COMMENTS=") + value;
        }
        break;
    }
    case kComment: {
        if (data.size() < 4) return;
        QString desc;
        DecodeDescribed(data, 4, enc, false, desc, value);
        // Players' machine data (iTunNORM, iTunSMPB, ...) is not a comment.
        if (desc.startsWith(QLatin1String("iTun"))) return;
        lowPriority = !IsPlainComment(desc);
        break;
    }
    default:
        return;
    }
    if (!firstValueById.contains(id) && !(kind == kComment && lowPriority))
        firstValueById.insert(id, value);
    if (value.isEmpty()) return;
    QString fieldName = QString::fromLatin1(name);
    QString line = fieldName + QLatin1Char('=') + value;
    if (secondary) {
        if (!readOnlyValues.contains(fieldName)) readOnlyValues.insert(fieldName, value);
    } else {
        writtenIdSeen.insert(fieldName, true);
    }
    (lowPriority ? secondaryLines : primaryLines) << line;
}

QByteArray TId3V2Tag::BuildTag() const {
    return Render(3);
}

QByteArray TId3V2Tag::Render(int version, int64_t fitTo) const {
    const bool v24 = version == 4;
    QByteArray out(10, '\0');
    std::memcpy(out.data(), v24 ? "ID3\x04\x00\x00" : "ID3\x03\x00\x00", 6);
    auto appendFrame = [&out, v24](const QByteArray& id, uint16_t flags, const QByteArray& body) {
        char h[10];
        std::memcpy(h, id.constData(), 4);
        // Version 2.3 frame sizes are plain integers, version 2.4 ones syncsafe.
        if (v24)
            PutSyncSafe(h + 4, uint32_t(body.size()));
        else
            PutBE32(h + 4, uint32_t(body.size()));
        h[8] = char(flags >> 8);
        h[9] = char(flags);
        out.append(h, 10);
        out += body;
    };
    // A year set in the list supersedes a recording time of another year
    // (other programs read the year from TDRC first).
    const int yearLine = FieldIndex(Fields, QStringLiteral("YEAR"));
    const bool dropRecordTime =
        yearLine >= 0 &&
        FieldValue(Fields, QStringLiteral("RECORDTIME")).left(4) != FieldValueOf(Fields[yearLine]);
    auto unchanged = [&](const QByteArray& id, const QString& value) {
        auto it = firstValueById.find(id);
        return it != firstValueById.end() && *it == value && !value.isEmpty();
    };
    for (const TFrameRow& row : kRows4) {
        if (!row.written) continue;
        QByteArray id(row.id);
        if (dropRecordTime && id == "TDRC") continue;
        QString name = QString::fromLatin1(row.name);
        QString value = FieldValue(Fields, name);
        if (value.isEmpty() || unchanged(id, value)) continue;
        // Version 2.4 has no TYER: a year set becomes the recording time.
        if (v24 && id == "TYER") {
            if (!dropRecordTime) continue;
            id = "TDRC";
        }
        // A value read only from a frame that is never written (TOPE, TIT1,
        // ...) does not become a new frame of another identifier.
        if (!writtenIdSeen.contains(name) && readOnlyValues.contains(name) &&
            readOnlyValues.value(name) == value)
            continue;
        appendFrame(id, 0, FrameBody(row.kind, TextEncoding, value));
    }
    for (const TId3Frame& f : frames) {
        if (dropRecordTime && f.Id == "TDRC") continue;
        const TFrameRow* row = FindRow4(f.Id.constData());
        if (row && row->written && FieldIndex(Fields, QString::fromLatin1(row->name)) >= 0 &&
            !unchanged(f.Id, FieldValue(Fields, QString::fromLatin1(row->name)))) {
            // Only the comment this system manages is replaced; described
            // comments of other programs stay.
            if (f.Id != "COMM" || IsPlainComment(CommentDescription(f.Data))) continue;
        }
        if (!v24) {
            appendFrame(f.Id, f.Flags, f.Data);
        } else if (!f.Raw24.isEmpty()) {
            out += f.Raw24;
        } else if (f.Flags & 0x0080) {
            // Compressed, kept in the 2.3 layout: 2.4 gives the length as a data-length
            // indicator instead.
            QByteArray body = f.Data;
            if (body.size() < 4) continue;
            PutSyncSafe(body.data(),
                        BE32(reinterpret_cast<const unsigned char*>(f.Data.constData())));
            appendFrame(f.Id, 0x0009, body);
        } else {
            appendFrame(f.Id, 0, f.Data);
        }
    }
    if (fitTo > out.size()) out.append(QByteArray(int(fitTo - out.size()), '\0'));
    PutSyncSafe(out.data() + 6, uint32_t(out.size() - 10));
    return out;
}

QStringList TId3V2Tag::FrameValues(const QByteArray& id) const {
    QStringList values;
    for (const TId3Frame& f : frames) {
        if (f.Id != id || f.Data.isEmpty() || (f.Flags & 0x00C0)) continue;
        const int enc = uint8_t(f.Data[0]);
        QString value, desc;
        if (id == "TXXX" || id == "WXXX") {
            DecodeDescribed(f.Data, 1, enc, id == "WXXX", desc, value);
        } else if (id == "COMM" || id == "USLT") {
            if (f.Data.size() < 4) continue;
            DecodeDescribed(f.Data, 4, enc, false, desc, value);
        } else if (id.startsWith('T')) {
            value = DecodeStrings(f.Data, 1, enc).join(QStringLiteral(" / "));
        } else if (id.startsWith('W')) {
            bool unused = false;
            value = DecodeString(0, f.Data.constData(), int(f.Data.size()), unused);
        } else {
            continue;
        }
        values << value;
    }
    return values;
}

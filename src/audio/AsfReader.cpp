#include "audio/AsfReader.h"

#include "io/SonvaleError.h"
#include "io/WFileStream.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// GUIDs in their on-disk byte order.
struct TGuid {
    uint8_t b[16];
};

constexpr TGuid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
    TGuid g{};
    for (int i = 0; i < 4; ++i)
        g.b[i] = uint8_t(d1 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        g.b[4 + i] = uint8_t(d2 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        g.b[6 + i] = uint8_t(d3 >> (8 * i));
    for (int i = 0; i < 8; ++i)
        g.b[8 + i] = uint8_t(d4 >> (8 * (7 - i)));
    return g;
}

constexpr TGuid kHeader = MakeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
constexpr TGuid kData = MakeGuid(0x75B22636, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
constexpr TGuid kFileProps = MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ull);
constexpr TGuid kStreamProps = MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ull);
constexpr TGuid kContentDesc = MakeGuid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull);
constexpr TGuid kExtContentDesc = MakeGuid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ull);
constexpr TGuid kHeaderExt = MakeGuid(0x5FBF03B5, 0xA92E, 0x11CF, 0x8EE300C00C205365ull);
constexpr TGuid kMetadata = MakeGuid(0xC5F8CBEA, 0x5BAF, 0x4877, 0x8467AA8C44FA4CCAull);
constexpr TGuid kMetadataLib = MakeGuid(0x44231C94, 0x9498, 0x49D1, 0xA1411D134E457054ull);
constexpr TGuid kExtStreamProps = MakeGuid(0x14E6A5CB, 0xC672, 0x4332, 0x8399A96952065B5Aull);
constexpr TGuid kEncryption = MakeGuid(0x2211B3FB, 0xBD23, 0x11D2, 0xB4B700A0C955FC6Eull);
constexpr TGuid kExtEncryption = MakeGuid(0x298AE614, 0x2622, 0x4C17, 0xB935DAE07EE9289Cull);
constexpr TGuid kAudioMedia = MakeGuid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);
constexpr TGuid kAudioSpread = MakeGuid(0xBFC3CD50, 0x618F, 0x11CF, 0x8BB200AA00B4E220ull);
constexpr TGuid kVideoMedia = MakeGuid(0xBC19EFC0, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);

// A bounded view on the header bytes; every read past its end fails.
class TCursor {
public:
    TCursor(const uint8_t* p, int64_t n) : base(p), size(n) {}
    bool Has(int64_t n) const { return n >= 0 && pos + n <= size; }
    int64_t Left() const { return size - pos; }
    int64_t Pos() const { return pos; }
    const uint8_t* Here() const { return base + pos; }
    bool Skip(int64_t n) {
        if (!Has(n)) return false;
        pos += n;
        return true;
    }
    bool U16(uint16_t& v) { return Le(v, 2); }
    bool U32(uint32_t& v) { return Le(v, 4); }
    bool U64(uint64_t& v) { return Le(v, 8); }
    bool Guid(TGuid& g) {
        if (!Has(16)) return false;
        std::memcpy(g.b, base + pos, 16);
        pos += 16;
        return true;
    }
    bool Bytes(QByteArray& out, int64_t n) {
        if (!Has(n)) return false;
        out = QByteArray(reinterpret_cast<const char*>(base + pos), qsizetype(n));
        pos += n;
        return true;
    }

private:
    template <class T> bool Le(T& v, int n) {
        if (!Has(n)) return false;
        v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = T((uint64_t(v) << 8) | base[pos + i]);
        pos += n;
        return true;
    }
    const uint8_t* base;
    int64_t size;
    int64_t pos = 0;
};

bool Same(const TGuid& a, const TGuid& b) {
    return std::memcmp(a.b, b.b, 16) == 0;
}

QString Utf16(const QByteArray& raw) {
    QString s =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2);
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0) s.truncate(nul);
    return s;
}

QByteArray Le(uint64_t v, int n) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(uint8_t(v >> (8 * i)));
    return b;
}

TAsfAttribute Attr(const QString& name, uint16_t type, const QByteArray& value) {
    TAsfAttribute a;
    a.Name = name;
    a.Type = type;
    a.Value = value;
    return a;
}

// Stream types of the extended content description and metadata objects,
// mapped to the attribute numbering.
uint16_t AttrType(uint16_t asfType) {
    switch (asfType) {
    case 0:
        return asfString;
    case 1:
        return asfBinary;
    case 2:
        return asfBool;
    case 3:
        return asfDword;
    case 4:
        return asfQword;
    case 5:
        return asfWord;
    case 6:
        return asfGuid;
    default:
        return uint16_t(asfType + 100); // unknown, shown by its length
    }
}

struct TParse {
    TAsfHeader& out;
    std::vector<TAsfAttribute> content; // content description
    std::vector<TAsfAttribute> extended;
    std::vector<TAsfAttribute> metadata;
    bool haveFileProps = false;
};

bool ParseStreamProps(TCursor c, TParse& p) {
    TGuid type{}, ecc{};
    uint64_t timeOffset = 0;
    uint32_t typeLen = 0, eccLen = 0, reserved = 0;
    uint16_t flags = 0;
    if (!c.Guid(type) || !c.Guid(ecc) || !c.U64(timeOffset) || !c.U32(typeLen) || !c.U32(eccLen) ||
        !c.U16(flags) || !c.U32(reserved) || !c.Has(typeLen))
        return false;
    TAsfStream s;
    s.Number = flags & 0x7F;
    s.Audio = Same(type, kAudioMedia);
    s.Video = Same(type, kVideoMedia);
    if (s.Audio) {
        TCursor w(c.Here(), typeLen);
        if (!w.U16(s.FormatTag) || !w.U16(s.Channels) || !w.U32(s.SamplesPerSec) ||
            !w.U32(s.AvgBytesPerSec) || !w.U16(s.BlockAlign) || !w.U16(s.BitsPerSample))
            return false;
        // No decoder makes audio without channels or at these rates; the
        // limits also keep the PCM byte rate inside 32 bits.
        if (s.Channels == 0 || s.Channels > 255 || s.SamplesPerSec == 0 ||
            s.SamplesPerSec > 1000000)
            return false;
        uint16_t extra = 0;
        if (w.U16(extra)) w.Bytes(s.CodecData, std::min<int64_t>(extra, w.Left()));
        TCursor e(c.Here() + typeLen, std::min<int64_t>(eccLen, c.Left() - typeLen));
        uint8_t span = 0;
        if (Same(ecc, kAudioSpread) && e.Has(1)) span = *e.Here();
        s.Scrambled = span > 1;
    }
    // One stream number counts once (a stream may be described twice).
    for (const TAsfStream& o : p.out.Streams)
        if (o.Number == s.Number) return true;
    p.out.Streams.push_back(s);
    return true;
}

bool ParseContentDesc(TCursor c, TParse& p) {
    static const char* const names[5] = {"Title", "Author", "Copyright", "Description", "Rating"};
    uint16_t len[5];
    for (uint16_t& l : len)
        if (!c.U16(l)) return false;
    for (int i = 0; i < 5; ++i) {
        QByteArray raw;
        if (!c.Bytes(raw, len[i])) return false;
        const QString text = Utf16(raw);
        if (!text.isEmpty())
            p.content.push_back(Attr(QString::fromLatin1(names[i]), asfString, raw));
    }
    return true;
}

bool ParseExtContentDesc(TCursor c, TParse& p) {
    uint16_t count = 0;
    if (!c.U16(count)) return false;
    for (int i = 0; i < count; ++i) {
        uint16_t nameLen = 0, type = 0, valueLen = 0;
        QByteArray name, value;
        if (!c.U16(nameLen) || !c.Bytes(name, nameLen) || !c.U16(type) || !c.U16(valueLen) ||
            !c.Bytes(value, valueLen))
            return false;
        p.extended.push_back(Attr(Utf16(name), AttrType(type), value));
    }
    return true;
}

bool ParseMetadata(TCursor c, TParse& p) {
    uint16_t count = 0;
    if (!c.U16(count)) return false;
    for (int i = 0; i < count; ++i) {
        uint16_t lang = 0, stream = 0, nameLen = 0, type = 0;
        uint32_t valueLen = 0;
        QByteArray name, value;
        if (!c.U16(lang) || !c.U16(stream) || !c.U16(nameLen) || !c.U16(type) || !c.U32(valueLen) ||
            !c.Bytes(name, nameLen))
            return false;
        if (!c.Bytes(value, valueLen)) return false;
        // Attributes of the file as a whole are those of stream 0.
        if (stream == 0) p.metadata.push_back(Attr(Utf16(name), AttrType(type), value));
    }
    return true;
}

bool ParseObjects(TCursor c, TParse& p, int depth);

bool ParseObject(const TGuid& id, TCursor body, TParse& p, int depth) {
    if (Same(id, kFileProps)) {
        TGuid fileId{};
        uint64_t size = 0, created = 0, packets = 0, send = 0;
        uint32_t minPacket = 0, maxPacket = 0;
        if (!body.Guid(fileId) || !body.U64(size) || !body.U64(created) || !body.U64(packets) ||
            !body.U64(p.out.PlayDuration) || !body.U64(send) || !body.U64(p.out.Preroll) ||
            !body.U32(p.out.Flags) || !body.U32(minPacket) || !body.U32(maxPacket) ||
            !body.U32(p.out.MaxBitrate))
            return false;
        p.out.MinPacket = minPacket;
        p.out.MaxPacket = maxPacket;
        p.haveFileProps = true;
        return true;
    }
    if (Same(id, kStreamProps)) return ParseStreamProps(body, p);
    if (Same(id, kContentDesc)) return ParseContentDesc(body, p);
    if (Same(id, kExtContentDesc)) return ParseExtContentDesc(body, p);
    if (Same(id, kMetadata)) return ParseMetadata(body, p);
    if (Same(id, kMetadataLib)) return ParseMetadata(body, p);
    if (Same(id, kEncryption) || Same(id, kExtEncryption)) {
        p.out.Protected = true;
        return true;
    }
    if (Same(id, kHeaderExt) && depth == 0) {
        TGuid reserved{};
        uint16_t r2 = 0;
        uint32_t dataSize = 0;
        if (!body.Guid(reserved) || !body.U16(r2) || !body.U32(dataSize) || !body.Has(dataSize))
            return false;
        return ParseObjects(TCursor(body.Here(), dataSize), p, depth + 1);
    }
    if (Same(id, kExtStreamProps)) {
        // Fixed part of 64 bytes, then names and payload extensions, then an
        // optional stream properties object for streams not in the main header.
        uint16_t streamNumber = 0, nameCount = 0, extCount = 0;
        if (!body.Skip(48) || !body.U16(streamNumber) || !body.Skip(2) || !body.U16(nameCount) ||
            !body.U16(extCount))
            return true; // a damaged optional object is ignored
        for (int i = 0; i < nameCount; ++i) {
            uint16_t lang = 0, len = 0;
            if (!body.U16(lang) || !body.U16(len) || !body.Skip(len)) return true;
        }
        for (int i = 0; i < extCount; ++i) {
            uint32_t len = 0;
            if (!body.Skip(16) || !body.Skip(2) || !body.U32(len) || !body.Skip(len)) return true;
        }
        TGuid sub{};
        uint64_t subSize = 0;
        if (body.Left() >= 24 && body.Guid(sub) && body.U64(subSize) && Same(sub, kStreamProps) &&
            subSize >= 24 && subSize - 24 <= uint64_t(body.Left()))
            return ParseStreamProps(TCursor(body.Here(), int64_t(subSize) - 24), p);
        return true;
    }
    return true; // objects we do not need
}

bool ParseObjects(TCursor c, TParse& p, int depth) {
    while (c.Left() > 0) {
        TGuid id{};
        uint64_t size = 0;
        if (!c.Guid(id) || !c.U64(size)) return false;
        // An object must at least hold its own header and stay inside its parent.
        if (size < 24 || size - 24 > uint64_t(c.Left())) return false;
        const int64_t bodySize = int64_t(size - 24);
        if (!ParseObject(id, TCursor(c.Here(), bodySize), p, depth)) return false;
        c.Skip(bodySize);
    }
    return true;
}

// Payload bytes of the data object that follows the header, or, when it is
// not there whole, every byte after the header.
uint64_t AsfDataBytes(const QByteArray& data, uint64_t headerSize, int64_t fileSize) {
    const uint64_t after = uint64_t(fileSize) > headerSize ? uint64_t(fileSize) - headerSize : 0;
    constexpr uint64_t kDataHeader = 50; // GUID, size, file id, packet count, reserved
    if (uint64_t(data.size()) < headerSize + 24) return after;
    TCursor c(reinterpret_cast<const uint8_t*>(data.constData()) + headerSize, 24);
    TGuid id{};
    uint64_t size = 0;
    if (!c.Guid(id) || !Same(id, kData) || !c.U64(size) || size < kDataHeader || size > after)
        return after;
    return size - kDataHeader;
}

// The data object's size and packet count, when it follows the header whole.
void ReadDataObject(const QByteArray& data, int64_t fileSize, TAsfHeader& out) {
    const uint64_t at = out.HeaderSize;
    if (uint64_t(data.size()) < at + 50) return;
    TCursor c(reinterpret_cast<const uint8_t*>(data.constData()) + at, 50);
    TGuid id{}, fileId{};
    uint64_t size = 0, packets = 0;
    if (!c.Guid(id) || !Same(id, kData) || !c.U64(size) || !c.Guid(fileId) || !c.U64(packets))
        return;
    if (size < 50 || size > uint64_t(fileSize) - at) return;
    out.DataSize = size;
    out.DataPackets = packets;
}

} // namespace

uint32_t ParseAsfHeader(const QByteArray& data, int64_t fileSize, TAsfHeader& out) {
    out = TAsfHeader();
    TCursor c(reinterpret_cast<const uint8_t*>(data.constData()), data.size());
    TGuid id{};
    uint64_t size = 0;
    uint32_t count = 0;
    uint16_t reserved = 0;
    if (!c.Guid(id) || !Same(id, kHeader) || !c.U64(size) || !c.U32(count) || !c.U16(reserved))
        return asfErrInvalidFormat;
    if (size < 30 || size > uint64_t(fileSize) || size > uint64_t(data.size()))
        return asfErrInvalidFormat;
    out.HeaderSize = size;
    TParse p{out, {}, {}, {}, false};
    if (!ParseObjects(TCursor(c.Here(), int64_t(size) - 30), p, 0) || !p.haveFileProps)
        return asfErrInvalidFormat;

    ReadDataObject(data, fileSize, out);
    bool hasAudio = false, hasVideo = false;
    uint64_t streamBits = 0;
    for (const TAsfStream& s : out.Streams) {
        hasAudio |= s.Audio;
        hasVideo |= s.Video;
        streamBits += uint64_t(s.AvgBytesPerSec) * 8u;
    }
    const uint64_t prerollTicks = out.Preroll * 10000u;
    const uint64_t duration = out.PlayDuration > prerollTicks ? out.PlayDuration - prerollTicks : 0;
    // The streams' own average rates, else the data's bytes over the duration;
    // the file's maximum counts packet overhead, is a peak, and is often unset.
    double bits = double(streamBits);
    if (bits == 0 && duration > 0)
        bits = double(AsfDataBytes(data, size, fileSize)) * 8.0 * 1e7 / double(duration);
    const uint32_t bitrate = uint32_t(std::min(bits, double(INT32_MAX)));
    const bool seekable = (out.Flags & 2) != 0;
    const bool broadcast = (out.Flags & 1) != 0;
    auto& a = out.Attributes;
    a.push_back(Attr(QStringLiteral("Duration"), asfQword, Le(duration, 8)));
    a.push_back(Attr(QStringLiteral("Bitrate"), asfDword, Le(bitrate, 4)));
    a.push_back(Attr(QStringLiteral("Seekable"), asfBool, Le(seekable, 4)));
    a.push_back(Attr(QStringLiteral("Stridable"), asfBool, Le(0, 4)));
    a.push_back(Attr(QStringLiteral("Broadcast"), asfBool, Le(broadcast, 4)));
    a.push_back(Attr(QStringLiteral("Is_Protected"), asfBool, Le(out.Protected, 4)));
    a.push_back(Attr(QStringLiteral("Is_Trusted"), asfBool, Le(0, 4)));
    a.push_back(Attr(QStringLiteral("HasAudio"), asfBool, Le(hasAudio, 4)));
    a.push_back(Attr(QStringLiteral("HasImage"), asfBool, Le(0, 4)));
    a.push_back(Attr(QStringLiteral("HasScript"), asfBool, Le(0, 4)));
    a.push_back(Attr(QStringLiteral("HasVideo"), asfBool, Le(hasVideo, 4)));
    // The same attribute stored by two objects is one attribute; the later wins.
    const size_t synthesised = a.size();
    auto add = [&](const std::vector<TAsfAttribute>& list) {
        for (const TAsfAttribute& x : list) {
            bool merged = false;
            for (size_t i = synthesised; i < a.size() && !merged; ++i)
                if (a[i].Name.compare(x.Name, Qt::CaseInsensitive) == 0) {
                    a[i] = x;
                    merged = true;
                }
            if (!merged) a.push_back(x);
        }
    };
    add(p.content);
    add(p.extended);
    add(p.metadata);
    return 0;
}

uint32_t ReadAsfHeader(const QString& fileName, TAsfHeader& out) {
    out = TAsfHeader();
    try {
        TWFileStream s(fileName, fmOpenRead | fmShareDenyNone);
        const int64_t fileSize = s.GetSize();
        uint8_t head[30];
        if (s.Read(head, 30) != 30) return asfErrInvalidFormat;
        uint64_t size = 0;
        for (int i = 7; i >= 0; --i)
            size = (size << 8) | head[16 + i];
        // The header is read whole; its size is bounded by the file's.
        if (size < 30 || size > uint64_t(fileSize) || size > (uint64_t(1) << 30))
            return asfErrInvalidFormat;
        QByteArray data(qsizetype(size), '\0');
        std::memcpy(data.data(), head, 30);
        if (s.Read(data.data() + 30, int64_t(size) - 30) != int64_t(size) - 30)
            return asfErrInvalidFormat;
        data += s.ReadBytesAt(int64_t(size), 50); // the data object's header
        return ParseAsfHeader(data, fileSize, out);
    } catch (const ESonvaleError&) {
        return asfErrFileNotFound;
    }
}

QString AsfGuidText(const uint8_t* g) {
    auto hex = [](uint64_t v, int digits) {
        return QStringLiteral("%1").arg(v, digits, 16, QChar('0')).toUpper();
    };
    uint32_t d1 = 0;
    uint16_t d2 = 0, d3 = 0;
    for (int i = 3; i >= 0; --i)
        d1 = (d1 << 8) | g[i];
    d2 = uint16_t(g[4] | (g[5] << 8));
    d3 = uint16_t(g[6] | (g[7] << 8));
    QString tail;
    for (int i = 10; i < 16; ++i)
        tail += hex(g[i], 2);
    return QStringLiteral("{%1-%2-%3-%4%5-%6}")
        .arg(hex(d1, 8), hex(d2, 4), hex(d3, 4), hex(g[8], 2), hex(g[9], 2), tail);
}

QString AsfAttributeText(const TAsfAttribute& a) {
    const QByteArray& v = a.Value;
    auto le = [&](int n, bool& ok) {
        uint64_t x = 0;
        ok = v.size() >= n;
        if (!ok) return x;
        for (int i = n - 1; i >= 0; --i)
            x = (x << 8) | uint8_t(v[i]);
        return x;
    };
    bool ok = false;
    switch (a.Type) {
    case asfDword: {
        const uint64_t x = le(4, ok);
        if (ok) return QStringLiteral("=") + QString::number(uint32_t(x));
        break;
    }
    case asfString:
        return QStringLiteral("=") + Utf16(v);
    case asfBinary:
        return QStringLiteral("= Binary of length(%1)").arg(v.size());
    case asfBool:
        if (!v.isEmpty()) return QStringLiteral("=") + QString::number(uint8_t(v[0]));
        break;
    case asfQword: {
        const uint64_t x = le(8, ok);
        if (ok) return QStringLiteral("=") + QString::number(x);
        break;
    }
    case asfWord: {
        const uint64_t x = le(2, ok);
        if (ok) return QStringLiteral("=") + QString::number(uint16_t(x));
        break;
    }
    case asfGuid:
        if (v.size() >= 16)
            return QStringLiteral("=") + AsfGuidText(reinterpret_cast<const uint8_t*>(v.data()));
        break;
    default:
        break;
    }
    return QStringLiteral("= Unknown data of length(%1)").arg(v.size());
}

QString AsfTagName(const QString& attributeName) {
    static const char* const table[][2] = {
        {"Title", "TITLE"},
        {"Author", "ARTIST"},
        {"Description", "DESCRIPTION"},
        {"Rating", "RATING"},
        {"Copyright", "COPYRIGHT"},
        {"Duration", "DURATION"},
        {"Bitrate", "BITRATE"},
        {"Seekable", "SEEKABLE"},
        {"Stridable", "STRIDABLE"},
        {"Broadcast", "BROADCAST"},
        {"Use_DRM", "USEDRM"},
        {"DRM_Flags", "DRMFLAGS"},
        {"DRM_Level", "DRMLEVEL"},
        {"Is_Protected", "PROTECTED"},
        {"Is_Trusted", "TRUSTED"},
        {"Signature_Name", "SIGNATURE"},
        {"HasAudio", "HASAUDIO"},
        {"HasImage", "HASIMAGE"},
        {"HasScript", "HASSCRIPT"},
        {"HasVideo", "HASVIDEO"},
        {"CurrentBitrate", "BITRATE"},
        {"OptimalBitrate", "OPTIMALBITRATE"},
        {"WM/AlbumTitle", "ALBUM"},
        {"WM/Composer", "COMPOSER"},
        {"WM/Lyrics", "WRITER"},
        {"WM/Track", "TRACK"},
        {"WM/TrackNumber", "TRACKNUMBER"},
        {"WM/PromotionURL", "WEB"},
        {"WM/AlbumCoverURL", "COVERWEB"},
        {"WM/Genre", "GENRE"},
        {"WM/Year", "YEAR"},
        {"WM/GenreID", "GENREID"},
        {"WM/MCDI", "MCDI"},
        {"BannerImageType", "BANNERIMAGETYPE"},
        {"BannerImageData", ""},
        {"BannerImageURL", "BANNERIMAGEWEB"},
        {"CopyrightURL", "COPYRIGHTWEB"},
        {"NSC_Name", "RADIONAME"},
        {"NSC_Address", "RADIOADDRESS"},
        {"NSC_Phone", "RADIOPHONE"},
        {"NSC_Email", "RADIOEMAIL"},
        {"NSC_Description", "RADIODESCRIPTION"},
    };
    constexpr int rows = int(sizeof(table) / sizeof(table[0]));
    for (int i = rows - 1; i >= 0; --i)
        if (attributeName.compare(QLatin1String(table[i][0]), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(table[i][1]);
    return attributeName;
}

#include "tags/ApeTag.h"

#include "io/SafeRewrite.h"
#include "io/WFileStream.h"
#include "tags/FieldList.h"

#include <QSet>
#include <cstring>

namespace {

constexpr uint32_t kApeVersion = 2000;
constexpr uint32_t kHasHeader = 0x80000000u;
// Far above any real tag; keeps a damaged size from a huge allocation.
constexpr int64_t kMaxTagSize = 256 << 20;

uint32_t LE32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void AppendLE32(QByteArray& out, uint32_t v) {
    char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.append(b, 4);
}

} // namespace

bool TAPEV2Tag::Open(const QString& fileName) {
    FileName = fileName;
    return Read();
}

bool TAPEV2Tag::Read() {
    Fields.clear();
    items.clear();
    Present = false;
    HasId3v1 = false;
    TagStart = TotalLength = ItemsStart = ItemsLength = 0;
    try {
        TWFileStream s(FileName, fmOpenRead | fmShareDenyNone);
        const int64_t size = s.GetSize();
        if (size >= 128) {
            char magic[3];
            s.Seek(size - 128, TSeekOrigin::soBeginning);
            HasId3v1 = s.Read(magic, 3) == 3 && std::memcmp(magic, "TAG", 3) == 0;
        }
        int64_t trailerStart = size - (HasId3v1 ? 128 : 0);
        // A Lyrics3 v2 block may sit between the tag and the ID3v1 block.
        if (trailerStart >= 15) {
            char lyr[15];
            s.Seek(trailerStart - 15, TSeekOrigin::soBeginning);
            if (s.Read(lyr, 15) == 15 && std::memcmp(lyr + 6, "LYRICS200", 9) == 0) {
                bool ok = false;
                int64_t n = QByteArray(lyr, 6).toLongLong(&ok, 10);
                if (ok && n >= 11 && n + 15 <= trailerStart) trailerStart -= n + 15;
            }
        }
        const int64_t footerPos = trailerStart - 32;
        if (footerPos < 0) return true;
        unsigned char f[32];
        s.Seek(footerPos, TSeekOrigin::soBeginning);
        if (s.Read(f, 32) != 32) return true;
        if (std::memcmp(f, "APETAGEX", 8) != 0 || LE32(f + 8) != kApeVersion) return true;
        const int64_t tagSize = LE32(f + 12);
        const uint32_t count = LE32(f + 16);
        const uint32_t flags = LE32(f + 20);
        const int64_t footerEnd = footerPos + 32;
        // A size beyond the start of the file is damage, not a tag.
        if (tagSize < 32 || tagSize > footerEnd || tagSize > kMaxTagSize) return true;
        const bool header = flags & kHasHeader;
        ItemsLength = tagSize - 32;
        ItemsStart = footerEnd - tagSize;
        TotalLength = tagSize + (header ? 32 : 0);
        TagStart = footerEnd - TotalLength;
        if (TagStart < 0) return true;

        QByteArray block(int(ItemsLength), Qt::Uninitialized);
        s.Seek(ItemsStart, TSeekOrigin::soBeginning);
        if (s.Read(block.data(), ItemsLength) != ItemsLength) return true;
        Present = true;
        const auto* u = reinterpret_cast<const unsigned char*>(block.constData());
        const int64_t n = block.size();
        int64_t pos = 0;
        // The block is walked to its end: item counts are often wrong.
        (void)count;
        while (pos + 8 < n) {
            const uint32_t len = LE32(u + pos);
            const uint32_t itemFlags = LE32(u + pos + 4);
            int keyEnd = block.indexOf('\0', int(pos + 8));
            if (keyEnd < 0) {
                Present = false;
                break;
            }
            QByteArray key = block.mid(int(pos + 8), int(keyEnd - pos - 8));
            int64_t valueStart = keyEnd + 1;
            if (int64_t(len) > n - valueStart) {
                // The value runs past the block: damaged.
                Present = false;
                break;
            }
            TApeItem item{key, itemFlags, block.mid(int(pos), int(valueStart + len - pos))};
            // Only text items are fields; binary and external ones are kept.
            if (((itemFlags >> 1) & 3) == 0) {
                QString value = QString::fromUtf8(block.constData() + valueStart, int(len));
                value.replace(QChar(0), QStringLiteral(" / "));
                Fields << QString::fromUtf8(key) + QLatin1Char('=') + value;
            }
            items.push_back(std::move(item));
            pos = valueStart + len;
        }
        return true;
    } catch (...) {
        Present = false;
        return false;
    }
}

QByteArray TAPEV2Tag::BuildTag() const {
    QByteArray body;
    uint32_t count = 0;
    QSet<QString> listed;
    for (const QString& line : Fields) {
        int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        // Keys are unique in a tag: the first line of a name wins, as in a
        // lookup.
        const QString lowerKey = line.left(eq).toLower();
        if (listed.contains(lowerKey)) continue;
        listed.insert(lowerKey);
        QByteArray key = line.left(eq).toUtf8();
        QByteArray value = line.mid(eq + 1).toUtf8();
        AppendLE32(body, uint32_t(value.size()));
        AppendLE32(body, 0);
        body += key;
        body += '\0';
        body += value;
        ++count;
    }
    for (const TApeItem& item : items) {
        if (listed.contains(QString::fromUtf8(item.Key).toLower())) continue;
        body += item.Raw;
        ++count;
    }
    QByteArray out = body;
    out += "APETAGEX";
    AppendLE32(out, kApeVersion);
    AppendLE32(out, uint32_t(body.size() + 32));
    AppendLE32(out, count);
    AppendLE32(out, 0);
    out += QByteArray(8, '\0');
    return out;
}

bool TAPEV2Tag::Write() {
    const QByteArray tag = BuildTag();
    const bool present = Present, id3v1 = HasId3v1;
    const int64_t start = TagStart, length = TotalLength;
    SafeRewriteFile(FileName, [&](TWFileStream& in, TWFileStream& out) {
        const int64_t size = in.GetSize();
        int64_t before, after;
        if (present) {
            before = std::min(start, size);
            after = std::min(start + length, size);
        } else if (id3v1 && size >= 128) {
            before = after = size - 128;
        } else {
            before = after = size;
        }
        CopyStreamRange(in, 0, before, out);
        out.WriteBuffer(tag.constData(), tag.size());
        CopyStreamRange(in, after, size - after, out);
    });
    Read();
    return true;
}

bool TAPEV2Tag::Remove() {
    if (!Present) return true;
    const int64_t start = TagStart, length = TotalLength;
    SafeRewriteFile(FileName, [&](TWFileStream& in, TWFileStream& out) {
        const int64_t size = in.GetSize();
        const int64_t before = std::min(start, size), after = std::min(start + length, size);
        CopyStreamRange(in, 0, before, out);
        CopyStreamRange(in, after, size - after, out);
    });
    Read();
    return true;
}

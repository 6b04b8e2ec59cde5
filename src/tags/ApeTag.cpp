#include "tags/ApeTag.h"

#include "tags/FieldList.h"

#include <QSet>
#include <algorithm>
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

int64_t TAPEV2Tag::FooterTagSize(const QByteArray& footer) {
    if (footer.size() < 32) return 0;
    const auto* f = reinterpret_cast<const unsigned char*>(footer.constData()) + footer.size() - 32;
    if (std::memcmp(f, "APETAGEX", 8) != 0 || LE32(f + 8) != kApeVersion) return 0;
    const int64_t tagSize = LE32(f + 12);
    if (tagSize < 32 || tagSize > kMaxTagSize) return 0;
    return tagSize + ((LE32(f + 20) & kHasHeader) ? 32 : 0);
}

bool TAPEV2Tag::Parse(const QByteArray& tag) {
    Fields.clear();
    items.clear();
    Present = false;
    TotalLength = FooterTagSize(tag);
    // A size beyond the bytes at hand (the start of the file) is damage, not a tag.
    if (TotalLength == 0 || TotalLength > tag.size()) return false;
    const int64_t tagSize =
        LE32(reinterpret_cast<const unsigned char*>(tag.constData()) + tag.size() - 20);
    const QByteArray block = tag.mid(int(tag.size() - tagSize), int(tagSize - 32));
    Present = true;
    const auto* u = reinterpret_cast<const unsigned char*>(block.constData());
    const int64_t n = block.size();
    int64_t pos = 0;
    // The block is walked to its end: item counts are often wrong.
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
        TApeItem item{key, itemFlags, block.mid(int(pos), int(valueStart + len - pos)), {}};
        // Only text items are fields; binary and external ones are kept.
        if (((itemFlags >> 1) & 3) == 0) {
            item.Text = QString::fromUtf8(block.constData() + valueStart, int(len));
            item.Text.replace(QChar(0), QStringLiteral(" / "));
            Fields << QString::fromUtf8(key) + QLatin1Char('=') + item.Text;
        }
        items.push_back(std::move(item));
        pos = valueStart + len;
    }
    return Present;
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
        // A value as it was read keeps its item as stored (several values,
        // flags).
        const QString text = line.mid(eq + 1);
        auto same = std::find_if(items.begin(), items.end(), [&](const TApeItem& item) {
            return ((item.Flags >> 1) & 3) == 0 && item.Text == text &&
                   QString::fromUtf8(item.Key).toLower() == lowerKey;
        });
        if (same != items.end()) {
            body += same->Raw;
            ++count;
            continue;
        }
        QByteArray key = line.left(eq).toUtf8();
        QByteArray value = text.toUtf8();
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

#include "audio/WavTags.h"

#include "io/FileEdit.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace {

// A LIST/INFO chunk above this is damage; real ones hold a few short texts.
constexpr uint32_t kMaxInfoSize = 1 << 20;
// Real files hold a handful of chunks; a file of millions of empty ones is not walked
// to its end (and gets no new chunk).
constexpr int kMaxChunks = 10000;

uint32_t LE32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}

QByteArray LE32Bytes(uint32_t v) {
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

struct TRiffChunk {
    int64_t Offset = 0; // of the header
    uint32_t Size = 0;
    int64_t Stored = 0; // header, body and the pad byte as far as the file has it
};

struct TWaveLayout {
    int64_t FileSize = 0;
    TTagRegion Leading;
    bool Riff = false;
    int64_t RiffStart = 0;
    uint32_t RiffSize = 0;
    int64_t RiffEnd = 0;     // as declared, or the end of the file when that cannot be right
    int64_t ChunksEnd = 0;   // behind the last whole chunk
    bool PadMissing = false; // the end of the file cuts off the last chunk's pad byte
    bool Whole = true;       // no chunk runs past the end
    std::vector<TRiffChunk> Id3Chunks;
    QByteArray Info; // the sub-chunks of a LIST/INFO chunk
    std::vector<TTagRegion> Trailing;
};

TWaveLayout ScanWaveLayout(TWFileStream& in) {
    TWaveLayout l;
    l.FileSize = in.GetSize();
    l.Leading = ScanLeadingId3v2(in);
    l.RiffStart = l.Leading.Size;
    const QByteArray head = in.ReadBytesAt(l.RiffStart, 12);
    if (head.size() < 12 || !head.startsWith("RIFF")) return l;
    l.Riff = true;
    l.RiffSize = LE32(head.constData() + 4);
    const int64_t declared = l.RiffStart + 8 + int64_t(l.RiffSize);
    l.RiffEnd = l.RiffSize >= 4 && declared <= l.FileSize ? declared : l.FileSize;
    int64_t pos = l.RiffStart + 12;
    l.ChunksEnd = pos;
    // Every step moves on by at least 8 bytes: the walk ends.
    for (int chunks = 0; pos + 8 <= l.RiffEnd; ++chunks) {
        if (chunks == kMaxChunks) {
            l.Whole = false;
            break;
        }
        const QByteArray h = in.ReadBytesAt(pos, 8);
        if (h.size() < 8) break;
        const uint32_t size = LE32(h.constData() + 4);
        const int64_t bodyEnd = pos + 8 + int64_t(size);
        if (bodyEnd > l.FileSize) {
            l.Whole = false;
            break;
        }
        const int64_t next = bodyEnd + (size & 1);
        const QByteArray id = h.left(4);
        if (id == "id3 " || id == "ID3 ")
            l.Id3Chunks.push_back({pos, size, std::min(next, l.FileSize) - pos});
        else if (id == "LIST" && size >= 4 && size <= kMaxInfoSize && l.Info.isEmpty() &&
                 in.ReadBytesAt(pos + 8, 4) == "INFO")
            l.Info = in.ReadBytesAt(pos + 12, size - 4);
        if (next > l.FileSize) {
            l.PadMissing = true;
            l.ChunksEnd = bodyEnd;
            break;
        }
        pos = l.ChunksEnd = next;
    }
    l.Trailing = ScanTrailingTags(in, std::max(l.RiffEnd, l.ChunksEnd), l.FileSize);
    return l;
}

// The ID3v2 tag in a chunk body, read as far as its own size says.
QByteArray ChunkTagBytes(TWFileStream& in, const TRiffChunk& c) {
    const int64_t declared = TId3V2Tag::DeclaredSize(in.ReadBytesAt(c.Offset + 8, 10));
    return in.ReadBytesAt(c.Offset + 8, std::min<int64_t>(declared, c.Size));
}

// Text of an INFO value: UTF-8 when it is that, else ISO-8859-1; up to its NUL.
QString InfoText(const QByteArray& raw) {
    const int nul = raw.indexOf('\0');
    const QByteArray bytes = nul < 0 ? raw : raw.left(nul);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    return text.trimmed();
}

QStringList InfoFields(const QByteArray& info) {
    static const char* const kMap[][2] = {
        {"INAM", "TITLE"}, {"IART", "ARTIST"},   {"IPRD", "ALBUM"}, {"ICRD", "YEAR"},
        {"IGNR", "GENRE"}, {"ICMT", "COMMENTS"}, {"ITRK", "TRACK"}, {"IPRT", "TRACK"}};
    QStringList fields;
    int64_t pos = 0;
    while (pos + 8 <= info.size()) {
        const QByteArray id = info.mid(int(pos), 4);
        const int64_t size = LE32(info.constData() + pos + 4);
        if (size > info.size() - pos - 8) break;
        QString value = InfoText(info.mid(int(pos + 8), int(size)));
        for (const auto& m : kMap) {
            if (id != m[0] || value.isEmpty()) continue;
            const QString name = QString::fromLatin1(m[1]);
            if (name == QLatin1String("YEAR")) value = YearOfDate(value);
            if (FieldIndex(fields, name) < 0) fields << name + QLatin1Char('=') + value;
        }
        pos += 8 + size + (size & 1);
    }
    return fields;
}

struct TEdit {
    int64_t Offset = 0;
    int64_t OldSize = 0;
    QByteArray Bytes;
};

std::vector<TFilePiece> PiecesOf(std::vector<TEdit> edits, int64_t fileSize) {
    std::stable_sort(edits.begin(), edits.end(), [](const TEdit& a, const TEdit& b) {
        return a.Offset < b.Offset || (a.Offset == b.Offset && a.OldSize < b.OldSize);
    });
    std::vector<TFilePiece> pieces;
    int64_t pos = 0;
    for (const TEdit& e : edits) {
        pieces.push_back(TFilePiece::Keep(pos, e.Offset - pos));
        if (!e.Bytes.isEmpty()) pieces.push_back(TFilePiece::Insert(e.Bytes));
        pos = e.Offset + e.OldSize;
    }
    pieces.push_back(TFilePiece::Keep(pos, fileSize - pos));
    return pieces;
}

} // namespace

TWaveTagInfo ReadWaveTags(const QString& fileName) {
    TWaveTagInfo info;
    try {
        TWFileStream in(fileName, fmOpenRead | fmShareDenyNone);
        const TWaveLayout l = ScanWaveLayout(in);
        info.RiffStart = l.RiffStart;
        std::vector<QStringList> candidates;
        TId3V2Tag leading;
        if (l.Leading.Kind && leading.Parse(l.Leading.Bytes)) candidates.push_back(leading.Fields);
        for (const TRiffChunk& c : l.Id3Chunks) {
            TId3V2Tag chunk;
            if (chunk.Parse(ChunkTagBytes(in, c))) {
                candidates.push_back(chunk.Fields);
                break;
            }
        }
        if (!candidates.empty()) info.TagKinds |= tkId3v2;
        const QStringList infoFields = InfoFields(l.Info);
        if (!infoFields.isEmpty()) candidates.push_back(infoFields);
        for (const TTagRegion& r : l.Trailing) {
            if (r.Kind == tkId3v1) {
                TId3V1Tag v1;
                v1.Parse(r.Bytes);
                candidates.push_back(v1.Fields);
            }
            if (r.Kind == tkId3v1 || r.Kind == tkApeV2) info.TagKinds |= r.Kind;
        }
        auto withValues = std::find_if(candidates.begin(), candidates.end(), HasCommonValues);
        if (withValues != candidates.end())
            info.Tags = *withValues;
        else if (!candidates.empty())
            info.Tags = candidates.front();
    } catch (const ESonvaleError&) {
        return {};
    }
    return info;
}

bool ChangeWaveTags(const QString& fileName, const TTagChange& change) {
    const int remove = change.Remove & (tkId3v1 | tkId3v2 | tkApeV2);
    const int write = change.Write & (tkId3v1 | tkId3v2 | tkApeV2);
    std::unique_ptr<TWFileStream> file = OpenForTagWrite(fileName);
    const TWaveLayout l = ScanWaveLayout(*file);
    if (!l.Riff) return false;
    const TTagRegion* oldV1 = nullptr;
    const TTagRegion* oldApe = nullptr;
    for (const TTagRegion& r : l.Trailing) {
        if (r.Kind == tkId3v1) oldV1 = &r;
        if (r.Kind == tkApeV2) oldApe = &r;
    }
    const int writable = tkId3v2 | (oldV1 ? tkId3v1 : 0) | (oldApe ? tkApeV2 : 0);
    if (write && !(write & writable)) return false;

    std::vector<TEdit> edits;
    int64_t delta = 0; // bytes the RIFF gains
    if (l.Leading.Kind && (write & tkId3v2 || remove & tkId3v2))
        edits.push_back({0, l.Leading.Size, {}});
    if (write & tkId3v2) {
        // The tag that counts now gives the frames kept: the leading one, else a chunk's.
        TId3V2Tag tag;
        bool present = false;
        if (!(remove & tkId3v2)) {
            present = l.Leading.Kind && tag.Parse(l.Leading.Bytes);
            for (size_t i = 0; !present && i < l.Id3Chunks.size(); ++i)
                present = tag.Parse(ChunkTagBytes(*file, l.Id3Chunks[i]));
            if (!present) tag = TId3V2Tag();
        }
        const QStringList presentFields = tag.Fields;
        tag.Fields = change.LinesFor(tkId3v2, present ? &presentFields : nullptr);
        tag.TextEncoding = change.Id3v2TextEncoding;
        const int version = change.KeepId3v24 && tag.Version == 4 ? 4 : 3;
        QByteArray bytes = tag.Render(version);
        const TRiffChunk* chunk = l.Id3Chunks.empty() ? nullptr : &l.Id3Chunks.front();
        if (chunk && bytes.size() <= chunk->Size) {
            edits.push_back({chunk->Offset + 8, chunk->Size, tag.Render(version, chunk->Size)});
        } else {
            // Padded to an even length inside the tag: the chunk needs no pad byte.
            if (bytes.size() & 1) bytes = tag.Render(version, bytes.size() + 1);
            const QByteArray body = "id3 " + LE32Bytes(uint32_t(bytes.size())) + bytes;
            if (chunk) {
                edits.push_back({chunk->Offset, chunk->Stored, body});
                delta += body.size() - chunk->Stored;
            } else {
                if (!l.Whole) return false;
                const QByteArray placed = l.PadMissing ? QByteArray(1, '\0') + body : body;
                edits.push_back({l.ChunksEnd, 0, placed});
                delta += placed.size();
            }
        }
    } else if (remove & tkId3v2) {
        for (const TRiffChunk& c : l.Id3Chunks) {
            edits.push_back({c.Offset, c.Stored, {}});
            delta -= c.Stored;
        }
    }
    for (const TTagRegion& r : l.Trailing) {
        if (r.Kind == tkId3v1 && (write & tkId3v1)) {
            TId3V1Tag v1;
            v1.Parse(r.Bytes);
            v1.Fields = change.LinesFor(tkId3v1, remove & tkId3v1 ? nullptr : &v1.Fields);
            edits.push_back({r.Offset, r.Size, v1.Render()});
        } else if (r.Kind == tkApeV2 && (write & tkApeV2) && &r == oldApe) {
            TAPEV2Tag ape;
            if (!(remove & tkApeV2)) ape.Parse(r.Bytes);
            const QStringList presentFields = ape.Fields;
            ape.Fields = change.LinesFor(tkApeV2, ape.Present ? &presentFields : nullptr);
            edits.push_back({r.Offset, r.Size, ape.BuildTag()});
        } else if ((r.Kind & (remove | write)) && r.Kind != kLyrics3Block) {
            edits.push_back({r.Offset, r.Size, {}});
        }
    }
    if (delta != 0) {
        const int64_t riffSize = std::max(l.RiffEnd, l.ChunksEnd) + delta - l.RiffStart - 8;
        if (riffSize > int64_t(UINT32_MAX)) return false;
        edits.push_back({l.RiffStart + 4, 4, LE32Bytes(uint32_t(riffSize))});
    }
    ApplyFileEdit(*file, PiecesOf(edits, l.FileSize));
    return true;
}

#include "tags/OggTag.h"

#include "tags/OggApi.h"

#include "io/SafeRewrite.h"
#include "io/WFileStream.h"

#include <memory>

namespace {

constexpr long kChunk = 4096;
// Garbage tolerated before the first page and between the opening pages;
// libvorbisfile gives up after the same distance, and a large file that is
// not Ogg at all is not scanned to its end.
constexpr int64_t kMaxJunk = 65536;
// The three headers of a real file are far smaller; a hostile header packet
// that never ends stops here instead of filling the memory.
constexpr int64_t kMaxHeaderBytes = int64_t(128) << 20;

// The pages of a file in order, each with the file offset where it starts,
// so that whatever follows the rewritten stream can be copied byte for byte.
class TPageReader {
public:
    explicit TPageReader(TWFileStream& s) : stream(s), offset(s.Position()), lastPageEnd(offset) {
        ogg.ogg_sync_init(&sync);
    }
    ~TPageReader() { ogg.ogg_sync_clear(&sync); }
    TPageReader(const TPageReader&) = delete;
    TPageReader& operator=(const TPageReader&) = delete;

    // False at the end of the file, or when more than junkLimit bytes
    // (when not negative) had to be skipped to find a page.
    bool Next(ogg_page& page, int64_t& pageOffset, int64_t junkLimit = -1) {
        int64_t skipped = 0;
        for (;;) {
            long r = ogg.ogg_sync_pageseek(&sync, &page);
            if (r > 0) {
                pageOffset = offset;
                offset += r;
                lastPageEnd = offset;
                return true;
            }
            if (r < 0) {
                offset -= r;
                skipped -= r;
                if (junkLimit >= 0 && skipped > junkLimit) return false;
                continue;
            }
            char* buf = ogg.ogg_sync_buffer(&sync, kChunk);
            if (!buf) return false;
            int64_t n = stream.Read(buf, kChunk);
            if (n <= 0) return false;
            ogg.ogg_sync_wrote(&sync, long(n));
        }
    }
    // The first byte that was neither returned in a page nor skipped.
    int64_t Offset() const { return offset; }
    // The end of the last page returned.
    int64_t LastPageEnd() const { return lastPageEnd; }

private:
    const TOggApi& ogg = OggApi();
    TWFileStream& stream;
    ogg_sync_state sync;
    int64_t offset;
    int64_t lastPageEnd;
};

// The three header packets of the first Vorbis logical stream, with the
// input stream state left just behind them.
class TVorbisHeaders {
public:
    explicit TVorbisHeaders(TWFileStream& s) : Pages(s) {
        ogg.vorbis_info_init(&Info);
        ogg.vorbis_comment_init(&Comment);
    }
    ~TVorbisHeaders() {
        if (streamOpen) ogg.ogg_stream_clear(&In);
        ogg.vorbis_comment_clear(&Comment);
        ogg.vorbis_info_clear(&Info);
    }
    TVorbisHeaders(const TVorbisHeaders&) = delete;
    TVorbisHeaders& operator=(const TVorbisHeaders&) = delete;

    bool Open() {
        ogg_page page;
        int64_t pageOffset = 0;
        if (!Pages.Next(page, pageOffset, kMaxJunk)) return false;
        const int64_t start = pageOffset;
        // The beginning-of-stream pages open the file; ours is the first
        // that carries a Vorbis identification header.
        while (!TryIdentification(page)) {
            Multiplexed = true;
            if (!Pages.Next(page, pageOffset, kMaxJunk) || !ogg.ogg_page_bos(&page)) return false;
        }
        int headers = 1;
        ogg_packet op;
        while (headers < 3) {
            int r = ogg.ogg_stream_packetout(&In, &op);
            if (r == 1) {
                if (ogg.vorbis_synthesis_headerin(&Info, &Comment, &op) < 0) return false;
                if (++headers == 3)
                    Setup = QByteArray(reinterpret_cast<const char*>(op.packet), int(op.bytes));
                continue;
            }
            if (r < 0) return false; // a page of the headers is missing
            if (Pages.Offset() - start > kMaxHeaderBytes) return false;
            if (!Pages.Next(page, pageOffset, kMaxHeaderBytes)) return false;
            if (ogg.ogg_page_serialno(&page) != Serial) {
                Multiplexed = true;
                continue;
            }
            if (ogg.ogg_stream_pagein(&In, &page) < 0) return false;
        }
        return true;
    }

    TPageReader Pages;
    ogg_stream_state In{};
    vorbis_info Info{};
    vorbis_comment Comment{};
    int Serial = 0;
    QByteArray Identification;
    QByteArray Setup;
    // Another logical stream shares the file with the Vorbis one.
    bool Multiplexed = false;

private:
    bool TryIdentification(ogg_page& page) {
        if (!ogg.ogg_page_bos(&page)) return false;
        if (streamOpen) ogg.ogg_stream_clear(&In);
        ogg.ogg_stream_init(&In, ogg.ogg_page_serialno(&page));
        streamOpen = true;
        ogg_packet op;
        if (ogg.ogg_stream_pagein(&In, &page) < 0 || ogg.ogg_stream_packetout(&In, &op) != 1 ||
            ogg.vorbis_synthesis_headerin(&Info, &Comment, &op) < 0) {
            ogg.vorbis_info_clear(&Info);
            ogg.vorbis_info_init(&Info);
            return false;
        }
        Serial = ogg.ogg_page_serialno(&page);
        Identification = QByteArray(reinterpret_cast<const char*>(op.packet), int(op.bytes));
        return true;
    }

    const TOggApi& ogg = OggApi();
    bool streamOpen = false;
};

// The comment header packet, bit-packed as libvorbis packs its headers.
class TCommentPacket {
public:
    TCommentPacket(const QByteArray& vendor, const QList<QByteArray>& comments) {
        ogg.oggpack_writeinit(&buffer);
        ogg.oggpack_write(&buffer, 3, 8);
        for (char c : QByteArrayLiteral("vorbis"))
            ogg.oggpack_write(&buffer, static_cast<unsigned char>(c), 8);
        WriteString(vendor);
        ogg.oggpack_write(&buffer, static_cast<unsigned long>(comments.size()), 32);
        for (const QByteArray& c : comments)
            WriteString(c);
        ogg.oggpack_write(&buffer, 1, 1);
    }
    ~TCommentPacket() { ogg.oggpack_writeclear(&buffer); }
    TCommentPacket(const TCommentPacket&) = delete;
    TCommentPacket& operator=(const TCommentPacket&) = delete;

    unsigned char* Data() { return ogg.oggpack_get_buffer(&buffer); }
    long Size() { return ogg.oggpack_bytes(&buffer); }

private:
    void WriteString(const QByteArray& s) {
        ogg.oggpack_write(&buffer, static_cast<unsigned long>(s.size()), 32);
        for (char c : s)
            ogg.oggpack_write(&buffer, static_cast<unsigned char>(c), 8);
    }
    const TOggApi& ogg = OggApi();
    oggpack_buffer buffer{};
};

class TOutStream {
public:
    TOutStream(int serial, TWFileStream& out) : out(out) { ogg.ogg_stream_init(&state, serial); }
    ~TOutStream() { ogg.ogg_stream_clear(&state); }
    TOutStream(const TOutStream&) = delete;
    TOutStream& operator=(const TOutStream&) = delete;

    void PacketIn(ogg_packet& op) {
        if (ogg.ogg_stream_packetin(&state, &op) != 0)
            throw ESonvaleError(QStringLiteral("Ogg stream error"));
    }
    void Flush() {
        ogg_page page;
        while (ogg.ogg_stream_flush(&state, &page))
            Write(page);
    }
    void PageOut() {
        ogg_page page;
        while (ogg.ogg_stream_pageout(&state, &page))
            Write(page);
    }

private:
    void Write(const ogg_page& page) {
        out.WriteBuffer(page.header, page.header_len);
        out.WriteBuffer(page.body, page.body_len);
    }
    const TOggApi& ogg = OggApi();
    TWFileStream& out;
    ogg_stream_state state{};
};

ogg_packet HeaderPacket(QByteArray& data, int64_t number) {
    ogg_packet op{};
    op.packet = reinterpret_cast<unsigned char*>(data.data());
    op.bytes = data.size();
    op.b_o_s = number == 0 ? 1 : 0;
    op.e_o_s = 0;
    op.granulepos = 0;
    op.packetno = number;
    return op;
}

// Writes the first Vorbis logical stream of `in` to `out` with a new comment
// header, then everything after that stream unchanged.
void Repaginate(TWFileStream& in, TWFileStream& out, const QList<QByteArray>& comments) {
    const TOggApi& ogg = OggApi();
    TVorbisHeaders h(in);
    if (!h.Open() || h.Multiplexed) throw EOggNotWritable();

    TOutStream os(h.Serial, out);
    {
        // The identification header sits alone on the first page; the
        // comment and setup headers end their own page, so that the audio
        // starts on a fresh one, as the Vorbis framing rules ask.
        ogg_packet ident = HeaderPacket(h.Identification, 0);
        os.PacketIn(ident);
        os.Flush();
        TCommentPacket comment(QByteArray(h.Comment.vendor ? h.Comment.vendor : ""), comments);
        ogg_packet cp{};
        cp.packet = comment.Data();
        cp.bytes = comment.Size();
        cp.packetno = 1;
        os.PacketIn(cp);
        ogg_packet setup = HeaderPacket(h.Setup, 2);
        os.PacketIn(setup);
        os.Flush();
    }

    bool endOfInput = false;
    int64_t tail = -1; // where the bytes after the Vorbis stream start
    auto fetch = [&](ogg_packet& op) {
        for (;;) {
            int r = ogg.ogg_stream_packetout(&h.In, &op);
            if (r == 1) return true;
            if (r < 0) continue; // a hole in the data: go on behind it
            if (endOfInput) return false;
            ogg_page page;
            int64_t pageOffset = 0;
            if (!h.Pages.Next(page, pageOffset)) {
                // Bytes behind the last page (a tag some programs append, a
                // cut page) are kept as they are.
                endOfInput = true;
                tail = h.Pages.LastPageEnd();
                continue;
            }
            if (ogg.ogg_page_serialno(&page) != h.Serial) {
                // A new link of a chained file whose previous link lacks its
                // end mark; any other page means interleaved streams, which
                // re-paginating one of them would break.
                if (!ogg.ogg_page_bos(&page)) throw EOggNotWritable();
                endOfInput = true;
                tail = pageOffset;
                continue;
            }
            ogg.ogg_stream_pagein(&h.In, &page);
            if (ogg.ogg_page_eos(&page)) {
                endOfInput = true;
                tail = h.Pages.Offset();
            }
        }
    };

    // Packets inside a page carry no granule position: give each the running
    // sample count. A packet that carries one resets the count to it; when
    // the count had run past it (a shortened last block) its page ends there.
    ogg_int64_t granule = 0;
    long previousBlock = 0;
    bool needFlush = false, needOut = false;
    ogg_packet op;
    while (fetch(op)) {
        long block = ogg.vorbis_packet_blocksize(&h.Info, &op);
        if (block > 0) {
            if (previousBlock > 0) granule += (previousBlock + block) / 4;
            previousBlock = block;
        }
        if (needFlush)
            os.Flush();
        else if (needOut)
            os.PageOut();
        needFlush = needOut = false;
        if (op.granulepos == -1) {
            op.granulepos = granule;
        } else {
            if (granule > op.granulepos)
                needFlush = true;
            else
                needOut = true;
            granule = op.granulepos;
        }
        os.PacketIn(op);
    }
    os.Flush();

    const int64_t size = in.GetSize();
    if (tail >= 0 && tail < size) CopyStreamRange(in, tail, size - tail, out);
}

} // namespace

bool TOggTag::Read(TWFileStream& in) {
    Fields.clear();
    Vendor.clear();
    Multiplexed = false;
    OggApi(); // without the libraries the file cannot be read: that is told, not a missing tag
    try {
        TVorbisHeaders h(in);
        if (!h.Open()) return false;
        if (h.Comment.vendor) Vendor = QByteArray(h.Comment.vendor);
        for (int i = 0; i < h.Comment.comments; ++i) {
            const char* text = h.Comment.user_comments[i];
            int length = h.Comment.comment_lengths ? h.Comment.comment_lengths[i] : 0;
            Fields.append(text && length > 0 ? QString::fromUtf8(text, length) : QString());
        }
        Multiplexed = h.Multiplexed;
        return true;
    } catch (const ESonvaleError&) {
        Fields.clear();
        return false;
    }
}

void RewriteVorbisComments(TWFileStream& in, TWFileStream& out, const QStringList& fields) {
    QList<QByteArray> comments;
    for (const QString& line : fields) {
        QByteArray utf8 = line.toUtf8();
        if (!utf8.isEmpty()) comments.append(utf8);
    }
    in.Seek(0, TSeekOrigin::soBeginning);
    Repaginate(in, out, comments);
}

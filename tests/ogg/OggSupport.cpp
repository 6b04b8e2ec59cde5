#include "OggSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

namespace oggtest {

QByteArray EncodeVorbis(const TEncodeSpec& spec) {
    QByteArray result;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, spec.Channels, spec.Rate, spec.Quality) != 0) {
        vorbis_info_clear(&vi);
        return {};
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    for (const QByteArray& c : spec.Comments)
        vorbis_comment_add(&vc, c.constData());
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, spec.Serial);
    ogg_page og;
    auto append = [&](const ogg_page& p) {
        result.append(reinterpret_cast<const char*>(p.header), p.header_len);
        result.append(reinterpret_cast<const char*>(p.body), p.body_len);
    };

    ogg_packet h, hc, hcode;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hcode);
    if (!spec.Vendor.isEmpty()) {
        // Rebuild the comment packet with another vendor string.
        vorbis_comment other;
        vorbis_comment_init(&other);
        for (const QByteArray& c : spec.Comments)
            vorbis_comment_add(&other, c.constData());
        QByteArray v = spec.Vendor;
        other.vendor = v.data();
        oggpack_buffer pb;
        oggpack_writeinit(&pb);
        oggpack_write(&pb, 3, 8);
        for (char c : QByteArrayLiteral("vorbis"))
            oggpack_write(&pb, uint8_t(c), 8);
        oggpack_write(&pb, v.size(), 32);
        for (char c : v)
            oggpack_write(&pb, uint8_t(c), 8);
        oggpack_write(&pb, other.comments, 32);
        for (int i = 0; i < other.comments; ++i) {
            oggpack_write(&pb, other.comment_lengths[i], 32);
            for (int j = 0; j < other.comment_lengths[i]; ++j)
                oggpack_write(&pb, uint8_t(other.user_comments[i][j]), 8);
        }
        oggpack_write(&pb, 1, 1);
        ogg_packet p = hc;
        p.packet = oggpack_get_buffer(&pb);
        p.bytes = oggpack_bytes(&pb);
        ogg_stream_packetin(&os, &h);
        ogg_stream_packetin(&os, &p);
        if (!spec.DropSetup) ogg_stream_packetin(&os, &hcode);
        oggpack_writeclear(&pb);
        other.vendor = nullptr;
        vorbis_comment_clear(&other);
    } else {
        ogg_stream_packetin(&os, &h);
        ogg_stream_packetin(&os, &hc);
        if (!spec.DropSetup) ogg_stream_packetin(&os, &hcode);
    }
    while (ogg_stream_flush(&os, &og))
        append(og);

    const long total = long(std::lround(spec.Seconds * spec.Rate));
    long done = 0;
    bool eos = false;
    while (!eos) {
        long n = std::min<long>(1024, total - done);
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, int(n));
            for (long i = 0; i < n; ++i)
                for (int c = 0; c < spec.Channels; ++c)
                    buf[c][i] = 0.4f * float(std::sin(2.0 * M_PI * (220.0 + 110.0 * c) *
                                                      double(done + i) / spec.Rate));
            vorbis_analysis_wrote(&vd, int(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (spec.BigPages ? ogg_stream_pageout_fill(&os, &og, 65536)
                                     : ogg_stream_pageout(&os, &og)) {
                    append(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return result;
}

std::vector<TPage> ParsePages(const QByteArray& data) {
    std::vector<TPage> pages;
    const auto* d = reinterpret_cast<const uint8_t*>(data.constData());
    int64_t pos = 0;
    const int64_t size = data.size();
    while (pos + 27 <= size && std::memcmp(d + pos, "OggS", 4) == 0) {
        int segs = d[pos + 26];
        if (pos + 27 + segs > size) break;
        int64_t body = 0;
        for (int i = 0; i < segs; ++i)
            body += d[pos + 27 + i];
        TPage p;
        p.Offset = pos;
        p.Size = 27 + segs + body;
        if (pos + p.Size > size) break;
        p.Flags = d[pos + 5];
        uint64_t g = 0;
        for (int i = 7; i >= 0; --i)
            g = (g << 8) | d[pos + 6 + i];
        p.Granule = int64_t(g);
        p.Serial = uint32_t(d[pos + 14]) | uint32_t(d[pos + 15]) << 8 |
                   uint32_t(d[pos + 16]) << 16 | uint32_t(d[pos + 17]) << 24;
        p.Sequence = uint32_t(d[pos + 18]) | uint32_t(d[pos + 19]) << 8 |
                     uint32_t(d[pos + 20]) << 16 | uint32_t(d[pos + 21]) << 24;
        QByteArray copy = data.mid(pos, p.Size);
        FixPageCrc(copy, 0);
        p.CrcOk = copy == data.mid(pos, p.Size);
        pages.push_back(p);
        pos += p.Size;
    }
    return pages;
}

void FixPageCrc(QByteArray& data, int64_t offset) {
    auto* d = reinterpret_cast<unsigned char*>(data.data()) + offset;
    int segs = d[26];
    long body = 0;
    for (int i = 0; i < segs; ++i)
        body += d[27 + i];
    ogg_page page;
    page.header = d;
    page.header_len = 27 + segs;
    page.body = d + page.header_len;
    page.body_len = body;
    ogg_page_checksum_set(&page);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(data);
}

bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

int RunProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput();
    if (err) *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString MutagenPython() {
    static const QString found = [] {
        for (const QString& py : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            if (RunProgram(py,
                           {QStringLiteral("-c"), QStringLiteral("import mutagen.oggvorbis")}) == 0)
                return py;
        }
        return QString();
    }();
    return found;
}

QByteArray OggDecRaw(const QString& path) {
    QTemporaryDir dir;
    QString out = dir.filePath(QStringLiteral("out.raw"));
    if (RunProgram(QStringLiteral("oggdec"), {QStringLiteral("-Q"), QStringLiteral("-R"),
                                              QStringLiteral("-o"), out, path}) != 0)
        return {};
    return ReadAll(out);
}

QStringList VorbisCommentList(const QString& path) {
    QByteArray out;
    if (RunProgram(QStringLiteral("vorbiscomment"),
                   {QStringLiteral("-l"), QStringLiteral("-R"), path}, &out) != 0)
        return {QStringLiteral("<vorbiscomment failed>")};
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace oggtest

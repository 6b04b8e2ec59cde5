#include "audio/Ac3File.h"
#include "audio/AsfReader.h"
#include "audio/AudioFile.h"
#include "audio/WmaAudioFile.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using fixtures::MaxDiff;

using fixtures::ErrorOf;

class Readers : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* n) { return dir.filePath(QString::fromLatin1(n)); }
};

TEST_F(Readers, WmaPropertiesTagsAndPcmAgreeWithFfmpeg) {
    fixtures::EncodeOptions o;
    o.sampleRate = 32000;
    o.channels = 1;
    o.bitrate = 64000;
    o.seconds = 1.5;
    o.metadata = {{"title", "Tïtle ☃"}, {"artist", "Someone"}, {"album", "Alb"}};
    const QString p = Path("a.wma");
    ASSERT_TRUE(fixtures::EncodeWma(p, o));
    TWMAAudioFile r(p);
    EXPECT_EQ(r.GetSampleRate(), 32000);
    EXPECT_EQ(r.GetChannels(), 1);
    EXPECT_EQ(r.GetBitsPerSample(), 16);
    EXPECT_EQ(r.GetFormatCode(), fcWma);
    EXPECT_NEAR(r.GetBitrate(), 64000, 4000);
    EXPECT_TRUE(r.Tags.contains(QStringLiteral("TITLE=Tïtle ☃"))); // never narrowed
    EXPECT_TRUE(r.Tags.contains(QStringLiteral("ARTIST=Someone")));
    EXPECT_TRUE(r.Tags.contains(QStringLiteral("ALBUM=Alb")));
    EXPECT_TRUE(r.Tags.contains(QStringLiteral("HASAUDIO=1")));
    EXPECT_FALSE(r.WriteTags(-1));
    EXPECT_FALSE(r.RemoveTags(-1));

    std::vector<int16_t> ref;
    ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ref));
    const auto got = fixtures::ReadAllPcm16(r);
    EXPECT_NEAR(r.GetDuration() * 86400, double(ref.size()) / 32000, 0.07);
    EXPECT_NEAR(double(got.size() * 2), double(r.GetPcmSize()), 2048.0 * 2);
    ASSERT_EQ(got.size(), ref.size());
    EXPECT_EQ(MaxDiff(got, ref), 0);
    EXPECT_EQ(r.GetPosition(), int64_t(got.size() * 2));

    // Seeking back gives the same samples again.
    r.Seek(20000);
    EXPECT_EQ(r.GetPosition(), 20000);
    std::vector<int16_t> part(500);
    int count = 1000;
    ASSERT_TRUE(r.Read(part.data(), count));
    ASSERT_GT(count, 0);
    for (int i = 0; i < count / 2; ++i)
        ASSERT_EQ(part[size_t(i)], ref[10000 + size_t(i)]) << i;
}

QByteArray Guid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
    QByteArray g;
    for (int i = 0; i < 4; ++i)
        g += char(d1 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        g += char(d2 >> (8 * i));
    for (int i = 0; i < 2; ++i)
        g += char(d3 >> (8 * i));
    for (int i = 0; i < 8; ++i)
        g += char(d4 >> (8 * (7 - i)));
    return g;
}
QByteArray Le(uint64_t v, int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += char(v >> (8 * i));
    return b;
}
QByteArray Obj(const QByteArray& guid, const QByteArray& body) {
    return guid + Le(uint64_t(body.size()) + 24, 8) + body;
}
QByteArray U16(const QString& s) {
    QByteArray b(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    return b + QByteArray(2, '\0');
}
const QByteArray kAudio = Guid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);
const QByteArray kVideo = Guid(0xBC19EFC0, 0x5B4D, 0x11CF, 0xA8FD00805F5C442Bull);

QByteArray FileProps(uint64_t duration100ns, uint64_t prerollMs, uint32_t bitrate) {
    QByteArray b(16, '\0');
    b += Le(0, 8) + Le(0, 8) + Le(0, 8) + Le(duration100ns, 8) + Le(duration100ns, 8) +
         Le(prerollMs, 8) + Le(2, 4) + Le(0, 4) + Le(0, 4) + Le(bitrate, 4);
    return Obj(Guid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ull), b);
}
QByteArray StreamProps(const QByteArray& type, int number, int channels, int rate,
                       uint32_t bytesPerSecond = 8000) {
    QByteArray fmt = Le(0x161, 2) + Le(channels, 2) + Le(rate, 4) + Le(bytesPerSecond, 4) +
                     Le(2, 2) + Le(16, 2) + Le(0, 2);
    QByteArray b = type + QByteArray(16, '\0') + Le(0, 8) + Le(fmt.size(), 4) + Le(0, 4) +
                   Le(number, 2) + Le(0, 4) + fmt;
    return Obj(Guid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ull), b);
}
QByteArray ExtItem(const QString& name, int type, const QByteArray& value) {
    const QByteArray n = U16(name);
    return Le(n.size(), 2) + n + Le(type, 2) + Le(value.size(), 2) + value;
}
QByteArray ExtContent(const QList<QByteArray>& items) {
    QByteArray b = Le(items.size(), 2);
    for (const auto& i : items)
        b += i;
    return Obj(Guid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ull), b);
}
QByteArray Header(const QList<QByteArray>& objs) {
    QByteArray body;
    for (const auto& o : objs)
        body += o;
    return Guid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull) +
           Le(uint64_t(body.size()) + 30, 8) + Le(objs.size(), 4) + Le(0x0201, 2) + body;
}

TEST_F(Readers, AsfAttributeLinesFollowTheNameTableAndTypes) {
    const QByteArray guid = Guid(0x01020304, 0x0506, 0x0708, 0x090A0B0C0D0E0F10ull);
    const QByteArray h = Header(
        {FileProps(30000000 + 20000000, 2000, 96000), StreamProps(kAudio, 1, 2, 22050),
         ExtContent(
             {ExtItem("wm/albumtitle", 0, U16("Ålbum")), ExtItem("CurrentBitrate", 3, Le(95000, 4)),
              ExtItem("WM/Picture", 1, QByteArray(37, 'x')),
              ExtItem("BannerImageData", 1, QByteArray(5, 'x')), ExtItem("IsVBR", 2, Le(1, 4)),
              ExtItem("Big", 4, Le(1ull << 40, 8)), ExtItem("Small", 5, Le(65535, 2)),
              ExtItem("Odd", 9, QByteArray(3, 'z')), ExtItem("Id", 6, guid)})});
    const QString p = Path("h.wma");
    ASSERT_TRUE(fixtures::WriteFile(p, h));
    TWMAAudioFile r(p);
    EXPECT_EQ(r.Duration, 30000000);  // preroll taken off
    EXPECT_EQ(r.GetBitrate(), 64000); // the stream's 8000 bytes per second, not the file maximum
    EXPECT_EQ(r.GetSampleRate(), 22050);
    EXPECT_EQ(r.GetChannels(), 2);
    EXPECT_NEAR(r.GetDuration() * 86400.0, 3.0, 1e-9);
    EXPECT_EQ(r.GetPcmSize(), 0); // a header without packets decodes to nothing
    {
        const QString q = Path("odd.wma");
        ASSERT_TRUE(fixtures::WriteFile(q, Header({FileProps(30002000 + 20000000, 2000, 96000),
                                                   StreamProps(kAudio, 1, 2, 22050)})));
        EXPECT_NEAR(TWMAAudioFile(q).GetDuration() * 86400.0, 3.0002, 1e-9);
    }
    const QStringList& t = r.Tags;
    EXPECT_TRUE(t.contains(QStringLiteral("ALBUM=Ålbum")));
    EXPECT_EQ(t.filter(QRegularExpression("^BITRATE=")).size(), 2);
    EXPECT_TRUE(t.contains(QStringLiteral("BITRATE=95000")));
    EXPECT_TRUE(t.contains(QStringLiteral("WM/Picture= Binary of length(37)")));
    EXPECT_TRUE(t.contains(QStringLiteral("= Binary of length(5)")));
    EXPECT_TRUE(t.contains(QStringLiteral("IsVBR=1")));
    EXPECT_TRUE(t.contains(QStringLiteral("Big=1099511627776")));
    EXPECT_TRUE(t.contains(QStringLiteral("Small=65535")));
    EXPECT_TRUE(t.contains(QStringLiteral("Odd= Unknown data of length(3)")));
    EXPECT_TRUE(t.contains(QStringLiteral("Id={01020304-0506-0708-090A-0B0C0D0E0F10}")));
    EXPECT_TRUE(t.contains(QStringLiteral("DURATION=30000000")));
}

TEST_F(Readers, WmaRefusesHostileAndForeignFiles) {
    auto open = [&](const QByteArray& bytes) {
        const QString p = Path("x.wma");
        fixtures::WriteFile(p, bytes);
        return ErrorOf([&] { TWMAAudioFile r(p); });
    };
    const QByteArray fp = FileProps(10000000, 0, 0);
    const QString bad = QStringLiteral("Failed to open the wm file - 0xc00d0bbd");
    EXPECT_EQ(open(Header({fp, StreamProps(kAudio, 1, 2, 44100), StreamProps(kVideo, 2, 0, 0)})),
              QStringLiteral("This Windows Media file contains too many outputs (2)"));
    EXPECT_EQ(open(Header({fp, StreamProps(kVideo, 1, 0, 0)})),
              QStringLiteral("WMA doesn't contains Audio data"));
    EXPECT_EQ(open(QByteArray("not an asf file at all, really not")), bad);
    EXPECT_EQ(open(QByteArray()), bad);
    QByteArray whole = Header({fp, StreamProps(kAudio, 1, 2, 44100)});
    EXPECT_EQ(open(whole.left(whole.size() - 7)), bad); // header size beyond the file
    QByteArray zero = whole;
    zero.replace(30 + 16, 8, Le(0, 8)); // first object size 0
    EXPECT_EQ(open(zero), bad);
    QByteArray beyond = whole;
    beyond.replace(30 + 16, 8, Le(1ull << 62, 8));
    EXPECT_EQ(open(beyond), bad);
    QByteArray count =
        Header({fp, StreamProps(kAudio, 1, 2, 44100), ExtContent({ExtItem("a", 0, U16("b"))})});
    count.replace(count.size() - (2 + 4 + 2 + 2 + 4 + 2 + 4), 2, Le(60000, 2)); // item count
    EXPECT_EQ(open(count), bad);
    for (const auto& [channels, rate] :
         {std::pair{0, 44100}, std::pair{2, 0}, std::pair{256, 8000}, std::pair{2, 1000001}})
        EXPECT_EQ(open(Header({fp, StreamProps(kAudio, 1, channels, rate)})), bad) << channels;
    // A duration beyond any file: it saturates instead of wrapping, and the PCM
    // size is what decodes.
    const QString huge = Path("huge.wma");
    fixtures::WriteFile(huge, Header({FileProps(~0ull, 0, 0), StreamProps(kAudio, 1, 2, 44100)}));
    {
        TWMAAudioFile r(huge);
        EXPECT_EQ(r.Duration, INT64_MAX);
        EXPECT_EQ(r.GetPcmSize(), 0);
        EXPECT_GT(r.GetDuration(), 0.0);
    }
    EXPECT_EQ(ErrorOf([&] { TWMAAudioFile r(Path("missing.wma")); }),
              QStringLiteral("Failed to open the wm file - 0x80070002"));
}

TEST_F(Readers, AsfBitRateWithoutAStreamRateComesFromTheData) {
    // No stream rate and an unset file maximum: 24000 bytes of packets over 3 s.
    const QByteArray data = Guid(0x75B22636, 0x668E, 0x11CF, 0xA6D900AA0062CE6Cull) +
                            Le(50 + 24000, 8) + QByteArray(26, '\0') + QByteArray(24000, 'p');
    for (const auto& [duration, bitrate] : {std::pair{30000000ull, 64000}, std::pair{0ull, 0}}) {
        const QString p = Path("b.wma");
        ASSERT_TRUE(fixtures::WriteFile(
            p, Header({FileProps(duration, 0, 0xFFFFFFFF), StreamProps(kAudio, 1, 2, 22050, 0)}) +
                   data));
        EXPECT_EQ(TWMAAudioFile(p).GetBitrate(), bitrate);
    }
}

// What Read delivers, to the byte, is the PCM size: tags after the audio and
// a container's rounded duration do not count.
TEST_F(Readers, ReadDeliversExactlyThePcmSize) {
    fixtures::EncodeOptions o;
    o.seconds = 0.9;
    const QByteArray v1 = "TAG" + QByteArray(125, 'x');
    using Encoder = bool (*)(const QString&, const fixtures::EncodeOptions&, QString*);
    for (const auto& [name, encode] :
         {std::pair<const char*, Encoder>{"a.mp2", fixtures::EncodeMp2},
          {"a.ac3", fixtures::EncodeAc3},
          {"a.wma", fixtures::EncodeWma}}) {
        const QString p = Path(name);
        ASSERT_TRUE(encode(p, o, nullptr));
        if (!QString::fromLatin1(name).endsWith("wma"))
            fixtures::WriteFile(p, fixtures::ReadFile(p) + v1);
        auto r = CreateReader(FormatCodeOfName(p), p);
        EXPECT_EQ(int64_t(fixtures::ReadAllBytes(*r, 5000).size()), r->GetPcmSize()) << name;
    }
}

TEST_F(Readers, Ac3PropertiesAndPcmAgreeWithFfmpeg) {
    struct Case {
        int rate, channels, bitrate;
    } cases[] = {{48000, 2, 192000}, {44100, 1, 96000}, {32000, 2, 128000}};
    for (const Case& c : cases) {
        fixtures::EncodeOptions o;
        o.sampleRate = c.rate;
        o.channels = c.channels;
        o.bitrate = c.bitrate;
        o.seconds = 1.2;
        const QString p = Path("a.ac3");
        ASSERT_TRUE(fixtures::EncodeAc3(p, o));
        std::vector<int16_t> ref;
        int refRate = 0, refCh = 0;
        ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ref, &refRate, &refCh));
        TAc3File r(p);
        EXPECT_EQ(r.GetSampleRate(), refRate);
        EXPECT_EQ(r.GetChannels(), refCh);
        EXPECT_EQ(r.GetBitrate(), c.bitrate);
        EXPECT_EQ(r.GetFormatCode(), fcAc3);
        EXPECT_TRUE(r.IsSource());
        ASSERT_EQ(r.Tags.size(), 1);
        EXPECT_TRUE(r.Tags[0].startsWith(QStringLiteral("DECODER=")));
        const auto got = fixtures::ReadAllPcm16(r);
        EXPECT_NEAR(double(got.size() * 2), double(r.GetPcmSize()), double(r.PcmFrameBytes));
        ASSERT_EQ(got.size(), ref.size()) << c.rate;
        EXPECT_LE(MaxDiff(got, ref), 1) << c.rate; // 32767 versus 32768 scaling

        // A seek into the middle of a frame continues with the same samples.
        const int64_t at = int64_t(r.PcmFrameBytes) * 3 + 2 * c.channels * 100;
        r.Seek(at);
        EXPECT_EQ(r.GetPosition(), at);
        std::vector<int16_t> part(64);
        int count = 128;
        ASSERT_TRUE(r.Read(part.data(), count));
        ASSERT_EQ(count, 128);
        for (int i = 0; i < 64; ++i) // the decoder's dither may differ by one step
            EXPECT_NEAR(part[size_t(i)], got[size_t(at / 2) + size_t(i)], 2) << i;
    }
}

TEST_F(Readers, Ac3OneAtATimeOddSyncAndTags) {
    fixtures::EncodeOptions o;
    o.seconds = 0.3;
    const QString p = Path("a.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(p, o));
    {
        TAc3File first(p);
        EXPECT_EQ(ErrorOf([&] { TAc3File second(p); }),
                  QStringLiteral("AZID.DLL allow only one AC3 stream to be decoded at a time"));
    }
    EXPECT_TRUE(ErrorOf([&] { TAc3File again(p); }).isEmpty());

    const QByteArray bytes = fixtures::ReadFile(p);
    const QString odd = Path("odd.ac3");
    fixtures::WriteFile(odd, QByteArray(1, '\0') + bytes.left(400)); // one frame cut, odd start
    EXPECT_EQ(ErrorOf([&] { TAc3File r(odd); }), QStringLiteral("Invalid AC3 file"));
    EXPECT_EQ(TAc3File::Current(), nullptr);
    fixtures::WriteFile(odd, QByteArray(3, '\x0b'));
    EXPECT_EQ(ErrorOf([&] { TAc3File r(odd); }), QStringLiteral("Invalid AC3 file"));
    // A reserved sample-rate code is refused rather than divided by.
    QByteArray reserved = bytes;
    reserved[4] = char(0xC0 | (reserved[4] & 0x3F));
    fixtures::WriteFile(odd, reserved);
    EXPECT_EQ(ErrorOf([&] { TAc3File r(odd); }), QStringLiteral("Invalid AC3 file"));

    // An ID3v1 block replaces the tag lines; a truncated last frame ends the stream.
    QByteArray v1(128, '\0');
    v1.replace(0, 3, "TAG");
    v1.replace(3, 5, "Hello");
    const QString tagged = Path("t.ac3");
    fixtures::WriteFile(tagged, bytes + v1);
    TAc3File r(tagged);
    EXPECT_TRUE(r.Tags.contains(QStringLiteral("TITLE=Hello"))) << r.Tags.join('|').toStdString();
    EXPECT_FALSE(r.Tags.join('|').contains(QStringLiteral("DECODER=")));
    const auto got = fixtures::ReadAllPcm16(r);
    EXPECT_GT(got.size(), 0u);
}

// At 44.1 kHz the first frame may be the shorter of the two lengths an encoder
// mixes; the length must still agree with a full decode over a long file.
TEST_F(Readers, Ac3LengthAt44100FollowsTheDecodedFrames) {
    fixtures::EncodeOptions o;
    o.sampleRate = 44100;
    o.channels = 1;
    o.bitrate = 32000; // frames of 138 and 140 bytes
    o.seconds = 20;
    const QString p = Path("long.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(p, o));
    const QByteArray bytes = fixtures::ReadFile(p);
    ASSERT_EQ(uint8_t(bytes[4]) >> 6, 1);
    TAc3File r(p);
    EXPECT_EQ(r.FrameBytes, 138); // the first frame is a short one
    std::vector<int16_t> ref;
    ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ref));
    EXPECT_EQ(r.GetPcmSize(), int64_t(ref.size() * 2));
    const auto got = fixtures::ReadAllPcm16(r);
    EXPECT_EQ(int64_t(got.size() * 2), r.GetPcmSize());
    // Seeking late in the file lands on the frame a straight read has there.
    const int64_t at = r.GetPcmSize() - 5 * int64_t(r.PcmFrameBytes) + 300;
    r.Seek(at);
    std::vector<int16_t> part(100);
    int count = 200;
    ASSERT_TRUE(r.Read(part.data(), count));
    ASSERT_EQ(count, 200);
    // At this rate the decoder's dither after a restart moves samples by a few
    // steps; a wrong frame would be off by thousands.
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(part[size_t(i)], got[size_t(at / 2) + size_t(i)], 16) << i;
}

TEST_F(Readers, Ac3RefusesEac3AndReadsReducedRateStreams) {
    fixtures::EncodeOptions o;
    o.sampleRate = 48000;
    o.channels = 2;
    o.bitrate = 192000;
    o.seconds = 0.5;
    const QString p = Path("a.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(p, o));
    const QByteArray bytes = fixtures::ReadFile(p);
    const int frame = 2 * 2 * 192; // 48 kHz: every frame has the same length
    ASSERT_EQ(bytes.size() % frame, 0);
    auto withBsid = [&](int bsid) {
        QByteArray b = bytes;
        for (int i = 0; i < b.size(); i += frame)
            b[i + 5] = char((uint8_t(b[i + 5]) & 7) | (bsid << 3));
        return b;
    };
    const QString q = Path("b.ac3");

    // Bit-stream ids above 10 are E-AC-3: refused, not misread.
    for (int bsid : {11, 16, 31}) {
        ASSERT_TRUE(fixtures::WriteFile(q, withBsid(bsid)));
        EXPECT_EQ(ErrorOf([&] { TAc3File r(q); }), QStringLiteral("Invalid AC3 file")) << bsid;
        EXPECT_EQ(TAc3File::Current(), nullptr);
    }
    const QString corpus = fixtures::CorpusDir();
    if (!corpus.isEmpty()) {
        const QString e = Path("eac3.ac3");
        ASSERT_TRUE(QFile::copy(corpus + "/mutagen/silence-44-s.eac3", e));
        EXPECT_EQ(ErrorOf([&] { TAc3File r(e); }), QStringLiteral("Invalid AC3 file"));
    }
    // An AC-3 stream that goes on with E-AC-3 frames ends where they begin.
    QByteArray mixed = bytes.left(3 * frame) + withBsid(16).mid(3 * frame);
    ASSERT_TRUE(fixtures::WriteFile(q, mixed));
    {
        TAc3File r(q);
        EXPECT_EQ(fixtures::ReadAllPcm16(r).size(), size_t(3 * 1536 * 2));
    }

    // Ids 9 and 10 carry the same frames at half and a quarter of the rate.
    struct Reduced {
        int bsid, rate;
    };
    for (const Reduced c : {Reduced{9, 24000}, Reduced{10, 12000}}) {
        ASSERT_TRUE(fixtures::WriteFile(q, withBsid(c.bsid)));
        std::vector<int16_t> ref;
        int refRate = 0, refChannels = 0;
        ASSERT_TRUE(fixtures::DecodeWithFfmpeg(q, ref, &refRate, &refChannels));
        TAc3File r(q);
        EXPECT_EQ(refRate, c.rate);
        EXPECT_EQ(r.GetSampleRate(), c.rate);
        EXPECT_EQ(r.GetBitrate(), int(192000LL * c.rate / 48000));
        EXPECT_EQ(r.GetPcmSize(), int64_t(ref.size() * 2));
        EXPECT_NEAR(r.GetDuration() * 86400, 0.5 * 48000 / c.rate, 1536.0 / c.rate);
    }
}

TEST_F(Readers, Ac3SyncInsideALeadingId3v2TagIsNotAFrame) {
    fixtures::EncodeOptions o;
    o.sampleRate = 32000;
    o.channels = 1;
    o.bitrate = 64000;
    o.seconds = 0.4;
    const QString p = Path("a.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(p, o));
    // A private frame whose data looks like a 48 kHz stereo frame header.
    QByteArray frame("PRIV");
    const QByteArray data = QByteArray("x\0", 2) + QByteArray("\x0b\x77\0\0\x08\x40\x43", 7);
    fixtures::PutBE32(frame, uint32_t(data.size()));
    frame += QByteArray(2, '\0') + data;
    std::vector<int16_t> ref;
    ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ref));
    // An even tag length, an odd one (the stream then starts at an odd offset),
    // and an odd one followed by a zero byte.
    for (const auto& [padding, gap] : {std::pair{7, 0}, std::pair{8, 0}, std::pair{8, 1}}) {
        const QByteArray body = frame + QByteArray(padding, '\0');
        QByteArray tag("ID3\x03\x00\x00", 6);
        for (int shift : {21, 14, 7, 0})
            tag += char((body.size() >> shift) & 0x7F);
        tag += body;
        if (padding == 7) {
            ASSERT_EQ(tag.size() % 2, 0);
            ASSERT_EQ(tag.indexOf("\x0b\x77") % 2, 0);
        }
        tag += QByteArray(gap, '\0');
        const QString q = Path("tagged.ac3");
        ASSERT_TRUE(fixtures::WriteFile(q, tag + fixtures::ReadFile(p)));
        TAc3File r(q);
        EXPECT_EQ(r.FirstFrame, tag.size()) << padding << gap;
        EXPECT_EQ(r.GetSampleRate(), 32000);
        EXPECT_EQ(r.GetChannels(), 1);
        EXPECT_EQ(fixtures::ReadAllPcm16(r).size(), ref.size());
    }
}

// The decoder's complaints about a damaged frame reach the reader's Messages,
// and only those of the reader that decodes.
TEST_F(Readers, Ac3DecoderMessagesGoToTheCurrentReader) {
    fixtures::EncodeOptions o;
    o.sampleRate = 48000;
    o.bitrate = 192000;
    o.seconds = 0.5;
    const QString p = Path("a.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(p, o));
    QByteArray bytes = fixtures::ReadFile(p);
    const int frame = 2 * 2 * 192;
    for (int i = 2 * frame + 40; i < 3 * frame - 10; ++i) // frame 2's audio blocks
        bytes[i] = char(0xFF);
    const QString q = Path("bad.ac3");
    ASSERT_TRUE(fixtures::WriteFile(q, bytes.left(bytes.size() - 100))); // last frame cut
    {
        TAc3File clean(p);
        fixtures::ReadAllPcm16(clean);
        EXPECT_TRUE(clean.Messages.isEmpty()) << clean.Messages.join('|').toStdString();
    }
    TAc3File r(q);
    EXPECT_TRUE(r.Messages.isEmpty());
    const auto got = fixtures::ReadAllPcm16(r);
    EXPECT_GE(r.Messages.size(), 2) << r.Messages.join('|').toStdString();
    EXPECT_EQ(r.Messages.last(), QStringLiteral("End of file"));
    for (const QString& m : r.Messages)
        EXPECT_FALSE(m.isEmpty());
    // The stream goes on to the cut: only the damaged frame is lost.
    EXPECT_GE(got.size(), size_t(bytes.size() / frame - 2) * 1536 * 2);
}

// Broadcast recordings switch between stereo and 5.1 within one stream: the
// frames of the other layout are mixed into the first frame's layout, as
// FFmpeg's own converter does, and a seek finds frames of another length.
TEST_F(Readers, Ac3LayoutChangeMidStreamKeepsTheFirstLayout) {
    if (!fixtures::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
    fixtures::EncodeOptions o;
    o.sampleRate = 48000;
    o.seconds = 0.6;
    o.channels = 2;
    o.bitrate = 192000;
    o.freq = 441.3; // no whole number of periods in a frame: a wrong frame shows
    const QString stereo = Path("stereo.ac3"), surround = Path("surround.ac3");
    ASSERT_TRUE(fixtures::EncodeAc3(stereo, o));
    o.channels = 6;
    o.bitrate = 384000;
    ASSERT_TRUE(fixtures::EncodeAc3(surround, o));
    const QByteArray a = fixtures::ReadFile(stereo), b = fixtures::ReadFile(surround);
    struct Case {
        QByteArray bytes;
        int channels;
    };
    for (const Case& c : {Case{a + b, 2}, Case{b + a, 6}}) {
        SCOPED_TRACE(c.channels);
        const QString p = Path("mixed.ac3"), raw = Path("mixed.raw");
        ASSERT_TRUE(fixtures::WriteFile(p, c.bytes));
        ASSERT_EQ(fixtures::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", p, "-f", "s16le",
                                                  "-ac", QString::number(c.channels), raw}),
                  0);
        const QByteArray refBytes = fixtures::ReadFile(raw);
        std::vector<int16_t> ref(size_t(refBytes.size() / 2));
        std::memcpy(ref.data(), refBytes.constData(), ref.size() * 2);
        TAc3File r(p);
        EXPECT_EQ(r.GetChannels(), c.channels);
        const auto got = fixtures::ReadAllPcm16(r);
        ASSERT_EQ(got.size(), ref.size());
        EXPECT_LE(MaxDiff(got, ref), 1);
        // A seek into the second part, whose frames have the other length.
        const int64_t at = int64_t(got.size()) * 2 - 3 * r.PcmFrameBytes + 2 * c.channels * 7;
        r.Seek(at);
        std::vector<int16_t> part(60);
        int count = 120;
        ASSERT_TRUE(r.Read(part.data(), count));
        ASSERT_EQ(count, 120);
        for (int i = 0; i < 60; ++i)
            EXPECT_NEAR(part[size_t(i)], got[size_t(at / 2) + size_t(i)], 2) << i;
    }
}

} // namespace

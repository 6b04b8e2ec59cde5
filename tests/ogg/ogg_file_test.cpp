#include "OggSupport.h"
#include "audio/AudioFile.h"
#include "audio/OggFile.h"
#include "io/SonvaleError.h"
#include "support/TagFiles.h"
#include "tags/OggTag.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace oggtest;

namespace {

class OggFileTest : public ::testing::Test {
protected:
    QString Make(const QString& name, const TEncodeSpec& spec) {
        QString path = dir.filePath(name);
        WriteAll(path, EncodeVorbis(spec));
        return path;
    }
    // A file made by oggenc from a WAVE written by sox or ffmpeg.
    QString MakeWithOggenc(const QString& name, const QStringList& extra = {}) {
        if (!HaveProgram(QStringLiteral("oggenc"))) return {};
        TEncodeSpec spec;
        QString wav = dir.filePath(name + QStringLiteral(".wav"));
        QByteArray pcm;
        const int rate = 44100, frames = rate * 2;
        for (int i = 0; i < frames; ++i) {
            int16_t l = int16_t(8000 * std::sin(i * 0.05)), r = int16_t(6000 * std::sin(i * 0.031));
            pcm.append(reinterpret_cast<const char*>(&l), 2);
            pcm.append(reinterpret_cast<const char*>(&r), 2);
        }
        auto le32 = [](uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
        auto le16 = [](uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
        QByteArray w = "RIFF" + le32(36 + pcm.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(2) +
                       le32(rate) + le32(rate * 4) + le16(4) + le16(16) + "data" +
                       le32(pcm.size()) + pcm;
        WriteAll(wav, w);
        QString out = dir.filePath(name);
        QStringList args{QStringLiteral("-Q"), QStringLiteral("-o"), out};
        args << extra << wav;
        if (RunProgram(QStringLiteral("oggenc"), args) != 0) return {};
        return out;
    }
    QTemporaryDir dir;
};

// ogginfo's view of a file's first stream.
struct TOggInfo {
    int Channels = 0;
    int Rate = 0;
    double NominalKbps = 0;
    double LengthSeconds = 0;
    bool Clean = false; // no warning, no error
};

TOggInfo RunOggInfo(const QString& path) {
    TOggInfo info;
    QByteArray out, err;
    int rc = RunProgram(QStringLiteral("ogginfo"), {path}, &out, &err);
    QString text = QString::fromUtf8(out + err);
    info.Clean = rc == 0 && !text.contains(QLatin1String("WARNING")) &&
                 !text.contains(QLatin1String("ERROR"));
    auto grab = [&](const QString& re) {
        QRegularExpressionMatch m = QRegularExpression(re).match(text);
        return m.hasMatch() ? m.captured(1) : QString();
    };
    info.Channels = grab(QStringLiteral("Channels: (\\d+)")).toInt();
    info.Rate = grab(QStringLiteral("Rate: (\\d+)")).toInt();
    info.NominalKbps = grab(QStringLiteral("Nominal bitrate: ([0-9.]+)")).toDouble();
    QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Playback length: (\\d+)m:([0-9.]+)s")).match(text);
    if (m.hasMatch()) info.LengthSeconds = m.captured(1).toInt() * 60 + m.captured(2).toDouble();
    return info;
}

TEST_F(OggFileTest, PropertiesAgreeWithOggInfo) {
    if (!HaveProgram(QStringLiteral("ogginfo"))) GTEST_SKIP() << "ogginfo missing";
    struct Case {
        QString name;
        int rate, channels;
        double seconds;
    };
    const Case cases[] = {{QStringLiteral("stereo.ogg"), 44100, 2, 1.5},
                          {QStringLiteral("mono.ogg"), 22050, 1, 2.0},
                          {QStringLiteral("six.ogg"), 48000, 6, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        TEncodeSpec spec;
        spec.Rate = c.rate;
        spec.Channels = c.channels;
        spec.Seconds = c.seconds;
        QString path = Make(c.name, spec);
        TOggInfo info = RunOggInfo(path);
        ASSERT_TRUE(info.Clean);
        TOggFile f(path);
        EXPECT_EQ(f.GetChannels(), info.Channels);
        EXPECT_EQ(f.GetSampleRate(), info.Rate);
        EXPECT_EQ(f.GetBitrate(), int(std::lround(info.NominalKbps * 1000)));
        EXPECT_EQ(f.GetBitsPerSample(), 16);
        EXPECT_EQ(f.GetFormatCode(), fcOgg);
        EXPECT_TRUE(f.IsSource());
        EXPECT_EQ(f.GetFileSize(), QFileInfo(path).size());
        // libvorbisenc trims the last block, so the stream holds exactly the
        // samples given to it.
        EXPECT_EQ(f.PcmTotal, std::lround(c.seconds * c.rate));
        EXPECT_EQ(f.GetPcmSize(), f.PcmTotal * 2 * c.channels);
        EXPECT_NEAR(f.GetDuration() * 86400.0, info.LengthSeconds, 0.002);
        EXPECT_DOUBLE_EQ(f.GetDuration(), double(f.PcmTotal) / c.rate / 86400.0);
    }
}

TEST_F(OggFileTest, OggencFileReadsAsOggInfoAndOggDecSeeIt) {
    QString path =
        MakeWithOggenc(QStringLiteral("enc.ogg"), {QStringLiteral("-q"), QStringLiteral("2")});
    if (path.isEmpty() || !HaveProgram(QStringLiteral("ogginfo")) ||
        !HaveProgram(QStringLiteral("oggdec")))
        GTEST_SKIP() << "vorbis-tools missing";
    TOggInfo info = RunOggInfo(path);
    TOggFile f(path);
    EXPECT_EQ(f.GetChannels(), 2);
    EXPECT_EQ(f.GetSampleRate(), 44100);
    EXPECT_EQ(f.GetBitrate(), int(std::lround(info.NominalKbps * 1000)));
    EXPECT_NEAR(f.GetDuration() * 86400.0, info.LengthSeconds, 0.002);

    // Read in uneven pieces gives oggdec's PCM exactly.
    QByteArray reference = OggDecRaw(path);
    ASSERT_FALSE(reference.isEmpty());
    EXPECT_EQ(f.GetPcmSize(), reference.size());
    QByteArray all;
    std::vector<char> buf(7001);
    for (;;) {
        int count = int(buf.size());
        bool more = f.Read(buf.data(), count);
        if (!more) {
            EXPECT_EQ(count, 0);
            break;
        }
        all.append(buf.data(), count);
        EXPECT_EQ(f.GetPosition(), all.size());
    }
    EXPECT_EQ(all.size(), reference.size());
    EXPECT_TRUE(all == reference);
}

TEST_F(OggFileTest, ReadZeroFillsAfterTheEnd) {
    TEncodeSpec spec;
    spec.Channels = 1;
    spec.Rate = 8000;
    spec.Seconds = 0.25;
    TOggFile f(Make(QStringLiteral("short.ogg"), spec));
    const int pcm = int(f.GetPcmSize());
    ASSERT_EQ(pcm, 2000 * 2);
    std::vector<char> buf(size_t(pcm) + 5000, char(0x5A));
    int count = int(buf.size());
    EXPECT_TRUE(f.Read(buf.data(), count));
    EXPECT_EQ(count, pcm);
    for (size_t i = size_t(pcm); i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0) << "byte " << i;
    count = 100;
    std::fill(buf.begin(), buf.end(), char(0x5A));
    EXPECT_FALSE(f.Read(buf.data(), count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[99], 0);
}

TEST_F(OggFileTest, SeekGoesToTheSampleHoldingTheByte) {
    TEncodeSpec spec;
    spec.Seconds = 1.0;
    QString path = Make(QStringLiteral("seek.ogg"), spec);
    QByteArray whole;
    {
        TOggFile f(path);
        std::vector<char> buf(size_t(f.GetPcmSize()));
        int count = int(buf.size());
        f.Read(buf.data(), count);
        whole = QByteArray(buf.data(), count);
    }
    TOggFile f(path);
    f.Seek(4001); // stereo: sample 1000
    EXPECT_EQ(f.GetPosition(), 4000);
    char buf[4096];
    int count = sizeof buf;
    ASSERT_TRUE(f.Read(buf, count));
    EXPECT_EQ(QByteArray(buf, count), whole.mid(4000, count));
    f.Seek(0);
    EXPECT_EQ(f.GetPosition(), 0);
    f.Seek(-5); // ignored
    EXPECT_EQ(f.GetPosition(), 0);
}

TEST_F(OggFileTest, FacadeOpensOggAndReportsTheComments) {
    TEncodeSpec spec;
    spec.Comments = {"ARTIST=Someone", "title=Lower Case", "Genre=Ambient"};
    QString path = Make(QStringLiteral("facade.ogg"), spec);
    TAudioFile af;
    af.SetFileName(path);
    ASSERT_TRUE(af.Open());
    EXPECT_EQ(af.Reader->GetFormatCode(), fcOgg);
    EXPECT_EQ(af.Reader->TagKinds, tkVorbis);
    EXPECT_EQ(af.Reader->Tags,
              QStringList({"ARTIST=Someone", "title=Lower Case", "Genre=Ambient"}));
    EXPECT_EQ(af.Reader->GetTagValue(QStringLiteral("Title")), QStringLiteral("Lower Case"));
    EXPECT_NEAR(af.GetDuration() * 86400.0, 1.0, 1e-9);
}

TEST_F(OggFileTest, OtherTagKindsAreIgnoredAndLeaveTheFileAlone) {
    TEncodeSpec spec;
    spec.Comments = {"ARTIST=Someone"};
    QString path = Make(QStringLiteral("kinds.ogg"), spec);
    QByteArray before = ReadAll(path);
    TOggFile f(path);
    f.Tags = QStringList{QStringLiteral("Artist=Other")};
    EXPECT_TRUE(f.RemoveTags(tkId3v1 | tkId3v2 | tkApeV2));
    EXPECT_TRUE(f.WriteTags(tkId3v1 | tkId3v2 | tkApeV2));
    EXPECT_TRUE(ReadAll(path) == before);
}

// Damaged and foreign files: the reader's message, never a crash.
class OggBadInputTest : public OggFileTest {
protected:
    void ExpectRefused(const QString& path) {
        try {
            TOggFile f(path);
            ADD_FAILURE() << "accepted " << path.toStdString();
        } catch (const ESonvaleError& e) {
            EXPECT_EQ(e.Message, QStringLiteral("\"%1\" is not a Ogg bitstream").arg(path));
        }
    }
};

TEST_F(OggBadInputTest, NotOggAtAll) {
    QString text = dir.filePath(QStringLiteral("text.ogg"));
    WriteAll(text, QByteArray("this is not an ogg file at all\n").repeated(300));
    ExpectRefused(text);
    QString empty = dir.filePath(QStringLiteral("empty.ogg"));
    WriteAll(empty, {});
    ExpectRefused(empty);
    QString oggs = dir.filePath(QStringLiteral("oggs.ogg"));
    WriteAll(oggs, QByteArray("OggS"));
    ExpectRefused(oggs);
}

TEST_F(OggBadInputTest, MissingFileRaisesTheOpenError) {
    EXPECT_THROW(TOggFile(dir.filePath(QStringLiteral("absent.ogg"))), EFOpenError);
}

TEST_F(OggBadInputTest, OggButNotVorbis) {
    const QString corpus = QStringLiteral(SONVALE_CORPUS_DIR);
    int seen = 0;
    for (const char* name : {"taglib/empty_flac.oga", "taglib/empty.spx", "taglib/segfault.oga",
                             "mutagen/empty.oggflac", "mutagen/empty.spx"}) {
        QString src = corpus + QLatin1Char('/') + QLatin1String(name);
        if (!QFileInfo::exists(src)) continue;
        ++seen;
        QString copy = dir.filePath(QStringLiteral("foreign%1.ogg").arg(seen));
        QFile::copy(src, copy);
        SCOPED_TRACE(name);
        ExpectRefused(copy);
    }
    // An Opus-like stream made by hand: a valid Ogg page whose packet is not
    // a Vorbis header.
    TEncodeSpec spec;
    QByteArray data = EncodeVorbis(spec);
    std::vector<TPage> pages = ParsePages(data);
    ASSERT_FALSE(pages.empty());
    QByteArray opus = data;
    opus.replace(pages[0].Offset + 28, 8, "OpusHead");
    FixPageCrc(opus, pages[0].Offset);
    QString path = dir.filePath(QStringLiteral("opus.ogg"));
    WriteAll(path, opus);
    ExpectRefused(path);
    if (seen == 0) GTEST_LOG_(INFO) << "corpus absent: only the hand-made stream was checked";
}

TEST_F(OggBadInputTest, TruncatedFilesNeverCrash) {
    TEncodeSpec spec;
    spec.Seconds = 3;
    spec.Comments = {"TITLE=" + QByteArray(70000, 'x')}; // headers over several pages
    QByteArray data = EncodeVorbis(spec);
    std::vector<TPage> pages = ParsePages(data);
    // The header pages are those before the first page with a granule.
    size_t audio = 1;
    while (audio < pages.size() && pages[audio].Granule <= 0)
        ++audio;
    ASSERT_GE(audio, 3u);
    ASSERT_LT(audio, pages.size());
    // Cut inside the first page, inside the header pages, after the headers.
    const int64_t headerEnd = pages[audio].Offset;
    for (int64_t cut : {int64_t(10), int64_t(40), pages[1].Offset + 100, headerEnd - 1, headerEnd,
                        headerEnd + 500, int64_t(data.size()) - 3}) {
        SCOPED_TRACE(cut);
        QString path = dir.filePath(QStringLiteral("cut%1.ogg").arg(cut));
        WriteAll(path, data.left(cut));
        try {
            TOggFile f(path);
            // Whatever opens must read to its end safely.
            std::vector<char> buf(65536);
            int guard = 0;
            for (int count = int(buf.size()); f.Read(buf.data(), count) && guard < 10000;
                 count = int(buf.size()))
                ++guard;
            EXPECT_GE(cut, headerEnd) << "opened without its headers";
        } catch (const ESonvaleError& e) {
            EXPECT_TRUE(e.Message.endsWith(QLatin1String("\" is not a Ogg bitstream")));
        }
    }
}

TEST_F(OggBadInputTest, MutatedFilesNeverCrash) {
    // Random damage in the headers and the audio, checksums fixed or not:
    // reading, decoding, writing and removing either work or refuse.
    TEncodeSpec spec;
    spec.Seconds = 0.5;
    spec.Comments = {"TITLE=t", "ARTIST=a"};
    const QByteArray original = EncodeVorbis(spec);
    const std::vector<TPage> pages = ParsePages(original);
    QRandomGenerator rng(7);
    const QString path = dir.filePath(QStringLiteral("mutant.ogg"));
    for (int round = 0; round < 150; ++round) {
        QByteArray data = original;
        // Mostly the header pages, where the parsers work hardest.
        const int64_t span = round % 3 == 0 ? data.size() : pages.at(2).Offset + pages[2].Size;
        for (int n = 1 + int(rng.bounded(4)); n > 0; --n)
            data[qsizetype(rng.bounded(quint64(span)))] = char(rng.bounded(256));
        if (round % 2 == 0)
            for (const TPage& p : ParsePages(data))
                FixPageCrc(data, p.Offset);
        WriteAll(path, data);
        SCOPED_TRACE(round);
        try {
            TOggFile f(path);
            std::vector<char> buf(1 << 15);
            int guard = 0;
            for (int count = int(buf.size()); f.Read(buf.data(), count) && ++guard < 1000;
                 count = int(buf.size())) {
            }
            f.Seek(f.GetPcmSize() / 2);
        } catch (const ESonvaleError&) {
        }
        TOggTagFile tag;
        if (!tag.Open(path)) {
            tag.Fields = {QStringLiteral("TITLE=x")};
            EXPECT_FALSE(tag.Write());
            EXPECT_TRUE(ReadAll(path) == data);
            continue;
        }
        tag.Fields << QStringLiteral("ALBUM=y");
        if (tag.Write()) {
            TOggTagFile again;
            EXPECT_TRUE(again.Open(path));
            EXPECT_EQ(again.Fields, tag.Fields);
        } else {
            EXPECT_TRUE(ReadAll(path) == data);
        }
    }
}

} // namespace

// sonvale-cli as scripts use it: info (text and JSON), decode, exit statuses,
// checked against what sox and ffprobe say about the same WAVE files.
#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString kCli = QStringLiteral(SONVALE_CLI_PATH);

struct CliRun {
    int status = -1;
    QByteArray out, err;
    std::vector<QJsonObject> Lines() const {
        std::vector<QJsonObject> v;
        for (const QByteArray& l : out.split('\n'))
            if (!l.isEmpty()) v.push_back(QJsonDocument::fromJson(l).object());
        return v;
    }
};

CliRun Cli(const QStringList& args) {
    CliRun r;
    r.status = fixtures::RunProgram(kCli, args, &r.out, &r.err);
    return r;
}

class CliTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString P(const QString& n) const { return tmp.filePath(n); }
};

TEST_F(CliTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Cli({}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("frobnicate")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("info")}).status, 2);
    CliRun bad = Cli({QStringLiteral("info"), QStringLiteral("--bogus"), P(QStringLiteral("x"))});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains("usage:"));
    EXPECT_EQ(Cli({QStringLiteral("decode"), P(QStringLiteral("a.wav"))}).status, 2);
    for (const char* cmd : {"info", "decode"}) {
        CliRun h = Cli({QString::fromLatin1(cmd), QStringLiteral("--help")});
        EXPECT_EQ(h.status, 0) << cmd;
        EXPECT_TRUE(h.out.startsWith("usage: sonvale-cli")) << cmd;
    }
    CliRun top = Cli({QStringLiteral("--help")});
    EXPECT_EQ(top.status, 0);
    EXPECT_TRUE(top.out.contains("info") && top.out.contains("decode"));
}

TEST_F(CliTest, JsonLinesWalkFoldersInNameOrderAndReportFailures) {
    QDir(tmp.path()).mkpath(QStringLiteral("lib/b"));
    auto pcm = fixtures::MakeSine(8000, 1, 0.25);
    ASSERT_TRUE(fixtures::WriteFile(P(QStringLiteral("lib/b/z.wav")),
                                    fixtures::MakeWave(8000, 1, 16, pcm)));
    ASSERT_TRUE(
        fixtures::WriteFile(P(QStringLiteral("lib/a2.wav")), fixtures::MakeWave(8000, 1, 8, pcm)));
    ASSERT_TRUE(fixtures::WriteFile(P(QStringLiteral("lib/a1.wav")), QByteArray("not a wave")));
    ASSERT_TRUE(fixtures::WriteFile(P(QStringLiteral("lib/notes.txt")), QByteArray("skip me")));

    CliRun r = Cli({QStringLiteral("info"), QStringLiteral("--json"), P(QStringLiteral("lib"))});
    EXPECT_EQ(r.status, 1); // one file failed, the run went on
    auto lines = r.Lines();
    ASSERT_EQ(lines.size(), 3u) << r.out.constData();
    EXPECT_EQ(lines[0][QStringLiteral("path")].toString(), P(QStringLiteral("lib/a1.wav")));
    EXPECT_EQ(lines[0][QStringLiteral("error")].toString(),
              QStringLiteral("Bad .wav format. RIFF chunk not found"));
    EXPECT_EQ(lines[1][QStringLiteral("path")].toString(), P(QStringLiteral("lib/a2.wav")));
    EXPECT_EQ(lines[2][QStringLiteral("path")].toString(), P(QStringLiteral("lib/b/z.wav")));

    const QStringList keys{"path",       "format",      "bitrate",  "channels", "samplerate",
                           "bits",       "duration_ms", "filesize", "pcmsize",  "tagkinds",
                           "audiostart", "tags",        "unified"};
    QStringList got = lines[2].keys();
    QStringList want = keys;
    got.sort();
    want.sort();
    EXPECT_EQ(got, want);
    const QJsonObject& z = lines[2];
    EXPECT_EQ(z[QStringLiteral("format")].toInt(), 1);
    EXPECT_EQ(z[QStringLiteral("samplerate")].toInt(), 8000);
    EXPECT_EQ(z[QStringLiteral("bits")].toInt(), 16);
    EXPECT_EQ(z[QStringLiteral("duration_ms")].toInt(), 250);
    EXPECT_EQ(z[QStringLiteral("pcmsize")].toInt(), 4000);
    EXPECT_TRUE(z[QStringLiteral("tags")].isArray());
    EXPECT_TRUE(z[QStringLiteral("unified")].isObject());

    // A missing path is a failure line too; the text form names the fields.
    CliRun miss =
        Cli({QStringLiteral("info"), QStringLiteral("--json"), P(QStringLiteral("nope.wav"))});
    EXPECT_EQ(miss.status, 1);
    ASSERT_EQ(miss.Lines().size(), 1u);
    EXPECT_TRUE(miss.Lines()[0].contains(QStringLiteral("error")));
    CliRun text = Cli({QStringLiteral("info"), P(QStringLiteral("lib/b/z.wav"))});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("samplerate  8000"));
    // Every label stands apart from its value, the long unified ones too.
    EXPECT_TRUE(text.out.contains("unified.comments \n")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("unified.year     \n")) << text.out.constData();
}

// Files read on several threads come out as one thread prints them: the same bytes in the
// same order, failures where they fall, the same exit status.
TEST_F(CliTest, JobsKeepTheOutputOfOneThread) {
    QDir(tmp.path()).mkpath(QStringLiteral("lib"));
    fixtures::EncodeOptions o;
    o.seconds = 0.4;
    ASSERT_TRUE(fixtures::EncodeMp3(P(QStringLiteral("src.mp3")), o));
    o.metadata = {{"TITLE", "Ogg"}};
    ASSERT_TRUE(fixtures::EncodeOgg(P(QStringLiteral("src.ogg")), o));
    const QByteArray wave = fixtures::MakeWave(8000, 1, 16, fixtures::MakeSine(8000, 1, 2.0));
    // Slow and fast files mixed, so that later files are done before earlier ones.
    for (int i = 0; i < 24; ++i) {
        const QString name = P(QStringLiteral("lib/%1").arg(i, 2, 10, QLatin1Char('0')));
        switch (i % 4) {
        case 0:
            ASSERT_TRUE(QFile::copy(P(QStringLiteral("src.mp3")), name + QStringLiteral(".mp3")));
            break;
        case 1:
            ASSERT_TRUE(QFile::copy(P(QStringLiteral("src.ogg")), name + QStringLiteral(".ogg")));
            break;
        case 2:
            ASSERT_TRUE(fixtures::WriteFile(name + QStringLiteral(".wav"), wave));
            break;
        default:
            ASSERT_TRUE(fixtures::WriteFile(name + QStringLiteral(".mp3"), QByteArray(i, 'x')));
        }
    }
    for (const bool json : {true, false}) {
        QStringList args{QStringLiteral("info"), P(QStringLiteral("lib"))};
        if (json) args << QStringLiteral("--json");
        const CliRun one = Cli(args + QStringList{QStringLiteral("--jobs"), QStringLiteral("1")});
        EXPECT_EQ(one.status, 1);
        EXPECT_EQ(one.out.count(json ? "\"path\"" : "  format"), json ? 24 : 18);
        for (const char* jobs : {"2", "5", "64"}) {
            const CliRun many =
                Cli(args + QStringList{QStringLiteral("--jobs"), QString::fromLatin1(jobs)});
            EXPECT_EQ(many.status, one.status) << jobs;
            EXPECT_EQ(many.out, one.out) << jobs;
        }
    }
    for (const char* bad : {"0", "x", "257"}) {
        const CliRun r = Cli({QStringLiteral("info"), QStringLiteral("--jobs"),
                              QString::fromLatin1(bad), P(QStringLiteral("lib"))});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(r.out.isEmpty()) << bad;
    }
    EXPECT_EQ(
        Cli({QStringLiteral("info"), P(QStringLiteral("lib")), QStringLiteral("--jobs")}).status,
        2);
}

TEST_F(CliTest, DecodeWritesTheDataChunk) {
    auto pcm = fixtures::MakeSine(22050, 2, 0.2);
    QByteArray wave = fixtures::MakeWave(22050, 2, 16, pcm);
    ASSERT_TRUE(fixtures::WriteFile(P(QStringLiteral("s.wav")), wave));
    CliRun r =
        Cli({QStringLiteral("decode"), P(QStringLiteral("s.wav")), P(QStringLiteral("s.raw"))});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(fixtures::ReadFile(P(QStringLiteral("s.raw"))), wave.mid(44));
    CliRun toStdout =
        Cli({QStringLiteral("decode"), P(QStringLiteral("s.wav")), QStringLiteral("-")});
    EXPECT_EQ(toStdout.out, wave.mid(44));
    CliRun bad =
        Cli({QStringLiteral("decode"), P(QStringLiteral("missing.wav")), QStringLiteral("-")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("missing.wav"));
}

// A pipe named like audio is refused at once (opening it would wait for a
// writer for ever); the messages say what went wrong and where.
TEST_F(CliTest, PipesMissingFilesAndAFullDiskAreToldPlainly) {
    const QString pipe = P(QStringLiteral("pipe.mp3"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QStringList& args : {QStringList{"info", pipe}, QStringList{"decode", pipe, "-"},
                                    QStringList{"tags", "write", "--title", "T", pipe}}) {
        CliRun r = Cli(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE((r.out + r.err).contains("pipe.mp3 is not a regular file"));
    }
    CliRun missing = Cli({"decode", P(QStringLiteral("missing.mp3")), "-"});
    EXPECT_EQ(missing.err,
              P(QStringLiteral("missing.mp3")).toUtf8() + ": No such file or folder\n");
    if (!QFile::exists(QStringLiteral("/dev/full"))) return;
    const QString wave = P(QStringLiteral("s.wav"));
    ASSERT_TRUE(fixtures::WriteFile(
        wave, fixtures::MakeWave(8000, 1, 16, fixtures::MakeSine(8000, 1, 0.1))));
    CliRun full = Cli({"decode", wave, "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "Cannot write /dev/full: the disk is full\n");
}

// Files written by other programs, compared with ffprobe's reading.
TEST_F(CliTest, AgreesWithFfprobeOnFilesFromSoxAndFfmpeg) {
    if (!fixtures::HaveProgram(QStringLiteral("sox")) ||
        !fixtures::HaveProgram(QStringLiteral("ffmpeg")) ||
        !fixtures::HaveProgram(QStringLiteral("ffprobe")))
        GTEST_SKIP() << "sox/ffmpeg/ffprobe not installed";
    struct Made {
        QString name;
        QString program;
        QStringList args;
    };
    std::vector<Made> made;
    auto sox = [&](const char* name, const char* rate, const char* ch, const char* bits) {
        made.push_back({QString::fromLatin1(name),
                        QStringLiteral("sox"),
                        {QStringLiteral("-n"), QStringLiteral("-r"), QString::fromLatin1(rate),
                         QStringLiteral("-c"), QString::fromLatin1(ch), QStringLiteral("-b"),
                         QString::fromLatin1(bits), P(QString::fromLatin1(name)),
                         QStringLiteral("synth"), QStringLiteral("0.7"), QStringLiteral("sine"),
                         QStringLiteral("440"), QStringLiteral("vol"), QStringLiteral("0.5")}});
    };
    sox("sox8m.wav", "11025", "1", "8");
    sox("sox16s.wav", "44100", "2", "16");
    sox("sox24s.wav", "48000", "2", "24"); // extensible header
    sox("sox16x6.wav", "48000", "6", "16");
    auto ff = [&](const char* name, QStringList extra) {
        QStringList a{QStringLiteral("-v"),
                      QStringLiteral("error"),
                      QStringLiteral("-y"),
                      QStringLiteral("-f"),
                      QStringLiteral("lavfi"),
                      QStringLiteral("-i"),
                      QStringLiteral("sine=frequency=300:duration=0.9")};
        a += extra;
        a << P(QString::fromLatin1(name));
        made.push_back({QString::fromLatin1(name), QStringLiteral("ffmpeg"), a});
    };
    ff("ff16m.wav", {QStringLiteral("-ar"), QStringLiteral("32000")});
    ff("ff24s.wav", {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                     QStringLiteral("pcm_s24le")});
    ff("ffu8.wav", {QStringLiteral("-c:a"), QStringLiteral("pcm_u8")});
    ff("fflist.wav",
       {QStringLiteral("-metadata"), QStringLiteral("title=Odd"), QStringLiteral("-metadata"),
        QStringLiteral("artist=Someone")}); // LIST/INFO before data
    for (const Made& m : made)
        ASSERT_EQ(fixtures::RunProgram(m.program, m.args), 0) << m.name.toStdString();

    QStringList paths;
    for (const Made& m : made)
        paths << P(m.name);
    CliRun r = Cli(QStringList{QStringLiteral("info"), QStringLiteral("--json")} + paths);
    ASSERT_EQ(r.status, 0) << r.out.constData();
    auto lines = r.Lines();
    ASSERT_EQ(lines.size(), made.size());
    for (const QJsonObject& o : lines) {
        QString path = o[QStringLiteral("path")].toString();
        QByteArray probe;
        ASSERT_EQ(fixtures::RunProgram(QStringLiteral("ffprobe"),
                                       {QStringLiteral("-v"), QStringLiteral("error"),
                                        QStringLiteral("-show_streams"), QStringLiteral("-of"),
                                        QStringLiteral("json"), path},
                                       &probe),
                  0);
        QJsonObject s = QJsonDocument::fromJson(probe)[QStringLiteral("streams")][0].toObject();
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(o[QStringLiteral("samplerate")].toInt(),
                  s[QStringLiteral("sample_rate")].toString().toInt());
        EXPECT_EQ(o[QStringLiteral("channels")].toInt(), s[QStringLiteral("channels")].toInt());
        EXPECT_EQ(o[QStringLiteral("bits")].toInt(), s[QStringLiteral("bits_per_sample")].toInt());
        EXPECT_EQ(o[QStringLiteral("bitrate")].toInt(),
                  s[QStringLiteral("bit_rate")].toString().toInt());
        double ms = s[QStringLiteral("duration")].toString().toDouble() * 1000.0;
        EXPECT_NEAR(o[QStringLiteral("duration_ms")].toDouble(), ms, 1.0);
    }
}

TEST_F(CliTest, StreamedWaveCountsTheBytesPresent) {
    if (!fixtures::HaveProgram(QStringLiteral("ffmpeg"))) GTEST_SKIP() << "ffmpeg not installed";
    // Written to a pipe, ffmpeg cannot go back to fill in the sizes.
    QByteArray wave;
    ASSERT_EQ(
        fixtures::RunProgram(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                              QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("sine=duration=0.5"), QStringLiteral("-f"),
                              QStringLiteral("wav"), QStringLiteral("-")},
                             &wave),
        0);
    ASSERT_TRUE(fixtures::WriteFile(P(QStringLiteral("streamed.wav")), wave));
    CliRun r =
        Cli({QStringLiteral("info"), QStringLiteral("--json"), P(QStringLiteral("streamed.wav"))});
    ASSERT_EQ(r.status, 0);
    QJsonObject o = r.Lines().at(0);
    EXPECT_EQ(o[QStringLiteral("duration_ms")].toInt(), 500);
    EXPECT_EQ(o[QStringLiteral("pcmsize")].toInt(), 44100); // 0.5 s mono 16-bit
}

} // namespace

namespace {

// An ID3v2.3 tag whose TIT2 frame holds `title` as UTF-16 with a byte-order mark.
QByteArray Id3v2Title(const std::u16string& title) {
    QByteArray body("\x01\xFF\xFE", 3);
    for (char16_t u : title) {
        body += char(u & 0xFF);
        body += char(u >> 8);
    }
    QByteArray frame = "TIT2";
    fixtures::PutBE32(frame, uint32_t(body.size()));
    frame += QByteArray(2, '\0');
    frame += body;
    QByteArray tag("ID3\x03\x00\x00", 6);
    const int n = int(frame.size());
    for (int shift : {21, 14, 7, 0})
        tag += char((n >> shift) & 0x7F);
    return tag + frame;
}

TEST_F(CliTest, JsonLinesAreWhatQtWritesForTheSameValues) {
    // Quotes, backslashes, control characters, DEL, non-ASCII, a pair and a lone surrogate.
    const struct {
        const char* name;
        std::u16string title;
    } cases[] = {
        {"plain.mp3", u"Plain title"},
        {"escapes.mp3", u"q\"b\\s/t\tn\nr\rf\fb\b"},
        {"control.mp3", u"\x01\x1F\x7F end"},
        {"unicode.mp3", u"\u00e9t\u00e9 \u20ac \U0001F600 \u4e2d"},
        {"surrogate.mp3", std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC01)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = P(QString::fromLatin1(c.name));
        ASSERT_TRUE(fixtures::WriteFile(path, Id3v2Title(c.title) + fixtures::SilentMp3Frames(4)));
        CliRun r = Cli({QStringLiteral("info"), QStringLiteral("--json"), path});
        ASSERT_EQ(r.status, 0) << r.err.constData();
        const QJsonDocument parsed = QJsonDocument::fromJson(r.out);
        ASSERT_TRUE(parsed.isObject()) << r.out.constData();
        EXPECT_EQ(r.out, parsed.toJson(QJsonDocument::Compact) + '\n');
        EXPECT_EQ(parsed.object()[QStringLiteral("unified")]
                      .toObject()[QStringLiteral("title")]
                      .toString(),
                  QString::fromStdU16String(c.title));
    }
}

} // namespace

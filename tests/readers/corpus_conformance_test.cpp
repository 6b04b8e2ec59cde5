// Every value the peers' own test suites assert about the Windows Media,
// AC-3, Musepack and Monkey's Audio files of the shared corpus
// (expected.tsv), checked against our readers. A row we answer differently
// is listed below with the reason and the value we give instead; a field no
// reader of ours has is listed with the reason too. A row of an unknown kind
// fails, so new rows are never skipped unseen.
#include "audio/Ac3File.h"
#include "audio/ApeFile.h"
#include "audio/AsfReader.h"
#include "audio/AudioFile.h"
#include "audio/MpcFile.h"
#include "audio/WmaAudioFile.h"
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

struct TRow {
    QString path, field, value, source;
};

// Fields that describe what our readers do not report.
const std::map<QString, const char*> kNotReported = {
    {"asf_codec", "the Windows Media reader reports the decoded PCM format, not the codec"},
    {"asf_codec_name", "the Windows Media reader reports the decoded PCM format, not the codec"},
    {"asf_codec_description",
     "the Windows Media reader reports the decoded PCM format, not the codec"},
    {"asf_codec_type", "the Windows Media reader reports the decoded PCM format, not the codec"},
    {"mpc_title_gain_db", "the Musepack reader does not read the header's ReplayGain fields"},
    {"mpc_title_peak", "the Musepack reader does not read the header's ReplayGain fields"},
    {"mpc_track_gain_raw", "the Musepack reader does not read the header's ReplayGain fields"},
    {"mpc_track_peak_raw", "the Musepack reader does not read the header's ReplayGain fields"},
    {"mpc_album_gain_raw", "the Musepack reader does not read the header's ReplayGain fields"},
    {"mpc_album_peak_raw", "the Musepack reader does not read the header's ReplayGain fields"},
};

// Rows we answer differently, with our value (checked) and why.
struct TDifference {
    const char* path;
    const char* field;
    const char* ours;
    const char* reason;
};
constexpr const char* kClick =
    "SV7 true gapless: three frames less the unused end of the last (413 of 1152 samples "
    "used), as the Musepack decoder library counts; the peers disagree with each other here";
constexpr const char* kClickRate =
    "stream bytes x 8 over our sample count (the decoder library's average); the peers use "
    "other sample counts and disagree with each other";
constexpr const char* kOldMpc =
    "1162944 samples (26.371 s) as TagLib reads the header; mutagen's test rounds to 26.3";
constexpr const char* kFuzzedMpc =
    "the damaged header (reserved rate, endless size, short packet) is refused with the "
    "Musepack reader's message; the peer's test only guards against crashes and hangs";
constexpr const char* kEac3 =
    "E-AC-3: .eac3 is no audio extension here, and the AC-3 reader refuses E-AC-3 frames "
    "(\"Invalid AC3 file\", tested with this file in the AC-3 tests)";
const TDifference kDifferences[] = {
    {"taglib/click.mpc", "length_ms", "62", kClick},
    {"taglib/click.mpc", "sample_frames", "2717", kClick},
    {"mutagen/click.mpc", "length_approx_s", "0.061610", kClick},
    {"taglib/click.mpc", "bitrate_kbps", "206", kClickRate},
    {"mutagen/click.mpc", "bitrate_bps", "206200", kClickRate},
    {"mutagen/sv5_header.mpc", "length_approx_s", "26.370612", kOldMpc},
    {"mutagen/sv4_header.mpc", "length_approx_s", "26.370612", kOldMpc},
    {"taglib/zerodiv.mpc", "valid", "false", kFuzzedMpc},
    {"taglib/infloop.mpc", "valid", "false", kFuzzedMpc},
    {"taglib/segfault.mpc", "valid", "false", kFuzzedMpc},
    {"taglib/segfault2.mpc", "valid", "false", kFuzzedMpc},
    {"mutagen/issue_29.wma", "writable", "false",
     "Windows Media tags are read-only here: WriteTags and RemoveTags return false and leave "
     "the file as it was"},
    {"mutagen/silence-44-s.eac3", "channels", "not an audio file here", kEac3},
    {"mutagen/silence-44-s.eac3", "bitrate_bps", "not an audio file here", kEac3},
    {"mutagen/silence-44-s.eac3", "sample_rate_hz", "not an audio file here", kEac3},
    {"mutagen/silence-44-s.eac3", "length_approx_s", "not an audio file here", kEac3},
    {"mutagen/silence-44-s.eac3", "codec", "not an audio file here", kEac3},
};

// TagLib's property names of ASF attributes, as the attribute names in the file.
const std::map<QString, QString> kAsfProperty = {
    {"TITLE", "Title"},
    {"ARTIST", "Author"},
    {"ALBUM", "WM/AlbumTitle"},
    {"ALBUMARTIST", "WM/AlbumArtist"},
    {"TRACKNUMBER", "WM/TrackNumber"},
    {"GENRE", "WM/Genre"},
    {"REPLAYGAIN_TRACK_GAIN", "replaygain_track_gain"},
    {"REPLAYGAIN_TRACK_PEAK", "replaygain_track_peak"},
    {"ISVBR", "IsVBR"},
    {"WMFSDKVERSION", "WMFSDKVersion"},
    {"ENCODINGTIME", "WM/EncodingTime"},
};

// The attributes a Windows Media reader makes up from the header objects.
const QStringList kSynthesised = {"DURATION",  "BITRATE",   "SEEKABLE", "STRIDABLE",
                                  "BROADCAST", "PROTECTED", "TRUSTED",  "HASAUDIO",
                                  "HASIMAGE",  "HASSCRIPT", "HASVIDEO"};

std::vector<TRow> ReadExpected(const QString& corpus) {
    std::vector<TRow> rows;
    QFile f(corpus + "/expected.tsv");
    if (!f.open(QIODevice::ReadOnly)) return rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    static const QRegularExpression ours("\\.(wma|asf|ac3|eac3|mpc|ape)$",
                                         QRegularExpression::CaseInsensitiveOption);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList c = lines[i].split('\t');
        if (c.size() < 4 || !ours.match(c[0]).hasMatch()) continue;
        rows.push_back({c[0], c[1], c[2], c[3]});
    }
    return rows;
}

// "3.68 (to 2 decimals)" -> 3.68 and 0.005; "192000 (+-500)" -> 192000 and 500.
double Tolerance(const QString& value) {
    static const QRegularExpression decimals("to (\\d) decimals?");
    static const QRegularExpression plusMinus("\\+-([0-9.]+)");
    if (auto m = decimals.match(value); m.hasMatch())
        return 0.5 * std::pow(10.0, -m.captured(1).toInt()) + 1e-9;
    if (auto m = plusMinus.match(value); m.hasMatch()) return m.captured(1).toDouble() + 1e-9;
    return 0;
}
QString Bare(const QString& value) {
    const int paren = int(value.indexOf(" ("));
    return paren < 0 ? value : value.left(paren);
}

QString Refusal(uint8_t code, const QString& path) {
    try {
        CreateReader(code, path);
    } catch (const ESonvaleError& e) {
        return e.Message;
    }
    return QString();
}

class CorpusConformance : public ::testing::Test {
protected:
    void SetUp() override {
        corpus = fixtures::CorpusDir();
        if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
    }

    // Our answer to a row, in the peer's terms; empty when the row's field is unknown.
    QString Ours(const TRow& row) {
        const QString path = corpus + "/" + row.path;
        const QString& f = row.field;
        const uint8_t code = FormatCodeOfName(path);
        if (f == "detected_format" || f == "detected_format_by_content") {
            switch (code) {
            case fcWma:
                return "ASF/WMA";
            case fcApe:
                return "Monkey's Audio";
            case fcMpc:
                return "Musepack";
            default:
                return "unknown";
            }
        }
        if (f == "valid" || f == "opens_as_audio") {
            // Opening either succeeds or ends in the reader's message: never a crash.
            if (code == fcUnknown) return "false";
            return Refusal(code, path).isEmpty() ? "true" : "false";
        }
        if (f == "opens_as_asf") {
            const QString copy = dir.filePath("as.wma");
            QFile::remove(copy);
            if (!QFile::copy(path, copy)) return QString();
            return Refusal(fcWma, copy).isEmpty() ? "true" : "false";
        }
        if (code == fcUnknown) return "not an audio file here";
        std::unique_ptr<TAbstractAudioFile> r;
        try {
            r = CreateReader(code, path);
        } catch (const ESonvaleError& e) {
            return "refused: " + e.Message;
        }
        const double seconds = r->GetDuration() * 86400.0;
        const int bytesPerFrame = r->GetChannels() * r->GetBitsPerSample() / 8;
        if (f == "sample_rate_hz") return QString::number(r->GetSampleRate());
        if (f == "channels") return QString::number(r->GetChannels());
        if (f == "bits_per_sample") return QString::number(r->GetBitsPerSample());
        if (f == "length_s") return QString::number(std::floor(seconds));
        if (f == "length_ms") return QString::number(std::llround(seconds * 1000));
        if (f == "length_approx_s") return QString::number(seconds, 'f', 6);
        if (f == "bitrate_bps") return QString::number(r->GetBitrate());
        if (f == "bitrate_kbps") return QString::number(std::lround(r->GetBitrate() / 1000.0));
        if (f == "bitrate_kbps_floor") return QString::number(r->GetBitrate() / 1000);
        if (f == "sample_frames")
            return bytesPerFrame ? QString::number(r->GetPcmSize() / bytesPerFrame) : "0";
        if (f == "ape_version") {
            const int v = static_cast<TApeFile&>(*r).Info.Version;
            return row.value.contains('.') ? QString::number(v / 1000.0, 'f', 2)
                                           : QString::number(v);
        }
        if (f == "mpc_stream_version")
            return QString::number(static_cast<TMpcFile&>(*r).Info.Version);
        if (f == "ape_tag_present") return r->TagKinds & tkApeV2 ? "true" : "false";
        if (f == "id3v1_present") return r->TagKinds & tkId3v1 ? "true" : "false";
        if (f == "codec") return code == fcAc3 ? "ac-3" : QString::number(code);
        if (f == "encrypted") return r->GetTagValue("PROTECTED") == "1" ? "true" : "false";
        if (f == "writable") {
            const QByteArray before = fixtures::ReadFile(path);
            const bool wrote = r->WriteTags(-1) || r->RemoveTags(-1);
            EXPECT_EQ(fixtures::ReadFile(path), before) << "a read-only reader changed the file";
            return wrote ? "true" : "false";
        }
        if (f == "asf:title") return r->GetTagValue("TITLE");
        if (f.startsWith("asf:attribute_present:")) {
            const QString name = AsfTagName(f.mid(QStringLiteral("asf:attribute_present:").size()));
            for (const QString& line : r->Tags)
                if (line.startsWith(name + "=")) return "true";
            return "false";
        }
        if (f == "asf:first_attribute") {
            // The peer lists the file's own attributes; ours come after the
            // properties the reader makes up, under the table's tag names.
            for (const QString& line : r->Tags) {
                const QString name = line.section('=', 0, 0);
                if (kSynthesised.contains(name)) continue;
                const QString attribute = row.value.section(" = ", 0, 0);
                return name == AsfTagName(attribute) ? attribute + " = " + line.section('=', 1)
                                                     : line;
            }
            return QString("no attribute");
        }
        if (f.startsWith("property:")) {
            const auto it = kAsfProperty.find(f.mid(9));
            if (it == kAsfProperty.end()) return QString();
            return r->GetTagValue(AsfTagName(it->second));
        }
        return QString();
    }

    // Does our answer agree with the row's value (within the peer's tolerance)?
    static bool Agrees(const TRow& row, const QString& ours) {
        const QString want = Bare(row.value);
        if (ours == want) return true;
        const double tol = Tolerance(row.value);
        bool ok1 = false, ok2 = false;
        const double a = ours.toDouble(&ok1), b = want.toDouble(&ok2);
        return ok1 && ok2 && std::fabs(a - b) <= tol;
    }

    QString corpus;
    QTemporaryDir dir;
};

TEST_F(CorpusConformance, EveryRowAgreesOrIsAListedDifference) {
    const std::vector<TRow> rows = ReadExpected(corpus);
    ASSERT_FALSE(rows.empty());
    int agreed = 0, differ = 0, unreported = 0;
    std::map<std::pair<QString, QString>, const TDifference*> differences;
    for (const TDifference& d : kDifferences)
        differences[{QString::fromUtf8(d.path), QString::fromUtf8(d.field)}] = &d;
    for (const TRow& row : rows) {
        SCOPED_TRACE((row.path + "  " + row.field + "  " + row.value).toStdString());
        if (kNotReported.count(row.field)) {
            ++unreported;
            continue;
        }
        const QString ours = Ours(row);
        ASSERT_FALSE(ours.isEmpty() && row.field != "asf:title") << "unknown field";
        const auto d = differences.find({row.path, row.field});
        if (d != differences.end()) {
            ++differ;
            EXPECT_FALSE(Agrees(row, ours)) << "listed as a difference but agrees now";
            EXPECT_EQ(ours, QString::fromUtf8(d->second->ours)) << d->second->reason;
            continue;
        }
        EXPECT_TRUE(Agrees(row, ours)) << "ours: " << ours.toStdString();
        ++agreed;
    }
    std::printf("corpus rows: %d agree, %d listed differences, %d not reported\n", agreed, differ,
                unreported);
    EXPECT_GT(agreed, 100);
}

} // namespace

// The description of an Ogg Vorbis file read from its first and last pages must be what
// libvorbisfile's open reports, or none at all (the reader then asks the library).
#include "OggSupport.h"
#include "io/WFileStream.h"
#include "tags/OggApi.h"
#include "tags/VorbisSummary.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace oggtest;

namespace {

struct TLibraryView {
    bool Opened = false;
    TVorbisSummary Summary;
};

// libvorbisfile's seekable open of the file.
TLibraryView OpenWithLibrary(const QString& path) {
    const TOggApi& ogg = OggApi();
    TLibraryView view;
    TWFileStream stream(path, fmOpenRead | fmShareDenyNone);
    ov_callbacks callbacks{
        [](void* p, size_t size, size_t n, void* s) {
            return size_t(static_cast<TWFileStream*>(s)->Read(p, int64_t(size * n))) / size;
        },
        [](void* s, ogg_int64_t offset, int origin) {
            auto* in = static_cast<TWFileStream*>(s);
            const int64_t base = origin == SEEK_CUR   ? in->Position()
                                 : origin == SEEK_END ? in->GetSize()
                                                      : 0;
            return in->Seek(base + offset, TSeekOrigin::soBeginning) == base + offset ? 0 : -1;
        },
        nullptr, [](void* s) { return long(static_cast<TWFileStream*>(s)->Position()); }};
    OggVorbis_File vf{};
    if (ogg.ov_open_callbacks(&stream, &vf, nullptr, 0, callbacks) < 0) return view;
    view.Opened = true;
    const vorbis_info* info = ogg.ov_info(&vf, -1);
    view.Summary.Channels = info->channels;
    view.Summary.Rate = info->rate;
    view.Summary.BitrateNominal = int32_t(info->bitrate_nominal);
    view.Summary.PcmTotal = ogg.ov_pcm_total(&vf, -1);
    const vorbis_comment* vc = ogg.ov_comment(&vf, 0);
    view.Summary.Vendor = vc->vendor;
    for (int i = 0; i < vc->comments; ++i)
        view.Summary.Comments.append(QByteArray(vc->user_comments[i], vc->comment_lengths[i]));
    ogg.ov_clear(&vf);
    return view;
}

// True when the summary was read; then it must match the library's open.
bool SummaryMatchesLibrary(const QString& path) {
    TVorbisSummary ours;
    bool read = false;
    {
        TWFileStream stream(path, fmOpenRead | fmShareDenyNone);
        read = ReadVorbisSummary(stream, ours);
    }
    if (!read) return false;
    const TLibraryView lib = OpenWithLibrary(path);
    EXPECT_TRUE(lib.Opened) << "read a file the library refuses";
    if (!lib.Opened) return true;
    EXPECT_EQ(ours.Channels, lib.Summary.Channels);
    EXPECT_EQ(ours.Rate, lib.Summary.Rate);
    EXPECT_EQ(ours.BitrateNominal, lib.Summary.BitrateNominal);
    EXPECT_EQ(ours.PcmTotal, std::max<int64_t>(lib.Summary.PcmTotal, 0));
    EXPECT_EQ(QByteArray(ours.Vendor.constData()), lib.Summary.Vendor); // a C string there
    EXPECT_EQ(ours.Comments, lib.Summary.Comments);
    return true;
}

// Adds `shift` to the granule position of every audio page (a stream cut out of a longer one).
QByteArray ShiftGranules(QByteArray data, int64_t shift) {
    for (const TPage& p : ParsePages(data)) {
        if (p.Granule <= 0) continue;
        const int64_t g = p.Granule + shift;
        for (int i = 0; i < 8; ++i)
            data[qsizetype(p.Offset + 6 + i)] = char(uint64_t(g) >> (8 * i));
        FixPageCrc(data, p.Offset);
    }
    return data;
}

TEST(VorbisSummary, PlainStreamsAreReadAsTheLibraryReadsThem) {
    QTemporaryDir dir;
    TEncodeSpec stereo, mono, surround, big, tagged;
    mono.Channels = 1;
    mono.Rate = 8000;
    mono.Quality = -0.1f;
    mono.Serial = 99;
    surround.Channels = 6;
    surround.Rate = 48000;
    surround.Seconds = 0.4;
    big.BigPages = true;
    big.Quality = 0.9f;
    tagged.Comments = {"TITLE=A", "ARTIST=", "", "X=\xc3\xa9t\xc3\xa9"};
    tagged.Vendor = "v";
    const QByteArray plain = EncodeVorbis(stereo);
    const struct {
        const char* name;
        QByteArray data;
        bool summarised; // false: the library must be asked
    } rows[] = {
        {"stereo", plain, true},
        {"mono", EncodeVorbis(mono), true},
        {"surround", EncodeVorbis(surround), true},
        {"big pages", EncodeVorbis(big), true},
        {"tagged", EncodeVorbis(tagged), true},
        {"cut from a longer stream", ShiftGranules(plain, 123456), true},
        {"granules behind the blocks", ShiftGranules(plain, -700), true},
        {"junk behind", plain + QByteArray("TAG", 3) + QByteArray(125, 'x'), false},
        {"junk in front", QByteArray(10, '\0') + plain, false},
        {"truncated", plain.left(plain.size() - 100), false},
        {"two links", plain + EncodeVorbis(mono), false},
        {"two links, one serial number", plain + plain, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QStringLiteral("a.ogg"));
        WriteAll(path, row.data);
        EXPECT_EQ(SummaryMatchesLibrary(path), row.summarised);
    }
}

TEST(VorbisSummary, DamagedHeadersAreNeverReadWhereTheLibraryRefuses) {
    // Changed bytes in the header pages with their checksums mended: the setup header checks
    // must be as strict as libvorbis's.
    QTemporaryDir dir;
    TEncodeSpec spec;
    spec.Seconds = 0.3;
    const QByteArray original = EncodeVorbis(spec);
    const std::vector<TPage> pages = ParsePages(original);
    const int64_t headers = pages.at(2).Offset + pages[2].Size;
    QRandomGenerator rng(11);
    const QString path = dir.filePath(QStringLiteral("m.ogg"));
    int read = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray data = original;
        for (int n = 1 + int(rng.bounded(3)); n > 0; --n)
            data[qsizetype(28 + rng.bounded(quint64(headers - 28)))] ^= char(1 << rng.bounded(8));
        for (const TPage& p : ParsePages(data))
            FixPageCrc(data, p.Offset);
        WriteAll(path, data);
        SCOPED_TRACE(round);
        read += SummaryMatchesLibrary(path);
    }
    EXPECT_GT(read, 40); // flips in comments, codebook values and the like still read
}

TEST(VorbisSummary, CorpusFiles) {
    const QString corpus = QStringLiteral(SONVALE_CORPUS_DIR);
    QDirIterator it(corpus, {QStringLiteral("*.ogg"), QStringLiteral("*.oga")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        SummaryMatchesLibrary(path);
        ++files;
    }
    if (files == 0) GTEST_SKIP() << "corpus absent";
}

} // namespace

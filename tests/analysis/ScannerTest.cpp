#include "AnalysisSupport.h"
#include "audio/AudioFile.h"
#include "audio/AudioHelpers.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"
#include "tools/Duplicates.h"
#include "tools/HashScanner.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace analysis;

namespace {

class Scanner : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools()) GTEST_SKIP() << "lame, id3v2 or mid3v2 missing";
    }
    QString Copy(const QString& from, const QString& name) {
        const QString to = dir.filePath(name);
        EXPECT_TRUE(QFile::copy(from, to));
        return to;
    }
    TFingerprintScan Scan(const QStringList& paths, int workers = 1) {
        TFingerprintScanOptions o;
        o.Paths = paths;
        o.Workers = workers;
        o.Step = step;
        return ScanFingerprints(o);
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    std::function<void(int, int, int, const QString&)> step;
};

TEST_F(Scanner, CopiesUnderOtherTagsGroupAndRecordingsThatOnlyStartAlikeDoNot) {
    // 5 s of silence at 128 kbit/s is more than 64 KiB of identical frames.
    const QString a = Lame(dir, QStringLiteral("a.mp3"), 5, 0.5, 440);
    const QString c = Lame(dir, QStringLiteral("c.mp3"), 5, 0.5, 880);
    const QString b = Copy(a, QStringLiteral("b.mp3"));
    RunTool(QStringLiteral("id3v2"),
            {QStringLiteral("-1"), QStringLiteral("-a"), QStringLiteral("Artist v1"), b});
    RunTool(QStringLiteral("id3v2"), {QStringLiteral("-2"), QStringLiteral("-t"),
                                      QStringLiteral("A title long enough to move the audio"), b});
    RunTool(QStringLiteral("mid3v2"), {QStringLiteral("-a"), QStringLiteral("Other"), a});
    ASSERT_EQ(ReadPreferredTags(b).TagKinds, tkId3v1 | tkId3v2);
    ASSERT_EQ(ReadPreferredTags(a).TagKinds, tkId3v2);

    // The fingerprint is the 64 KiB after the reader's audio start; it cannot tell c apart.
    TAudioFile af;
    af.SetFileName(b);
    ASSERT_TRUE(af.Open());
    const QByteArray window = fixtures::ReadFile(b).mid(af.Reader->AudioStart, 65536);
    af.Close();
    EXPECT_EQ(HashFileHead(b),
              QString::fromLatin1(
                  QCryptographicHash::hash(window, QCryptographicHash::Sha1).toHex().toUpper()));
    EXPECT_EQ(HashFileHead(a), HashFileHead(b));
    EXPECT_EQ(HashFileHead(a), HashFileHead(c));

    const QString digest = HashAudioData(a);
    EXPECT_EQ(HashAudioData(b), digest);
    EXPECT_NE(HashAudioData(c), digest);
    for (int workers : {1, 4}) {
        const TFingerprintScan s = Scan({a, c, b}, workers);
        EXPECT_EQ(s.Failed, 0);
        EXPECT_EQ(BuildGroups(s.Digests), QStringList{digest}) << workers;
        EXPECT_EQ(GroupMembers(s.Digests, digest), (QList<int>{0, 2})) << workers;
    }
}

TEST_F(Scanner, BadInputIsCountedAndNeverGrouped) {
    const QString a = Lame(dir, QStringLiteral("a.mp3"), 0.5, 0.5, 440);
    // The same file under a second name: trashing "the copy" would lose the only one.
    ASSERT_TRUE(QFile::link(a, dir.filePath(QStringLiteral("alias.mp3"))));
    fixtures::WriteFile(dir.filePath(QStringLiteral("empty1.mp3")), {});
    fixtures::WriteFile(dir.filePath(QStringLiteral("empty2.mp3")), {});
    // A tag that claims 256 MiB: no audio data within the file.
    const QByteArray bogus = QByteArray("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + "xyz";
    fixtures::WriteFile(dir.filePath(QStringLiteral("bogus1.mp3")), bogus);
    fixtures::WriteFile(dir.filePath(QStringLiteral("bogus2.mp3")), bogus);
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.mp3"))), 0600), 0);
    QStringList paths{a};
    for (const char* name : {"alias.mp3", "empty1.mp3", "empty2.mp3", "bogus1.mp3", "bogus2.mp3",
                             "pipe.mp3", "gone.mp3"})
        paths << dir.filePath(QString::fromLatin1(name));

    const TFingerprintScan s = Scan(paths, 3);
    EXPECT_TRUE(BuildGroups(s.Digests).isEmpty()) << s.Digests.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(s.Failed, 2);
    EXPECT_EQ(s.Errors[6], QStringLiteral("Not a regular file"));
    EXPECT_EQ(s.Errors[7], QStringLiteral("No such file"));
    EXPECT_EQ(s.Fingerprints[7], QString());
    EXPECT_EQ(s.Fingerprints[0], s.Fingerprints[1]);
    EXPECT_EQ(s.Fingerprints[0].size(), 40);
}

TEST_F(Scanner, AFileChangedBetweenItsRangeAndItsHashIsJudgedAsItWasOrFails) {
    const QString a = Lame(dir, QStringLiteral("a.mp3"), 0.5, 0.5, 440);
    const QString b = Copy(a, QStringLiteral("b.mp3"));
    // After both audio ranges are known: b grows (still a copy of what was measured), or
    // loses its end (the hash comes up short: a failure, not a group).
    for (const int change : {+4000, -1000}) {
        step = [&](int stage, int done, int, const QString&) {
            if (stage != 1 || done != 2) return;
            QFile f(b);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.resize(f.size() + change));
        };
        const TFingerprintScan s = Scan({a, b});
        EXPECT_EQ(BuildGroups(s.Digests).size(), change > 0 ? 1 : 0) << change;
        EXPECT_EQ(s.Failed, change > 0 ? 0 : 1) << change;
        QFile::remove(b);
        QFile::copy(a, b);
    }
}

TEST_F(Scanner, AudioDataOffsetIsWhereTheReaderSaysTheAudioStarts) {
    QStringList files;
    files << Lame(dir, QStringLiteral("plain.mp3"), 0, 0.3, 440);
    files << Copy(files[0], QStringLiteral("v23.mp3"));
    RunTool(QStringLiteral("id3v2"),
            {QStringLiteral("-2"), QStringLiteral("-a"), QStringLiteral("A"), files.last()});
    files << Copy(files[0], QStringLiteral("v24.mp3"));
    RunTool(QStringLiteral("mid3v2"), {QStringLiteral("-t"), QStringLiteral("T"), files.last()});
    fixtures::EncodeOptions o;
    files << dir.filePath(QStringLiteral("x.ogg"));
    ASSERT_TRUE(fixtures::EncodeOgg(files.last(), o));
    if (fixtures::HaveProgram(QStringLiteral("mpcenc"))) {
        const QString wav = dir.filePath(QStringLiteral("m.wav"));
        fixtures::WriteFile(wav,
                            fixtures::MakeWave(44100, 2, 16, fixtures::MakeSine(44100, 2, 0.3)));
        files << dir.filePath(QStringLiteral("m.mpc"));
        RunTool(QStringLiteral("mpcenc"), {QStringLiteral("--silent"), wav, files.last()});
        RunTool(QStringLiteral("id3v2"),
                {QStringLiteral("-2"), QStringLiteral("-a"), QStringLiteral("A"), files.last()});
    }
    for (const QString& f : files) {
        TAudioFile af;
        af.SetFileName(f);
        ASSERT_TRUE(af.Open()) << f.toStdString();
        EXPECT_EQ(AudioDataOffset(f), af.Reader->AudioStart) << f.toStdString();
        if (f.contains(QLatin1String("v2")) || f.endsWith(QLatin1String("mpc"))) {
            EXPECT_GT(af.Reader->AudioStart, 0) << f.toStdString();
        }
    }
}

TEST(Groups, AscendingEachOnceCaseIgnoredEmptyNever) {
    const QStringList digests{
        QStringLiteral("BB"), QStringLiteral("aa"), QString(), QStringLiteral("bb"),
        QStringLiteral("AA"), QStringLiteral("BB"), QString(), QStringLiteral("CC")};
    EXPECT_EQ(BuildGroups(digests), (QStringList{QStringLiteral("AA"), QStringLiteral("bb")}));
    EXPECT_EQ(GroupMembers(digests, QStringLiteral("bb")), (QList<int>{0, 3, 5}));
    EXPECT_TRUE(GroupMembers(digests, QString()).isEmpty());
}

} // namespace

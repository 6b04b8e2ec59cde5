// A write of any number of tag kinds is one operation: in place when everything
// fits, else one safe rewrite; a write that fails or is refused leaves the file as
// it was, and no temporary file outlives the next write.
#include "TagTestUtil.h"
#include "support/AudioFixtures.h"

#include "audio/FileTags.h"
#include "audio/TagWriter.h"
#include "io/SonvaleError.h"
#include "io/TempFiles.h"
#include "io/WriteFaults.h"
#include "tags/FieldList.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"

#include <QDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tagtest;

namespace {

class OneWrite : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("a.mp3"));
    void TearDown() override { writefaults::Reset(); }

    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    ino_t Inode() const {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_ino;
    }
    static TTagChange Write(int kinds, const QString& title) {
        TTagChange c;
        c.Write = kinds;
        c.Fields = {QStringLiteral("TITLE=") + title, QStringLiteral("ARTIST=Band")};
        return c;
    }
};

TEST_F(OneWrite, AFailedWriteLeavesTheFileAsItWas) {
    const QByteArray original = Tag(3, Frame("TIT2", Latin1Text("Old")), 0, 300) + Audio(20000) +
                                Id3v1Block("Old", "Band", 1, 17);
    struct TCase {
        const char* what;
        int kinds;
        int titleLength;
        int64_t failAfter; // -1: only the rename fails
    };
    // In place: the ID3v2 tag fits its padding and the ID3v1 block is rewritten where it
    // stands (ID3v2 first, then ID3v1). Rewritten: the tag outgrows its space, and an
    // APEv2 tag is added.
    const TCase cases[] = {
        {"in place, the first write refused", tkId3v1 | tkId3v2, 10, 0},
        {"in place, the first write cut short", tkId3v1 | tkId3v2, 10, 100},
        {"in place, the second write cut short", tkId3v1 | tkId3v2, 10, 320},
        {"rewrite, nothing written", tkId3v1 | tkId3v2 | tkApeV2, 500, 0},
        {"rewrite, inside the audio", tkId3v1 | tkId3v2 | tkApeV2, 500, 9000},
        {"rewrite, the rename refused", tkId3v1 | tkId3v2 | tkApeV2, 500, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, original);
        if (c.failAfter >= 0)
            writefaults::FailWritesAfter(c.failAfter);
        else
            writefaults::FailNextRename();
        const QString title(c.titleLength, QLatin1Char('t'));
        EXPECT_THROW(ChangeId3StyleTags(path, Write(c.kinds, title)), ESonvaleError);
        writefaults::Reset();
        EXPECT_EQ(ReadBytes(path), original);
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("a.mp3")});
        // Without the fault the same write goes through, in place or not as planned.
        const ino_t before = Inode();
        ASSERT_TRUE(ChangeId3StyleTags(path, Write(c.kinds, title)));
        EXPECT_EQ(Inode() == before, c.titleLength < 300);
        EXPECT_EQ(FieldValue(ReadPreferredTags(path).Tags, QStringLiteral("title")), title);
    }
}

TEST_F(OneWrite, ARefusedWriteChangesNothing) {
    // ID3v1 needs 128 bytes: the ID3v2 tag of the same write is not written either.
    WriteBytes(path, Audio(100));
    EXPECT_FALSE(ChangeId3StyleTags(path, Write(tkId3v1 | tkId3v2, QStringLiteral("x"))));
    EXPECT_EQ(ReadBytes(path), Audio(100));
    // A WAVE file whose data chunk runs past its end has no place for a new chunk.
    const QString wav = dir.filePath(QStringLiteral("cut.wav"));
    const QByteArray cut =
        fixtures::MakeWave(8000, 1, 16, fixtures::MakeSine(8000, 1, 0.1)).left(900);
    WriteBytes(wav, cut);
    EXPECT_FALSE(WriteFileTags(wav, QStringLiteral("A"), -1, {}, {}, {}, {}, {}, {}));
    EXPECT_EQ(ReadBytes(wav), cut);
}

TEST_F(OneWrite, RemoveThenWriteStartsTheWrittenKindsAfresh) {
    // As the tag cleaner asks: every kind dropped, ID3v2 written from the lines alone.
    const QByteArray apic = QByteArray(1, 0) + "image/png" + '\0' + char(3) + '\0' + "PNG";
    const QByteArray ape =
        ApeItem("Title", "Old") + ApeFooter(int(ApeItem("Title", "Old").size()), 1, 0);
    WriteBytes(path, Tag(3, Frame("TIT2", Latin1Text("Old")) + Frame("APIC", apic)) + Audio(2000) +
                         ape + Id3v1Block("Old", "Band", 1, 17));
    TTagChange change = Write(tkId3v2, QStringLiteral("Clean"));
    change.Remove = tkAllRemoved;
    ASSERT_TRUE(ChangeId3StyleTags(path, change));
    TId3V2Tag t;
    ASSERT_TRUE(t.Parse(ReadBytes(path)));
    EXPECT_EQ(ReadBytes(path).mid(int(t.TagSize())), Audio(2000));
    ASSERT_EQ(t.Frames().size(), 2u);
    EXPECT_EQ(t.FrameValues("TIT2"), QStringList{QStringLiteral("Clean")});
    EXPECT_EQ(t.FrameValues("TPE1"), QStringList{QStringLiteral("Band")});
}

TEST_F(OneWrite, TemporaryFilesOfDeadWritersGoAtTheNextWrite) {
    const QByteArray native = QFile::encodeName(path);
    WriteBytes(path, Tag(3, Frame("TIT2", Latin1Text("Old")), 0, 100) + Audio(2000));
    // A writer killed while it held its temporary file.
    const pid_t child = ::fork();
    if (child == 0) {
        QByteArray temp;
        CreateLockedTemp(native, &temp);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    // One that is alive (this process), a case-only rename's middle step, and another file's.
    QByteArray live;
    const int liveFd = CreateLockedTemp(native, &live);
    ASSERT_GE(liveFd, 0);
    WriteBytes(dir.filePath(QStringLiteral(".a.mp3.sonvale-case-q1w2e3")), "user's file");
    WriteBytes(dir.filePath(QStringLiteral(".b.mp3.sonvale-r4t5y6")), "b's");
    ASSERT_EQ(Entries().size(), 5);

    ASSERT_TRUE(ChangeId3StyleTags(path, Write(tkId3v2, QStringLiteral("New"))));
    QStringList expected{QStringLiteral(".a.mp3.sonvale-case-q1w2e3"),
                         QString::fromLatin1(live.mid(live.lastIndexOf('/') + 1)),
                         QStringLiteral(".b.mp3.sonvale-r4t5y6"), QStringLiteral("a.mp3")};
    QStringList left = Entries();
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
    ::close(liveFd);
}

TEST_F(OneWrite, CliKindsAreThoseTheFileCarriesPlusItsOwn) {
    const QByteArray audio = fixtures::SilentMp3Frames(20);
    const QByteArray v1 = Id3v1Block("Old", "Band", 1, 17);
    const QByteArray ape =
        ApeItem("Title", "Old") + ApeFooter(int(ApeItem("Title", "Old").size()), 1, 0);
    struct TCase {
        QByteArray file;
        int kindsAfter;
    } cases[] = {
        {audio, tkId3v2},
        {Tag(3, Frame("TIT2", Latin1Text("Old"))) + audio, tkId3v2},
        {audio + v1, tkId3v1 | tkId3v2},
        {audio + ape + v1, tkId3v1 | tkId3v2 | tkApeV2},
    };
    TTagWriteOptions cli;
    cli.KindsFromFile = true;
    for (const TCase& c : cases) {
        WriteBytes(path, c.file);
        ASSERT_TRUE(
            EditFileTags(path, {{QStringLiteral("title"), QStringLiteral("New")}}, -1, cli));
        const TFileTagInfo info = ReadPreferredTags(path);
        EXPECT_EQ(info.TagKinds, c.kindsAfter);
        EXPECT_EQ(FieldValue(info.Tags, QStringLiteral("title")), QStringLiteral("New"));
    }
}

TEST_F(OneWrite, Id3v24StaysForTheCliAndBecomes23ForTheTools) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    const char* const script = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TDRC, TXXX, APIC
t = ID3()
t.add(TIT2(encoding=3, text=["Old"]))
t.add(TPE1(encoding=3, text=["A1", "A2"]))
t.add(TDRC(encoding=3, text=["2004-05-06"]))
t.add(TXXX(encoding=3, desc="MusicBrainz Album Id", text=["abc"]))
t.add(APIC(encoding=3, mime="image/png", type=3, desc="c", data=b"\x89PNG" + b"\xff" * 300))
t.save(sys.argv[1], v2_version=4)
print(ID3(sys.argv[1]).version[1] if len(sys.argv) < 3 else "")
)PY";
    WriteBytes(path, fixtures::SilentMp3Frames(20));
    ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                           {QStringLiteral("-c"), QString::fromLatin1(script), path}),
              0);
    auto parse = [&] {
        TId3V2Tag t;
        t.Parse(ReadBytes(path));
        return t;
    };
    const TId3V2Tag before = parse();
    const ino_t inode = Inode();
    TTagWriteOptions cli;
    cli.KeepId3v24 = cli.KindsFromFile = true;
    ASSERT_TRUE(
        EditFileTags(path, {{QStringLiteral("title"), QStringLiteral("N\u00e9w")}}, -1, cli));
    const TId3V2Tag after = parse();
    EXPECT_EQ(after.Version, 4);
    EXPECT_EQ(Inode(), inode); // within mutagen's padding
    // Every frame but the title as it was, byte for byte.
    QList<QByteArray> kept, now;
    for (const TId3Frame& f : before.Frames())
        if (f.Id != "TIT2") kept << f.Raw24;
    for (const TId3Frame& f : after.Frames())
        if (f.Id != "TIT2") now << f.Raw24;
    EXPECT_EQ(now, kept);
    QString out;
    ASSERT_EQ(tagtest::Run(QString::fromLatin1(kPython),
                           {QStringLiteral("-c"),
                            QStringLiteral(
                                "import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
                                "print(t.version[1], t['TIT2'].text[0], '|'.join(t['TPE1'].text))"),
                            path},
                           &out),
              0);
    EXPECT_EQ(out.trimmed(), QStringLiteral("4 N\u00e9w A1|A2"));
    ASSERT_TRUE(WriteFileTags(path, QStringLiteral("A1 / A2"), tkId3v2, {}, {}, {},
                              QStringLiteral("2004"), {}, QStringLiteral("GUI")));
    EXPECT_EQ(parse().Version, 3);
}

} // namespace

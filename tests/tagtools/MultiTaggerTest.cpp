#include "TagToolsSupport.h"

#include "io/SonvaleError.h"
#include "support/ScriptedPrompter.h"
#include "tools/MultiTagger.h"

#include <QTemporaryDir>

using namespace tagtools;

namespace {

const QString kDone = QStringLiteral("MetaTags successfully upated in all files.");
const QString kErrors = QStringLiteral("Errors have occured while updating metatags");

class MultiTagger : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
    TRecordingProgress progress;

    TMultiTaggerOptions Options(const QStringList& paths) {
        TMultiTaggerOptions o;
        o.Paths = paths;
        o.Artist = QStringLiteral("The Band");
        o.Album = QStringLiteral("First Album");
        o.Year = QStringLiteral("1999");
        o.Genre = QStringLiteral("Rock");
        o.Comments = QStringLiteral("line one\r\nline two");
        return o;
    }
    TMultiTaggerResult Run(const TMultiTaggerOptions& o) {
        return RunMultiTagger(o, progress, prompter);
    }
};

TEST_F(MultiTagger, NumbersTracksByListPositionAndKeepsEachTitle) {
    // Listed out of name order, with old track numbers that must not survive.
    const QString c =
        MakeMp3(dir, QStringLiteral("c.mp3"), QStringLiteral("Third"), QStringLiteral("9"));
    const QString a = MakeOgg(dir, QStringLiteral("a.ogg"), QStringLiteral("First"));
    const QString b = MakeMp3(dir, QStringLiteral("b.mp3"), {}, QStringLiteral("5"));
    const TMultiTaggerResult r = Run(Options({c, a, b}));

    EXPECT_TRUE(r.Ran);
    EXPECT_EQ(r.Total, 3);
    EXPECT_EQ(r.Written, 3);
    EXPECT_EQ(r.Failed, 0);
    EXPECT_EQ(prompter.Texts(), QStringList{kDone});
    ASSERT_EQ(prompter.Shown.size(), 1);
    EXPECT_TRUE(prompter.Shown[0].Plain);
    // Range count - 1, one step per file, back to 0 at the end.
    EXPECT_EQ(progress.Maximum, 2);
    EXPECT_EQ(progress.Positions, (QList<int>{0, 0, 1, 2, 0}));

    EXPECT_EQ(U(c, "track"), "1");
    EXPECT_EQ(U(a, "track"), "2");
    EXPECT_EQ(U(b, "track"), "3");
    EXPECT_EQ(U(c, "title"), "Third");
    EXPECT_EQ(U(a, "title"), "First");
    EXPECT_EQ(U(b, "title"), "");
    for (const QString& f : {a, b, c})
        EXPECT_EQ(U(f, "album"), "First Album") << f.toStdString();
    EXPECT_EQ(U(a, "comments"), "line one\r\nline two");

    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    const QJsonObject tc = Mutagen(c, kEasyTags), ta = Mutagen(a, kEasyTags);
    EXPECT_EQ(tc["tracknumber"].toString(), "1");
    EXPECT_EQ(tc["title"].toString(), "Third");
    EXPECT_EQ(tc["date"].toString(), "1999");
    EXPECT_EQ(ta["tracknumber"].toString(), "2");
    EXPECT_EQ(ta["artist"].toString(), "The Band");
    EXPECT_EQ(ta["genre"].toString(), "Rock");
    EXPECT_FALSE(Mutagen(b, kEasyTags).contains("title"));
}

TEST_F(MultiTagger, FilesThatDoNotOpenAreFailuresAndTheRunGoesOn) {
    // A FLAC file passes the list filter but no reader opens it; a file removed after it
    // was listed does not open either. Neither stops the others.
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("A"));
    const QString flac = dir.filePath(QStringLiteral("b.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC") + QByteArray(60, '\0'));
    const QString gone = dir.filePath(QStringLiteral("gone.mp3"));
    const QString d = MakeOgg(dir, QStringLiteral("d.ogg"), QStringLiteral("D"));
    QStringList failed;
    TMultiTaggerOptions o = Options({a, flac, gone, d});
    o.FileDone = [&](const QString& p, bool ok, const QString&) {
        if (!ok) failed << p;
    };
    const TMultiTaggerResult r = Run(o);
    EXPECT_EQ(r.Written, 2);
    EXPECT_EQ(r.Failed, 2);
    EXPECT_EQ(failed, (QStringList{flac, gone}));
    EXPECT_EQ(prompter.Texts(), QStringList{kErrors});
    EXPECT_EQ(U(a, "track"), "1");
    EXPECT_EQ(U(d, "track"), "4");
    EXPECT_EQ(fixtures::ReadFile(flac), QByteArray("fLaC") + QByteArray(60, '\0'));
    EXPECT_FALSE(QFile::exists(gone));
}

TEST_F(MultiTagger, DamagedFileStopsTheRunUnlessTheCallerGoesOn) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"));
    const QString bad = dir.filePath(QStringLiteral("bad.wav"));
    fixtures::WriteFile(bad, QByteArray("this is no RIFF file at all"));
    const QString c = MakeMp3(dir, QStringLiteral("c.mp3"));
    const QByteArray cBefore = fixtures::ReadFile(c);

    EXPECT_THROW(Run(Options({a, bad, c})), ESonvaleError);
    EXPECT_EQ(U(a, "track"), "1");
    EXPECT_EQ(fixtures::ReadFile(c), cBefore);
    EXPECT_TRUE(prompter.Shown.isEmpty());

    TMultiTaggerOptions o = Options({a, bad, c});
    o.KeepGoing = true;
    QString badError;
    o.FileDone = [&](const QString& p, bool, const QString& e) {
        if (p == bad) badError = e;
    };
    const TMultiTaggerResult r = Run(o);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(U(c, "track"), "3");
    EXPECT_TRUE(badError.startsWith(QStringLiteral("Bad .wav format"))) << badError.toStdString();
    EXPECT_EQ(prompter.Texts(), QStringList{kErrors});
}

TEST_F(MultiTagger, ReadOnlyFileIsNeverChanged) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"));
    const QString ro = MakeMp3(dir, QStringLiteral("ro.mp3"), QStringLiteral("RO"));
    const QString ogg = MakeOgg(dir, QStringLiteral("ro.ogg"), QStringLiteral("RO"));
    SetReadOnly(ro);
    SetReadOnly(ogg);
    const QByteArray roBefore = fixtures::ReadFile(ro), oggBefore = fixtures::ReadFile(ogg);

    // The ID3v1 and Vorbis comment writers report a read-only file as not written.
    TMultiTaggerOptions o = Options({ro, ogg, a});
    o.Kinds = 1 | 8;
    const TMultiTaggerResult r = Run(o);
    EXPECT_EQ(r.Failed, 2);
    EXPECT_EQ(prompter.Texts(), QStringList{kErrors});
    EXPECT_EQ(fixtures::ReadFile(ro), roBefore);
    EXPECT_EQ(fixtures::ReadFile(ogg), oggBefore);
    EXPECT_EQ(U(a, "track"), "3");

    // The ID3v2 writer refuses it with the open error, which ends the run.
    o.Kinds = 2;
    EXPECT_THROW(Run(o), ESonvaleError);
    EXPECT_EQ(fixtures::ReadFile(ro), roBefore);
}

TEST_F(MultiTagger, OtherFramesSurviveTheTagger) {
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("Song"));
    Mutagen(a, R"PY(
import sys, json
from mutagen.id3 import ID3, APIC, USLT
t = ID3(sys.argv[1])
t.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=bytes(range(256)) * 4))
t.add(USLT(encoding=1, lang="eng", desc="", text="la la la"))
t.save(sys.argv[1], v2_version=3)
print("{}")
)PY");
    ASSERT_TRUE(Run(Options({a})).Failed == 0);
    const QJsonObject t = Mutagen(a, R"PY(
import sys, json
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
pics = t.getall("APIC")
print(json.dumps({"pics": len(pics), "same": bool(pics) and pics[0].data == bytes(range(256)) * 4,
                  "type": pics[0].type if pics else -1, "lyrics": str(t.getall("USLT")[0].text),
                  "title": str(t["TIT2"]), "track": str(t["TRCK"]), "artist": str(t["TPE1"])}))
)PY");
    EXPECT_EQ(t["pics"].toInt(), 1);
    EXPECT_TRUE(t["same"].toBool());
    EXPECT_EQ(t["type"].toInt(), 3);
    EXPECT_EQ(t["lyrics"].toString(), "la la la");
    EXPECT_EQ(t["title"].toString(), "Song");
    EXPECT_EQ(t["track"].toString(), "1");
    EXPECT_EQ(t["artist"].toString(), "The Band");
}

} // namespace

TEST_F(MultiTagger, AsksBeforeErasingEmptyFieldsNamingThem) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("Kept"));
    ASSERT_TRUE(WriteFileTags(a, QStringLiteral("Old Artist"), -1, QStringLiteral("note"), {}, {},
                              QStringLiteral("1970"), QStringLiteral("Old Album"), {}));
    TMultiTaggerOptions o = Options({a, a + QStringLiteral(".missing.mp3")});
    o.Year.clear();
    o.Comments.clear();
    o.ConfirmErase = true;
    prompter.Answers << mrNo;
    EXPECT_FALSE(Run(o).Ran);
    ASSERT_EQ(prompter.Shown.size(), 1);
    EXPECT_EQ(prompter.Shown[0].Kind, mkWarning);
    EXPECT_TRUE(prompter.Shown[0].Text.contains(QStringLiteral("in the 2 files: Year, Comments.")))
        << prompter.Shown[0].Text.toStdString();
    EXPECT_EQ(U(a, "year"), "1970"); // No: nothing written
    EXPECT_EQ(U(a, "artist"), "Old Artist");

    prompter.Answers << mrYes;
    EXPECT_TRUE(Run(o).Ran);
    EXPECT_EQ(U(a, "year"), "");
    EXPECT_EQ(U(a, "comments"), "");
    EXPECT_EQ(U(a, "artist"), "The Band");
    // Every field filled: no question.
    prompter.Shown.clear();
    o.Year = QStringLiteral("2001");
    o.Comments = QStringLiteral("c");
    EXPECT_TRUE(Run(o).Ran);
    EXPECT_EQ(prompter.Texts(), QStringList{kErrors});
}

TEST(MultiTaggerTracks, NumberedByListOrPerFolder) {
    const QStringList paths = {"/m/A/1.mp3", "/m/A/2.mp3", "/m/B/1.mp3", "/m/A/3.mp3",
                               "/m/B/2.mp3"};
    EXPECT_EQ(MultiTaggerTrackNumbers(paths, false), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(MultiTaggerTrackNumbers(paths, true), (QList<int>{1, 2, 1, 3, 2}));
}

TEST_F(MultiTagger, NumberingPerFolderRestartsInEachFolder) {
    ASSERT_TRUE(dir.mkpath(QStringLiteral("one")) && dir.mkpath(QStringLiteral("two")));
    const QString a = MakeMp3(dir, QStringLiteral("one/a.mp3"));
    const QString b = MakeMp3(dir, QStringLiteral("two/b.mp3"));
    const QString c = MakeOgg(dir, QStringLiteral("two/c.ogg"));
    TMultiTaggerOptions o = Options({a, b, c});
    o.NumberPerFolder = true;
    EXPECT_EQ(Run(o).Written, 3);
    EXPECT_EQ(U(a, "track"), "1");
    EXPECT_EQ(U(b, "track"), "1");
    EXPECT_EQ(U(c, "track"), "2");
}

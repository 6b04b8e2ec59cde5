// The tag cleaner on real files read back by mutagen: what it cleans, what it keeps, and
// files it must leave exactly as they were.
#include "tools/TagCleaner.h"
#include "io/SonvaleError.h"
#include "io/WriteFaults.h"
#include "support/ScriptedPrompter.h"
#include "tags/TagKinds.h"
#include "tagtools/TagToolsSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace tagtools;

namespace {

class TagCleaner : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveMutagen()) GTEST_SKIP() << "mutagen missing: nothing to read back with";
    }
    void TearDown() override { writefaults::Reset(); }
    TTagCleanerResult Clean(const QStringList& paths, int kinds, bool dryRun = false,
                            bool keepGoing = true) {
        TTagCleanerOptions o;
        o.Paths = paths;
        o.Kinds = kinds;
        o.DryRun = dryRun;
        o.KeepGoing = keepGoing;
        o.Clean.UnderscoresToSpaces = o.Clean.MergeSpaces = o.Clean.CaseFormatting = true;
        o.Clean.CaseFormat = cfFirstWordOnly;
        TNullProgress progress;
        return RunTagCleaner(o, progress, prompter);
    }
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
};

TEST_F(TagCleaner, ChosenKindsKeepWhatIsNotCleanedAndTheOthersGo) {
    const QString mp3 = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("the_best   SONG"));
    // APEv2 (the main tag when present), then ID3v2 with frames of other fields and ID3v1.
    Mutagen(mp3, R"PY(
import sys
from mutagen.id3 import ID3, APIC, USLT, TXXX
from mutagen.apev2 import APEv2
a = APEv2()
a["Title"] = "the_best   SONG"
a["Artist"] = "ärtist_one"
a.save(sys.argv[1])
t = ID3(sys.argv[1])
t.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=bytes(range(256)) * 8))
t.add(USLT(encoding=3, lang="eng", desc="", text="la la"))
t.add(TXXX(encoding=3, desc="REPLAYGAIN_TRACK_GAIN", text=["-6.5 dB"]))
t.save(sys.argv[1], v1=2, v2_version=3)
print("{}")
)PY");
    const QString ogg = MakeOgg(dir, QStringLiteral("b.ogg"), QStringLiteral("x_y"));
    Mutagen(ogg, R"PY(
import sys
from mutagen.oggvorbis import OggVorbis
f = OggVorbis(sys.argv[1])
f["replaygain_track_gain"] = "-3.0 dB"
f["lyrics"] = "some  words"
f["artist"] = ["one_a", "two_b"]
f.save()
print("{}")
)PY");
    const QByteArray mp3Before = fixtures::ReadFile(mp3), oggBefore = fixtures::ReadFile(ogg);
    const TTagCleanerResult dry = Clean({mp3, ogg}, tkId3v2 | tkVorbis, true);
    EXPECT_EQ(dry.Files.value(0).Changes.value(0).New, QStringLiteral("Ärtist one"));
    EXPECT_EQ(dry.Files.value(0).Changes.value(1).New, QStringLiteral("The best song"));
    EXPECT_EQ(fixtures::ReadFile(mp3), mp3Before);
    EXPECT_EQ(fixtures::ReadFile(ogg), oggBefore);

    const TTagCleanerResult r = Clean({mp3, ogg}, tkId3v2 | tkVorbis);
    EXPECT_EQ(r.Written, 2);
    EXPECT_EQ(r.Failed, 0);
    EXPECT_TRUE(prompter.Shown.isEmpty());
    const QJsonObject m = Mutagen(mp3, R"PY(
import sys, json
from mutagen.id3 import ID3
from mutagen.apev2 import APEv2, APENoHeaderError
t = ID3(sys.argv[1])
try:
    APEv2(sys.argv[1]); ape = True
except APENoHeaderError:
    ape = False
pics = t.getall("APIC")
print(json.dumps({"title": str(t["TIT2"]), "artist": str(t["TPE1"]), "ape": ape,
                  "v1": open(sys.argv[1], "rb").read()[-128:][:3] == b"TAG",
                  "pic": len(pics) == 1 and pics[0].data == bytes(range(256)) * 8,
                  "lyrics": str(t.getall("USLT")[0]), "gain": str(t["TXXX:REPLAYGAIN_TRACK_GAIN"])}))
)PY");
    EXPECT_EQ(m["title"].toString(), "The best song");
    EXPECT_EQ(m["artist"].toString(), QStringLiteral("Ärtist one"));
    EXPECT_FALSE(m["ape"].toBool());
    EXPECT_FALSE(m["v1"].toBool());
    EXPECT_TRUE(m["pic"].toBool());
    EXPECT_EQ(m["lyrics"].toString(), "la la");
    EXPECT_EQ(m["gain"].toString(), "-6.5 dB");
    const QJsonObject o = Mutagen(ogg, kEasyTags);
    EXPECT_EQ(o["title"].toString(), "X y");
    EXPECT_EQ(o["replaygain_track_gain"].toString(), "-3.0 dB");
    EXPECT_EQ(o["lyrics"].toString(), "some  words"); // not one of the seven: not cleaned
    EXPECT_FALSE(o.contains("album")) << "an empty field is no comment";
    const QJsonObject artists = Mutagen(ogg, R"PY(
import sys, json, mutagen
print(json.dumps({"a": mutagen.File(sys.argv[1])["artist"]}))
)PY");
    EXPECT_EQ(artists["a"].toArray(), QJsonArray({"One a", "Two b"}))
        << "each value cleaned, none lost";
}

TEST_F(TagCleaner, FilesItCannotCleanStayAsTheyWere) {
    const QString ogg = MakeOgg(dir, QStringLiteral("only_vorbis.ogg"), QStringLiteral("a_b"));
    const QString readOnly = MakeMp3(dir, QStringLiteral("ro.mp3"), QStringLiteral("a_b"));
    SetReadOnly(readOnly);
    const QString damaged = dir.filePath(QStringLiteral("damaged.mp3"));
    fixtures::WriteFile(damaged, QByteArray(3000, '\x17'));
    const QString flac = dir.filePath(QStringLiteral("c.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    const QString gone = dir.filePath(QStringLiteral("gone.mp3"));
    const QStringList paths = {ogg, readOnly, damaged, flac, gone};
    QList<QByteArray> before;
    for (const QString& p : paths)
        before << fixtures::ReadFile(p);

    const TTagCleanerResult r = Clean(paths, tkId3v2); // an Ogg file holds no ID3v2
    ASSERT_EQ(r.Failures.size(), paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(r.Failures[i].Path, paths[i]);
        EXPECT_FALSE(r.Failures[i].Reason.isEmpty());
        EXPECT_EQ(fixtures::ReadFile(paths[i]), before[i]) << paths[i].toStdString();
    }
    ASSERT_EQ(prompter.Shown.size(), 1);
    EXPECT_TRUE(prompter.Shown[0].Text.startsWith(QStringLiteral("5 of 5 files")));
    EXPECT_EQ(U(ogg, "title"), "a_b");

    EXPECT_FALSE(Clean(paths, 0).Ran);
    EXPECT_EQ(prompter.Shown.last().Text, QStringLiteral("No tags selected."));
    // Without KeepGoing the file its reader refuses ends the run, as the window's run does.
    EXPECT_THROW(Clean({damaged, ogg}, tkId3v2, false, false), ESonvaleError);
}

TEST_F(TagCleaner, AFailedWriteLeavesEveryTagAsItWas) {
    const QString mp3 = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("x_y"));
    Mutagen(mp3, R"PY(
import sys
from mutagen.id3 import ID3
from mutagen.apev2 import APEv2
a = APEv2()
a["Title"] = "x_y"
a.save(sys.argv[1])
ID3(sys.argv[1]).save(sys.argv[1], v1=2, v2_version=3)
print("{}")
)PY");
    const QByteArray before = fixtures::ReadFile(mp3);
    const struct {
        const char* what;
        int kinds;
        int64_t failAfter; // -1: the rename of the rewrite fails
    } cases[] = {
        // The leading ID3v2 tag goes: the audio moves, so the file is rewritten.
        {"rewrite", tkApeV2, -1},
        // ID3v2 fits its padding and the APEv2 tag goes from the end: in place.
        {"in place", tkId3v1 | tkId3v2, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.failAfter < 0)
            writefaults::FailNextRename();
        else
            writefaults::FailWritesAfter(c.failAfter);
        const TTagCleanerResult r = Clean({mp3}, c.kinds);
        writefaults::Reset();
        EXPECT_EQ(r.Failed, 1);
        EXPECT_EQ(fixtures::ReadFile(mp3), before);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"a.mp3"});
    }
    // Without a fault the same run goes through.
    EXPECT_EQ(Clean({mp3}, tkApeV2).Written, 1);
    EXPECT_EQ(U(mp3, "title"), "X y");
}

} // namespace

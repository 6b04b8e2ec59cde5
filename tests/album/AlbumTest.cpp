#include "support/ReplayServer.h"
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"
#include "tools/AlbumRenamer.h"
#include "tools/AutoSort.h"
#include "tools/LookupSettings.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

using namespace tagtools;

namespace {

const bool kAppMade = [] {
    static int argc = 1;
    static char name[] = "test_album";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    return true;
}();

TAlbumRenamerOptions Options(const QDir& dir, const QStringList& entries,
                             const QStringList& tracks) {
    TAlbumRenamerOptions o;
    o.Folder = dir.path() + QLatin1Char('/');
    o.Entries = entries;
    o.Tracks = tracks;
    o.Artist = QStringLiteral("AC/DC");
    o.Album = QStringLiteral("Live");
    o.Year = QStringLiteral("1992");
    o.Genre = QStringLiteral("Rock");
    o.Pattern = QStringLiteral("%6 - %2");
    o.PlaylistPattern = QStringLiteral("%1 - %3");
    return o;
}

} // namespace

TEST(AlbumRenamer, TagsRenamesAndWritesThePlaylist) {
    QTemporaryDir tmp;
    QDir dir(tmp.path() + QStringLiteral("/My Album"));
    ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
    MakeMp3(dir, QStringLiteral("zz first.mp3"), QStringLiteral("old"), QStringLiteral("9"));
    MakeMp3(dir, QStringLiteral("aa third.mp3"));
    TAlbumRenamerOptions o =
        Options(dir, {QStringLiteral("zz first.mp3"), kFakeTrack, QStringLiteral("aa third.mp3")},
                {QStringLiteral(" Intro "), QStringLiteral("Gone"), QStringLiteral("Wh?at: now")});
    o.Playlist = true;
    o.PlaylistDirMode = 1;
    o.PlaylistRelative = true;
    TScriptedPrompter prompter;
    TRecordingProgress progress;
    const TAlbumRenamerResult r = RunAlbumRenamer(o, progress, prompter);
    EXPECT_EQ(r.Failed, 0) << prompter.Texts().join('|').toStdString();
    EXPECT_EQ(r.Entries, (QStringList{QStringLiteral("01 - Intro.mp3"), kFakeTrack,
                                      QStringLiteral("03 - What now.mp3")}));
    EXPECT_EQ(progress.Positions, (QList<int>{33, 100, 0}));
    if (HaveMutagen()) {
        const QJsonObject t = Mutagen(dir.filePath(QStringLiteral("03 - What now.mp3")), kEasyTags);
        EXPECT_EQ(t[QStringLiteral("title")].toString(), QStringLiteral("Wh?at: now"));
        EXPECT_EQ(t[QStringLiteral("tracknumber")].toString(), QStringLiteral("3"));
        EXPECT_EQ(t[QStringLiteral("artist")].toString(), QStringLiteral("AC/DC"));
    }
    // Parent mode: the album folder's name, a separator and the file name; CR LF each.
    EXPECT_EQ(fixtures::ReadFile(tmp.filePath(QStringLiteral("ACDC - Live.m3u"))),
              QByteArray("My Album/01 - Intro.mp3\r\nMy Album/03 - What now.mp3\r\n"));
}

TEST(AlbumRenamer, ARenameNeverReplacesAFileAndTheRunGoesOn) {
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    MakeMp3(dir, QStringLiteral("a.mp3"));
    MakeMp3(dir, QStringLiteral("b.mp3"));
    fixtures::WriteFile(dir.filePath(QStringLiteral("01 - One.mp3")), "someone else's");
    TAlbumRenamerOptions o = Options(dir, {QStringLiteral("a.mp3"), QStringLiteral("b.mp3")},
                                     {QStringLiteral("One"), QStringLiteral("Two")});
    o.Tag = false;
    TScriptedPrompter prompter;
    TNullProgress progress;
    const TAlbumRenamerResult r = RunAlbumRenamer(o, progress, prompter);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(fixtures::ReadFile(dir.filePath(QStringLiteral("01 - One.mp3"))),
              QByteArray("someone else's"));
    EXPECT_TRUE(dir.exists(QStringLiteral("a.mp3")));
    EXPECT_TRUE(dir.exists(QStringLiteral("02 - Two.mp3")));
    ASSERT_EQ(prompter.Shown.size(), 1);
    EXPECT_TRUE(prompter.Shown[0].Text.endsWith(QStringLiteral("\n\r") +
                                                dir.filePath(QStringLiteral("01 - One.mp3"))));
}

TEST(AlbumRenamer, UntrustedNamesStayInTheFolder) {
    struct TCase {
        const char* Track;
        const char* Extension;
        const char* Name;
    } cases[] = {
        {"../../escape", ".mp3", "....escape.mp3"}, {"..", "", ""},     {".", "", ""},
        {"a\nb\tc\x7f", ".mp3", "abc.mp3"},         {" \r\n ", "", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(AlbumFileName(QStringLiteral("%2"), {}, {}, {}, {}, QString::fromUtf8(c.Track), 1,
                                QString::fromLatin1(c.Extension)),
                  QString::fromUtf8(c.Name))
            << c.Track;
    const QString longName = AlbumFileName(QStringLiteral("%2"), {}, {}, {}, {},
                                           QString(200, QChar(0x00e9)), 1, QStringLiteral(".mp3"));
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.endsWith(QStringLiteral(".mp3")));
}

TEST(AlbumRenamer, DropsUnchosenKindsAndKeepsOtherFrames) {
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    const QString path = MakeMp3(dir, QStringLiteral("x.mp3"), QStringLiteral("old"));
    ASSERT_TRUE(WriteFileTags(path, QStringLiteral("old artist"), 1, {}, {}, {}, {}, {}, {}));
    if (!HaveMutagen()) GTEST_SKIP() << "mutagen is not installed";
    Mutagen(path, R"PY(
import sys, json
from mutagen.id3 import ID3, TXXX
t = ID3(sys.argv[1]); t.add(TXXX(encoding=3, desc='KEEP', text=['me'])); t.save(v1=1)
print('{}')
)PY");
    TAlbumRenamerOptions o = Options(dir, {QStringLiteral("x.mp3")}, {QStringLiteral("New")});
    o.Rename = false;
    o.TagMask = 2;
    TScriptedPrompter prompter;
    TNullProgress progress;
    EXPECT_EQ(RunAlbumRenamer(o, progress, prompter).Failed, 0);
    const QJsonObject t = Mutagen(path, R"PY(
import sys, json
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
data = open(sys.argv[1], 'rb').read()
print(json.dumps({'title': str(t['TIT2']), 'keep': str(t['TXXX:KEEP']), 'v1': data[-128:-125] == b'TAG'}))
)PY");
    EXPECT_EQ(t[QStringLiteral("title")].toString(), QStringLiteral("New"));
    EXPECT_EQ(t[QStringLiteral("keep")].toString(), QStringLiteral("me"));
    EXPECT_FALSE(t[QStringLiteral("v1")].toBool());
}

TEST(AutoSort, ByTime) {
    QStringList entries{QStringLiteral("a"), QStringLiteral("b"), kFakeTrack};
    QList<int32_t> measured{200000, 300000, 0};
    TNullProgress progress;
    SortByTime(entries, measured, {300000, 200000}, 3, progress);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("b"), QStringLiteral("a"), kFakeTrack}));
    // Ties keep the earlier entry.
    entries = {QStringLiteral("x"), QStringLiteral("y")};
    measured = {1000, 1000};
    SortByTime(entries, measured, {1000, 1000}, 2, progress);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    QTemporaryDir tmp;
    fixtures::WriteFile(tmp.filePath(QStringLiteral("broken.ogg")), "not audio");
    EXPECT_EQ(MeasureDurations(tmp.path() + QLatin1Char('/'),
                               {kFakeTrack, QStringLiteral("missing.mp3")}),
              (QList<int32_t>{0, 0}));
}

TEST(AutoSort, ByWords) {
    struct TCase {
        QStringList Entries;
        QStringList Names;
        QStringList Sorted;
    } cases[] = {
        {{"end.mp3", "intro.mp3"}, {"Intro", "The End"}, {"intro.mp3", "end.mp3"}},
        {{"01 - someone.mp3", "02 - one.mp3"}, {"One"}, {"02 - one.mp3", "01 - someone.mp3"}},
        // A one-letter word inside is ignored, a one-letter last word counts.
        {{"x b.mp3", "x a.mp3"}, {"Song a", "Song b"}, {"x a.mp3", "x b.mp3"}},
        {{"p q.mp3", "a b.mp3"}, {"A x B", "nothing"}, {"a b.mp3", "p q.mp3"}},
        {{"left.mp3", "match me.mp3"}, {"Unknown", "Match-Me"}, {"left.mp3", "match me.mp3"}},
        {{"same 1.mp3", "same 2.mp3"}, {"Same", "Other"}, {"same 1.mp3", "same 2.mp3"}},
    };
    for (const TCase& c : cases) {
        QStringList entries = c.Entries;
        TNullProgress progress;
        SortByWords(entries, c.Names, progress);
        EXPECT_EQ(entries, c.Sorted) << c.Names.join('|').toStdString();
    }
    EXPECT_EQ(SortWords(NormaliseSortText(QStringLiteral(" (Don't) Stop_Me-Now "))),
              (QStringList{QStringLiteral("don"), QStringLiteral("stop"), QStringLiteral("me"),
                           QStringLiteral("now")}));
}

TEST(LookupSettings, StoredValuesBecomeTheLookup) {
    QTemporaryDir tmp;
    QSettings store(tmp.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    store.setValue(QStringLiteral("FreeDB_Server"), QStringLiteral("SECOND.example"));
    store.setValue(QStringLiteral("FreeDB_Email"), QStringLiteral("me@mail.example"));
    store.setValue(QStringLiteral("FreeDB_SearchSite"), QString());
    store.setValue(QStringLiteral("Lookup_Source"), QStringLiteral("7"));
    TSettingsValues v;
    v.FreeDBServers = {QStringLiteral("gnudb.gnudb.org"), QStringLiteral("second.example")};
    LoadSettingsValues(store, v);
    const TLookupConfig c = LookupConfigFromSettings(v);
    EXPECT_EQ(c.Server, QStringLiteral("second.example"));
    EXPECT_EQ(c.Email, QStringLiteral("me@mail.example"));
    EXPECT_EQ(c.SearchSite, kDefaultSearchSite);               // empty: the default site
    EXPECT_EQ(int(c.Source), int(TLookupSource::MusicBrainz)); // 7 is no source
    SaveSettingsValues(store, v);
    EXPECT_EQ(store.value(QStringLiteral("Lookup_Source")).toString(), QStringLiteral("2"));
}

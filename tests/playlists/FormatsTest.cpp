// The playlist formats, the text decoding, entry resolution, relative entries and the
// shuffle.
#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"
#include "tools/Playlist.h"
#include "tools/Random.h"
#include "tools/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray b;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        b.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return b;
}

struct TParseCase {
    const char* Name;
    const char* Key;
    QByteArray Bytes;
    QStringList Expected;
};

TEST(PlaylistFormats, ParsesWhatPlayersWrite) {
    const QString folder = QStringLiteral("/lists");
    const TParseCase cases[] = {
        {"extended m3u",
         "m3u",
         "#EXTM3U\r\n#EXTINF:185,Artist - Title\r\n/m/a.mp3\r\n\r\n#EXTINF:-1,x\r\nrel/b.mp3\r\n",
         {"/m/a.mp3", "rel/b.mp3"}},
        {"lines end at CR, LF or CR LF",
         "m3u",
         "a.mp3\rb.mp3\nc.mp3\r\n\rd.mp3",
         {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}},
        {"no trimming", "m3u", " a.mp3 \r\n", {" a.mp3 "}},
        {"utf-8 with a mark", "m3u", "\xEF\xBB\xBF/m/\xC3\xA9t\xC3\xA9.mp3\r\n", {"/m/été.mp3"}},
        {"windows-1252 line among utf-8 lines",
         "m3u",
         "/m/\xC3\xA9t\xC3\xA9.mp3\r\n/m/Beyonc\xE9 \x80.mp3\r\n",
         {"/m/été.mp3", QStringLiteral("/m/Beyonc\u00e9 \u20ac.mp3")}},
        {"utf-16le with mark",
         "m3u",
         "\xFF\xFE" + Utf16(QStringLiteral("#EXTM3U\r\n/m/日本.mp3\r\n"), false),
         {"/m/日本.mp3"}},
        {"utf-16be with mark",
         "m3u",
         "\xFE\xFF" + Utf16(QStringLiteral("/m/a.mp3\n/m/b.mp3"), true),
         {"/m/a.mp3", "/m/b.mp3"}},
        {"pls v2 with titles and lengths",
         "pls",
         "[playlist]\r\nFile1=/m/a.mp3\r\nTitle1=A\r\nLength1=185\r\nfile2=sub/b.mp3\r\n"
         "File12=song.mp3\r\nNumberOfEntries=3\r\nVersion=2\r\n",
         {"/m/a.mp3", "/lists/sub/b.mp3", "/lists/song.mp3"}},
        {"pls lines too short or '=' too early",
         "pls",
         "file=C:\\a.mp3\r\nfile1=\r\nfil1x=a.mp3\r\n",
         {}},
        {"pls keeps urls and drive letters",
         "pls",
         "file1=http://radio.example/stream\r\nfile2=C:\\Music\\a.mp3\r\nfile3=../up.mp3\r\n",
         {"http://radio.example/stream", "C:\\Music\\a.mp3", "/up.mp3"}},
        {"xpl with file urls",
         "xpl",
         "<xpl>\r\n\t<Entry>\r\n\t\t<URL>file://C:/a.mp3</URL>\r\n\t</Entry>\r\n"
         "\t<Entry><URL>/m/b.mp3</URL></Entry>\r\n\t<Entry><Title>no url</Title></Entry>\r\n"
         "</xpl>\r\n<?xpl version=1.0 ?>\r\n",
         {"C:/a.mp3", "/m/b.mp3"}},
        {"xpl as utf-16 without a mark",
         "xpl",
         Utf16(QStringLiteral("<xpl><Entry><URL>file:///m/é.mp3</URL></Entry></xpl>"), false),
         {"/m/é.mp3"}},
        {"xpl without its end tag", "xpl", "<xpl><Entry><URL>file:///m/a.mp3</URL></Entry>", {}},
        {"unknown format", "txt", "/m/a.mp3\r\n", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePlaylist(c.Bytes, QLatin1String(c.Key), folder), c.Expected) << c.Name;
}

TEST(PlaylistFormats, RefusesWhatIsNoPlaylist) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QStringList entries{QStringLiteral("stale")};
    EXPECT_THROW(ReadPlaylist(dir.filePath(QStringLiteral("missing.m3u")), entries), EFOpenError);
    EXPECT_TRUE(entries.isEmpty());
    dir.mkdir(QStringLiteral("folder.m3u"));
    EXPECT_THROW(ReadPlaylist(dir.filePath(QStringLiteral("folder.m3u")), entries), EFOpenError);
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    fixtures::WriteFile(dir.filePath(QStringLiteral("bin.m3u")), "\x01\x02" + garbage);
    EXPECT_THROW(ReadPlaylist(dir.filePath(QStringLiteral("bin.m3u")), entries), ESonvaleError);
    QFile big(dir.filePath(QStringLiteral("big.pls")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(kMaxPlaylistBytes + 1));
    big.close();
    EXPECT_THROW(ReadPlaylist(dir.filePath(QStringLiteral("big.pls")), entries), ESonvaleError);
    // Short lines beyond the entry limit stop the reading instead of filling the memory.
    EXPECT_THROW(ParsePlaylist(QByteArray(2 * (kMaxPlaylistEntries + 1), 'a').replace("aa", "a\n"),
                               QStringLiteral("m3u"), QString()),
                 ESonvaleError);
}

TEST(PlaylistFormats, WritesEachFormatExactly) {
    const QStringList two{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/é.mp3")};
    const struct {
        const char* Key;
        QByteArray Expected;
    } cases[] = {
        {"m3u", "/m/a.mp3\r\n/m/\xC3\xA9.mp3\r\n"},
        {"M3U8", "/m/a.mp3\r\n/m/\xC3\xA9.mp3\r\n"},
        {"pls", "[playlist]\r\nfile1=/m/a.mp3\r\nfile2=/m/\xC3\xA9.mp3\r\nNumberOfEntries=2\r\n"
                "Version=2\r\n"},
        {"xpl",
         "<xpl>\r\n\t<Entry>\r\n\t\t<URL>/m/a.mp3</URL>\r\n\t</Entry>\r\n\t<Entry>\r\n"
         "\t\t<URL>/m/\xC3\xA9.mp3</URL>\r\n\t</Entry>\r\n</xpl>\r\n<?xpl version=1.0 ?>\r\n"},
    };
    for (const auto& c : cases) {
        QByteArray out = "kept";
        EXPECT_TRUE(WritePlaylist(QLatin1String(c.Key), two, out)) << c.Key;
        EXPECT_EQ(out, "kept" + c.Expected) << c.Key;
        QByteArray none;
        EXPECT_TRUE(WritePlaylist(QLatin1String(c.Key), {}, none));
        EXPECT_TRUE(none.isEmpty());
        // What is written reads back as it was.
        EXPECT_EQ(ParsePlaylist(c.Expected, PlaylistFormatKey(QStringLiteral("x.") + c.Key),
                                QStringLiteral("/m")),
                  two)
            << c.Key;
    }
    QByteArray out;
    EXPECT_FALSE(WritePlaylist(QStringLiteral("txt"), two, out));
    EXPECT_TRUE(out.isEmpty());
}

TEST(PlaylistFormats, ResolvesEntriesAgainstThePlaylistFolder) {
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char* f : {"Lists/Album/a.mp3", "b.mp3", "Lists/Album/Sub/c d.mp3"})
        ASSERT_TRUE(fixtures::WriteFile(root + QLatin1Char('/') + QLatin1String(f), "x"));
    const QString lists = root + QStringLiteral("/Lists");
    const struct {
        QString Entry;
        QString Expected;
    } cases[] = {
        {QStringLiteral("\\Album\\a.mp3"), lists + QStringLiteral("/Album/a.mp3")},
        {QStringLiteral("/Album/a.mp3"), lists + QStringLiteral("/Album/a.mp3")},
        {QStringLiteral("Album/./Sub/../a.mp3"), lists + QStringLiteral("/Album/a.mp3")},
        {QStringLiteral("..\\b.mp3"), root + QStringLiteral("/b.mp3")},
        {QStringLiteral("../b.mp3"), root + QStringLiteral("/b.mp3")},
        {root + QStringLiteral("/b.mp3"), root + QStringLiteral("/b.mp3")},
        {QStringLiteral("file://") + lists + QStringLiteral("/Album/Sub/c%20d.mp3"),
         lists + QStringLiteral("/Album/Sub/c d.mp3")},
        {QStringLiteral("http://radio.example/a.mp3"),
         QStringLiteral("http://radio.example/a.mp3")},
        {QStringLiteral("D:\\Music\\a.mp3"), QStringLiteral("D:\\Music\\a.mp3")},
        {QStringLiteral("gone.mp3"), QStringLiteral("gone.mp3")},
        {QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePlaylistEntry(c.Entry, lists), c.Expected) << c.Entry.toStdString();
}

TEST(PlaylistFormats, MakesRelativeEntries) {
    const struct {
        const char* Path;
        const char* Base;
        const char* Expected;
    } cases[] = {
        {"/m/Lists/a.mp3", "/m/Lists/", "a.mp3"},
        {"/m/Sibling/a.mp3", "/m/Lists/", "../Sibling/a.mp3"},
        {"/m/Lists/Sub/a.mp3", "/m/Lists", "Sub/a.mp3"},
        {"/x/y/a.mp3", "/m/Lists/", "../../x/y/a.mp3"},
        {"/m/lists/a.mp3", "/m/Lists/", "../lists/a.mp3"}, // names differ by letter case
        {"/a.mp3", "/", "a.mp3"},
        {"rel/a.mp3", "/m/", "rel/a.mp3"},
        {"http://radio.example/a.mp3", "/m/", "http://radio.example/a.mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeRelativeEntry(QLatin1String(c.Path), QLatin1String(c.Base)),
                  QLatin1String(c.Expected))
            << c.Path;
}

TEST(PlaylistFormats, ShufflesWithTheProgramsGenerator) {
    SetRandomState(0);
    QStringList one{QStringLiteral("a")};
    ShuffleList(one);
    EXPECT_EQ(one, QStringList{QStringLiteral("a")});
    for (int run = 0; run < 3; ++run) {
        QStringList two{QStringLiteral("a"), QStringLiteral("b")};
        ShuffleList(two);
        EXPECT_EQ(two, (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    }
    // From the start state, as every program run starts: the same order each time, and the
    // state runs on into the next shuffle.
    SetRandomState(0);
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten << QString::number(i);
    ShuffleList(ten);
    EXPECT_EQ(ten.join(QLatin1Char(',')), QStringLiteral("1,2,5,9,7,6,4,3,0,8"));
    EXPECT_EQ(RandomState(), 0x6cf8f4beu);
    QStringList five = QStringLiteral("a,b,c,d,e").split(QLatin1Char(','));
    ShuffleList(five);
    EXPECT_EQ(five.join(QLatin1Char(',')), QStringLiteral("e,b,a,d,c"));
}

} // namespace

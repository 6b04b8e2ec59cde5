#include "TagTestUtil.h"
#include "support/TagFiles.h"

#include "io/SonvaleError.h"
#include "tags/FieldList.h"
#include "tags/Id3v2Tag.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tagtest;

namespace {

class Id3v2Test : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("a.mp3"));

    TId3V2File Load(const QByteArray& tag) {
        WriteBytes(path, tag + Audio());
        TId3V2File t;
        EXPECT_TRUE(t.Open(path));
        return t;
    }
    QString Value(const TId3V2Tag& t, const char* name) {
        return FieldValue(t.Fields, QString::fromLatin1(name));
    }
};

QByteArray Utf16LE(const QString& s, bool bom) {
    QByteArray b = bom ? QByteArray("\xFF\xFE") : QByteArray();
    for (QChar c : s)
        b += char(c.unicode() & 0xFF), b += char(c.unicode() >> 8);
    return b;
}

QByteArray Utf16BE(const QString& s, bool bom) {
    QByteArray b = bom ? QByteArray("\xFE\xFF") : QByteArray();
    for (QChar c : s)
        b += char(c.unicode() >> 8), b += char(c.unicode() & 0xFF);
    return b;
}

const QByteArray kNul2(2, '\0');

TEST_F(Id3v2Test, PlainAndSyncSafeFrameSizes) {
    QByteArray t200(200, 'a'), t300(300, 'b');
    // 2.3 with plain sizes: 200 has bit 7 set, 300 reads 172 as syncsafe.
    auto v23 = Load(Tag(3, Frame("TIT2", Latin1Text(t200.constData()).left(200)) +
                               Frame("TALB", Latin1Text(t300.constData()).left(300)) +
                               Frame("TPE1", Latin1Text("After"))));
    EXPECT_EQ(Value(v23, "TITLE").size(), 199);
    EXPECT_EQ(Value(v23, "ALBUM").size(), 299);
    EXPECT_EQ(Value(v23, "ARTIST"), QStringLiteral("After"));
    // The same frames with syncsafe sizes in a 2.3 tag (older writers).
    auto safe23 = Load(Tag(3, Frame("TALB", Latin1Text(t300.constData()).left(300), true) +
                                  Frame("TPE1", Latin1Text("After"), true)));
    EXPECT_EQ(Value(safe23, "ALBUM").size(), 299);
    EXPECT_EQ(Value(safe23, "ARTIST"), QStringLiteral("After"));
    // 2.4 with syncsafe sizes, and 2.4 with plain ones.
    auto v24 = Load(Tag(4, Frame("TALB", Latin1Text(t300.constData()).left(300), true) +
                               Frame("TPE1", Latin1Text("After"), true)));
    EXPECT_EQ(Value(v24, "ALBUM").size(), 299);
    EXPECT_EQ(Value(v24, "ARTIST"), QStringLiteral("After"));
    auto plain24 = Load(Tag(4, Frame("TALB", Latin1Text(t300.constData()).left(300), false) +
                                   Frame("TPE1", Latin1Text("After"), false)));
    EXPECT_EQ(Value(plain24, "ALBUM").size(), 299);
    EXPECT_EQ(Value(plain24, "ARTIST"), QStringLiteral("After"));
}

TEST_F(Id3v2Test, EncodingsAndByteOrderMarks) {
    QString text = QStringLiteral("\u00c9t\u00e9 \u65e5\u672c \U0001F3B5");
    auto t = Load(Tag(3, Frame("TIT2", QByteArray(1, 1) + Utf16LE(text, true) + kNul2) +
                             Frame("TPE1", QByteArray(1, 1) + Utf16BE(text, true) + kNul2) +
                             Frame("TALB", QByteArray(1, 2) + Utf16BE(text, false)) +
                             Frame("TCOM", QByteArray(1, 3) + text.toUtf8() + '\0') +
                             Frame("TENC", QByteArray(1, 0) + QByteArray("caf\xe9")) +
                             Frame("TXXX", QByteArray(1, 1) + Utf16BE(QStringLiteral("d"), true) +
                                               kNul2 + Utf16BE(text, true)) +
                             Frame("COMM", QByteArray(1, 1) + "eng" + Utf16LE({}, true) + kNul2 +
                                               Utf16BE(text, true) + kNul2) +
                             Frame("WOAR", QByteArray("http://x.org/\xe9"))));
    EXPECT_EQ(Value(t, "TITLE"), text);
    EXPECT_EQ(Value(t, "ARTIST"), text);
    EXPECT_EQ(Value(t, "ALBUM"), text);
    EXPECT_EQ(Value(t, "COMPOSER"), text);
    EXPECT_EQ(Value(t, "ENCODER"), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(Value(t, "USER"), text);
    EXPECT_EQ(Value(t, "COMMENTS"), text);
    EXPECT_EQ(Value(t, "ARTISTWEB"), QStringLiteral("http://x.org/\u00e9"));
}

TEST_F(Id3v2Test, MultipleValuesGenresAndPriorities) {
    auto t = Load(
        Tag(4, Frame("TIT1", Latin1Text("Group"), true) + Frame("TIT2", Latin1Text("Song"), true) +
                   Frame("TPE1", QByteArray(1, 3) + QByteArray("A\0B\0", 4), true) +
                   Frame("TCON", Latin1Text("(17)"), true) +
                   Frame("COMM", QByteArray(1, 0) + "engiTunNORM" + '\0' + " 0000", true) +
                   Frame("COMM", QByteArray(1, 0) + "engother" + '\0' + "Other", true) +
                   Frame("COMM", QByteArray(1, 0) + "eng" + '\0' + "Plain", true) +
                   Frame("TDRC", Latin1Text("2004-05-06"), true)));
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("Song"));
    EXPECT_EQ(Value(t, "ARTIST"), QStringLiteral("A / B"));
    EXPECT_EQ(Value(t, "GENRE"), QStringLiteral("Rock"));
    EXPECT_EQ(Value(t, "COMMENTS"), QStringLiteral("Plain"));
    EXPECT_EQ(t.Fields.filter(QStringLiteral("iTun")).size(), 0);
    EXPECT_EQ(Value(t, "RECORDTIME"), QStringLiteral("2004-05-06"));

    // A comment kept in a user text frame counts when there is no comment
    // frame, and does not turn into one on write.
    auto ff = Load(Tag(4, Frame("TXXX", QByteArray(1, 3) + "comment" + '\0' + "ff says", true) +
                              Frame("TIT2", Latin1Text("S"), true)));
    EXPECT_EQ(Value(ff, "COMMENTS"), QStringLiteral("ff says"));
    ff.Fields = {QStringLiteral("Title=S2"), QStringLiteral("Comments=ff says")};
    ASSERT_TRUE(ff.Write());
    EXPECT_TRUE(ff.FrameValues("COMM").isEmpty());
    EXPECT_EQ(ff.FrameValues("TXXX"), QStringList{QStringLiteral("ff says")});

    EXPECT_EQ(Id3GenreText(QStringLiteral("(17)Rock")), QStringLiteral("Rock"));
    EXPECT_EQ(Id3GenreText(QStringLiteral("17")), QStringLiteral("Rock"));
    EXPECT_EQ(Id3GenreText(QStringLiteral("(17)(18)")), QStringLiteral("Rock / Techno"));
    EXPECT_EQ(Id3GenreText(QStringLiteral("(9)Heavy")), QStringLiteral("Metal / Heavy"));
    EXPECT_EQ(Id3GenreText(QStringLiteral("((foo)")), QStringLiteral("(foo)"));
    EXPECT_EQ(Id3GenreText(QStringLiteral("Synthwave")), QStringLiteral("Synthwave"));
}

TEST_F(Id3v2Test, UnsynchronisationAndExtendedHeaders) {
    // 2.3: the whole tag is unsynchronised, extended header included.
    QByteArray body = QByteArray(4, '\0') + QByteArray("\x00\x06", 2) + QByteArray(4, '\0') +
                      QByteArray("\0\0\0\0", 4).left(0);
    body =
        BE32(6) + QByteArray(6, '\0') +
        Frame("TIT2", QByteArray(1, 1) + Utf16LE(QStringLiteral("\u00ff\u00e0x"), true) + kNul2) +
        Frame("TPE1", Latin1Text("Band"));
    QByteArray unsync = Id3Unsynchronise(body);
    ASSERT_NE(unsync, body);
    auto t = Load(Tag(3, unsync, 0x80 | 0x40));
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("\u00ff\u00e0x"));
    EXPECT_EQ(Value(t, "ARTIST"), QStringLiteral("Band"));

    // 2.4: per-frame unsynchronisation with a data-length indicator, after
    // an extended header whose size counts itself.
    QByteArray raw = QByteArray(1, 1) + Utf16LE(QStringLiteral("\u00ff\u00e0y"), true) + kNul2;
    QByteArray data = SyncSafe(uint32_t(raw.size())) + Id3Unsynchronise(raw);
    QByteArray ext = SyncSafe(6) + QByteArray(1, 1) + QByteArray(1, 0);
    auto t4 = Load(
        Tag(4, ext + Frame("TIT2", data, true, 0x0003) + Frame("TPE1", Latin1Text("Band4"), true),
            0x40));
    EXPECT_EQ(Value(t4, "TITLE"), QStringLiteral("\u00ff\u00e0y"));
    EXPECT_EQ(Value(t4, "ARTIST"), QStringLiteral("Band4"));
}

TEST_F(Id3v2Test, Version22ReadAndConvertedOnWrite) {
    QByteArray pic = QByteArray(1, 0) + "JPG" + char(3) + "cover" + '\0' + "\xff\xd8jpegdata";
    QByteArray ult = QByteArray(1, 0) + "eng" + '\0' + "la la la";
    auto t = Load(Tag(2, Frame22("TT2", Latin1Text("Two")) + Frame22("TP1", Latin1Text("Art")) +
                             Frame22("PIC", pic) + Frame22("ULT", ult) +
                             Frame22("COM", QByteArray(1, 0) + "eng" + '\0' + "c2") +
                             Frame22("CRM", "x") + Frame22("TST", Latin1Text("Sort"))));
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("Two"));
    EXPECT_EQ(Value(t, "ARTIST"), QStringLiteral("Art"));
    EXPECT_EQ(Value(t, "COMMENTS"), QStringLiteral("c2"));
    t.Fields = {QStringLiteral("Title=New")};
    ASSERT_TRUE(t.Write());
    EXPECT_EQ(t.Version, 3);
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("New"));
    EXPECT_EQ(Value(t, "ARTIST"), QStringLiteral("Art"));
    bool apic = false, uslt = false;
    for (const TId3Frame& f : t.Frames()) {
        if (f.Id == "APIC") {
            apic = true;
            EXPECT_EQ(f.Data, QByteArray(1, 0) + "image/jpeg" + '\0' + char(3) + "cover" + '\0' +
                                  "\xff\xd8jpegdata");
        }
        if (f.Id == "USLT") uslt = f.Data == ult;
        EXPECT_NE(f.Id, "CRM");
    }
    EXPECT_TRUE(apic);
    EXPECT_TRUE(uslt);
    EXPECT_EQ(t.FrameValues("TSOT"), QStringList{QStringLiteral("Sort")}); // iTunes' sort name
    EXPECT_TRUE(ReadBytes(path).endsWith(Audio()));
}

TEST_F(Id3v2Test, WriteKeepsOtherFramesInPlaceWhenItFits) {
    QByteArray apic =
        QByteArray(1, 0) + "image/png" + '\0' + char(3) + '\0' + QByteArray(3000, 'P');
    QByteArray frames = Frame("TIT1", Latin1Text("Group")) + Frame("TIT2", Latin1Text("Song")) +
                        Frame("TOPE", Latin1Text("Orig")) + Frame("APIC", apic) +
                        Frame("USLT", QByteArray(1, 0) + "eng" + '\0' + "lyrics") +
                        Frame("PRIV", QByteArray("owner\0data", 10)) +
                        Frame("TXXX", QByteArray(1, 0) + "KEY" + '\0' + "val") +
                        Frame("ZZZZ", "unknown") + Frame("TBPM", Latin1Text("120"));
    auto t = Load(Tag(3, frames, 0, 500));
    const qint64 size = QFileInfo(path).size();
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("Song"));
    EXPECT_EQ(Value(t, "ARTIST"), QStringLiteral("Orig"));

    // Title set, BPM cleared with an empty value, artist untouched.
    t.Fields = {QStringLiteral("Title=X"), QStringLiteral("BPM="), QStringLiteral("ARTIST=Orig")};
    ASSERT_TRUE(t.Write());
    QByteArray after = ReadBytes(path);
    EXPECT_EQ(after.size(), size); // in place, the padding absorbed it
    EXPECT_TRUE(after.endsWith(Audio()));
    QMap<QByteArray, int> ids;
    for (const TId3Frame& f : t.Frames())
        ids[f.Id]++;
    EXPECT_EQ(ids.value("TIT2"), 1);
    EXPECT_EQ(ids.value("TIT1"), 1);
    EXPECT_EQ(ids.value("TOAL"), 0);
    EXPECT_EQ(ids.value("TOPE"), 1);
    EXPECT_EQ(ids.value("TPE1"), 0); // not filled from TOPE
    EXPECT_EQ(ids.value("TBPM"), 0);
    for (const char* id : {"APIC", "USLT", "PRIV", "TXXX", "ZZZZ"})
        EXPECT_EQ(ids.value(id), 1) << id;
    EXPECT_EQ(t.FrameValues("TIT1"), QStringList{QStringLiteral("Group")});
    EXPECT_EQ(Value(t, "TITLE"), QStringLiteral("X"));

    // A tag that outgrows the space is rewritten without padding.
    t.Fields = {QStringLiteral("Title=") + QString(2000, QLatin1Char('L'))};
    ASSERT_TRUE(t.Write());
    after = ReadBytes(path);
    EXPECT_TRUE(after.endsWith(Audio()));
    EXPECT_EQ(after.size(), t.TagSize() + Audio().size());
    EXPECT_EQ(Value(t, "TITLE").size(), 2000);
    EXPECT_EQ(t.FrameValues("APIC").size(), 0); // not a text frame
    int apics = 0;
    for (const TId3Frame& f : t.Frames())
        apics += f.Id == "APIC" && f.Data == apic;
    EXPECT_EQ(apics, 1);

    ASSERT_TRUE(t.Remove());
    EXPECT_EQ(ReadBytes(path), Audio());
}

TEST_F(Id3v2Test, UnchangedFieldsKeepTheirFrames) {
    QByteArray artists = QByteArray(1, 3) + QByteArray("A1\0A2", 5);
    auto t = Load(Tag(4, Frame("TPE1", artists, true) + Frame("TIT2", Latin1Text("Old"), true) +
                             Frame("TCON", Latin1Text("(17)"), true)));
    ASSERT_EQ(FieldValue(t.Fields, QStringLiteral("ARTIST")), QStringLiteral("A1 / A2"));
    SetFieldValue(t.Fields, QStringLiteral("TITLE"), QStringLiteral("New"));
    ASSERT_TRUE(t.Write());
    QMap<QByteArray, QByteArray> data;
    for (const TId3Frame& f : t.Frames())
        data[f.Id] = f.Data;
    // Still two values (now in UTF-16, as a 2.3 tag has no UTF-8).
    EXPECT_EQ(data.value("TPE1"), QByteArray(1, 1) + Utf16LE(QStringLiteral("A1"), true) + kNul2 +
                                      Utf16LE(QStringLiteral("A2"), true) + kNul2);
    EXPECT_EQ(data.value("TCON"), Latin1Text("(17)"));
    EXPECT_EQ(t.FrameValues("TIT2"), QStringList{QStringLiteral("New")});
    // A changed value replaces the frame.
    SetFieldValue(t.Fields, QStringLiteral("ARTIST"), QStringLiteral("Solo"));
    ASSERT_TRUE(t.Write());
    EXPECT_EQ(t.FrameValues("TPE1"), QStringList{QStringLiteral("Solo")});
}

TEST_F(Id3v2Test, Utf8FramesOfA24TagBecomeUtf16In23) {
    QString art = QStringLiteral("\u00c4rt \u65e5");
    QByteArray png = QByteArray("\x89PNG\0\0\xff\0", 8).repeated(10);
    auto t = Load(Tag(
        4,
        Frame("TPE2", QByteArray(1, 3) + art.toUtf8() + '\0' + "Two", true) +
            Frame("COMM", QByteArray(1, 3) + "deu" + "d\xc3\xa9sc" + '\0' + art.toUtf8(), true) +
            Frame("APIC", QByteArray(1, 3) + "image/png" + '\0' + char(3) + "\xc3\xa9" + '\0' + png,
                  true) +
            Frame("TXXX",
                  QByteArray(1, 2) + Utf16BE(QStringLiteral("k"), false) + kNul2 +
                      Utf16BE(art, false),
                  true)));
    t.Fields = {QStringLiteral("Title=new")};
    ASSERT_TRUE(t.Write());
    for (const TId3Frame& f : t.Frames()) {
        EXPECT_EQ(int(f.Data[0]), 1) << f.Id.constData();
        if (f.Id == "APIC") {
            EXPECT_TRUE(f.Data.endsWith(QByteArray(1, 3) + Utf16LE(QStringLiteral("\u00e9"), true) +
                                        kNul2 + png));
        }
    }
    EXPECT_EQ(t.FrameValues("TPE2"), QStringList{art + QStringLiteral(" / Two")});
    EXPECT_EQ(t.FrameValues("COMM"), QStringList{art});
    EXPECT_EQ(t.FrameValues("TXXX"), QStringList{art});
}

TEST_F(Id3v2Test, EmptyListAndLongTitleRoundTrip) {
    WriteBytes(path, Audio());
    TId3V2File t;
    ASSERT_TRUE(t.Open(path));
    EXPECT_FALSE(t.Present);
    ASSERT_TRUE(t.Write());
    EXPECT_EQ(ReadBytes(path), QByteArray("ID3\x03\0\0\0\0\0\0", 10) + Audio());
    QString title(200, QChar(0x263A));
    t.Fields = {QStringLiteral("title=") + title, QStringLiteral("comments=c"),
                QStringLiteral("web=http://a"), QStringLiteral("officialweb=http://b")};
    ASSERT_TRUE(t.Write());
    TId3V2File r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.Version, 3);
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("TITLE")), title);
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("COMMENTS")), QStringLiteral("c"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("WEB")), QStringLiteral("http://a"));
    EXPECT_EQ(FieldValue(r.Fields, QStringLiteral("OFFICIALWEB")), QStringLiteral("http://b"));
}

TEST_F(Id3v2Test, EveryWriteEncodingReadsBack) {
    QString text = QStringLiteral("\u00e9t\u00e9 \u65e5");
    for (int enc : {0, 1, 2, 3}) {
        WriteBytes(path, Audio());
        TId3V2File t;
        ASSERT_TRUE(t.Open(path));
        t.TextEncoding = enc;
        t.Fields = {QStringLiteral("artist=") + (enc == 0 ? QStringLiteral("\u00e9t\u00e9") : text),
                    QStringLiteral("comments=") + (enc == 0 ? QStringLiteral("c\u00e9") : text)};
        ASSERT_TRUE(t.Write());
        EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("ARTIST")),
                  enc == 0 ? QStringLiteral("\u00e9t\u00e9") : text)
            << enc;
        EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("COMMENTS")),
                  enc == 0 ? QStringLiteral("c\u00e9") : text)
            << enc;
    }
}

TEST_F(Id3v2Test, TruncatedAndDamagedTags) {
    QByteArray frames = Frame("TIT2", Latin1Text("Kept")) + Frame("TPE1", Latin1Text("Cut off"));
    QByteArray tag = Tag(3, frames, 0, 0);
    WriteBytes(path, tag.left(tag.size() - 4)); // declared length beyond the file
    TId3V2File t;
    ASSERT_TRUE(t.Open(path));
    EXPECT_TRUE(t.Present);
    EXPECT_EQ(FieldValue(t.Fields, QStringLiteral("TITLE")), QStringLiteral("Kept"));
    EXPECT_EQ(FieldIndex(t.Fields, QStringLiteral("ARTIST")), -1);

    // First frame byte 0: present, no fields.
    auto pad = Load(Tag(3, QByteArray(20, '\0')));
    EXPECT_TRUE(pad.Present);
    EXPECT_TRUE(pad.Fields.isEmpty());

    // Random damage never crashes or reads past the data.
    std::mt19937 rng(7);
    QByteArray good = Tag(4,
                          Frame("TIT2", Latin1Text("Song"), true) +
                              Frame("TXXX", QByteArray(1, 1) + Utf16LE(QStringLiteral("d"), true)) +
                              Frame("COMM", QByteArray(1, 2) + "eng") +
                              Frame("TPE1", QByteArray(1, 1) + "\xFF", true, 0x0003),
                          0xD0);
    for (int i = 0; i < 1500; ++i) {
        QByteArray b = good;
        int n = 1 + int(rng() % 6);
        for (int k = 0; k < n; ++k)
            b[int(rng() % b.size())] = char(rng());
        b.truncate(int(rng() % (b.size() + 1)));
        WriteBytes(path, b);
        TId3V2File d;
        d.Open(path);
        (void)d.BuildTag();
    }
}

TEST_F(Id3v2Test, FailedRewriteLeavesTheFileUntouched) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    auto t = Load(Tag(3, Frame("TIT2", Latin1Text("Song"))));
    QByteArray before = ReadBytes(path);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    t.Fields = {QStringLiteral("Title=") + QString(500, QLatin1Char('x'))};
    EXPECT_THROW(t.Write(), ESonvaleError);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(Id3v2Test, WriteFailureMidwayLeavesTheFileUntouched) {
    // A file-size limit makes the temporary file's writes fail like a full
    // disk would.
    auto t = Load(Tag(3, Frame("TIT2", Latin1Text("Song"))));
    QByteArray before = ReadBytes(path);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = old;
    lim.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lim), 0);
    t.Fields = {QStringLiteral("Title=") + QString(500, QLatin1Char('x'))};
    bool threw = false;
    try {
        t.Write();
    } catch (const ESonvaleError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temp left
}

TEST_F(Id3v2Test, ReadOnlyFileIsRefused) {
    auto t = Load(Tag(3, Frame("TIT2", Latin1Text("Song"))));
    QByteArray before = ReadBytes(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    t.Fields = {QStringLiteral("Title=") + QString(500, QLatin1Char('x'))};
    EXPECT_THROW(t.Write(), ESonvaleError);
    t.Fields = {QStringLiteral("Title=y")};
    EXPECT_THROW(t.Write(), ESonvaleError); // the in-place path too
    EXPECT_THROW(t.Remove(), ESonvaleError);
    EXPECT_EQ(ReadBytes(path), before);
}

} // namespace

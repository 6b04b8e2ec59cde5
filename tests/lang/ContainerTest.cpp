#include "io/SonvaleError.h"
#include "lang/LanguageFile.h"
#include "lang/Storefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray Le32(uint32_t v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    return QByteArray(b, 4);
}

QByteArray Record(uint32_t tag, const QByteArray& payload) {
    return Le32(uint32_t(payload.size() + 8)) + Le32(tag) + payload +
           Le32(uint32_t(payload.size() + 12));
}

QString WriteBytes(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString name = dir.filePath(QStringLiteral("f.SPK"));
    QFile f(name);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return name;
}

} // namespace

TEST(Storefile, RecordsRoundTripInTheirLayoutAndNavigateBothWays) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("sub/new.SPK")); // folder made too
    {
        TStorefile f(name);
        ASSERT_TRUE(f.Open());
        EXPECT_FALSE(f.ReadOnly());
        EXPECT_EQ(f.Count(), 0);
        f.AppendInt(7, 0x01020304);
        f.AppendString(9, QStringLiteral("Été"));
        f.AppendRecord(11, QByteArray("\0\1", 2));
        f.Close();
    }
    QFile raw(name);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray expected = QByteArray(kLanguageSignature) + Le32(3) +
                                Record(7, Le32(0x01020304)) + Record(9, "\xC3\x89t\xC3\xA9") +
                                Record(11, QByteArray("\0\1", 2));
    EXPECT_EQ(raw.readAll(), expected);

    TStorefile f(name);
    f.ReadOnlyRequest = true;
    ASSERT_TRUE(f.Open());
    EXPECT_TRUE(f.ReadOnly());
    ASSERT_EQ(f.Count(), 3);
    f.Last();
    EXPECT_EQ(f.RecordTag(), 11u);
    EXPECT_EQ(f.RecordLength(), 2);
    f.Previous();
    uint32_t tag = 0;
    EXPECT_EQ(f.ReadString(true, &tag), QStringLiteral("Été"));
    EXPECT_EQ(tag, 9u);
    EXPECT_EQ(f.Index(), 2);
    f.GoTo(0);
    EXPECT_EQ(f.ReadInt(true), 0x01020304u);
    f.GoTo(5);
    EXPECT_TRUE(f.Eof());
    EXPECT_THROW(f.ReadBytes(false), ESonvaleError);
    try {
        f.AppendInt(1, 1);
        FAIL() << "appended in read-only mode";
    } catch (const ESonvaleError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Attempt to write a data while in ReadOnly mode"));
    }
    EXPECT_THROW(f.Clear(), ESonvaleError);
}

TEST(Storefile, ClearAndAppendReplaceTheContentOnClose) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("c.SPK"));
    TStorefile f(name);
    ASSERT_TRUE(f.Open());
    f.AppendInt(1, 1);
    f.AppendInt(2, 2);
    f.Close();
    ASSERT_TRUE(f.Open());
    EXPECT_EQ(f.Count(), 2);
    f.Clear();
    f.AppendString(5, QStringLiteral("x"));
    f.Close();
    ASSERT_TRUE(f.Open());
    ASSERT_EQ(f.Count(), 1);
    EXPECT_EQ(f.RecordTag(), 5u);
}

TEST(Storefile, MissingFileOpenedReadOnlyIsNotCreated) {
    QTemporaryDir dir;
    TStorefile f(dir.filePath(QStringLiteral("none.SPK")));
    f.ReadOnlyRequest = true;
    EXPECT_FALSE(f.Open());
    EXPECT_FALSE(QFile::exists(f.FileName));
}

TEST(Storefile, HostileFilesGiveTheRecordsBeforeTheDamage) {
    const QByteArray sig(kLanguageSignature);
    const QByteArray two = Record(1, "ab") + Record(2, "cd");
    QByteArray badBack = Record(1, "ab") + Record(2, "cd");
    badBack[badBack.size() - 1] = 0x7F;
    const struct {
        const char* Why;
        QByteArray Bytes;
        bool Opens;
        int Count;
    } cases[] = {
        {"count that lies", sig + Le32(100000) + two, true, 2},
        {"huge record size", sig + Le32(1) + Le32(0xFFFFFFF0) + Le32(0) + "xxxx", true, 0},
        {"size below the record head", sig + Le32(1) + Le32(4) + Le32(0) + Le32(8), true, 0},
        {"back size that disagrees", sig + Le32(2) + badBack, true, 1},
        {"cut in the second record", sig + Le32(2) + two.left(two.size() - 3), true, 1},
        {"other signature", QByteArray("ZUL LANGUAGE FILX") + Le32(0) + two, false, 0},
        {"shorter than the signature", sig.left(5), false, 0},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        TStorefile f(WriteBytes(dir, c.Bytes));
        f.ReadOnlyRequest = true;
        EXPECT_EQ(f.Open(), c.Opens) << c.Why;
        EXPECT_EQ(f.Count(), c.Count) << c.Why;
        TLanguageFile lf;
        EXPECT_FALSE(ReadLanguageFile(f.FileName, lf)) << c.Why; // never more than 5 records
    }
}

TEST(LanguageFile, WritesRevision4AndReadsEveryRevision) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("l.SPK"));
    TLanguageFile out;
    out.Header.LanguageId = 0x040C;
    out.Header.FirstText = QStringLiteral("Français");
    out.Header.Flag = QByteArray("BM..", 4);
    out.Header.Version = PackVersion(QStringLiteral("1.2.3.4"));
    out.Header.FontName = QStringLiteral("Serif");
    out.Header.MinFontSize = 11;
    out.Entries.append({QStringLiteral("TMainDlg.go_btn"),
                        kTagPathBase + 2,
                        1,
                        {kTextCaption | kTextTranslated, QStringLiteral("Lancer")},
                        {kTextHint, QStringLiteral("Start")},
                        {}});
    WriteLanguageFile(name, out);
    TLanguageFile in;
    ASSERT_TRUE(ReadLanguageFile(name, in));
    EXPECT_EQ(in.Header.Revision, 4);
    EXPECT_EQ(in.Header.LanguageId, 0x040C);
    EXPECT_EQ(in.Header.FirstText, out.Header.FirstText);
    EXPECT_EQ(in.Header.Flag, out.Header.Flag);
    EXPECT_EQ(VersionText(in.Header.Version), QStringLiteral("1.2.3.4"));
    EXPECT_EQ(in.Header.FontName, QStringLiteral("Serif"));
    EXPECT_EQ(in.Header.MinFontSize, 11u);
    ASSERT_EQ(in.Entries.size(), 1);
    EXPECT_EQ(in.Entries[0].Path, out.Entries[0].Path);
    EXPECT_EQ(in.Entries[0].Alignment, 1u);
    EXPECT_EQ(in.Entries[0].Caption.Text, QStringLiteral("Lancer"));
    EXPECT_TRUE(in.Entries[0].Caption.Translated());
    EXPECT_FALSE(in.Entries[0].Hint.Translated());

    // Revision 0: a 2-byte first record, entries by kind; revision 5 is refused.
    const QByteArray sig(kLanguageSignature);
    QByteArray rev0 = sig + Le32(9) + Record(0, QByteArray("\x0C\x04", 2));
    for (uint32_t tag = 1; tag <= 5; ++tag)
        rev0 += Record(tag, "t");
    rev0 += Record(11, "TForm.box") + Record(0, "Boîte") + Record(0, "") + Record(0, "a\r\nb\r\n");
    TLanguageFile old;
    ASSERT_TRUE(ReadLanguageFile(WriteBytes(dir, rev0), old));
    EXPECT_EQ(old.Header.Revision, 0);
    ASSERT_EQ(old.Entries.size(), 1);
    EXPECT_EQ(old.Entries[0].PathTag, 11u);
    EXPECT_EQ(SplitItemLines(old.Entries[0].Items.Text), QStringList({"a", "b"}));

    QByteArray rev5 = sig + Le32(6) + Record(0, Le32(5u << 16 | 0x040C));
    for (uint32_t tag = 1; tag <= 5; ++tag)
        rev5 += Record(tag, "t");
    try {
        ReadLanguageFile(WriteBytes(dir, rev5), old);
        FAIL() << "revision 5 read";
    } catch (const ESonvaleError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Format not supported in this revision"));
    }
}

// The files lister: the seven columns, the four layouts read back by real readers, the
// checks before a run.
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"
#include "tools/ByteSize.h"
#include "tools/FilesLister.h"
#include "tools/StreamWriter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace tagtools;

namespace {

constexpr int kAll = (1 << kListColumnCount) - 1;

class Lister : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TScriptedPrompter prompter;
    TFileStreamWriter writer;
    TNullProgress progress;

    TListerResult Run(TListerOptions o) {
        if (o.OutputFolder.isEmpty()) o.OutputFolder = tmp.path() + QLatin1Char('/');
        return RunFilesLister(o, progress, writer, prompter);
    }
};

TEST_F(Lister, DurationsAreRoundedToWholeSecondsFirst) {
    const struct {
        double Seconds;
        const char* Words;
        const char* Colon;
    } cases[] = {{185, "3min 5sec", "03:05"},
                 {59.6, "1min 0sec", "01:00"},
                 {0.5, "0min 0sec", "00:00"},
                 {1.5, "0min 2sec", "00:02"},
                 {6005, "100min 5sec", "100:05"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatListDuration(c.Seconds / 86400.0, false), QLatin1String(c.Words));
        EXPECT_EQ(FormatListDuration(c.Seconds / 86400.0, true), QLatin1String(c.Colon));
    }
}

TEST_F(Lister, EveryColumnFromTheFile) {
    const QString mp3 = MakeMp3(dir, QStringLiteral("Song One.mp3"));
    const QString ogg = MakeOgg(dir, QStringLiteral("b.ogg"));
    TListerOptions o;
    o.Paths = {mp3, dir.filePath(QStringLiteral("gone.mp3")), ogg};
    o.Columns = kAll;
    o.Kbps = true;
    const TListerResult r = Run(o);
    ASSERT_TRUE(r.Written);
    EXPECT_EQ(r.Listed, 2);
    EXPECT_EQ(r.Skipped, 1);
    EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Done !")});
    const QStringList lines =
        QString::fromUtf8(fixtures::ReadFile(r.Target)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3); // two lines, each ending in CR LF
    EXPECT_EQ(lines[0].split(QLatin1Char('\t')),
              (QStringList{mp3, QStringLiteral("Song One"), QStringLiteral("MP3"),
                           FormatByteSize(QFileInfo(mp3).size()), QStringLiteral("32 Kbps"),
                           QStringLiteral("22050"), QStringLiteral("0min 0sec")}));
    EXPECT_EQ(lines[1].section(QLatin1Char('\t'), 2, 2), QStringLiteral("OGG"));
    EXPECT_EQ(r.Target, dir.filePath(QStringLiteral("sonvale.txt")));
}

TEST_F(Lister, LayoutsReadBackByRealReaders) {
    // A name with every character the layouts must protect.
    const QString odd = MakeMp3(dir, QStringLiteral("a & <b> \"c\";d\x01\ne.mp3"));
    const QString plain = MakeMp3(dir, QStringLiteral("plain.mp3"));
    TListerOptions o;
    o.Paths = {odd, plain};
    o.Columns = 1 << lcFullName | 1 << lcFormat;

    o.Layout = TListLayout::Xml;
    TListerResult r = Run(o);
    ASSERT_TRUE(r.Written);
    EXPECT_EQ(r.Target, dir.filePath(QStringLiteral("sonvale.xml")));
    const QByteArray xml = fixtures::ReadFile(r.Target);
    EXPECT_TRUE(xml.startsWith("<sonvale>\r\n<file><fullname>"));
    EXPECT_EQ(xml.count("\r\n"), 4); // one line per file
    QXmlStreamReader reader(xml);
    QStringList names;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("fullname"))
            names << reader.readElementText();
    ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(names, (QStringList{QString(odd).replace(QChar(1), QChar(0xFFFD)), plain}));

    // CSV and SQL through Python's csv module.
    if (!fixtures::HaveProgram(QStringLiteral("python3"))) GTEST_SKIP() << "no python3";
    for (const TListLayout layout : {TListLayout::Csv, TListLayout::Sql}) {
        o.Layout = layout;
        r = Run(o);
        ASSERT_TRUE(r.Written);
        QByteArray out;
        ASSERT_EQ(
            fixtures::RunProgram(QStringLiteral("python3"),
                                 {QStringLiteral("-c"),
                                  QStringLiteral("import csv,json,sys\n"
                                                 "rows=list(csv.reader(open(sys.argv[1],newline='',"
                                                 "encoding='utf-8'),delimiter=';'))\n"
                                                 "print(json.dumps(rows))"),
                                  r.Target},
                                 &out),
            0);
        const QJsonArray rows = QJsonDocument::fromJson(out).array();
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0].toArray().toVariantList(), (QVariantList{odd, QStringLiteral("MP3")}));
        EXPECT_EQ(rows[1].toArray().toVariantList(), (QVariantList{plain, QStringLiteral("MP3")}));
    }
    // Values without such characters are written as they always were.
    EXPECT_EQ(FormatListLine(TListLayout::Csv,
                             {{0, QStringLiteral("C:/a.mp3")}, {1, QStringLiteral("a")}}),
              QStringLiteral("C:/a.mp3;a"));
    EXPECT_EQ(FormatListLine(TListLayout::Sql,
                             {{0, QStringLiteral("C:/a.mp3")}, {2, QStringLiteral("MP3")}}),
              QStringLiteral("\"C:/a.mp3\";\"MP3\""));
}

TEST_F(Lister, ChecksBeforeReadingAnything) {
    const QString mp3 = dir.filePath(QStringLiteral("a.mp3"));
    const struct {
        QString Folder;
        QStringList Paths;
        int Columns;
        const char* Message;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing/")), {mp3}, kAll, "Invalid output directory"},
        {QStringLiteral("relative"), {mp3}, kAll, "Invalid output directory"},
        {tmp.path() + QLatin1Char('/'), {}, kAll, "Nothing to list"},
        {tmp.path() + QLatin1Char('/'), {mp3}, 0, "No datafield selected."},
    };
    for (const auto& c : cases) {
        prompter.Shown.clear();
        TListerOptions o;
        o.OutputFolder = c.Folder;
        o.Paths = c.Paths;
        o.Columns = c.Columns;
        EXPECT_FALSE(RunFilesLister(o, progress, writer, prompter).Ran) << c.Message;
        EXPECT_EQ(prompter.Texts(), QStringList{QLatin1String(c.Message)});
    }
    EXPECT_TRUE(dir.entryList(QDir::Files).isEmpty());
}

TEST_F(Lister, FilesGoneOrUnopenedGiveAnEmptyListing) {
    ASSERT_TRUE(fixtures::WriteFile(dir.filePath(QStringLiteral("a.flac")), "fLaC"));
    TListerOptions o;
    o.Paths = {dir.filePath(QStringLiteral("gone.mp3")), dir.filePath(QStringLiteral("a.flac"))};
    o.Columns = kAll;
    o.Layout = TListLayout::Xml;
    EXPECT_TRUE(Run(o).Written);
    EXPECT_EQ(fixtures::ReadFile(dir.filePath(QStringLiteral("sonvale.xml"))),
              "<sonvale>\r\n</sonvale>\r\n");
    o.Layout = TListLayout::Csv;
    EXPECT_TRUE(Run(o).Written);
    EXPECT_EQ(fixtures::ReadFile(dir.filePath(QStringLiteral("sonvale.csv"))), "");
}

} // namespace

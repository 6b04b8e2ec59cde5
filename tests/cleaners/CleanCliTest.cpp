// The three commands over the same runs: output, exit status, usage errors.
#include "support/CliRun.h"
#include "tagtools/TagToolsSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace tagtools;

namespace {

using CleanCli = TCliFolderTest;

TEST_F(CleanCli, CleanNamesDryRunThenRenamesAndTellsWhatFailed) {
    const QString a = MakeMp3(dir, QStringLiteral("a_b.MP3"));
    ASSERT_TRUE(QFile::copy(a, dir.filePath(QStringLiteral("a b.mp3"))));
    const QStringList clean = {QStringLiteral("clean-names"),
                               QStringLiteral("--underscores-to-spaces"), QStringLiteral("--case"),
                               QStringLiteral("capitalize")};
    EXPECT_EQ(Cli(clean + QStringList{QStringLiteral("--dry-run"), dir.path()}), 1);
    EXPECT_TRUE(out.contains(dir.filePath(QStringLiteral("a b.mp3")) + " -> " +
                             dir.filePath(QStringLiteral("A B.mp3"))))
        << out.toStdString();
    EXPECT_TRUE(out.contains(a + QStringLiteral(": failed: the target exists")));
    EXPECT_TRUE(QFile::exists(a));

    EXPECT_EQ(Cli(clean + QStringList{QStringLiteral("--json"), dir.path()}), 1);
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[0].toUtf8())["status"].toString(), "renamed");
    EXPECT_EQ(QJsonDocument::fromJson(lines[1].toUtf8())["error"].toString(), "the target exists");
    EXPECT_EQ(QDir(dir).entryList(QDir::Files),
              (QStringList{QStringLiteral("A B.mp3"), QStringLiteral("a_b.MP3")}));

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--underscores-to-spaces"),
                      QStringLiteral("--spaces-to-underscores"), a},
          QStringList{QStringLiteral("--case"), QStringLiteral("title"), a}, QStringList{}})
        EXPECT_EQ(Cli(QStringList{QStringLiteral("clean-names")} + bad), 2) << err.toStdString();
}

TEST_F(CleanCli, CleanTagsAndFindIncomplete) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("x_y"));
    const QString b = MakeMp3(dir, QStringLiteral("b.mp3"), QStringLiteral("Done"), "2");
    ASSERT_EQ(Cli({QStringLiteral("clean-tags"), QStringLiteral("--underscores-to-spaces"),
                   QStringLiteral("--kinds"), QStringLiteral("2"), QStringLiteral("--json"), a}),
              0)
        << err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(out.toUtf8()).object();
    EXPECT_EQ(o["status"].toString(), "cleaned");
    EXPECT_EQ(o["changes"].toArray()[0].toObject()["new"].toString(), "x y");
    EXPECT_EQ(U(a, "title"), "x y");

    const QString flac = dir.filePath(QStringLiteral("c.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    EXPECT_EQ(Cli({QStringLiteral("find-incomplete"), QStringLiteral("--fields"),
                   QStringLiteral("title,track"), dir.path()}),
              1);
    EXPECT_EQ(out, a + '\n');
    EXPECT_TRUE(err.startsWith(flac + QStringLiteral(": "))) << err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("find-incomplete"), b}), 2);
}

TEST_F(CleanCli, ProgressLineOnTheTerminalForMoreThan20Files) {
    if (!fixtures::HaveProgram(QStringLiteral("script"))) GTEST_SKIP() << "no script(1)";
    const QString one = MakeMp3(dir, QStringLiteral("00.mp3"));
    for (int i = 1; i < 21; ++i)
        ASSERT_TRUE(QFile::copy(one, dir.filePath(QStringLiteral("%1.mp3").arg(i))));
    const QString cmd = QStringLiteral("'%1' find-incomplete --fields title '%2' 2>&1 >/dev/null")
                            .arg(QString::fromUtf8(SONVALE_CLI_PATH), dir.path());
    QByteArray o;
    ASSERT_EQ(fixtures::RunProgram(QStringLiteral("script"),
                                   {QStringLiteral("-qec"), cmd, QStringLiteral("/dev/null")}, &o),
              0);
    EXPECT_TRUE(o.contains("[100%] scanning tags")) << o.constData();
}

} // namespace

#include "TagToolsSupport.h"
#include "support/CliRun.h"

#include <QTemporaryDir>

using namespace tagtools;

namespace {

using TagToolsCli = TCliFolderTest;

TEST_F(TagToolsCli, TagListNumbersInTheOrderGivenWithFoldersInNameOrder) {
    dir.mkpath(QStringLiteral("album/sub"));
    QDir album(dir.filePath(QStringLiteral("album")));
    const QString first = MakeMp3(dir, QStringLiteral("z-first.mp3"), QStringLiteral("Intro"));
    const QString b = MakeMp3(album, QStringLiteral("b.mp3"), QStringLiteral("Bee"));
    const QString a = MakeOgg(album, QStringLiteral("a.ogg"), QStringLiteral("Ay"));
    const QString sub =
        MakeMp3(QDir(album.filePath(QStringLiteral("sub"))), QStringLiteral("0.mp3"));
    const QString wav = MakeWav(album, QStringLiteral("c.wav")); // not a list file
    const QByteArray wavBefore = fixtures::ReadFile(wav);
    const QString last = MakeMp3(dir, QStringLiteral("a-last.mp3"));

    ASSERT_EQ(Cli({QStringLiteral("tag-list"), QStringLiteral("--artist"), QStringLiteral("Art"),
                   QStringLiteral("--album"), QStringLiteral("Alb"), QStringLiteral("--year"),
                   QStringLiteral("2001"), QStringLiteral("--genre"), QStringLiteral("Jazz"),
                   QStringLiteral("--comments"), QStringLiteral("c"), first, album.path(), last}),
              0)
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("MetaTags successfully upated in all files.")))
        << out.toStdString();
    EXPECT_EQ(U(first, "track"), "1");
    EXPECT_EQ(U(a, "track"), "2");
    EXPECT_EQ(U(b, "track"), "3");
    EXPECT_EQ(U(sub, "track"), "4");
    EXPECT_EQ(U(last, "track"), "5");
    EXPECT_EQ(U(b, "title"), "Bee");
    EXPECT_EQ(U(a, "genre"), "Jazz");
    EXPECT_EQ(U(last, "year"), "2001");
    EXPECT_EQ(fixtures::ReadFile(wav), wavBefore);
    if (HaveMutagen()) {
        const QJsonObject t = Mutagen(a, kEasyTags);
        EXPECT_EQ(t["tracknumber"].toString(), "2");
        EXPECT_EQ(t["artist"].toString(), "Art");
        EXPECT_EQ(t["title"].toString(), "Ay");
    }

    // Named on its own, a file the list would not take is skipped and fails the run;
    // the others are still numbered, in their own order.
    EXPECT_EQ(Cli({QStringLiteral("tag-list"), QStringLiteral("--artist"), QStringLiteral("X"),
                   QStringLiteral("--album"), QStringLiteral("Y"), wav, b}),
              1);
    EXPECT_TRUE(err.contains(wav + QStringLiteral(": skipped"))) << err.toStdString();
    EXPECT_EQ(fixtures::ReadFile(wav), wavBefore);
    EXPECT_EQ(U(b, "track"), "1");
}

TEST_F(TagToolsCli, TagListFailuresKindsAndUsage) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("A"));
    const QString flac = dir.filePath(QStringLiteral("b.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    const QString c = MakeMp3(dir, QStringLiteral("c.mp3"));
    const QStringList common = {QStringLiteral("tag-list"), QStringLiteral("--artist"),
                                QStringLiteral("X"), QStringLiteral("--album"), QString()};

    EXPECT_EQ(Cli(common + QStringList{QStringLiteral("--kinds"), QStringLiteral("2"), a, flac, c}),
              1);
    EXPECT_TRUE(out.contains(QStringLiteral("Errors have occured while updating metatags")));
    EXPECT_TRUE(out.contains(flac + QStringLiteral(": failed"))) << out.toStdString();
    EXPECT_EQ(U(c, "track"), "3");
    EXPECT_EQ(U(c, "artist"), "X");
    // Only ID3v2 was asked for.
    EXPECT_FALSE(fixtures::ReadFile(c).right(128).startsWith("TAG"));

    const QByteArray before = fixtures::ReadFile(a);
    EXPECT_EQ(Cli(common + QStringList{QStringLiteral("--kinds"), QStringLiteral("0"), a}), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("No tags selected.")));
    EXPECT_EQ(fixtures::ReadFile(a), before);

    EXPECT_EQ(Cli({QStringLiteral("tag-list"), QStringLiteral("--album"), QStringLiteral("B"), a}),
              2);
    EXPECT_EQ(Cli(common + QStringList{QStringLiteral("--year"), QStringLiteral("19999"), a}), 2);
    EXPECT_EQ(Cli(common), 2);
    EXPECT_EQ(fixtures::ReadFile(a), before);
}

TEST_F(TagToolsCli, TagsRemoveRunsTheTagRemover) {
    const QString a = MakeMp3(dir, QStringLiteral("a.mp3"), QStringLiteral("A"));
    const QString ogg = MakeOgg(dir, QStringLiteral("b.ogg"), QStringLiteral("B"));
    // Without --kinds every kind goes, as the tag remover starts with all four checked.
    ASSERT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("remove"), a, ogg}), 0)
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains(a + QStringLiteral(": ok")));
    EXPECT_TRUE(out.contains(QStringLiteral("MetaTags successfully removed from all files.")));
    EXPECT_FALSE(fixtures::ReadFile(a).startsWith("ID3"));
    EXPECT_EQ(U(ogg, "title"), "");

    const QString flac = dir.filePath(QStringLiteral("c.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("remove"), QStringLiteral("--kinds"),
                   QStringLiteral("2"), flac, a}),
              1);
    EXPECT_TRUE(out.contains(QStringLiteral("Errors have occured while removing metatags")));
    EXPECT_TRUE(out.contains(a + QStringLiteral(": ok")));
}

TEST_F(TagToolsCli, ProgressLineOnTheTerminalForMoreThan20Files) {
    if (!fixtures::HaveProgram(QStringLiteral("script"))) GTEST_SKIP() << "no script(1)";
    const QString one = MakeMp3(dir, QStringLiteral("00.mp3"));
    QStringList files{one};
    for (int i = 1; i < 21; ++i) {
        const QString f = dir.filePath(QStringLiteral("%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(QFile::copy(one, f));
        files << f;
    }
    // script(1) gives the program a terminal; only the progress goes to standard error.
    const QString cmd = QStringLiteral("'%1' tag-list --artist A --album B '%2' 2>&1 >/dev/null")
                            .arg(QString::fromUtf8(SONVALE_CLI_PATH), dir.path());
    QByteArray o;
    ASSERT_EQ(fixtures::RunProgram(QStringLiteral("script"),
                                   {QStringLiteral("-qec"), cmd, QStringLiteral("/dev/null")}, &o),
              0);
    EXPECT_TRUE(o.contains("[21/21]")) << o.constData();
    EXPECT_EQ(U(files.last(), "track"), "21");
}

} // namespace

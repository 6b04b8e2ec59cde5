#include "AnalysisSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace analysis;

namespace {

int Cli(const QStringList& args, QByteArray* out = nullptr) {
    return fixtures::RunProgram(QStringLiteral(SONVALE_CLI_PATH), args, out);
}

TEST(AnalysisCli, DupesGroupsTrueCopiesAndTrashesAllButTheFirstUnlessDryRun) {
    if (!HaveTools()) GTEST_SKIP() << "lame or id3v2 missing";
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    // Moves to the trash land in the test's own data folder.
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    const QString a = Lame(dir, QStringLiteral("a.mp3"), 5, 0.5, 440);
    Lame(dir, QStringLiteral("c.mp3"), 5, 0.5, 880);
    const QString b = dir.filePath(QStringLiteral("b.mp3"));
    QFile::copy(a, b);
    RunTool(QStringLiteral("id3v2"), {QStringLiteral("-a"), QStringLiteral("Tagged"), b});

    QByteArray out;
    EXPECT_EQ(
        Cli({QStringLiteral("dupes"), QStringLiteral("--json"),
             QStringLiteral("--delete-all-but-first"), QStringLiteral("--dry-run"), tmp.path()},
            &out),
        0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1) << out.toStdString();
    const QJsonObject group = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(group[QStringLiteral("digest")].toString().size(), 40);
    EXPECT_EQ(group[QStringLiteral("files")].toVariant().toStringList(), (QStringList{a, b}));
    EXPECT_EQ(group[QStringLiteral("would_trash")].toVariant().toStringList(), QStringList{b});
    EXPECT_TRUE(QFile::exists(b));

    EXPECT_EQ(
        Cli({QStringLiteral("dupes"), QStringLiteral("--delete-all-but-first"), tmp.path()}, &out),
        0);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("data/Trash/files"))).entryList(QDir::Files),
              QStringList{QStringLiteral("b.mp3")});
    EXPECT_TRUE(out.endsWith("1 groups of duplicates found.\n")) << out.toStdString();
}

TEST(AnalysisCli, StatusTellsUsageErrorsAndFailures) {
    QTemporaryDir tmp;
    const QString gone = QDir(tmp.path()).filePath(QStringLiteral("gone.mp3"));
    const struct {
        QStringList Args;
        int Status;
    } cases[] = {
        {{QStringLiteral("dupes")}, 2},
        {{QStringLiteral("dupes"), QStringLiteral("--keep"), gone}, 2},
        {{QStringLiteral("dupes"), gone}, 1},
        {{QStringLiteral("dupes"), tmp.path()}, 0},
        {{QStringLiteral("quality"), QStringLiteral("--min-bitrate"), QStringLiteral("128000"),
          gone},
         2},
        {{QStringLiteral("quality"), QStringLiteral("--min-bitrate"), QStringLiteral("x"),
          QStringLiteral("--min-samplerate"), QStringLiteral("44100"), gone},
         2},
        {{QStringLiteral("quality"), QStringLiteral("--min-bitrate"), QStringLiteral("128000"),
          QStringLiteral("--min-samplerate"), QStringLiteral("44100"), gone},
         1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cli(c.Args), c.Status) << c.Args.join(QLatin1Char(' ')).toStdString();
}

} // namespace

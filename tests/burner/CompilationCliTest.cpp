// sonvale-cli compilation: the total, the validity and the file written.
#include "support/AudioFixtures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CompilationCli, ValidListIsWrittenInOrderAndAShortOneFails) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    fixtures::EncodeOptions o;
    o.seconds = 12;
    ASSERT_TRUE(fixtures::EncodeMp3(dir.filePath("b.mp3"), o));
    ASSERT_TRUE(fixtures::EncodeOgg(dir.filePath("a.ogg"), o));
    const QString out = dir.filePath("cd.bhc");
    const QString cli = QString::fromUtf8(SONVALE_CLI_PATH);
    QByteArray stdOut, stdErr;

    // The order given; a file named twice is taken once.
    ASSERT_EQ(fixtures::RunProgram(cli,
                                   {"compilation", "--json", "--out", out, dir.filePath("b.mp3"),
                                    dir.filePath("a.ogg"), dir.filePath("b.mp3")},
                                   &stdOut, &stdErr),
              0)
        << stdErr.data();
    const QJsonObject o1 = QJsonDocument::fromJson(stdOut).object();
    EXPECT_EQ(o1["total_seconds"].toInt(), 24);
    EXPECT_EQ(o1["time"].toString(), "0min 24sec");
    EXPECT_EQ(o1["percent"].toInt(), 1);
    EXPECT_TRUE(o1["valid"].toBool());
    EXPECT_EQ(o1["skipped"].toArray().size(), 1);
    EXPECT_EQ(fixtures::ReadFile(out),
              (dir.filePath("b.mp3") + "\r\n" + dir.filePath("a.ogg") + "\r\n").toUtf8());

    // 12 seconds are under 1 % of the disc: nothing is written over the last file.
    EXPECT_EQ(fixtures::RunProgram(cli, {"compilation", "--out", out, dir.filePath("a.ogg")},
                                   &stdOut, &stdErr),
              1);
    EXPECT_TRUE(stdOut.contains("Invalid file list.")) << stdOut.data();
    EXPECT_TRUE(fixtures::ReadFile(out).contains("b.mp3"));
    EXPECT_EQ(fixtures::RunProgram(cli, {"compilation", "--out", out}, &stdOut, &stdErr), 2);
}

} // namespace

// sonvale-cli info and decode on MPEG files, through the facade.
#include "MpegTestUtil.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace mpegtest;

namespace {

QJsonObject InfoJson(const QString& path) {
    QByteArray out;
    if (!Run(SONVALE_CLI_PATH, {"info", "--json", path}, &out)) return {};
    QJsonDocument doc = QJsonDocument::fromJson(out);
    return doc.isArray() ? doc.array().at(0).toObject() : doc.object();
}

} // namespace

TEST(MpegCli, InfoAndDecodeOfMp3AndMp2) {
    if (!HaveTool("ffmpeg") || !HaveTool("ffprobe")) GTEST_SKIP() << "ffmpeg not available";
    QTemporaryDir dir;
    struct Case {
        const char* name;
        int rate, channels;
        QStringList args;
    } cases[] = {
        {"v.mp3", 22050, 2, {"-c:a", "libmp3lame", "-q:a", "3"}},
        {"c.mp2", 48000, 1, {"-c:a", "mp2", "-b:a", "96k"}},
        {"l.mp1", 11025, 1, {"-c:a", "libmp3lame", "-b:a", "16k", "-f", "mp3"}}, // any mp[123] name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path = dir.filePath(c.name);
        ASSERT_TRUE(FfmpegEncode(path, c.rate, c.channels, 2.0, c.args));
        TOracle probe = Ffprobe(path);
        ASSERT_TRUE(probe.ok);
        QJsonObject o = InfoJson(path);
        ASSERT_FALSE(o.isEmpty());
        EXPECT_EQ(o["format"].toInt(), 3);
        EXPECT_EQ(o["samplerate"].toInt(), probe.rate);
        EXPECT_EQ(o["channels"].toInt(), probe.channels);
        EXPECT_EQ(o["bits"].toInt(), 16);
        double frameMs = (c.rate >= 32000 ? 1152.0 : 576.0) * 1000.0 / c.rate;
        EXPECT_NEAR(o["duration_ms"].toDouble(), probe.duration * 1000.0, frameMs);
        EXPECT_EQ(o["filesize"].toInteger(), QFileInfo(path).size());

        QString pcm = dir.filePath(QString(c.name) + ".pcm");
        ASSERT_TRUE(mpegtest::Run(SONVALE_CLI_PATH, {"decode", path, pcm}));
        EXPECT_EQ(QFileInfo(pcm).size(), o["pcmsize"].toInteger());
        EXPECT_EQ(QFileInfo(pcm).size() % (2 * c.channels), 0);
    }
}

TEST(MpegCli, RefusedFileReportsTheReadersMessage) {
    QTemporaryDir dir;
    QString path = dir.filePath("bad.mp3");
    ASSERT_TRUE(Write(path, QByteArray(4000, 'x')));
    QProcess p;
    p.start(SONVALE_CLI_PATH, {"info", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    QByteArray all = p.readAllStandardOutput() + p.readAllStandardError();
    EXPECT_TRUE(all.contains("Invalid MPEG file")) << all.toStdString();
}

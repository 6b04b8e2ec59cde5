#include "TagTestUtil.h"
#include "support/TagFiles.h"

#include "audio/AudioFile.h"
#include "tags/FieldList.h"
#include "tags/Id3v2Tag.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tagtest;

namespace {

QByteArray Wave() {
    auto le16 = [](int v) { return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8)); };
    QByteArray fmt = QByteArray("fmt ") + LE32(16) + le16(1) + le16(1) + LE32(8000) + LE32(16000) +
                     le16(2) + le16(16);
    QByteArray data = QByteArray("data") + LE32(1000) + Audio(1000);
    return QByteArray("RIFF") + LE32(uint32_t(4 + fmt.size() + data.size())) + "WAVE" + fmt + data;
}

int Cli(const QStringList& args, QString* out = nullptr) {
    return tagtest::Run(QString::fromUtf8(SONVALE_CLI_PATH), args, out);
}

class TagsCli : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString wav = dir.filePath(QStringLiteral("a.wav"));
    QString mp3 = dir.filePath(QStringLiteral("a.mp3"));

    // An MP3 from lame, when both lame and the MPEG reader are there.
    bool MakeMp3() {
        if (!HaveTool(QStringLiteral("lame"))) return false;
        WriteBytes(wav, Wave());
        if (tagtest::Run(QStringLiteral("lame"), {QStringLiteral("--silent"), wav, mp3}) != 0)
            return false;
        try {
            return CreateReader(fcMpeg, mp3) != nullptr;
        } catch (...) {
            return false;
        }
    }
};

TEST_F(TagsCli, RemoveReportsPerFileAndKeepsReadOnlyFiles) {
    WriteBytes(wav, Tag(3, Frame("TIT2", Latin1Text("Title"))) + Wave());
    QString ro = dir.filePath(QStringLiteral("ro.wav"));
    WriteBytes(ro, Tag(3, Frame("TIT2", Latin1Text("Title"))) + Wave());
    QByteArray roBefore = ReadBytes(ro);
    ASSERT_EQ(::chmod(QFile::encodeName(ro).constData(), 0444), 0);
    QString out;
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("remove"), QStringLiteral("--kinds"),
                   QStringLiteral("2"), wav, ro},
                  &out),
              1);
    EXPECT_TRUE(out.contains(wav + QStringLiteral(": ok"))) << out.toStdString();
    EXPECT_TRUE(out.contains(ro + QStringLiteral(": failed"))) << out.toStdString();
    EXPECT_EQ(ReadBytes(wav), Wave());
    EXPECT_EQ(ReadBytes(ro), roBefore);
}

TEST_F(TagsCli, UsageErrors) {
    WriteBytes(wav, Wave());
    EXPECT_EQ(Cli({QStringLiteral("tags")}), 2);
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("remove")}), 2);
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("remove"), QStringLiteral("--kinds"),
                   QStringLiteral("x"), wav}),
              2);
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--bogus"),
                   QStringLiteral("x"), wav}),
              2);
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--title")}), 2);
    EXPECT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--title"),
                   QStringLiteral("x"), dir.filePath(QStringLiteral("missing.mp3"))}),
              1);
}

TEST_F(TagsCli, InfoShowsTheSevenUnifiedFields) {
    WriteBytes(wav, Tag(3, Frame("TIT2", Latin1Text("Title"))) + Wave());
    QString out;
    ASSERT_EQ(Cli({QStringLiteral("info"), QStringLiteral("--json"), wav}, &out), 0);
    QJsonObject u =
        QJsonDocument::fromJson(out.toUtf8()).object()[QStringLiteral("unified")].toObject();
    EXPECT_EQ(u.keys(),
              QStringList({"album", "artist", "comments", "genre", "title", "track", "year"}));
}

TEST_F(TagsCli, WriteThenInfoOnMp3) {
    if (!MakeMp3()) GTEST_SKIP() << "no MPEG reader or lame";
    ASSERT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--kinds"),
                   QStringLiteral("2"), QStringLiteral("--title"), QStringLiteral("T\u00eftle"),
                   QStringLiteral("--artist"), QStringLiteral("Band"), QStringLiteral("--track"),
                   QStringLiteral("4"), mp3}),
              0);
    ASSERT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--kinds"),
                   QStringLiteral("2"), QStringLiteral("--artist"), QString(), mp3}),
              0);
    QString out;
    ASSERT_EQ(Cli({QStringLiteral("info"), QStringLiteral("--json"), mp3}, &out), 0);
    QJsonObject u =
        QJsonDocument::fromJson(out.toUtf8()).object()[QStringLiteral("unified")].toObject();
    EXPECT_EQ(u[QStringLiteral("title")].toString(), QStringLiteral("T\u00eftle"));
    EXPECT_EQ(u[QStringLiteral("artist")].toString(), QString());
    EXPECT_EQ(u[QStringLiteral("track")].toString(), QStringLiteral("4"));
    TId3V2File t;
    ASSERT_TRUE(t.Open(mp3));
    EXPECT_TRUE(t.FrameValues("TPE1").isEmpty());
    // Without --kinds: the kinds the file carries, no ID3v1 or APEv2 added.
    ASSERT_EQ(Cli({QStringLiteral("tags"), QStringLiteral("write"), QStringLiteral("--title"),
                   QStringLiteral("Again"), mp3}),
              0);
    ASSERT_EQ(Cli({QStringLiteral("info"), QStringLiteral("--json"), mp3}, &out), 0);
    EXPECT_EQ(QJsonDocument::fromJson(out.toUtf8()).object()[QStringLiteral("tagkinds")].toInt(),
              tkId3v2);
}

} // namespace

// Libraries loaded at their first use: FFmpeg when a stream that needs it is first
// decoded (without it the readers still give properties and tags, and a decode fails
// with the reason instead of crashing), the Ogg Vorbis libraries when the first Ogg file
// is read (without them the file is refused with the reason).
#include "audio/AudioFile.h"
#include "audio/FfmpegApi.h"
#include "io/WFileStream.h"
#include "support/AudioFixtures.h"
#include "tags/OggApi.h"
#include "tags/OggTag.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

using fixtures::ErrorOf;

const QString kMissing = QStringLiteral("libsonvale-no-such-library.so.1");

TEST(FfmpegApi, LibrariesThatDoNotLoadOrLackAFunctionAreRefusedWithTheReason) {
    const struct {
        QStringList libraries;
        const char* reason;
    } cases[] = {
        {{kMissing}, "libsonvale-no-such-library.so.1"},
        {{QStringLiteral("libm.so.6")}, "lacks av_channel_layout_compare"},
    };
    for (const auto& c : cases) {
        UseFfmpegLibraries(c.libraries);
        QString error;
        EXPECT_EQ(FfmpegApi(error), nullptr);
        EXPECT_TRUE(error.startsWith(QStringLiteral("FFmpeg could not be loaded: ")) &&
                    error.contains(QLatin1String(c.reason)))
            << error.toStdString();
    }
    UseFfmpegLibraries({});
    QString error;
    const TFfmpegApi* api = FfmpegApi(error);
    ASSERT_NE(api, nullptr) << error.toStdString();
    EXPECT_EQ(AV_VERSION_MAJOR(api->avcodec_version()), LIBAVCODEC_VERSION_MAJOR);
}

class WithoutFfmpeg : public ::testing::Test {
protected:
    void SetUp() override { UseFfmpegLibraries({kMissing}); }
    void TearDown() override { UseFfmpegLibraries({}); }
    QTemporaryDir dir;
};

TEST_F(WithoutFfmpeg, PropertiesAreReadAndADecodeFailsWithTheReason) {
    const struct {
        const char* name;
        bool (*encode)(const QString&, const fixtures::EncodeOptions&, QString*);
    } cases[] = {{"a.ac3", fixtures::EncodeAc3}, {"a.wma", fixtures::EncodeWma}};
    fixtures::EncodeOptions o;
    o.sampleRate = 48000;
    o.seconds = 0.5;
    std::vector<char> buffer(8192);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(c.encode(path, o, nullptr));
        UseFfmpegLibraries({kMissing});
        TAudioFile af;
        af.SetFileName(path);
        ASSERT_TRUE(af.Open());
        EXPECT_EQ(af.Reader->GetSampleRate(), 48000);
        EXPECT_EQ(af.Reader->GetChannels(), 2);
        int count = int(buffer.size());
        const QString error = ErrorOf([&] { af.Reader->Read(buffer.data(), count); });
        EXPECT_TRUE(error.contains(QStringLiteral("FFmpeg could not be loaded: ")) &&
                    error.contains(kMissing))
            << error.toStdString();
        af.Close();

        // Once the libraries are there, the same file decodes.
        UseFfmpegLibraries({});
        af.SetFileName(path);
        ASSERT_TRUE(af.Open());
        count = int(buffer.size());
        EXPECT_TRUE(af.Reader->Read(buffer.data(), count));
        EXPECT_GT(count, 0);
        af.Close();
    }
}

TEST(OggLibraries, WithoutThemAnOggFileIsRefusedWithTheReasonAndWithThemRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ogg"));
    fixtures::EncodeOptions o;
    o.seconds = 0.3;
    o.metadata = {{"TITLE", "Song"}};
    ASSERT_TRUE(fixtures::EncodeOgg(path, o));

    UseOggLibraries({kMissing});
    TAudioFile af;
    af.SetFileName(path);
    const QString refused = ErrorOf([&] { af.Open(); });
    TOggTag tag;
    TWFileStream stream(path, fmOpenRead | fmShareDenyNone);
    const QString tagRefused = ErrorOf([&] { tag.Read(stream); });
    UseOggLibraries({});
    for (const QString& error : {refused, tagRefused})
        EXPECT_TRUE(
            error.startsWith(QStringLiteral("Ogg Vorbis libraries could not be loaded: ")) &&
            error.contains(kMissing))
            << error.toStdString();

    ASSERT_TRUE(af.Open());
    EXPECT_EQ(af.Reader->GetSampleRate(), 44100);
    EXPECT_TRUE(af.Reader->Tags.contains(QStringLiteral("TITLE=Song")));
}

} // namespace

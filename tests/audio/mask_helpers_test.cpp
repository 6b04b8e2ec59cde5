// Name rules shared by every tool: wildcard masks, format codes by extension,
// supported extensions and the path helpers.
#include "audio/AudioFile.h"
#include "audio/AudioHelpers.h"
#include "io/FileUtils.h"
#include "io/Mask.h"

#include <gtest/gtest.h>

namespace {

bool M(const char* mask, const char* name) {
    return TMask(QString::fromUtf8(mask)).Matches(QString::fromUtf8(name));
}

TEST(Mask, StarQuestionAndCase) {
    EXPECT_TRUE(M("*.wav", "song.wav"));
    EXPECT_TRUE(M("*.wav", "SONG.WAV"));
    EXPECT_TRUE(M("*.wav", ".wav"));
    EXPECT_FALSE(M("*.wav", "song.wave"));
    EXPECT_FALSE(M("*.wav", "song.wav.bak"));
    EXPECT_TRUE(M("a?c", "abc"));
    EXPECT_FALSE(M("a?c", "ac"));
    EXPECT_TRUE(M("*", ""));
    EXPECT_TRUE(M("a**b", "ab"));
    EXPECT_TRUE(M("*a*b*c*", "xxaxxbxxcxx"));
    EXPECT_FALSE(M("*a*b*c*", "xxcxxbxxaxx"));
    // Non-ASCII names fold case too.
    EXPECT_TRUE(M("*.mp3", "Ärger ÜBER.MP3"));
    EXPECT_TRUE(M("é*", "Étude"));
}

TEST(Mask, SetsRangesAndNegation) {
    EXPECT_TRUE(M("*.mp[123]", "x.mp1"));
    EXPECT_TRUE(M("*.mp[123]", "x.MP3"));
    EXPECT_FALSE(M("*.mp[123]", "x.mp4"));
    EXPECT_TRUE(M("[a-c]x", "Bx"));
    EXPECT_FALSE(M("[a-c]x", "dx"));
    EXPECT_TRUE(M("[!a-c]x", "dx"));
    EXPECT_FALSE(M("[!a-c]x", "ax"));
    EXPECT_TRUE(M("[ab-]", "-"));
    // An unclosed bracket is an ordinary character.
    EXPECT_TRUE(M("[abc", "[abc"));
    EXPECT_FALSE(M("[abc", "a"));
}

TEST(Mask, LongNamesStayFast) {
    // Backtracking must not explode on many stars.
    QString name(5000, QLatin1Char('a'));
    EXPECT_FALSE(TMask(QStringLiteral("*a*a*a*a*a*a*a*b")).Matches(name));
}

TEST(FormatCode, ByExtension) {
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("/x/a.MP3")), fcMpeg);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.Mp2")), fcMpeg);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.mp1")), fcMpeg);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.mp4")), fcUnknown);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.asf")), fcWma);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.WMA")), fcWma);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.wav.mp3")), fcMpeg);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.mp3.wav")), fcWave);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.ogg")), fcOgg);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.ape")), fcApe);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.ac3")), fcAc3);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.mpc")), fcMpc);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("a.flac")), fcUnknown);
    EXPECT_EQ(FormatCodeOfName(QStringLiteral("wav")), fcUnknown);
}

TEST(SupportedExtension, ListAndDot) {
    for (const char* e :
         {"mp3", ".MP3", "ogg", "ape", "mpc", "mpp", "mp+", "flac", ".FLA", "wv", "wvc"})
        EXPECT_TRUE(IsSupportedExtension(QString::fromLatin1(e))) << e;
    for (const char* e : {"", ".", "m", "wav", ".wav", "wma", "aac", "mp2", "..mp3", "mp3 "})
        EXPECT_FALSE(IsSupportedExtension(QString::fromLatin1(e))) << e;
}

TEST(PathHelpers, ExtractParts) {
    EXPECT_EQ(WideExtractFileExt(QStringLiteral("/m/dir.x/file")), QString());
    EXPECT_EQ(WideExtractFileExt(QStringLiteral("/m/a.b/song.mp3")), QStringLiteral(".mp3"));
    EXPECT_EQ(WideExtractFileExt(QStringLiteral("/m/a.b/song.mp3"), true), QStringLiteral("mp3"));
    EXPECT_EQ(WideExtractFileExt(QStringLiteral("song.")), QStringLiteral("."));
    EXPECT_EQ(WideExtractFileName(QStringLiteral("/m/a/song.mp3")), QStringLiteral("song.mp3"));
    EXPECT_EQ(WideExtractFileName(QStringLiteral("song.mp3")), QStringLiteral("song.mp3"));
    EXPECT_EQ(WideExtractFileDir(QStringLiteral("/m/a/song.mp3")), QStringLiteral("/m/a"));
    EXPECT_EQ(WideExtractFileDir(QStringLiteral("song.mp3")), QString());
    EXPECT_EQ(WideExtractFileBase(QStringLiteral("/m/a.b/song.x.mp3")), QStringLiteral("song.x"));
    EXPECT_EQ(WideExtractFileBase(QStringLiteral("/m/a.b/README")), QStringLiteral("README"));
    EXPECT_EQ(WideIncludeTrailingBackslash(QString()), QString());
    EXPECT_EQ(WideIncludeTrailingBackslash(QStringLiteral("/m")), QStringLiteral("/m/"));
    EXPECT_EQ(WideIncludeTrailingBackslash(QStringLiteral("/m/")), QStringLiteral("/m/"));
    EXPECT_EQ(WideExcludeTrailingBackslash(QStringLiteral("/m/")), QStringLiteral("/m"));
    EXPECT_EQ(WideExcludeTrailingBackslash(QStringLiteral("/m")), QStringLiteral("/m"));
}

} // namespace

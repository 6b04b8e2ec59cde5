#include "AnalysisSupport.h"
#include "support/ScriptedPrompter.h"
#include "tools/Progress.h"
#include "tools/QualityAnalyser.h"

#include <QTemporaryDir>

using namespace analysis;

namespace {

TEST(Quality, StrictThresholdsSampleRateFirst) {
    struct TCase {
        int Bitrate, Rate, MinBitrate, MinRate;
        bool Poor;
    };
    const TCase cases[] = {
        {192000, 22050, 128000, 44100, true},  // rate below: the bit rate does not save it
        {128000, 44100, 128000, 44100, false}, // exactly at both thresholds
        {96000, 44100, 128000, 44100, true},
        {192000, 48000, 128000, 48000, false}, // rate at the threshold: bit rate only
        {127999, 48000, 128000, 48000, true},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsPoorQuality(c.Bitrate, c.Rate, c.MinBitrate, c.MinRate), c.Poor)
            << c.Bitrate << " " << c.Rate;
}

TEST(Quality, ScanListsPoorFilesInListOrderSkipsUnreadableOnesAndCountsMissingOnes) {
    if (!HaveTools()) GTEST_SKIP() << "lame missing";
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString low = Lame(dir, QStringLiteral("low.mp3"), 0, 0.3, 440, 64, 22050);
    const QString exact = Lame(dir, QStringLiteral("exact.mp3"), 0, 0.3, 440, 128);
    const QString thin = Lame(dir, QStringLiteral("thin.mp3"), 0, 0.3, 440, 96);
    const QString flac = dir.filePath(QStringLiteral("x.flac")); // no reader: skipped silently
    fixtures::WriteFile(flac, "fLaC");
    TQualityOptions options;
    options.Paths = {low, exact, flac, thin, dir.filePath(QStringLiteral("gone.mp3"))};
    options.MinBitrate = 128000;
    QStringList told;
    options.FileDone = [&](const QString& path, bool, const QString&) { told << path; };
    TScriptedPrompter prompter;
    TNullProgress progress;

    TQualityResult r = RunQualityAnalyser(options, progress, prompter);
    EXPECT_FALSE(r.Ran);
    EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Please choose a minimal samplerate.")});

    options.MinSampleRate = 44100;
    r = RunQualityAnalyser(options, progress, prompter);
    ASSERT_TRUE(r.Ran);
    QStringList poor;
    for (const TPoorFile& f : r.Poor)
        poor << f.Path;
    EXPECT_EQ(poor, (QStringList{low, thin}));
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(told, QStringList{options.Paths.last()});
}

} // namespace

#include "tools/QualityAnalyser.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

bool IsPoorQuality(int bitrate, int sampleRate, int minBitrate, int minSampleRate) {
    if (sampleRate < minSampleRate) return true;
    return bitrate < minBitrate;
}

TQualityResult RunQualityAnalyser(const TQualityOptions& options, TProgress& progress,
                                  TPrompter& prompter) {
    TQualityResult result;
    if (options.MinSampleRate <= 0) {
        prompter.ShowPlainMessage(Tr("Please choose a minimal samplerate."));
        return result;
    }
    result.Ran = true;
    const QStringList& paths = options.Paths;
    progress.SetRange(int(paths.size()));
    progress.SetPosition(0);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        QString error;
        // Not opened through a reader: a pipe or device named like audio would block it.
        if (!WideRegularFile(path)) {
            error = WideFileExists(path) ? Tr("Not a regular file") : Tr("No such file");
        } else {
            error = FileStepError(options.KeepGoing, [&] {
                TAudioFile af;
                af.SetFileName(path);
                if (!af.Open()) return;
                const int bitrate = af.Reader->GetBitrate();
                const int rate = af.Reader->GetSampleRate();
                if (IsPoorQuality(bitrate, rate, options.MinBitrate, options.MinSampleRate))
                    result.Poor.append({af.FileName, bitrate, rate});
            });
        }
        if (!error.isEmpty()) {
            ++result.Failed;
            if (options.FileDone) options.FileDone(path, false, error);
        }
        progress.SetPosition(int(i + 1));
    }
    return result;
}

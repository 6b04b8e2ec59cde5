#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "tools/Progress.h"
#include "tools/QualityAnalyser.h"

#include <QJsonObject>

namespace {

const char* const kQualityUsage =
    "sonvale-cli quality --min-bitrate N --min-samplerate N [--json] PATH...";

const char* const kQualityHelp =
    "\nLists the files of poor quality as the quality analyser does: a sample rate\n"
    "below --min-samplerate (Hz), or else a bit rate below --min-bitrate (bit/s); a\n"
    "file exactly at a threshold is not poor. Folders are walked recursively,\n"
    "supported extensions only, as \"Add Folder\" does; formats without a reader\n"
    "(FLAC, WavPack) are skipped. --json prints one JSON object per poor file\n"
    "({\"path\", \"bitrate\", \"samplerate\"}) and one {\"path\", \"error\"} per file\n"
    "that could not be read.\n"
    "Exit status 1 when a file could not be read.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kQualityUsage), problem);
}

} // namespace

int RunQuality(const QStringList& args) {
    TCliArgs parsed;
    if (const int status =
            SplitCliArgs(args, kQualityUsage, kQualityHelp, parsed, {QStringLiteral("json")});
        status >= 0)
        return status;
    TQualityOptions options;
    options.MinBitrate = options.MinSampleRate = -1;
    const bool json = parsed.Has("json");
    for (const auto& [name, value] : parsed.Options) {
        bool ok = true;
        if (name == QLatin1String("min-bitrate"))
            options.MinBitrate = value.toInt(&ok);
        else if (name == QLatin1String("min-samplerate"))
            options.MinSampleRate = value.toInt(&ok);
        else
            return Usage(QStringLiteral("unknown option '--%1'").arg(name));
        if (!ok) return Usage(QStringLiteral("--%1 needs a number, not '%2'").arg(name, value));
    }
    if (options.MinBitrate <= 0) return Usage(QStringLiteral("--min-bitrate N is needed"));
    if (options.MinSampleRate <= 0) return Usage(QStringLiteral("--min-samplerate N is needed"));
    if (parsed.Paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));

    int status = kExitOk;
    auto fail = [&](const QString& path, const QString& error) {
        PrintFileError(json, path, error);
        status = kExitFailure;
    };
    QStringList refused;
    options.Paths = ListToolFiles(parsed.Paths, refused);
    for (const QString& p : refused)
        fail(p, QStringLiteral("not a file the quality analyser lists"));
    options.KeepGoing = true;
    options.FileDone = [&](const QString& path, bool, const QString& error) { fail(path, error); };

    // The shared progress line, fed by the tool's progress.
    class TLine : public TProgress {
    public:
        explicit TLine(const QStringList& paths) : FPaths(paths), FLine(int(paths.size())) {}
        void SetRange(int) override {}
        void SetPosition(int position) override {
            if (position > 0) FLine.Step(position - 1, FPaths.value(position - 1));
        }

    private:
        const QStringList& FPaths;
        TCliProgress FLine;
    } progress(options.Paths);
    TCliPrompter prompter;
    const TQualityResult result = RunQualityAnalyser(options, progress, prompter);
    for (const TPoorFile& f : result.Poor) {
        if (json)
            PrintJsonLine({{QStringLiteral("path"), f.Path},
                           {QStringLiteral("bitrate"), f.Bitrate},
                           {QStringLiteral("samplerate"), f.SampleRate}});
        else
            PrintOut(QStringLiteral("%1: %2 bit/s, %3 Hz\n")
                         .arg(f.Path)
                         .arg(f.Bitrate)
                         .arg(f.SampleRate));
    }
    return status;
}

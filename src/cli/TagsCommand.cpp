#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "io/SonvaleError.h"
#include "tags/MetaTag.h"
#include "tools/Progress.h"
#include "tools/TagRemover.h"

#include <QHash>

namespace {

const char* const kTagsUsage =
    "sonvale-cli tags write [--kinds N] [--artist A] [--title T] [--album B] [--year Y]\n"
    "                       [--genre G] [--track N] [--comments C] PATH...\n"
    "       sonvale-cli tags remove [--kinds N] PATH...";

const char* const kTagsHelp =
    "\n'write' reads each file's seven common fields, replaces those given (an empty\n"
    "value clears a field) and writes the tag kinds N (bit set: 1 ID3v1, 2 ID3v2,\n"
    "4 APEv2, 8 Vorbis comments; -1 every kind the format supports). By default\n"
    "the kinds the file carries, plus the format's own kind (ID3v2 for MPEG, WAVE\n"
    "and AC-3, Vorbis comments for Ogg, APEv2 for Monkey's Audio and Musepack).\n"
    "Everything else in the file's tags is kept; an ID3v2.4 tag stays 2.4. All\n"
    "kinds of a file are written at once: a file that fails is left as it was.\n"
    "'remove' removes the kinds N\n"
    "(default 15, all four, as the tag remover starts) and ends with the tag\n"
    "remover's closing message.\n"
    "Folders are walked recursively. Exit status 1 when any file failed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kTagsUsage), problem);
}

} // namespace

int RunTags(const QStringList& argsIn) {
    QStringList args = argsIn;
    QString action;
    if (const int status = TakeCliAction(args, kTagsUsage, kTagsHelp, "write or remove", action);
        status >= 0)
        return status;
    const bool write = action == QLatin1String("write");
    if (!write && action != QLatin1String("remove"))
        return Usage(QStringLiteral("unknown action '%1'").arg(action));

    static const char* const kFieldOptions[] = {"artist", "title", "album",   "year",
                                                "genre",  "track", "comments"};
    QHash<QString, QString> given;
    bool kindsGiven = false;
    int kinds = -1;
    TCliArgs parsed;
    if (const int status = SplitCliArgs(args, kTagsUsage, kTagsHelp, parsed); status >= 0)
        return status;
    const QStringList& paths = parsed.Paths;
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("kinds")) {
            if (!ParseKindsOption(value, kTagsUsage, kinds)) return kExitUsage;
            kindsGiven = true;
            continue;
        }
        bool known = false;
        if (write)
            for (const char* f : kFieldOptions)
                if (opt == QLatin1String(f)) known = true;
        if (!known) return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
        given.insert(opt, value);
    }
    if (!write && !kindsGiven) kinds = 15;
    if (paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));

    QStringList missing;
    QStringList files = ExpandPaths(
        paths, [](const QString& f) { return FormatCodeOfName(f) != fcUnknown; }, &missing);
    int status = kExitOk;
    for (const QString& m : missing) {
        PrintErr(QStringLiteral("%1: No such file or folder\n").arg(m));
        status = kExitFailure;
    }
    auto report = [&status](const QString& f, bool ok, const QString& error) {
        if (ok) {
            PrintOut(QStringLiteral("%1: ok\n").arg(f));
        } else {
            PrintOut(QStringLiteral("%1: failed: %2\n").arg(f, error));
            status = kExitFailure;
        }
    };
    if (!write) {
        // The tag remover's run, reporting every file and going on past a refused one.
        TTagRemoverOptions options;
        options.Paths = files;
        options.Kinds = kinds;
        options.KeepGoing = true;
        TCliProgress shown(int(files.size()));
        int done = 0;
        options.FileDone = [&](const QString& f, bool ok, const QString& error) {
            shown.Step(done++, f);
            report(f, ok, error.isEmpty() ? QStringLiteral("tags not removed") : error);
        };
        TNullProgress progress;
        TCliPrompter prompter;
        const TTagRemoverResult result = RunTagRemover(options, progress, prompter);
        if (!files.isEmpty() && !result.Ran) status = kExitFailure;
        return status;
    }
    TCliProgress progress(int(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const QString& f = files[i];
        progress.Step(i, f);
        QString error;
        try {
            TTagWriteOptions options;
            options.KeepId3v24 = true;
            options.KindsFromFile = !kindsGiven;
            if (!EditFileTags(f, given, kinds, options))
                error = FormatCodeOfName(f) == fcUnknown ? QStringLiteral("Unknown audio format")
                                                         : QStringLiteral("tags not written");
        } catch (const ESonvaleError& e) {
            error = e.Message;
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        report(f, error.isEmpty(), error);
    }
    return status;
}

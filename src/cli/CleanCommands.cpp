#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"

#include "tools/IncompleteTags.h"
#include "tools/NameCleaner.h"
#include "tools/TagCleaner.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const char* const kCleanNamesUsage =
    "sonvale-cli clean-names [--underscores-to-spaces|--spaces-to-underscores] "
    "[--minus-to-spaces]\n"
    "                        [--merge-spaces] [--case upper|lower|capitalize|first] [--dry-run]\n"
    "                        [--json] PATH...";
const char* const kCleanNamesHelp =
    "\nCleans the base name of every file with the rules chosen, applied in this order:\n"
    "underscores to spaces, spaces to underscores, minus to spaces, merge runs of spaces,\n"
    "then the case (capitalize: every word; first: the first letter only); the extension\n"
    "becomes lower case. A file is never renamed over another one: when two files clean to\n"
    "the same name, the first is renamed and the second fails. Prints OLD -> NEW for every\n"
    "rename; --dry-run renames nothing. Folders add their audio files with subfolders, as\n"
    "\"Add Folder\" does. --json prints one JSON object a file. Exit status 1 when any file\n"
    "failed.\n";

const char* const kCleanTagsUsage =
    "sonvale-cli clean-tags [--underscores-to-spaces|--spaces-to-underscores] [--minus-to-spaces]\n"
    "                       [--merge-spaces] [--case upper|lower|capitalize|first] [--kinds N]\n"
    "                       [--dry-run] [--json] PATH...";
const char* const kCleanTagsHelp =
    "\nCleans the seven common tag values (artist, title, album, year, genre, track,\n"
    "comments) with the rules of clean-names and writes them as the tag kinds N (bit set:\n"
    "1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments; default 15); the other kinds are\n"
    "removed, and the kinds written keep everything else they hold (pictures, lyrics,\n"
    "other comments). A file whose format holds none of the kinds is left as it is and\n"
    "fails. Prints each value changed as FIELD: \"OLD\" -> \"NEW\"; --dry-run writes\n"
    "nothing. --json prints one JSON object a file. Exit status 1 when any file failed.\n";

const char* const kFindIncompleteUsage =
    "sonvale-cli find-incomplete --fields title,artist,album,genre,year,track [--json] PATH...";
const char* const kFindIncompleteHelp =
    "\nPrints, in the order given, the files in which at least one of the fields named is\n"
    "empty, one path a line; --json prints one JSON object a listed file with the empty\n"
    "fields. Files that cannot be read are not listed and are told on standard error.\n"
    "Exit status 1 when any file could not be read.\n";

const QStringList kCleanFlags = {QStringLiteral("underscores-to-spaces"),
                                 QStringLiteral("spaces-to-underscores"),
                                 QStringLiteral("minus-to-spaces"),
                                 QStringLiteral("merge-spaces"),
                                 QStringLiteral("dry-run"),
                                 QStringLiteral("json")};

// The cleaning switches and "--case"; false after printing the usage error.
bool ParseCleanOptions(const TCliArgs& args, const char* usage, TCleanOptions& clean) {
    clean.UnderscoresToSpaces = args.Has("underscores-to-spaces");
    clean.SpacesToUnderscores = args.Has("spaces-to-underscores");
    clean.MinusToSpaces = args.Has("minus-to-spaces");
    clean.MergeSpaces = args.Has("merge-spaces");
    if (clean.UnderscoresToSpaces && clean.SpacesToUnderscores) {
        UsageError(QLatin1String(usage),
                   QStringLiteral("--underscores-to-spaces and --spaces-to-underscores exclude "
                                  "each other"));
        return false;
    }
    static const char* const kCases[] = {"upper", "lower", "capitalize", "first"};
    for (const auto& [name, value] : args.Options) {
        if (name != QLatin1String("case")) continue;
        clean.CaseFormatting = true;
        clean.CaseFormat = cfNone;
        for (int i = 0; i < 4; ++i)
            if (value == QLatin1String(kCases[i])) clean.CaseFormat = i;
        if (clean.CaseFormat == cfNone) {
            UsageError(QLatin1String(usage),
                       QStringLiteral("--case takes upper, lower, capitalize or first, not '%1'")
                           .arg(value));
            return false;
        }
    }
    return true;
}

// The options other than `allowed` are usage errors.
bool OnlyOptions(const TCliArgs& args, const char* usage, const QStringList& allowed) {
    for (const auto& option : args.Options)
        if (!allowed.contains(option.first)) {
            UsageError(QLatin1String(usage),
                       QStringLiteral("unknown option '--%1'").arg(option.first));
            return false;
        }
    return true;
}

// The files of the PATH arguments; the ones the lists refuse are told and fail the run.
QStringList ToolFiles(const QStringList& paths, bool json, int& status) {
    QStringList refused;
    const QStringList files = ListToolFiles(paths, refused);
    for (const QString& p : refused) {
        PrintFileError(json, p, QStringLiteral("not an audio file the lists take"));
        status = kExitFailure;
    }
    return files;
}

// What clean-names and clean-tags share of their command line.
struct TCleanCommand {
    TCliArgs Parsed;
    TCleanOptions Clean;
    bool Json = false;
    bool DryRun = false;
    int Status = kExitOk; // kExitFailure when a named file was refused
};

// Returns -1 to go on, or the exit status (after the help or a usage error).
int ParseCleanCommand(const QStringList& args, const char* usage, const char* help,
                      const QStringList& options, TCleanCommand& command) {
    if (const int s = SplitCliArgs(args, usage, help, command.Parsed, kCleanFlags); s >= 0)
        return s;
    if (!OnlyOptions(command.Parsed, usage, options) ||
        !ParseCleanOptions(command.Parsed, usage, command.Clean))
        return kExitUsage;
    if (command.Parsed.Paths.isEmpty())
        return UsageError(QLatin1String(usage), QStringLiteral("no PATH given"));
    command.Json = command.Parsed.Has("json");
    command.DryRun = command.Parsed.Has("dry-run");
    return -1;
}

// Failures are told file by file; the run's closing error message would repeat them.
class TPerFilePrompter : public TCliRecordingPrompter {
public:
    explicit TPerFilePrompter(bool quiet) { Quiet = quiet; }
    int ShowMessageBox(const QString& text, int buttons, int kind) override {
        if (kind != mkError) return TCliRecordingPrompter::ShowMessageBox(text, buttons, kind);
        Errors.append(text);
        return mrOk;
    }
};

QString OutcomeName(TCleanOutcome outcome, bool dryRun, const char* done) {
    switch (outcome) {
    case TCleanOutcome::Changed:
        return dryRun ? QStringLiteral("would be ") + QLatin1String(done) : QLatin1String(done);
    case TCleanOutcome::Failed:
        return QStringLiteral("failed");
    default:
        return QStringLiteral("unchanged");
    }
}

} // namespace

int RunCleanNames(const QStringList& args) {
    TCleanCommand command;
    if (const int s = ParseCleanCommand(args, kCleanNamesUsage, kCleanNamesHelp,
                                        {QStringLiteral("case")}, command);
        s >= 0)
        return s;
    const bool json = command.Json;
    TNameCleanerOptions options;
    options.Clean = command.Clean;
    options.DryRun = command.DryRun;
    options.Paths = ToolFiles(command.Parsed.Paths, json, command.Status);
    options.FileDone = [&](int, const TNameCleanEntry& e) {
        if (json) {
            QJsonObject o{
                {QStringLiteral("path"), e.OldPath},
                {QStringLiteral("new"), e.NewPath},
                {QStringLiteral("status"), OutcomeName(e.Outcome, options.DryRun, "renamed")}};
            if (!e.Error.isEmpty()) o[QStringLiteral("error")] = e.Error;
            PrintJsonLine(o);
        } else if (e.Outcome == TCleanOutcome::Changed) {
            PrintOut(QStringLiteral("%1 -> %2\n").arg(e.OldPath, e.NewPath));
        } else if (e.Outcome == TCleanOutcome::Failed) {
            PrintOut(QStringLiteral("%1: failed: %2\n").arg(e.OldPath, e.Error));
        }
    };
    TCliPercentProgress progress(options.Paths.size(), QStringLiteral("cleaning names"));
    TPerFilePrompter prompter(json);
    const TNameCleanerResult result = RunNameCleaner(options, progress, prompter);
    return result.Failed == 0 ? command.Status : kExitFailure;
}

int RunCleanTags(const QStringList& args) {
    TCleanCommand command;
    if (const int s = ParseCleanCommand(args, kCleanTagsUsage, kCleanTagsHelp,
                                        {QStringLiteral("case"), QStringLiteral("kinds")}, command);
        s >= 0)
        return s;
    const bool json = command.Json;
    TTagCleanerOptions options;
    options.Clean = command.Clean;
    options.DryRun = command.DryRun;
    options.KeepGoing = true;
    for (const auto& [name, value] : command.Parsed.Options)
        if (name == QLatin1String("kinds") &&
            !ParseKindsOption(value, kCleanTagsUsage, options.Kinds))
            return kExitUsage;
    options.Paths = ToolFiles(command.Parsed.Paths, json, command.Status);
    options.FileDone = [&](int, const TTagCleanEntry& e) {
        const QString outcome = OutcomeName(e.Outcome, options.DryRun, "cleaned");
        if (json) {
            QJsonArray changes;
            for (const TTagFieldChange& c : e.Changes)
                changes.append(QJsonObject{{QStringLiteral("field"), c.Field},
                                           {QStringLiteral("old"), c.Old},
                                           {QStringLiteral("new"), c.New}});
            QJsonObject o{{QStringLiteral("path"), e.Path},
                          {QStringLiteral("status"), outcome},
                          {QStringLiteral("changes"), changes}};
            if (!e.Error.isEmpty()) o[QStringLiteral("error")] = e.Error;
            PrintJsonLine(o);
            return;
        }
        QString text = e.Outcome == TCleanOutcome::Failed
                           ? QStringLiteral("%1: failed: %2\n").arg(e.Path, e.Error)
                           : QStringLiteral("%1: %2\n").arg(e.Path, outcome);
        for (const TTagFieldChange& c : e.Changes)
            text += QStringLiteral("  %1: \"%2\" -> \"%3\"\n").arg(c.Field, c.Old, c.New);
        PrintOut(text);
    };
    TCliPercentProgress progress(options.Paths.size(), QStringLiteral("cleaning tags"));
    TPerFilePrompter prompter(json);
    const TTagCleanerResult result = RunTagCleaner(options, progress, prompter);
    // No kind chosen is a failure; an empty list is nothing to do.
    if (!result.Ran && !options.Paths.isEmpty()) return kExitFailure;
    return result.Failed == 0 ? command.Status : kExitFailure;
}

int RunFindIncomplete(const QStringList& args) {
    TCliArgs parsed;
    if (const int s = SplitCliArgs(args, kFindIncompleteUsage, kFindIncompleteHelp, parsed,
                                   {QStringLiteral("json")});
        s >= 0)
        return s;
    if (!OnlyOptions(parsed, kFindIncompleteUsage, {QStringLiteral("fields")})) return kExitUsage;
    TIncompleteOptions options;
    options.KeepGoing = true;
    bool fieldsGiven = false;
    for (const auto& [name, value] : parsed.Options) {
        fieldsGiven = true;
        for (const QString& field : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!IncompleteFieldNames().contains(field.trimmed()))
                return UsageError(QLatin1String(kFindIncompleteUsage),
                                  QStringLiteral("unknown field '%1'").arg(field));
            options.Fields.append(field.trimmed());
        }
    }
    if (!fieldsGiven)
        return UsageError(QLatin1String(kFindIncompleteUsage),
                          QStringLiteral("--fields is needed"));
    if (parsed.Paths.isEmpty())
        return UsageError(QLatin1String(kFindIncompleteUsage), QStringLiteral("no PATH given"));
    const bool json = parsed.Has("json");
    int status = kExitOk;
    options.Paths = ToolFiles(parsed.Paths, json, status);
    options.FileDone = [&](int, const TIncompleteEntry& e) {
        if (!e.Error.isEmpty())
            PrintFileError(json, e.Path, e.Error);
        else if (e.Missing.isEmpty())
            return;
        else if (json)
            PrintJsonLine({{QStringLiteral("path"), e.Path},
                           {QStringLiteral("missing"), QJsonArray::fromStringList(e.Missing)}});
        else
            PrintOut(e.Path + QLatin1Char('\n'));
    };
    TCliPercentProgress progress(options.Paths.size(), QStringLiteral("scanning tags"));
    TPerFilePrompter prompter(json);
    const TIncompleteResult result = FindIncompleteTags(options, progress, prompter);
    return result.Failures.isEmpty() ? status : kExitFailure;
}

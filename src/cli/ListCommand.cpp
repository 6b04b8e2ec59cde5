#include "cli/CliCommon.h"
#include "cli/CliPrompter.h"
#include "cli/CliWriters.h"

#include "io/FileUtils.h"
#include "tools/FilesLister.h"
#include "tools/FolderScan.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

namespace {

const char* const kListUsage =
    "sonvale-cli list [--layout raw|csv|sql|xml] --columns COLUMN,... [--kbps] [--mmss]\n"
    "                 [--out DIR | -] [--dry-run] [--json] PATH...";

const char* const kListHelp =
    "\nWrites one line per audio file with the chosen columns, always in this order:\n"
    "path, title, format, size, bitrate, samplerate, duration (or 'all'). A folder adds\n"
    "its audio files in name order, each subfolder in its place; a file listed twice\n"
    "appears once. --kbps writes the bit rate as '192 Kbps', --mmss the duration as\n"
    "'03:05' (else '3min 5sec'). --out DIR writes DIR/sonvale.txt (raw and sql),\n"
    "sonvale.csv or sonvale.xml, replacing an older one; '-' (the default) writes to\n"
    "standard output. --dry-run builds the listing without writing it; --json prints a\n"
    "summary as one JSON object. Exit status 1 when a file could not be listed.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kListUsage), problem);
}

bool ParseLayout(const QString& value, TListLayout& layout) {
    const QStringList names{QStringLiteral("raw"), QStringLiteral("csv"), QStringLiteral("sql"),
                            QStringLiteral("xml")};
    const qsizetype i = names.indexOf(value.toLower());
    if (i < 0) return false;
    layout = TListLayout(i);
    return true;
}

// "path,title,..." as the bit set of the columns; false for an unknown name.
bool ParseColumns(const QString& value, int& columns, QString& unknown) {
    const QStringList names{QStringLiteral("path"),    QStringLiteral("title"),
                            QStringLiteral("format"),  QStringLiteral("size"),
                            QStringLiteral("bitrate"), QStringLiteral("samplerate"),
                            QStringLiteral("duration")};
    for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed().toLower();
        if (name == QLatin1String("all")) {
            columns |= (1 << kListColumnCount) - 1;
            continue;
        }
        const qsizetype i = names.indexOf(name);
        if (i < 0) {
            unknown = part;
            return false;
        }
        columns |= 1 << i;
    }
    return true;
}

} // namespace

int RunList(const QStringList& args) {
    TCliArgs parsed;
    const QStringList flags{QStringLiteral("kbps"), QStringLiteral("mmss"),
                            QStringLiteral("dry-run"), QStringLiteral("json")};
    if (const int status = SplitCliArgs(args, kListUsage, kListHelp, parsed, flags); status >= 0)
        return status;
    TListerOptions options;
    QString out = QStringLiteral("-");
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("layout")) {
            if (!ParseLayout(value, options.Layout))
                return Usage(
                    QStringLiteral("--layout takes raw, csv, sql or xml, not '%1'").arg(value));
        } else if (opt == QLatin1String("columns")) {
            QString unknown;
            if (!ParseColumns(value, options.Columns, unknown))
                return Usage(QStringLiteral("unknown column '%1'").arg(unknown));
        } else if (opt == QLatin1String("out")) {
            out = value;
        } else {
            return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
        }
    }
    options.Kbps = parsed.Has("kbps");
    options.ColonTime = parsed.Has("mmss");
    const bool json = parsed.Has("json"), toStdout = out == QLatin1String("-");
    if (options.Columns == 0) return Usage(QStringLiteral("--columns names no column"));
    if (parsed.Paths.isEmpty()) return Usage(QStringLiteral("no PATH given"));
    if (toStdout && json) return Usage(QStringLiteral("--json needs --out DIR"));

    // The lister's list: supported extensions, each file once.
    QStringList missing, refused;
    QSet<QString> seen;
    auto add = [&](const QString& f) {
        const QString full = QFileInfo(f).absoluteFilePath();
        if (!seen.contains(full)) {
            seen.insert(full);
            options.Paths << full;
        }
    };
    for (const QString& p : parsed.Paths) {
        if (WideDirectoryExists(p)) {
            for (const QString& f : ExpandPaths({p}, IsListablePath, nullptr))
                add(f);
        } else if (!WideFileExists(p)) {
            missing << p;
        } else if (IsListablePath(p)) {
            add(p);
        } else {
            refused << p;
        }
    }
    for (const QString& m : missing)
        PrintErr(QStringLiteral("%1: No such file or folder\n").arg(m));
    for (const QString& r : refused)
        PrintErr(QStringLiteral("%1: skipped: not an audio file the lister takes\n").arg(r));

    QStringList skipped;
    options.FileDone = [&](const QString& path, bool ok, const QString& error) {
        if (ok) return;
        skipped << path;
        PrintErr(QStringLiteral("%1: skipped: %2\n").arg(path, error));
    };
    TCliPercentProgress progress(options.Paths.size(), QStringLiteral("listing"));
    TListerResult result;
    bool written = false;
    if (toStdout) {
        if (options.Paths.isEmpty()) {
            PrintErr(QStringLiteral("sonvale-cli: Nothing to list\n"));
            return kExitFailure;
        }
        const QByteArray text = BuildListing(options, progress, result);
        written =
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size()) &&
            std::fflush(stdout) == 0;
    } else {
        options.OutputFolder = WideIncludeTrailingBackslash(QFileInfo(out).absoluteFilePath());
        TFileStreamWriter file;
        TCliDryRunWriter dryRun;
        const bool dry = parsed.Has("dry-run");
        TCliRecordingPrompter prompter;
        prompter.Quiet = json;
        result = RunFilesLister(options, progress, dry ? static_cast<TStreamWriter&>(dryRun) : file,
                                prompter);
        written = result.Written;
        if (dry && result.Written && !json)
            PrintErr(QStringLiteral("dry run: %1 not written (%2 lines, %3 bytes)\n")
                         .arg(result.Target)
                         .arg(result.Listed + (options.Layout == TListLayout::Xml ? 2 : 0))
                         .arg(dryRun.Content.size()));
        if (json) {
            QJsonObject o;
            o[QStringLiteral("target")] = result.Target;
            o[QStringLiteral("files")] = int(options.Paths.size());
            o[QStringLiteral("listed")] = result.Listed;
            o[QStringLiteral("skipped")] = QJsonArray::fromStringList(skipped + refused);
            o[QStringLiteral("missing")] = QJsonArray::fromStringList(missing);
            o[QStringLiteral("written")] = result.Written && !dry;
            o[QStringLiteral("dry_run")] = dry;
            o[QStringLiteral("messages")] = QJsonArray::fromStringList(prompter.Messages);
            o[QStringLiteral("errors")] = QJsonArray::fromStringList(prompter.Errors);
            PrintJsonLine(o);
        }
    }
    const bool allListed = skipped.isEmpty() && missing.isEmpty() && refused.isEmpty();
    return written && allListed ? kExitOk : kExitFailure;
}

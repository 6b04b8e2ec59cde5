#include "cli/CliCommon.h"

#include "io/SonvaleError.h"
#include "tools/Compilation.h"
#include "tools/FolderScan.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kCompilationUsage = "sonvale-cli compilation [--out FILE] [--json] PATH...";

const char* const kCompilationHelp =
    "\nBuilds an audio CD compilation from the files named, in the order given; a folder\n"
    "adds its audio files in name order, each subfolder in its place. As in the CD\n"
    "burner, a file is taken once (letter case ignored) and only when its playing time\n"
    "can be read; a name holding a line break is refused.\n"
    "\nPrints each entry with its time, the total, the share of a 74-minute disc and\n"
    "whether the compilation is valid (1 % to 100 %: 23 seconds to 74min 22sec). A valid\n"
    "compilation is written to FILE (default: Sonvale_0.bhc in the user's data folder),\n"
    "one full path a line, UTF-8 with CR LF; an existing file is replaced whole.\n"
    "\n--json prints one JSON object. Exit status 1 when the compilation is not valid or\n"
    "could not be written.\n";

QString SkipReason(TCompilationAdd result) {
    switch (result) {
    case TCompilationAdd::NotListable:
        return QStringLiteral("not an audio file the burner takes");
    case TCompilationAdd::Duplicate:
        return QStringLiteral("already in the compilation");
    case TCompilationAdd::LineBreak:
        return QStringLiteral("its name holds a line break");
    case TCompilationAdd::NoDuration:
        return QStringLiteral("no playing time could be read");
    case TCompilationAdd::Added:
        break;
    }
    return QString();
}

} // namespace

int RunCompilation(const QStringList& args) {
    TCliArgs parsed;
    if (const int status = SplitCliArgs(args, kCompilationUsage, kCompilationHelp, parsed,
                                        {QStringLiteral("json")});
        status >= 0)
        return status;
    QString out = CompilationFileName(CompilationFolder(), QStringLiteral("Sonvale"), 0);
    for (const auto& [opt, value] : parsed.Options) {
        if (opt != QLatin1String("out"))
            return UsageError(QLatin1String(kCompilationUsage),
                              QStringLiteral("unknown option '--%1'").arg(opt));
        out = QFileInfo(value).absoluteFilePath();
    }
    if (parsed.Paths.isEmpty())
        return UsageError(QLatin1String(kCompilationUsage), QStringLiteral("no PATH given"));
    const bool json = parsed.Has("json");

    QStringList missing;
    const QStringList paths = ExpandPaths(parsed.Paths, IsListablePath, &missing);
    TCompilation compilation;
    QJsonArray skipped;
    for (const QString& p : paths) {
        const QString path = QFileInfo(p).absoluteFilePath();
        const TCompilationAdd added = compilation.Add(path);
        if (added == TCompilationAdd::Added) continue;
        skipped.append(QJsonObject{{QStringLiteral("path"), path},
                                   {QStringLiteral("reason"), SkipReason(added)}});
        if (!json) PrintErr(QStringLiteral("%1: skipped: %2\n").arg(path, SkipReason(added)));
    }
    for (const QString& m : missing)
        if (!json) PrintErr(QStringLiteral("%1: No such file or folder\n").arg(m));

    const int total = compilation.Total();
    const bool valid = IsValidCompilation(total);
    QString error;
    if (valid) {
        try {
            WriteCompilationFile(out, compilation.Paths());
        } catch (const ESonvaleError& e) {
            error = e.Message;
        }
    }
    const bool written = valid && error.isEmpty();

    if (json) {
        QJsonArray entries;
        for (const TCompilationEntry& e : compilation.Entries())
            entries.append(QJsonObject{{QStringLiteral("path"), e.Path},
                                       {QStringLiteral("seconds"), e.Seconds}});
        QJsonObject o;
        o[QStringLiteral("entries")] = entries;
        o[QStringLiteral("skipped")] = skipped;
        o[QStringLiteral("missing")] = QJsonArray::fromStringList(missing);
        o[QStringLiteral("total_seconds")] = total;
        o[QStringLiteral("time")] = CompilationTimeText(total);
        o[QStringLiteral("percent")] = CompilationPercent(total);
        o[QStringLiteral("valid")] = valid;
        o[QStringLiteral("file")] = out;
        o[QStringLiteral("written")] = written;
        if (!error.isEmpty()) o[QStringLiteral("error")] = error;
        PrintOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) +
                 QLatin1Char('\n'));
    } else {
        QString text;
        for (const TCompilationEntry& e : compilation.Entries())
            text += QStringLiteral("%1\t%2\n").arg(CompilationTimeText(e.Seconds), e.Path);
        text += QStringLiteral("Total : %1, %2 %, %3\n")
                    .arg(CompilationTimeText(total))
                    .arg(CompilationPercent(total))
                    .arg(valid ? QStringLiteral("valid") : QStringLiteral("Invalid file list."));
        if (written) text += QStringLiteral("Written : %1\n").arg(out);
        PrintOut(text);
        if (!error.isEmpty()) PrintErr(QStringLiteral("sonvale-cli: %1\n").arg(error));
    }
    return written ? kExitOk : kExitFailure;
}

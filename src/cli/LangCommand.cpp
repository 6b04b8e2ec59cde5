#include "cli/CliCommon.h"

#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "lang/LanguageSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char* const kLangUsage =
    "sonvale-cli lang build SOURCE OUT.SPK [--catalog FILE] [--version A.B.C.D]\n"
    "       sonvale-cli lang dump FILE.SPK\n"
    "       sonvale-cli lang catalog OUT FILE.cpp...";

const char* const kLangHelp =
    "\n'build' writes the language file OUT.SPK from its readable SOURCE (UTF-8):\n"
    "header values (language: 040C, first:, second:, third:, info:, flag: FILE.bmp,\n"
    "font:, minfontsize:, ...), then one [COMPONENT.PATH] entry per component with its\n"
    "caption:, hint: and items: (lines \"- text\"), each text \"English => translation\"\n"
    "or English alone, and a [messages] section of \"English => translation\" lines that\n"
    "translates every text left without one. --catalog names the program's message lists\n"
    "(written by 'catalog'): each gets an entry, its lines translated by the source.\n"
    "The version stored is the program's own unless the source or --version gives one.\n"
    "\n'dump' prints any language file (every revision) in that readable form; building\n"
    "what it prints gives the same records back.\n"
    "\n'catalog' writes to OUT the messages that the given C++ sources translate (the\n"
    "literals of tr(), Tr(), QT_TR_NOOP(), ...), one message list per window.\n"
    "\nExit status 1 when a file cannot be read, parsed or written.\n";

int Usage(const QString& problem) {
    return UsageError(QLatin1String(kLangUsage), problem);
}

QByteArray ReadAll(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        throw ESonvaleError(QStringLiteral("%1: %2").arg(name, f.errorString()));
    return f.readAll();
}

void WriteAll(const QString& name, const QByteArray& bytes) {
    SafeWriteFile(name,
                  [&](TWFileStream& out) { out.WriteBuffer(bytes.constData(), bytes.size()); });
}

QList<TLanguageEntry> ReadCatalog(const QString& name) {
    return BuildLanguageFile(ParseLanguageSource(QString::fromUtf8(ReadAll(name)))).Entries;
}

int Build(const TCliArgs& parsed) {
    if (parsed.Paths.size() != 2) return Usage(QStringLiteral("SOURCE and OUT.SPK are needed"));
    QString catalogFile, version;
    for (const auto& [opt, value] : parsed.Options) {
        if (opt == QLatin1String("catalog"))
            catalogFile = value;
        else if (opt == QLatin1String("version"))
            version = value;
        else
            return Usage(QStringLiteral("unknown option '--%1'").arg(opt));
    }
    const QString sourceName = parsed.Paths[0];
    TLanguageSource source;
    try {
        source = ParseLanguageSource(QString::fromUtf8(ReadAll(sourceName)));
    } catch (const ESonvaleError& e) {
        // The parser names the line; the file name goes in front.
        throw ESonvaleError(sourceName + QStringLiteral(": ") + e.Message);
    }
    if (!source.FlagFile.isEmpty())
        source.Header.Flag = ReadAll(QFileInfo(sourceName).absoluteDir().filePath(source.FlagFile));
    if (!version.isEmpty())
        source.Header.Version = PackVersion(version);
    else if (!source.HasVersion)
        source.Header.Version = PackVersion(QStringLiteral(SONVALE_VERSION));
    QList<TLanguageEntry> catalog;
    if (!catalogFile.isEmpty()) catalog = ReadCatalog(catalogFile);
    const TLanguageFile file =
        BuildLanguageFile(source, catalogFile.isEmpty() ? nullptr : &catalog);
    WriteLanguageFile(parsed.Paths[1], file);
    return kExitOk;
}

int Dump(const TCliArgs& parsed) {
    if (parsed.Paths.size() != 1 || !parsed.Options.isEmpty())
        return Usage(QStringLiteral("one FILE.SPK is needed"));
    TLanguageFile file;
    if (!ReadLanguageFile(parsed.Paths[0], file)) {
        PrintErr(QStringLiteral("%1: not a language file\n").arg(parsed.Paths[0]));
        return kExitFailure;
    }
    PrintOut(DumpLanguageFile(file));
    return kExitOk;
}

int Catalog(const TCliArgs& parsed) {
    if (parsed.Paths.size() < 2 || !parsed.Options.isEmpty())
        return Usage(QStringLiteral("OUT and at least one source file are needed"));
    QList<QPair<QString, QByteArray>> sources;
    for (const QString& name : parsed.Paths.mid(1))
        sources.append({name, ReadAll(name)});
    const QByteArray text = LanguageCatalog(sources).toUtf8();
    // An unchanged catalog keeps its time, so what is built from it is not rebuilt.
    QFile existing(parsed.Paths[0]);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text) return kExitOk;
    WriteAll(parsed.Paths[0], text);
    return kExitOk;
}

} // namespace

int RunLang(const QStringList& args) {
    QStringList rest = args;
    QString action;
    if (const int status =
            TakeCliAction(rest, kLangUsage, kLangHelp, "build, dump, catalog", action);
        status >= 0)
        return status;
    TCliArgs parsed;
    if (const int status = SplitCliArgs(rest, kLangUsage, kLangHelp, parsed); status >= 0)
        return status;
    try {
        if (action == QLatin1String("build")) return Build(parsed);
        if (action == QLatin1String("dump")) return Dump(parsed);
        if (action == QLatin1String("catalog")) return Catalog(parsed);
    } catch (const ESonvaleError& e) {
        PrintErr(e.Message + QLatin1Char('\n'));
        return kExitFailure;
    }
    return Usage(QStringLiteral("unknown action '%1' (build, dump, catalog)").arg(action));
}

#include "cli/CliCommon.h"

#include "io/FileUtils.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

#include <optional>

#ifdef SONVALE_CLI_NETWORK
// sonvale-cli-net: every command, those that need Qt Network too.
#define NETWORK_COMMAND(name, run) run
#else
// sonvale-cli hands the commands that need Qt Network to sonvale-cli-net, so that the
// others never load the network libraries.
#define NETWORK_COMMAND(name, run)                                                                 \
    [](const QStringList& args) { return RunNetworkProgram(name, args); }
#endif

const std::vector<TCliCommand>& CliCommands() {
    // Reading files needs no application object; the others keep one, as the windows do.
    static const std::vector<TCliCommand> commands{
        {"info", "show the format, properties and tags of audio files", RunInfo, false},
        {"decode", "write a file's PCM as raw bytes", RunDecode, false},
        {"tags", "write or remove the tags of audio files", RunTags},
        {"tag-list", "tag a list of files as one album, tracks numbered in order", RunTagList},
        {"organize", "rename and move files into folders after their tags", RunOrganize},
        {"magic-folder", "build a folder of links by artist and album", RunMagicFolder},
        {"lookup", "find an album online (FreeDB, CDDB, MusicBrainz) and fetch its tracks",
         NETWORK_COMMAND("lookup", RunLookup)},
        {"album", "tag and rename an album folder's files after its track names",
         NETWORK_COMMAND("album", RunAlbum)},
        {"dupes", "find copies of one recording; optionally trash all but the first", RunDupes},
        {"quality", "list files below a bit rate or sample rate", RunQuality},
        {"playlist", "create an M3U playlist, or check a playlist and drop missing entries",
         RunPlaylist},
        {"list", "write a listing of audio files as raw text, CSV, SQL values or XML", RunList},
        {"compilation", "build an audio CD compilation and write its compilation file",
         RunCompilation},
        {"clean-names", "clean the names of audio files and rename them", RunCleanNames},
        {"clean-tags", "clean the common tag values of audio files", RunCleanTags},
        {"find-incomplete", "list the audio files in which chosen tag fields are empty",
         RunFindIncomplete},
        {"lang", "build a language file from its readable source, or dump one as text", RunLang},
    };
    return commands;
}

namespace {

void PrintHelp() {
    QString text = QStringLiteral("usage: sonvale-cli COMMAND [ARGS...]\n\ncommands:\n");
    qsizetype width = 0;
    for (const TCliCommand& c : CliCommands())
        width = std::max(width, qsizetype(std::strlen(c.name)));
    for (const TCliCommand& c : CliCommands())
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(c.name).leftJustified(width))
                    .arg(QString::fromLatin1(c.summary));
    text += QStringLiteral("\n'sonvale-cli COMMAND --help' tells more about one command.\n");
    PrintOut(text);
}

} // namespace

int main(int argc, char** argv) {
    // Names for QSettings and the standard folders; they need no application object.
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Sonvale"));
    // Decoded as names are, so a name that is not valid UTF-8 reaches its file.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodeFileName(QByteArray(argv[i]));
    if (args.isEmpty())
        return UsageError(QStringLiteral("sonvale-cli COMMAND [ARGS...]"),
                          QStringLiteral("no command given (try --help)"));
    QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        PrintHelp();
        return kExitOk;
    }
    if (name == QLatin1String("--version")) {
        PrintOut(QStringLiteral("sonvale-cli %1\n").arg(QStringLiteral(SONVALE_VERSION)));
        return kExitOk;
    }
    for (const TCliCommand& c : CliCommands()) {
        if (name != QLatin1String(c.name)) continue;
        // Not created for the commands that read files: it costs start-up time and memory
        // (the C library's locale) that they do not need.
        std::optional<QCoreApplication> app;
        if (c.needsApplication) app.emplace(argc, argv);
        return c.run(args);
    }
    return UsageError(QStringLiteral("sonvale-cli COMMAND [ARGS...]"),
                      QStringLiteral("unknown command '%1' (try --help)").arg(name));
}

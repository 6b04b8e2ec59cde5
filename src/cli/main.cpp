#include "cli/CliCommon.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

const std::vector<TCliCommand>& CliCommands() {
    static const std::vector<TCliCommand> commands{
        {"info", "show the format, properties and tags of audio files", RunInfo},
        {"decode", "write a file's PCM as raw bytes", RunDecode},
        {"tags", "write or remove the tags of audio files", RunTags},
        {"tag-list", "tag a list of files as one album, tracks numbered in order", RunTagList},
        {"organize", "rename and move files into folders after their tags", RunOrganize},
        {"magic-folder", "build a folder of links by artist and album", RunMagicFolder},
        {"lookup", "find an album online (FreeDB, CDDB, MusicBrainz) and fetch its tracks",
         RunLookup},
        {"album", "tag and rename an album folder's files after its track names", RunAlbum},
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
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Sonvale"));
    QStringList args = QCoreApplication::arguments().mid(1);
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
        if (name == QLatin1String(c.name)) return c.run(args);
    }
    return UsageError(QStringLiteral("sonvale-cli COMMAND [ARGS...]"),
                      QStringLiteral("unknown command '%1' (try --help)").arg(name));
}

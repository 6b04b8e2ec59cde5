#include "platform/Players.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

namespace platform {

namespace {

std::optional<TPlayerSearch>& SearchOverride() {
    static std::optional<TPlayerSearch> where;
    return where;
}

// The search with the desktop's usual places filled in.
TPlayerSearch Resolved(TPlayerSearch where) {
    if (where.ConfigDirs.isEmpty())
        where.ConfigDirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (where.ApplicationDirs.isEmpty())
        where.ApplicationDirs =
            QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    return where;
}

QString FindProgram(const QString& name, const QStringList& dirs) {
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo f(name);
        return f.isFile() && f.isExecutable() ? f.absoluteFilePath() : QString();
    }
    return dirs.isEmpty() ? QStandardPaths::findExecutable(name)
                          : QStandardPaths::findExecutable(name, dirs);
}

// The values of one [section] of a desktop-style key file; later keys do not replace
// earlier ones.
QHash<QString, QString> ReadSection(const QString& file, const QString& section) {
    QHash<QString, QString> values;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return values;
    bool inside = false;
    // Bounded: key files are small.
    for (const QByteArray& raw : f.read(1 << 20).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inside = line == QLatin1Char('[') + section + QLatin1Char(']');
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inside || eq <= 0 || line.startsWith(QLatin1Char('#'))) continue;
        const QString key = line.left(eq).trimmed();
        if (!values.contains(key)) values.insert(key, line.mid(eq + 1).trimmed());
    }
    return values;
}

QString EntryFile(const QString& entry, const TPlayerSearch& where) {
    for (const QString& dir : where.ApplicationDirs) {
        const QString path = QDir(dir).filePath(entry);
        if (QFileInfo(path).isFile()) return path;
    }
    return QString();
}

// mimeapps.list files in the order the desktop consults them: the user's, then the
// system's, each desktop's own list before the common one.
QStringList MimeAppsLists(const TPlayerSearch& where) {
    QStringList desktops;
    for (const QString& d :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops.append(d.toLower() + QStringLiteral("-mimeapps.list"));
    desktops.append(QStringLiteral("mimeapps.list"));
    QStringList lists;
    for (const QString& dir : where.ConfigDirs)
        for (const QString& name : desktops)
            lists.append(QDir(dir).filePath(name));
    for (const QString& dir : where.ApplicationDirs)
        for (const QString& name : desktops)
            lists.append(QDir(dir).filePath(name));
    return lists;
}

struct TKnownPlayer {
    const char* Program;
    const char* Name;
    const char* Options; // before the file
};

// Players that take a file on their command line and show a window for it.
const TKnownPlayer kKnownPlayers[] = {
    {"mpv", "mpv", "--player-operation-mode=pseudo-gui"},
    {"vlc", "VLC media player", ""},
    {"audacious", "Audacious", ""},
    {"strawberry", "Strawberry", ""},
    {"clementine", "Clementine", ""},
    {"rhythmbox", "Rhythmbox", ""},
    {"elisa", "Elisa", ""},
    {"lollypop", "Lollypop", ""},
    {"quodlibet", "Quod Libet", ""},
    {"deadbeef", "DeaDBeeF", ""},
    {"qmmp", "Qmmp", ""},
    {"amarok", "Amarok", ""},
    {"celluloid", "Celluloid", ""},
    {"smplayer", "SMPlayer", ""},
    {"totem", "Videos", ""},
};

// The desktop entry the desktop opens files of `mimeType` with; empty when none.
QString DefaultDesktopEntry(const QString& mimeType, const TPlayerSearch& where) {
    auto first = [&](const QString& file, const QString& section) {
        for (const QString& entry :
             ReadSection(file, section).value(mimeType).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!EntryFile(entry.trimmed(), where).isEmpty()) return entry.trimmed();
        return QString();
    };
    for (const QString& list : MimeAppsLists(where))
        if (const QString e = first(list, QStringLiteral("Default Applications")); !e.isEmpty())
            return e;
    // No choice made: the first application that says it takes the type.
    for (const QString& dir : where.ApplicationDirs)
        if (const QString e = first(QDir(dir).filePath(QStringLiteral("mimeinfo.cache")),
                                    QStringLiteral("MIME Cache"));
            !e.isEmpty())
            return e;
    return QString();
}

} // namespace

void SetPlayerSearchOverride(const TPlayerSearch& where) {
    SearchOverride() = where;
}

QString DesktopExecToCommandLine(const QString& exec) {
    QStringList out;
    bool haveFile = false;
    for (const QString& arg : SplitCommandLine(exec, TQuoteEscape::Backslash)) {
        QString a;
        bool fileCode = false;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            if (arg.at(i) != QLatin1Char('%') || i + 1 >= arg.size()) {
                a += arg.at(i);
                continue;
            }
            const QChar code = arg.at(++i);
            if (code == QLatin1Char('%')) {
                a += code;
            } else if (QStringLiteral("fFuU").contains(code) && !haveFile) {
                a += QStringLiteral("%1");
                haveFile = fileCode = true;
            }
            // %i, %c, %k and deprecated codes: dropped.
        }
        // A code alone that expanded to nothing is no argument at all.
        if (!a.isEmpty() || (!fileCode && !arg.startsWith(QLatin1Char('%')))) out.append(a);
    }
    return haveFile && !out.isEmpty() ? JoinCommandLine(out) : QString();
}

QString JoinCommandLine(const QStringList& args) {
    QStringList quoted;
    for (QString a : args) {
        const bool plain = !a.isEmpty() && !a.contains(QLatin1Char('"')) &&
                           std::none_of(a.cbegin(), a.cend(), [](QChar c) { return c.isSpace(); });
        if (plain) {
            quoted.append(a);
            continue;
        }
        a.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        quoted.append(QLatin1Char('"') + a + QLatin1Char('"'));
    }
    return quoted.join(QLatin1Char(' '));
}

QList<TPlayer> DetectSystemPlayers() {
    return DetectSystemPlayers(SearchOverride().value_or(TPlayerSearch{}));
}

QList<TPlayer> DetectSystemPlayers(const TPlayerSearch& given) {
    const TPlayerSearch where = Resolved(given);
    QList<TPlayer> players;
    QStringList programs;
    for (const char* mime : {"audio/mpeg", "audio/x-vorbis+ogg", "audio/ogg", "audio/x-wav"}) {
        const QString entry = DefaultDesktopEntry(QString::fromLatin1(mime), where);
        if (entry.isEmpty()) continue;
        const QHash<QString, QString> values =
            ReadSection(EntryFile(entry, where), QStringLiteral("Desktop Entry"));
        const QString command = DesktopExecToCommandLine(values.value(QStringLiteral("Exec")));
        const QStringList args = SplitCommandLine(command);
        if (args.isEmpty() || FindProgram(args.first(), where.ProgramDirs).isEmpty()) continue;
        const QString name = values.value(QStringLiteral("Name"), entry);
        players.append({name, command, true});
        programs.append(QFileInfo(args.first()).fileName());
        break;
    }
    for (const TKnownPlayer& p : kKnownPlayers) {
        const QString program = QString::fromLatin1(p.Program);
        if (programs.contains(program)) continue;
        const QString found = FindProgram(program, where.ProgramDirs);
        if (found.isEmpty()) continue;
        QStringList args{found};
        args.append(QString::fromLatin1(p.Options).split(QLatin1Char(' '), Qt::SkipEmptyParts));
        args.append(QStringLiteral("%1"));
        players.append({QString::fromLatin1(p.Name), JoinCommandLine(args), false});
        programs.append(program);
    }
    return players;
}

QString StartProgram(const QString& program, const QStringList& args) {
    if (FindProgram(program, {}).isEmpty())
        return QStringLiteral("the program \"%1\" was not found").arg(program);
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) return QString();
    return process.errorString();
}

} // namespace platform

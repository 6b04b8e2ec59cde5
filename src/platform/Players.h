#pragma once
// Media players of this system: the desktop's default application for audio files and
// common players found on the path, and starting a program with a reason when it fails.
#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

struct TPlayer {
    QString Name;        // as the desktop or the program calls itself
    QString CommandLine; // with "%1" where the file goes
    bool DesktopDefault = false;
};

// Where players are looked for; an empty list means the desktop's usual places.
struct TPlayerSearch {
    QStringList ConfigDirs;      // mimeapps.list (XDG config folders)
    QStringList ApplicationDirs; // desktop entries, mimeapps.list, mimeinfo.cache
    QStringList ProgramDirs;     // programs (PATH)
};

// The desktop's default application for audio files first (the entry the mimeapps.list
// files choose, else the first the applications' cache names, when it takes a file), then
// the common players among the programs; each program once.
QList<TPlayer> DetectSystemPlayers(const TPlayerSearch& where);
// The same in the usual places, or in those a test set.
QList<TPlayer> DetectSystemPlayers();
void SetPlayerSearchOverride(const TPlayerSearch& where);

// A desktop entry's Exec value as a command line with "%1" for one file: the file codes
// %f %F %u %U become "%1" (the first of them), the other codes are dropped. Empty when
// the entry takes no file.
QString DesktopExecToCommandLine(const QString& exec);

// Arguments quoted so that SplitCommandLine gives them back.
QString JoinCommandLine(const QStringList& args);

// Starts `program` on its own; empty when it started, otherwise why it did not.
QString StartProgram(const QString& program, const QStringList& args);

} // namespace platform

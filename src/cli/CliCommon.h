#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "tools/Progress.h"
#include <cstdio>
#include <functional>

// Exit statuses shared by every command.
enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct TCliCommand {
    const char* name;
    const char* summary;
    // Receives the arguments after the command name.
    std::function<int(const QStringList&)> run;
    // A QCoreApplication exists while the command runs (event loop, program folder).
    bool needsApplication = true;
};

// Every command of the program, in the order `--help` lists them.
const std::vector<TCliCommand>& CliCommands();

// Prints "usage: ..." with a hint to standard error and returns kExitUsage.
int UsageError(const QString& usage, const QString& problem);
void PrintOut(const QString& text); // UTF-8, no newline added
void PrintErr(const QString& text);
// One compact JSON object and a newline on standard output.
void PrintJsonLine(const QJsonObject& o);
// A file the command could not handle: {"path", "error"} on standard output with --json,
// "path: error" on standard error without.
void PrintFileError(bool json, const QString& path, const QString& error);

// Arguments of a command: "--name value" pairs (names without the dashes, in the order
// given), the switches that take no value, and the PATH arguments; "--" ends the options.
struct TCliArgs {
    QList<QPair<QString, QString>> Options;
    QStringList Flags;
    QStringList Paths;
    bool Has(const char* flag) const { return Flags.contains(QLatin1String(flag)); }
};
// Splits `args`; "--help"/"-h" prints `usage` and `help`. `flags` names the switches
// (without dashes); every other option takes a value. Returns -1 to go on, or the exit
// status the command returns (kExitOk after the help, kExitUsage for an option without
// its value).
int SplitCliArgs(const QStringList& args, const char* usage, const char* help, TCliArgs& out,
                 const QStringList& flags = {});
// The action word of a command with actions ("tags write", "playlist check"), taken from
// the front of `args`; "--help" there prints the help. Returns -1 to go on, or the exit
// status the command returns (after the help, or the usage error naming `actions`).
int TakeCliAction(QStringList& args, const char* usage, const char* help, const char* actions,
                  QString& action);
// "--kinds N": the tag kinds as a number; false after printing the usage error.
bool ParseKindsOption(const QString& value, const char* usage, int& kinds);

// The files a tool's list would hold for the PATH arguments, each once, in the order
// given: folders as "Add Folder" walks them, named files that pass the list's extension
// test (a missing one keeps its place and fails when its turn comes). Named files the
// list would not take go to `refused`.
QStringList ListToolFiles(const QStringList& paths, QStringList& refused);

// Expands the PATH arguments: files as given, folders walked recursively as the
// windows' "Add Folder" walks them (name order, letter case ignored, each subfolder in
// its place), keeping only the files `keep` accepts. Missing paths are returned in `missing`.
QStringList ExpandPaths(const QStringList& paths, const std::function<bool(const QString&)>& keep,
                        QStringList* missing);

// The files a tool's list would hold for the PATH arguments: named files, and the audio
// files a list takes from each folder; absolute, each once. A missing path is told on
// standard error and sets `status` to kExitFailure.
QStringList ListedFiles(const QStringList& paths, int& status);

// "\r[n/total] name" on standard error for long runs, only on a terminal.
class TCliProgress {
public:
    explicit TCliProgress(int total);
    ~TCliProgress();
    void Step(int index, const QString& name);

private:
    int total;
    bool active;
};

// A tool's progress (0 to 100) as "\r[n%] what" on standard error, only on a terminal and
// for runs of more than 20 items.
class TCliPercentProgress : public TProgress {
public:
    TCliPercentProgress(qsizetype items, const QString& what);
    ~TCliPercentProgress() override;
    void SetRange(int maximum) override { range = maximum > 0 ? maximum : 1; }
    void SetPosition(int position) override;

private:
    QString what;
    int range = 100;
    int shown = -1;
    bool active;
};

// Runs `sonvale-cli-net COMMAND ARGS...` in place of this process: it is found beside this
// program or in ../libexec/sonvale. Returns (kExitFailure, after saying why) only when it
// cannot be started.
int RunNetworkProgram(const char* command, const QStringList& args);

// Command entry points.
int RunInfo(const QStringList& args);
int RunDecode(const QStringList& args);
int RunTags(const QStringList& args);
int RunTagList(const QStringList& args);
int RunOrganize(const QStringList& args);
int RunMagicFolder(const QStringList& args);
int RunLookup(const QStringList& args);
int RunAlbum(const QStringList& args);
int RunDupes(const QStringList& args);
int RunQuality(const QStringList& args);
int RunPlaylist(const QStringList& args);
int RunList(const QStringList& args);
int RunCompilation(const QStringList& args);
int RunCleanNames(const QStringList& args);
int RunCleanTags(const QStringList& args);
int RunFindIncomplete(const QStringList& args);
int RunLang(const QStringList& args);

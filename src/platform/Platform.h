#pragma once
// Platform services the shell needs: the settings store, the shell
// "Open with" entry, program/data folders and starting an external program.
#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace platform {

// The settings store. Tests point it at a temporary file.
void SetSettingsFileOverride(const QString& iniFile);
std::unique_ptr<QSettings> OpenSettings();       // group Orvane/Sonvale
std::unique_ptr<QSettings> OpenVendorSettings(); // group Orvane
// Writes what is pending now (instead of QSettings::sync), keeping a new settings file
// readable by its owner only, as the stores above do when they go.
void SyncSettings(QSettings& settings);

// The ten extensions that get a context entry, in their fixed order.
const QStringList& ShellExtensions();

// Writes or deletes the .desktop entry in appsDir (empty: the user's
// applications folder). Returns false when the file could not be written or
// removed; never throws.
bool RegisterShellEntries(const QString& exePath, const QString& openWithText,
                          const QString& appsDir = QString());
bool UnregisterShellEntries(const QString& appsDir = QString());
QString ShellEntryPath(const QString& appsDir = QString());

// Read-only data beside the program (freedb.lst, language files).
QString DataFolder();
// Written output (compilation file, magic folder); created when missing.
QString OutputFolder();

// Splits a command line into arguments: blanks separate, double quotes group
// (the quotes themselves are dropped), a doubled quote inside quotes is one
// quote. Never fails.
// How a quote is written inside quotes: doubled (our command lines), or after a backslash,
// which escapes any character there (desktop entries' Exec).
enum class TQuoteEscape { Doubled, Backslash };
QStringList SplitCommandLine(const QString& commandLine,
                             TQuoteEscape escape = TQuoteEscape::Doubled);

// Splits first, then replaces the first "%1" in the arguments by path, so a
// path with blanks stays one argument. Empty result when there is no "%1" or
// no program.
QStringList PlayerArguments(const QString& commandLine, const QString& path);

// Starts the player for path. False when there is nothing to start or the
// start failed.
bool RunPlayer(const QString& commandLine, const QString& path);

// The recommended player found through the settings value "lkp" (its folder, or the
// program itself); empty when it is not installed.
QString RecommendedPlayerProgram();

// One host per line, blank lines and surrounding blanks dropped; empty when
// the file is missing or unreadable.
QStringList ReadServerList(const QString& fileName);

// Version as four dot-separated numbers for the running executable;
// "Unable to retrieve file version info" for any other existing file and
// "File not found" for a missing one.
QString GetFileVersionText(const QString& path);

} // namespace platform

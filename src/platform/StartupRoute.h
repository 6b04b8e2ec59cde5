#pragma once
// Start-up decisions that need no window: what the one command-line argument
// asks for, whether the assistant shows, and the stored executable path.
#include <QString>
#include <QStringList>

enum class TStartRoute { ShowTools, Register, Unregister, EditFile, TagFolder };

// args excludes the program name. Only the first argument counts; the words
// are compared exactly (letter case counts); a path that does not exist shows
// the tools list.
TStartRoute RouteCommandLine(const QStringList& args);

// The assistant shows when "DontShowStarter" is missing or exactly "0".
bool ShouldShowStarter();
void SetDontShowStarter(bool dontShow);

// Rewrites the executable path value under the vendor group.
void StoreExecutablePath(const QString& exePath);

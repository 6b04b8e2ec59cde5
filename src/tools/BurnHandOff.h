#pragma once
// "Burn": from the compilation to a burning program, and the hand-off window's steps.

#include "platform/BurnProgram.h"

#include <QString>
#include <QStringList>

class TCompilation;
class TPrompter;

// Address of the burning program's download page.
extern const char* const kBurnhavenDownloadUrl;

struct TBurnRequest {
    const TCompilation* Compilation = nullptr;
    QString Configured;                     // the settings value "Burnhaven"
    QList<platform::TBurnProgram> Detected; // burning programs found on this system
    QString Folder;                         // where the compilation file goes
    QString BaseName = QStringLiteral("Sonvale");
};

enum class TBurnStep {
    Stopped,        // told the user why (or the user declined)
    DownloadWanted, // no burning program, and the user wants to download one
    HandOff,        // the compilation file is written; hand it to Program
};

struct TBurnPlan {
    TBurnStep Step = TBurnStep::Stopped;
    platform::TBurnProgram Program;
    QString CompilationFile;
};

// The steps before the hand-off: a burning program (the configured one; else one found on
// this system, offered to the user; else the download question), a valid compilation
// ("Invalid file list."), and the compilation file written (its error is shown).
TBurnPlan PrepareBurn(const TBurnRequest& request, TPrompter& prompter);

// The hand-off window's state.
struct THandOffState {
    int CompilationCount = 0; // compilation files to hand over, numbered from 0
    bool AudioMode = true;
    QString BaseName;
    QString Folder;
    int Step = 0; // handed over so far
    bool Launching = false;
};

enum class THandOffTick { Wait, Finish, Launch };
// One timer tick: wait while the burning program runs or a launch is under way; finish
// once every compilation was handed over and the program has ended; otherwise advance
// Step and launch compilation Step.
THandOffTick HandOffTick(THandOffState& state, bool programRunning);

// The arguments that hand compilation `number` (from 1) to the program: "/cdaudio" (or
// "/fl") and the compilation file, the configured command with the file for "%1", or the
// program's own switches and the compilation's audio files. Raises ESonvaleError when the
// audio files cannot be read back from the compilation file.
QStringList HandOffArguments(const platform::TBurnProgram& program, const THandOffState& state,
                             int number);

// Starts the program with compilation `number`; false when it could not be started.
bool LaunchHandOff(const platform::TBurnProgram& program, const THandOffState& state, int number,
                   platform::TWatchedProcess& process);

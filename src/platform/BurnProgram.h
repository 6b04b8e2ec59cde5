#pragma once
// The burning program the CD burner hands its compilation to: the configured one
// (settings value "Burnhaven"), or a disc-burning application of the desktop found on
// this system, and the process started for it.
#include <QString>
#include <QStringList>

namespace platform {

// How a burning program takes a compilation.
enum class TBurnForm {
    Switches,    // program /cdaudio "<compilation file>"
    Placeholder, // the configured command line, "%1" replaced by the compilation file
    AudioFiles,  // program, its own switches, then the compilation's audio files in order
};

struct TBurnProgram {
    QString Name;          // as the user knows it
    QString Program;       // absolute path of the executable; empty: not installed
    QStringList Arguments; // Placeholder: the split command line after the program;
                           // AudioFiles: the switches before the files
    TBurnForm Form = TBurnForm::Switches;
    bool ReversesFiles = false; // lists the files it is given last first
    bool Installed() const { return !Program.isEmpty(); }
};

// The configured burning program: a folder holding "Burnhaven", the program's full path,
// or a command line with "%1" (split first, so a quoted path with blanks stays one
// argument). Not installed when the text is empty or the program is not an executable
// file.
TBurnProgram FindBurnhaven(const QString& configured);

// The disc-burning applications of the common desktops that are on the PATH and open
// an audio CD project from audio files named on their command line; the one of the
// running desktop first.
QList<TBurnProgram> DetectBurningPrograms();

// A program started for the hand-off and watched until it ends. Destroying the watch
// leaves the program running.
class TWatchedProcess {
public:
    TWatchedProcess() = default;
    ~TWatchedProcess();
    TWatchedProcess(const TWatchedProcess&) = delete;
    TWatchedProcess& operator=(const TWatchedProcess&) = delete;

    // Starts the program detached from us (it outlives the program that started it).
    // False when it could not be started; a program still watched is let go first.
    bool Start(const QString& program, const QStringList& arguments);
    // True while the program started last is running.
    bool Running();

private:
    void Release();
    long long FPid = 0;
    int FPidFd = -1;
};

} // namespace platform

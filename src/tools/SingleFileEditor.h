#pragma once
// The single-file tag editor's work on one file, without widgets: what its panel
// shows after a load, and the writes, removals and playback behind its buttons.
#include <QString>
#include <QStringList>
#include <functional>

// The seven unified fields as the editor shows and writes them.
struct TSingleFileFields {
    QString Artist;
    QString Title;
    QString Album;
    QString Year;
    QString Genre;
    QString Track;
    QString Comments;
};

// The property labels' bare captions, shown before a file is loaded.
QString SizeCaption();
QString BitRateCaption();
QString SampleRateCaption();
QString DurationCaption();

struct TSingleFileInfo {
    // False when no reader handles the extension: nothing else is filled.
    bool HasReader = false;
    TSingleFileFields Fields;
    // "Size : 3.34 Mb.", "BitRate : 128 Kbps", "Sample Rate : 44 KHz",
    // "Duration : 2min 50sec".
    QString SizeText;
    QString BitRateText;
    QString SampleRateText;
    QString DurationText;
    // Tag kinds found in the file (1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments).
    int TagKinds = 0;
    bool Has(int kind) const { return (TagKinds & kind) != 0; }
};

// "%dmin %dsec" of whole seconds.
QString FormatMinSec(int64_t seconds);

// Reads the fields, properties and tag kinds of `path`. A file its reader
// refuses raises ESonvaleError.
TSingleFileInfo LoadSingleFile(const QString& path);

enum class TSingleWriteResult {
    NoReader, // the extension has no reader: nothing was written
    Written,
    Failed, // a tag kind could not be written
};

// Writes the fields as tag kinds `kinds` (-1: every kind the reader supports),
// keeping what the editor does not manage. Refused files and files that cannot
// be opened for writing raise ESonvaleError.
TSingleWriteResult WriteSingleFile(const QString& path, const TSingleFileFields& fields, int kinds);

// Removes tag kinds `kinds` (-1: every kind the reader supports). False when no
// reader handles the extension or a removal failed.
bool RemoveSingleFileTags(const QString& path, int kinds);

// Starts a program with its arguments; true when it started.
using TProcessStarter = std::function<bool(const QString& program, const QStringList& args)>;

// Starts the player command line for `path` (the first "%1" becomes the path).
// Nothing happens without "%1". `start` replaces the real process start (tests).
bool PlaySingleFile(const QString& commandLine, const QString& path,
                    const TProcessStarter& start = {});

// Starts a program with its arguments; empty when it started, otherwise why it did not.
using TProgramStarter = std::function<QString(const QString& program, const QStringList& args)>;
// Opens a file with the desktop's default application; true when that could be asked.
using TFileOpener = std::function<bool(const QString& path)>;

// "Play" as the editor's button does it: the player command line for `path` (the first
// "%1" becomes the path); with no command line set, the desktop's default application.
// Returns what to tell the user when nothing could start (naming the command line and
// why); empty when the player started, and when the command line has no "%1", which
// asks for nothing to be started.
QString PlayFileMessage(const QString& commandLine, const QString& path,
                        const TProgramStarter& start, const TFileOpener& open);

#pragma once

#include "tools/BatchReport.h"
#include "tools/TextCleaner.h"

#include <QList>
#include <QStringList>
#include <functional>

class TProgress;
class TPrompter;

// One unified field a cleaning changes ("title", "artist", ...).
struct TTagFieldChange {
    QString Field;
    QString Old;
    QString New;
};

struct TTagCleanEntry {
    QString Path;
    // Changed: some value was cleaned; Unchanged: none was (the tags are still written as
    // the chosen kinds, unless a dry run); Failed: the file is as it was.
    TCleanOutcome Outcome = TCleanOutcome::Unchanged;
    QList<TTagFieldChange> Changes;
    QString Error;
};

struct TTagCleanerOptions {
    QStringList Paths; // in list order
    TCleanOptions Clean;
    int Kinds = 15;      // 1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments
    bool DryRun = false; // values cleaned and told, nothing written
    // A file refused by its reader, or that cannot be opened for writing, raises and ends
    // the run there. Batch callers that report per file set this to count such a file as
    // a failure and go on.
    bool KeepGoing = false;
    // Told after each file with its index in Paths.
    std::function<void(int index, const TTagCleanEntry& entry)> FileDone;
};

struct TTagCleanerResult {
    bool Ran = false;     // false for an empty list or when no tag kind was chosen
    bool Stopped = false; // the user stopped the run; the files after it are untouched
    int Written = 0;
    int Failed = 0;
    QList<TTagCleanEntry> Files; // one per file handled, in list order
    QList<TFileFailure> Failures;
};

// The seven unified fields in the order the tag cleaner cleans them.
QStringList TagCleanerFields();

// "Go" of the tag cleaner: cleans the seven unified values of every file (each value of a
// field that holds several) and writes them as the chosen tag kinds, which keep everything
// else they hold; the other kinds are removed in the same write.
// A file none of whose chosen kinds its format can hold is left as it is and fails. Shows
// "No tags selected." when no kind is chosen; when files failed, an error message lists
// them with the reasons.
TTagCleanerResult RunTagCleaner(const TTagCleanerOptions& options, TProgress& progress,
                                TPrompter& prompter);

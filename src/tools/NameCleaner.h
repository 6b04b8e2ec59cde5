#pragma once

#include "tools/BatchReport.h"
#include "tools/TextCleaner.h"

#include <QList>
#include <QStringList>
#include <functional>

class TProgress;
class TPrompter;

struct TNameCleanEntry {
    QString OldPath;
    QString NewPath; // the cleaned path, also when the rename failed or was not made
    TCleanOutcome Outcome = TCleanOutcome::Unchanged;
    QString Error;
};

struct TNameCleanerOptions {
    QStringList Paths; // in list order
    TCleanOptions Clean;
    // Nothing is renamed; each entry tells what a run would do, two entries that clean to
    // one name included.
    bool DryRun = false;
    // Told after each file with its index in Paths.
    std::function<void(int index, const TNameCleanEntry& entry)> FileDone;
};

struct TNameCleanerResult {
    bool Ran = false;     // false for an empty list
    bool Stopped = false; // the user stopped the run; the files after it are untouched
    int Renamed = 0;
    int Failed = 0;
    QList<TNameCleanEntry> Files; // one per file handled, in list order
    QList<TFileFailure> Failures;
};

// The path a file gets: its folder, its base name trimmed and cleaned, its extension (from
// the last "." of the name) in lower case.
QString CleanedFilePath(const QString& path, const TCleanOptions& options);

// "Go" of the name cleaner: renames every file whose cleaned path differs from its path,
// never over another file. Shows "Empty File List" for an empty list; when files could not
// be renamed, an error message lists them with the reasons.
TNameCleanerResult RunNameCleaner(const TNameCleanerOptions& options, TProgress& progress,
                                  TPrompter& prompter);

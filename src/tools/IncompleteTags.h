#pragma once

#include "tools/BatchReport.h"

#include <QList>
#include <QStringList>
#include <functional>

class TProgress;
class TPrompter;

// The fields the finder can test, in the order of its tick boxes: "title", "artist",
// "album", "genre", "year", "track".
QStringList IncompleteFieldNames();

struct TIncompleteEntry {
    QString Path;
    QStringList Missing; // the chosen fields that are empty, in tick-box order
    QString Error;       // why the file could not be read; it is then not listed
};

struct TIncompleteOptions {
    QStringList Paths;  // in list order
    QStringList Fields; // unified names; others are ignored
    // A file its reader refuses raises and ends the scan there. Batch callers that report
    // per file set this to count such a file as a failure and go on.
    bool KeepGoing = false;
    // Told after each file with its index in Paths.
    std::function<void(int index, const TIncompleteEntry& entry)> FileDone;
};

struct TIncompleteResult {
    bool Stopped = false;          // the user stopped the scan
    QStringList Listed;            // paths with an empty chosen field, in input order
    QList<TIncompleteEntry> Files; // one per file handled, in input order
    QList<TFileFailure> Failures;
};

// "Scan" of the incomplete-tags finder: lists the files in which at least one chosen field
// is empty. Files that cannot be read are not listed; an error message names them.
TIncompleteResult FindIncompleteTags(const TIncompleteOptions& options, TProgress& progress,
                                     TPrompter& prompter);

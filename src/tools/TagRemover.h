#pragma once

#include "tools/BatchReport.h"

#include <QStringList>

class TProgress;
class TPrompter;

struct TTagRemoverOptions {
    QStringList Paths; // in list order
    int Kinds = 15;    // 1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments
    // A file refused by its reader, or that cannot be opened for writing, raises and
    // ends the run there. Batch callers that report per file set this to count such a
    // file as a failure and go on.
    bool KeepGoing = false;
    TFileDone FileDone;
};

struct TTagRemoverResult {
    bool Ran = false;    // false for an empty list or when no tag kind was chosen
    bool Result = false; // every file opened and every removal succeeded
    int Total = 0;
    int Failed = 0;
    bool Stopped = false; // the user stopped the run after Handled files
    int Handled = 0;
};

// "Clean" of the tag remover: removes the kinds from every file (progress 0 to 100), then
// shows "MetaTags successfully removed from all files." or "Errors have occured while
// removing metatags".
TTagRemoverResult RunTagRemover(const TTagRemoverOptions& options, TProgress& progress,
                                TPrompter& prompter);

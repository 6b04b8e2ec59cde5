#pragma once

#include "tools/BatchReport.h"

#include <QString>
#include <QStringList>

class TProgress;
class TPrompter;

// One set of values for a whole list of files; each file keeps its own title and gets
// its list position as track number.
struct TMultiTaggerOptions {
    QStringList Paths; // in list order
    QString Artist;
    QString Album;
    QString Year;
    QString Genre;
    QString Comments;
    int Kinds = 15; // 1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments
    // Empty values erase the field in every file: ask first, naming the fields.
    bool ConfirmErase = false;
    // Track numbers restart at 1 in each folder (lists that hold several albums).
    bool NumberPerFolder = false;
    // A file refused by its reader, or that cannot be opened for writing, raises and
    // ends the run there. Batch callers that report per file set this to count such a
    // file as a failure and go on.
    bool KeepGoing = false;
    TFileDone FileDone;
};

struct TMultiTaggerResult {
    bool Ran = false; // false for an empty list or when no tag kind was chosen
    int Total = 0;
    int Written = 0;
    int Failed = 0;
    bool Stopped = false; // the user stopped the run; Written + Failed files were handled
};

// The track number each entry gets: its list position, or its position among the entries
// of its own folder.
QList<int> MultiTaggerTrackNumbers(const QStringList& paths, bool perFolder);

// "Go" of the multiple-files tagger: writes every file, then shows "MetaTags
// successfully upated in all files." or "Errors have occured while updating metatags".
// Nothing is written when the user declines erasing the empty fields.
TMultiTaggerResult RunMultiTagger(const TMultiTaggerOptions& options, TProgress& progress,
                                  TPrompter& prompter);

// The values a click on a list entry loads.
struct TCommonTagValues {
    QString Artist;
    QString Album;
    QString Year;
    QString Genre;
};

// A file's unified artist, album, year and genre. False, with `values` untouched, when
// the file cannot be opened (missing, unknown format or refused by its reader).
bool LoadCommonTagValues(const QString& path, TCommonTagValues& values);

#pragma once

#include "tools/BatchReport.h"

#include <QList>
#include <QString>
#include <QStringList>

class TProgress;
class TPrompter;

struct TQualityOptions {
    QStringList Paths;       // in list order
    int MinBitrate = 128000; // bits per second
    int MinSampleRate = 0;   // Hz; 0 when none was chosen, and then nothing is scanned
    // A file its reader refuses raises and ends the run there. Batch callers that report
    // per file set this to count such a file as a failure and go on.
    bool KeepGoing = false;
    // Every file that was not analysed: missing, not a regular file, refused by its
    // reader. A format without a reader (FLAC, WavPack) is skipped without a word.
    TFileDone FileDone;
};

struct TPoorFile {
    QString Path;
    int Bitrate = 0;
    int SampleRate = 0;
};

struct TQualityResult {
    bool Ran = false;      // false when no minimal sample rate was chosen
    QList<TPoorFile> Poor; // in list order
    int Failed = 0;
};

// A file is poor when its sample rate is below the minimal sample rate or, when it is not,
// its bit rate is below the minimal bit rate; a file exactly at a threshold is not.
bool IsPoorQuality(int bitrate, int sampleRate, int minBitrate, int minSampleRate);

// "Scan" of the quality analyser: opens every file through the audio facade and collects
// the poor ones (progress 0 .. number of files). Without a minimal sample rate it shows
// "Please choose a minimal samplerate." and scans nothing.
TQualityResult RunQualityAnalyser(const TQualityOptions& options, TProgress& progress,
                                  TPrompter& prompter);

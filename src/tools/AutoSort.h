#pragma once
// Puts an album's local files in track order: by duration against the durations fetched
// with the track names, or by the words of each track name found in the file names.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class TProgress;

// The entry that stands for a track without a file.
inline const QString kFakeTrack = QStringLiteral("** FAKE TRACK **");

// Duration of album folder + entry in milliseconds; 0 for a fake entry, a missing file or
// one that cannot be opened. A reader's refusal raises.
QList<int32_t> MeasureDurations(const QString& albumFolder, const QStringList& entries);

// Greedy in track order: each track takes the file nearest its duration among those not
// yet placed; ties keep the earlier. `measured` is reordered along with `entries`.
void SortByTime(QStringList& entries, QList<int32_t>& measured, QList<int32_t> targets,
                int trackCount, TProgress& progress);

// A name or file name made ready for word matching: trimmed, lower case, the ten
// separators "(),./'&?_-" as spaces.
QString NormaliseSortText(const QString& text);
// The words of a normalised track name: words of two characters or more, and the last
// word whatever its length; at most 128.
QStringList SortWords(const QString& normalised);

// Each track name takes the first not yet placed entry that holds most of its words
// (whole words); names without a match leave a slot that the left-over entries fill in
// list order.
void SortByWords(QStringList& entries, const QStringList& trackNames, TProgress& progress);

#include "tools/AutoSort.h"

#include "audio/AudioHelpers.h"
#include "tools/Progress.h"

#include <QHash>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kMaxWords = 128;

int Percent(int64_t num, int64_t den) {
    return den <= 0 ? 0 : int(std::lround(double(num) / double(den)));
}

} // namespace

QList<int32_t> MeasureDurations(const QString& albumFolder, const QStringList& entries) {
    QList<int32_t> measured;
    measured.reserve(entries.size());
    for (const QString& e : entries)
        measured.append(e == kFakeTrack ? 0 : AudioDurationMs(albumFolder + e));
    return measured;
}

void SortByTime(QStringList& entries, QList<int32_t>& measured, QList<int32_t> targets,
                int trackCount, TProgress& progress) {
    while (targets.size() < trackCount)
        targets.append(0);
    // Only as many places as both lists have.
    const int n = std::min<int>(trackCount, int(std::min(entries.size(), measured.size())));
    progress.SetRange(100);
    for (int p = 0; p < n; ++p) {
        int best = p;
        int64_t distance = std::llabs(int64_t(measured[p]) - targets[p]);
        for (int c = p + 1; c < n; ++c) {
            const int64_t d = std::llabs(int64_t(measured[c]) - targets[p]);
            if (d < distance) {
                best = c;
                distance = d;
            }
        }
        if (best != p) {
            entries.move(best, p);
            measured.move(best, p);
        }
        progress.SetPosition(Percent(int64_t(p + 1) * 100, trackCount));
    }
}

QString NormaliseSortText(const QString& text) {
    QString t = text.trimmed().toLower();
    for (QChar& c : t)
        if (QStringLiteral("(),./'&?_-").contains(c)) c = QLatin1Char(' ');
    return t.trimmed();
}

QStringList SortWords(const QString& normalised) {
    QStringList words;
    QString t = normalised;
    while (words.size() < kMaxWords && t.contains(QLatin1Char(' ')) && t.size() > 2) {
        const qsizetype space = t.indexOf(QLatin1Char(' '));
        if (space >= 2) words.append(t.left(space));
        t.remove(0, space + 1);
    }
    t = t.trimmed();
    if (!t.isEmpty() && words.size() < kMaxWords) words.append(t);
    return words;
}

void SortByWords(QStringList& entries, const QStringList& trackNames, TProgress& progress) {
    progress.SetRange(100);
    // Each entry's text is normalised once, not once per track name.
    QStringList texts;
    texts.reserve(entries.size());
    for (const QString& e : entries)
        texts.append(QLatin1Char(' ') + NormaliseSortText(e) + QLatin1Char(' '));
    QStringList result;
    QHash<QString, int> placed; // entry name -> times in the result
    const int names = int(trackNames.size());
    for (int q = 0; q < names; ++q) {
        QStringList words = SortWords(NormaliseSortText(trackNames[q]));
        for (QString& w : words)
            w = QLatin1Char(' ') + w + QLatin1Char(' ');
        int best = -1, bestScore = 0;
        for (int i = 0; i < entries.size(); ++i) {
            if (placed.contains(entries[i])) continue;
            int score = 0;
            for (const QString& w : words)
                if (texts[i].contains(w)) ++score;
            if (score > bestScore) {
                best = i;
                bestScore = score;
            }
        }
        if (best < 0) {
            result.append(QString());
        } else {
            result.append(entries[best]);
            ++placed[entries[best]];
        }
        progress.SetPosition(Percent(int64_t(q) * 100 + 100, names));
    }
    // Left-overs fill the empty slots in list order; an entry listed twice is placed twice.
    QHash<QString, int> listed;
    for (const QString& e : entries) {
        if (++listed[e] <= placed.value(e)) continue;
        const qsizetype slot = result.indexOf(QString());
        if (slot < 0) {
            result.append(e);
        } else {
            result[slot] = e;
        }
        ++placed[e];
    }
    // Names without a file leave nothing behind.
    result.removeAll(QString());
    entries = result;
}

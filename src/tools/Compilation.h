#pragma once
// The CD burner's compilation: audio files in track order whose playing time must fit a
// 74-minute disc, and the compilation file that hands it to a burning program.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

inline constexpr int kCompilationCapacity = 4440; // seconds on a 74-minute disc

// round(total × 100 ÷ capacity), halves to even.
int CompilationPercent(int totalSeconds);
// The gauge's value: the percentage, capped at 100.
int CompilationGauge(int totalSeconds);
// Valid from 1 % to 100 %, that is for totals of 23 to 4462 seconds.
bool IsValidCompilation(int totalSeconds);
// "%dmin %dsec" in the current language.
QString CompilationTimeText(int totalSeconds);

// A file's seconds as the burner counts them: its duration in milliseconds ÷ 1000,
// halves to even; 0 for a file the audio facade cannot open.
int CompilationSeconds(const QString& path);

// A path that a compilation file can hold on one line, and why another is refused.
bool IsCompilationPath(const QString& path);
QString LineBreakMessage(const QString& path);

enum class TCompilationAdd { Added, NotListable, Duplicate, LineBreak, NoDuration };

struct TCompilationEntry {
    QString Path;
    int Seconds = 0; // as measured when it was added
};

class TCompilation {
public:
    // The burner's add rule: a listable audio path, not yet in the compilation (letter
    // case ignored), that a compilation file can hold, with a duration of a second or
    // more. Only Added changes anything.
    TCompilationAdd Add(const QString& path);
    // Puts back an entry measured before (one moved within the list).
    void Insert(int index, const TCompilationEntry& entry);
    // Takes the entry out and subtracts the seconds it was added with, whatever became
    // of its file since.
    TCompilationEntry Take(int index);
    void Reset();

    int Total() const { return FTotal; }
    qsizetype Count() const { return FEntries.size(); }
    const QList<TCompilationEntry>& Entries() const { return FEntries; }
    QStringList Paths() const;
    bool Contains(const QString& path) const;

private:
    QList<TCompilationEntry> FEntries;
    QSet<QString> FKnown; // case-folded paths
    int FTotal = 0;
};

// The folder of the compilation files: the user's data folder.
QString CompilationFolder();
// <folder>/<base>_<number>.bhc
QString CompilationFileName(const QString& folder, const QString& baseName, int number);
// The paths in order, one per line (UTF-8, CR LF), written into a temporary file renamed
// over the old one. Raises ESonvaleError for a path with a line break (nothing is
// written) or a failed write (the previous file is kept).
void WriteCompilationFile(const QString& fileName, const QStringList& paths);
// The paths of a compilation file, in order. Raises ESonvaleError when it cannot be read.
QStringList ReadCompilationFile(const QString& fileName);

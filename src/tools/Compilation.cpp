#include "tools/Compilation.h"

#include "audio/AudioHelpers.h"
#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "lang/TextStorage.h"
#include "platform/Platform.h"
#include "tools/FolderScan.h"
#include "tools/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cmath>

namespace {
// A compilation of a few hundred paths is a few kilobytes; anything far larger is no
// compilation file.
constexpr int64_t kMaxCompilationBytes = 16 << 20;
} // namespace

int CompilationPercent(int totalSeconds) {
    // nearbyint rounds half to even in the default rounding mode.
    return int(std::nearbyint(double(totalSeconds) * 100.0 / kCompilationCapacity));
}

int CompilationGauge(int totalSeconds) {
    return std::clamp(CompilationPercent(totalSeconds), 0, 100);
}

bool IsValidCompilation(int totalSeconds) {
    const int percent = CompilationPercent(totalSeconds);
    return percent >= 1 && percent <= 100;
}

QString CompilationTimeText(int totalSeconds) {
    return QCoreApplication::translate("TBurnerPanel", "%1min %2sec")
        .arg(totalSeconds / 60)
        .arg(totalSeconds % 60);
}

int CompilationSeconds(const QString& path) {
    return int(std::nearbyint(AudioDurationMs(path) / 1000.0));
}

bool IsCompilationPath(const QString& path) {
    return !path.contains(QLatin1Char('\n')) && !path.contains(QLatin1Char('\r'));
}

QString LineBreakMessage(const QString& path) {
    return QCoreApplication::translate(
               "TBurnerPanel",
               "This file name holds a line break, which a compilation file cannot list:\n%1")
        .arg(path);
}

TCompilationAdd TCompilation::Add(const QString& path) {
    if (!IsListablePath(path)) return TCompilationAdd::NotListable;
    if (Contains(path)) return TCompilationAdd::Duplicate;
    if (!IsCompilationPath(path)) return TCompilationAdd::LineBreak;
    const int seconds = CompilationSeconds(path);
    if (seconds <= 0) return TCompilationAdd::NoDuration;
    Insert(int(FEntries.size()), {path, seconds});
    return TCompilationAdd::Added;
}

void TCompilation::Insert(int index, const TCompilationEntry& entry) {
    FEntries.insert(std::clamp<qsizetype>(index, 0, FEntries.size()), entry);
    FKnown.insert(entry.Path.toCaseFolded());
    FTotal += entry.Seconds;
}

TCompilationEntry TCompilation::Take(int index) {
    if (index < 0 || index >= FEntries.size()) return {};
    TCompilationEntry entry = FEntries.takeAt(index);
    FKnown.remove(entry.Path.toCaseFolded());
    FTotal -= entry.Seconds;
    return entry;
}

void TCompilation::Reset() {
    FEntries.clear();
    FKnown.clear();
    FTotal = 0;
}

QStringList TCompilation::Paths() const {
    QStringList paths;
    paths.reserve(FEntries.size());
    for (const TCompilationEntry& e : FEntries)
        paths.append(e.Path);
    return paths;
}

bool TCompilation::Contains(const QString& path) const {
    return FKnown.contains(path.toCaseFolded());
}

QString CompilationFolder() {
    return platform::OutputFolder();
}

QString CompilationFileName(const QString& folder, const QString& baseName, int number) {
    return QDir(folder).filePath(QStringLiteral("%1_%2.bhc").arg(baseName).arg(number));
}

void WriteCompilationFile(const QString& fileName, const QStringList& paths) {
    QByteArray text;
    for (const QString& p : paths) {
        if (!IsCompilationPath(p)) throw ESonvaleError(LineBreakMessage(p));
        AppendTextLine(text, p);
    }
    SafeWriteFile(fileName,
                  [&](TWFileStream& out) { out.WriteBuffer(text.constData(), text.size()); });
}

QStringList ReadCompilationFile(const QString& fileName) {
    TWFileStream file(fileName, fmOpenRead | fmShareDenyNone);
    const int64_t size = file.GetSize();
    if (size > kMaxCompilationBytes)
        throw ESonvaleError(Tr("Compilation file too large: %1").arg(fileName));
    QStringList paths = DecodeTextLines(file.ReadBytesAt(0, size));
    paths.removeAll(QString());
    return paths;
}

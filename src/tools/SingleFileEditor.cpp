#include "tools/SingleFileEditor.h"

#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "platform/Platform.h"
#include "platform/Players.h"
#include "tags/MetaTag.h"
#include "tools/ByteSize.h"

#include <QCoreApplication>
#include <cmath>
#include <limits>

namespace {

// Rounded half to even, like every duration and rate the tools show; 0 for
// values a damaged header can produce (NaN, infinities, out of range).
int64_t RoundWhole(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= 0.0 && r < double(std::numeric_limits<int32_t>::max()))) return 0;
    return int64_t(r);
}

} // namespace

QString SizeCaption() {
    return Tr("Size :");
}
QString BitRateCaption() {
    return Tr("BitRate :");
}
QString SampleRateCaption() {
    return Tr("Sample Rate :");
}
QString DurationCaption() {
    return Tr("Duration :");
}

QString FormatMinSec(int64_t seconds) {
    return QString::asprintf("%dmin %dsec", int(seconds / 60), int(seconds % 60));
}

TSingleFileInfo LoadSingleFile(const QString& path) {
    TSingleFileInfo info;
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return info;
    info.HasReader = true;
    TAbstractAudioFile& reader = *af.Reader;

    TMetaTag meta;
    meta.FromFileTags(reader.Tags, TMetaTag::FamilyOf(WideExtractFileExt(path, true)));
    info.Fields.Artist = meta.Value(QStringLiteral("artist"));
    info.Fields.Title = meta.Value(QStringLiteral("title"));
    info.Fields.Album = meta.Value(QStringLiteral("album"));
    info.Fields.Year = meta.Value(QStringLiteral("year"));
    info.Fields.Genre = meta.Value(QStringLiteral("genre"));
    info.Fields.Track = meta.Value(QStringLiteral("track"));
    info.Fields.Comments = meta.Value(QStringLiteral("comments"));

    const int64_t size = reader.GetFileSize();
    info.SizeText =
        SizeCaption() + QLatin1Char(' ') + FormatByteSize(uint64_t(std::max<int64_t>(0, size)));
    info.BitRateText = BitRateCaption() +
                       QString::asprintf(" %d Kbps", int(RoundWhole(reader.GetBitrate() / 1000.0)));
    info.SampleRateText =
        SampleRateCaption() +
        QString::asprintf(" %d KHz", int(RoundWhole(reader.GetSampleRate() / 1000.0)));
    info.DurationText = DurationCaption() + QLatin1Char(' ') +
                        FormatMinSec(RoundWhole(reader.GetDuration() * 86400.0));
    info.TagKinds = reader.TagKinds;
    af.Close();
    return info;
}

TSingleWriteResult WriteSingleFile(const QString& path, const TSingleFileFields& f, int kinds) {
    if (FormatCodeOfName(path) == fcUnknown) return TSingleWriteResult::NoReader;
    const bool ok = WriteFileTags(path, f.Artist, kinds, f.Comments, f.Track, f.Genre, f.Year,
                                  f.Album, f.Title);
    return ok ? TSingleWriteResult::Written : TSingleWriteResult::Failed;
}

bool RemoveSingleFileTags(const QString& path, int kinds) {
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return false;
    const bool ok = af.Reader->RemoveTags(kinds);
    af.Close();
    return ok;
}

bool PlaySingleFile(const QString& commandLine, const QString& path, const TProcessStarter& start) {
    if (!start) return platform::RunPlayer(commandLine, path);
    QStringList args = platform::PlayerArguments(commandLine, path);
    if (args.isEmpty()) return false;
    const QString program = args.takeFirst();
    return start(program, args);
}

QString PlayFileMessage(const QString& commandLine, const QString& path,
                        const TProgramStarter& start, const TFileOpener& open) {
    if (path.isEmpty()) return Tr("There is no file to play: open a file first.");
    if (commandLine.trimmed().isEmpty()) {
        if (open && open(path)) return QString();
        return Tr("No player is set, and the desktop has no application that opens this file.\n"
                  "Choose a player on the Settings page (Playback).");
    }
    QStringList args = platform::PlayerArguments(commandLine, path);
    if (args.isEmpty()) return QString();
    const QString program = args.takeFirst();
    const QString why = start ? start(program, args) : platform::StartProgram(program, args);
    if (why.isEmpty()) return QString();
    return Tr("The player could not be started.\n\nCommand line: %1\nReason: %2")
        .arg(commandLine, why);
}

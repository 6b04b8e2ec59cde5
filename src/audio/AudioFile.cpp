#include "audio/AudioFile.h"

#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"

uint8_t FormatCodeOfName(const QString& name) {
    // The name's ending, letter case ignored (as "*.wav" and the like would match it).
    struct Rule {
        QLatin1StringView ending;
        uint8_t code;
    };
    static constexpr Rule rules[] = {
        {QLatin1StringView(".wav"), fcWave}, {QLatin1StringView(".mp1"), fcMpeg},
        {QLatin1StringView(".mp2"), fcMpeg}, {QLatin1StringView(".mp3"), fcMpeg},
        {QLatin1StringView(".wma"), fcWma},  {QLatin1StringView(".asf"), fcWma},
        {QLatin1StringView(".ogg"), fcOgg},  {QLatin1StringView(".ape"), fcApe},
        {QLatin1StringView(".ac3"), fcAc3},  {QLatin1StringView(".mpc"), fcMpc},
    };
    for (const Rule& r : rules)
        if (name.endsWith(r.ending, Qt::CaseInsensitive)) return r.code;
    return fcUnknown;
}

TAudioFile::TAudioFile() = default;

TAudioFile::~TAudioFile() {
    Close();
}

void TAudioFile::SetFileName(const QString& name) {
    if (IsOpen) return;
    FileName = name;
    FormatCode = FormatCodeOfName(name);
}

bool TAudioFile::Open() {
    if (IsOpen) return true;
    if (FormatCode == fcUnknown || FormatCode == fcNeverAssigned) return false;
    // A pipe named like audio would block a reader (and FFmpeg) for ever.
    if (!ScopedRegularFile(FileName) && !WideRegularFile(FileName) &&
        (WideFileExists(FileName) || WideDirectoryExists(FileName)))
        throw ESonvaleError(QStringLiteral("%1 is not a regular file").arg(FileName));
    std::unique_ptr<TAbstractAudioFile> reader = CreateReader(FormatCode, FileName);
    if (!reader) return false;
    Reader = std::move(reader);
    BuildChain();
    IsOpen = true;
    return true;
}

void TAudioFile::BuildChain() {
    Filter = std::make_unique<TRsmpFilter>(Reader.get(), OutChannels, OutRate);
    Compressor = std::make_unique<TCompressor>(Filter.get());
    Compressor->Enabled = Compress;
    Compressor->AutoBoost = true;
}

TAbstractAudioFile* TAudioFile::ChainEnd() const {
    if (Compressor) return Compressor.get();
    if (Filter) return Filter.get();
    return Reader.get();
}

double TAudioFile::GetDuration() {
    if (!Open()) return 0.0;
    return Reader->GetDuration();
}

bool TAudioFile::Close() {
    if (IsOpen) {
        Compressor.reset();
        Filter.reset();
        Reader.reset();
        IsOpen = false;
    }
    return true;
}

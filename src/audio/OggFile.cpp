#include "audio/OggFile.h"

#include "audio/TagWriter.h"
#include "io/SonvaleError.h"
#include "tags/FieldList.h"
#include "tags/OggApi.h"
#include "tags/VorbisSummary.h"

#include <QSet>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

QString NotOggMessage(const QString& fileName) {
    return QStringLiteral("\"%1\" is not a Ogg bitstream").arg(fileName);
}

} // namespace

TOggFile::TOggFile(const QString& fileName) : TAbstractAudioFile(fileName), Ogg(&OggApi()) {
    Stream = new TWFileStream(fileName, fmOpenRead | fmShareDenyNone);
    TagKinds = tkVorbis;
    // A plain file is described from its first pages and its last one; the library (which
    // unpacks every codebook to open a file) is opened when the audio is first wanted.
    TVorbisSummary summary;
    if (ReadVorbisSummary(*Stream, summary)) {
        Channels = summary.Channels;
        Rate = summary.Rate;
        BitrateNominal = summary.BitrateNominal;
        PcmTotal = summary.PcmTotal;
        for (const QByteArray& comment : summary.Comments)
            Tags.append(comment.isEmpty() ? QString() : QString::fromUtf8(comment));
        return;
    }
    if (!OpenDecoder()) {
        if (Stream) { // the library leaves the data source open when it refuses it
            delete Stream;
            Stream = nullptr;
        }
        throw ESonvaleError(NotOggMessage(fileName));
    }
    const vorbis_info* info = Ogg->ov_info(&VorbisFile, -1);
    PcmTotal = std::max<ogg_int64_t>(Ogg->ov_pcm_total(&VorbisFile, -1), 0);
    if (!info || info->channels <= 0 || info->rate <= 0) {
        Ogg->ov_clear(&VorbisFile);
        opened = false;
        throw ESonvaleError(NotOggMessage(fileName));
    }
    Channels = info->channels;
    Rate = info->rate;
    BitrateNominal = info->bitrate_nominal;

    // The comment header the library has parsed already: the first link's, of the first
    // Vorbis stream, as the tag writer reads it.
    if (const vorbis_comment* vc = Ogg->ov_comment(&VorbisFile, 0)) {
        for (int i = 0; i < vc->comments; ++i) {
            const char* text = vc->user_comments[i];
            const int length = vc->comment_lengths ? vc->comment_lengths[i] : 0;
            Tags.append(text && length > 0 ? QString::fromUtf8(text, length) : QString());
        }
    }
}

bool TOggFile::OpenDecoder() {
    if (decoderFailed || !Stream) return false;
    if (opened) return true;
    ov_callbacks callbacks{&ReadCallback, &SeekCallback, &CloseCallback, &TellCallback};
    Stream->Seek(0, TSeekOrigin::soBeginning);
    if (Ogg->ov_open_callbacks(this, &VorbisFile, nullptr, 0, callbacks) < 0) {
        decoderFailed = true;
        return false;
    }
    opened = true;
    return true;
}

TOggFile::~TOggFile() {
    if (opened) Ogg->ov_clear(&VorbisFile);
    delete Stream; // only when the library never took it
}

size_t TOggFile::ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    auto* self = static_cast<TOggFile*>(source);
    if (!self->Stream || size == 0 || count == 0) return 0;
    if (count > std::numeric_limits<size_t>::max() / size)
        count = std::numeric_limits<size_t>::max() / size;
    int64_t want =
        int64_t(std::min<size_t>(size * count, size_t(std::numeric_limits<int32_t>::max())));
    int64_t got = self->Stream->Read(ptr, want);
    return size_t(got) / size;
}

int TOggFile::SeekCallback(void* source, ogg_int64_t offset, int origin) {
    auto* self = static_cast<TOggFile*>(source);
    if (!self->Stream) return -1;
    int64_t base;
    switch (origin) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = self->Stream->Position();
        break;
    case SEEK_END:
        base = self->Stream->GetSize();
        break;
    default:
        // "Bad file origin": an exception must not cross the C library.
        return -1;
    }
    int64_t target = base + offset;
    if (target < 0) return -1;
    // The library wants 0 for success; a position returned as an int would
    // be cut in files beyond 2 GiB.
    return self->Stream->Seek(target, TSeekOrigin::soBeginning) == target ? 0 : -1;
}

int TOggFile::CloseCallback(void* source) {
    auto* self = static_cast<TOggFile*>(source);
    delete self->Stream;
    self->Stream = nullptr;
    return 0;
}

long TOggFile::TellCallback(void* source) {
    auto* self = static_cast<TOggFile*>(source);
    return self->Stream ? long(self->Stream->Position()) : -1;
}

int32_t TOggFile::GetBitrate() {
    // The header's fields are 32-bit unsigned, ours signed.
    return int32_t(std::clamp<int64_t>(BitrateNominal, 0, INT32_MAX));
}

int32_t TOggFile::GetChannels() {
    return Channels;
}

int64_t TOggFile::GetFileSize() {
    return Stream ? Stream->GetSize() : 0;
}

int64_t TOggFile::GetPosition() {
    if (!opened) return 0; // nothing decoded yet
    ogg_int64_t samples = Ogg->ov_pcm_tell(&VorbisFile);
    return samples > 0 ? int64_t(samples) * 2 * Channels : 0;
}

int64_t TOggFile::GetPcmSize() {
    return PcmTotal * 2 * Channels;
}

int32_t TOggFile::GetSampleRate() {
    return int32_t(std::min<int64_t>(Rate, INT32_MAX));
}

int32_t TOggFile::GetBitsPerSample() {
    return 16;
}

uint8_t TOggFile::GetFormatCode() {
    return fcOgg;
}

void TOggFile::Seek(int64_t position) {
    if (position < 0 || !OpenDecoder()) return;
    int r = Ogg->ov_pcm_seek(&VorbisFile, position / (int64_t(Channels) * 2));
    if (r < 0 && r != OV_EINVAL) decoderFailed = true; // OV_EINVAL: past the end
}

bool TOggFile::IsSource() {
    return true;
}

bool TOggFile::Read(void* buffer, int& count) {
    auto* out = static_cast<char*>(buffer);
    const int wanted = std::max(count, 0);
    int delivered = 0;
    while (delivered < wanted && OpenDecoder()) {
        long r = Ogg->ov_read(&VorbisFile, out + delivered, wanted - delivered, 0, 2, 1,
                              &CurrentSection);
        // The end, a gap (the next Read goes on behind it), or less room
        // left than one sample frame.
        if (r == 0 || r == OV_HOLE || r == OV_EINVAL) break;
        if (r < 0) {
            decoderFailed = true;
            break;
        }
        delivered += int(r);
    }
    if (delivered < wanted) std::memset(out + delivered, 0, size_t(wanted - delivered));
    count = delivered;
    return delivered > 0;
}

bool TOggFile::ChangeTags(const TTagChange& change) {
    if (!((change.Remove | change.Write) & tkVorbis)) return true;
    TTagChange merged = change;
    if (!merged.Compose) {
        merged.Compose = [fields = change.Fields](int, const QStringList* present) {
            // The names of the common fields in Vorbis comments: Fields alone
            // decides them, so a field the caller left out is gone from the file.
            static const QSet<QString> common{
                QStringLiteral("comment"), QStringLiteral("artist"), QStringLiteral("album"),
                QStringLiteral("title"),   QStringLiteral("date"),   QStringLiteral("tracknumber"),
                QStringLiteral("genre")};
            QStringList comments;
            QSet<QString> names = common;
            for (const QString& line : fields) {
                if (line.isEmpty()) continue;
                comments.append(line);
                names.insert(FieldName(line).toCaseFolded());
            }
            if (present)
                for (const QString& line : *present)
                    if (!names.contains(FieldName(line).toCaseFolded())) comments.append(line);
            return comments;
        };
    }
    try {
        if (!ChangeVorbisComments(FileName, merged)) return false;
    } catch (const EFOpenError&) {
        return false;
    }
    if (change.Write & tkVorbis) TagKinds |= tkVorbis;
    return true;
}

#include "audio/RsmpFilter.h"

#include <algorithm>
#include <cassert>
#include <cstring>

TRsmpFilter::TRsmpFilter(TAbstractAudioFile* source, int32_t outChannels, int32_t outRate)
    : TAbstractAudioFile(source->FileName), Source(source), OutRate(outRate),
      OutChannels(outChannels) {
    SrcChannels = source->GetChannels();
    SrcBits = source->GetBitsPerSample();
    // The chain always delivers 16-bit samples: 8-bit is widened, 24- and
    // 32-bit are narrowed; anything else is taken as 16-bit.
    SrcBytes = (SrcBits == 8 || SrcBits == 24 || SrcBits == 32) ? SrcBits / 8 : 2;
    const int32_t srcRate = source->GetSampleRate();
    SrcRate = srcRate;
    // A damaged source with no rate or no channels cannot be converted;
    // it is read as it is.
    // Rates far apart or absurd channel counts (damaged headers) are not
    // resampled: the tables and buffers would grow without bound. Down to
    // 1/512 covers any output rate asked for over the usual source rates.
    const double factor = srcRate > 0 ? double(OutRate) / srcRate : 0.0;
    Resample = srcRate > 0 && OutRate > 0 && OutRate != srcRate && SrcChannels > 0 &&
               SrcChannels <= 64 && factor >= 1.0 / 512 && factor <= 64;
    Rechannel = OutChannels > 0 && SrcChannels > 0 && OutChannels != SrcChannels;
    UpMix = OutChannels == 2;
    if (Resample) {
        Resampler = std::make_unique<TResampler>(false, false, false);
        Resampler->Setup(SrcChannels, factor);
        InSize = 4096;
        OutSize = Resampler->OutputCapacity(4096);
        // Whole frames on both sides, at least one of each.
        const int frame = SrcChannels * 2;
        OutSize = std::max(OutSize - OutSize % frame, frame);
        InBuf.assign(InSize * 2 + 32 + frame, 0);
        OutBuf.assign(OutSize + 16, 0);
    }
}

TRsmpFilter::~TRsmpFilter() = default;

int32_t TRsmpFilter::GetBitrate() {
    return Source->GetBitrate();
}
int32_t TRsmpFilter::GetChannels() {
    return Rechannel || SrcChannels <= 0 || OutChannels == SrcChannels ? OutChannels : SrcChannels;
}
int64_t TRsmpFilter::GetFileSize() {
    return Source->GetFileSize();
}
int32_t TRsmpFilter::GetSampleRate() {
    // When the rate could not be converted, the source's rate is what comes out.
    return Resample || SrcRate <= 0 ? OutRate : SrcRate;
}
int32_t TRsmpFilter::GetBitsPerSample() {
    return OutBits;
}
uint8_t TRsmpFilter::GetFormatCode() {
    return Source->GetFormatCode();
}
bool TRsmpFilter::IsSource() {
    return true;
}

int64_t TRsmpFilter::ToOutput(int64_t sourceBytes) {
    int64_t v = std::max<int64_t>(sourceBytes, 0);
    if (SrcBytes != 2) v = v / SrcBytes * 2;
    // Whole frames, so that positions stay sample-aligned.
    if (Resample) v = int64_t(double(v / (SrcChannels * 2)) * Resampler->Factor) * SrcChannels * 2;
    if (Rechannel) v = v / (SrcChannels * 2) * OutChannels * 2;
    return v;
}

int64_t TRsmpFilter::GetPosition() {
    return ToOutput(Source->GetPosition());
}
int64_t TRsmpFilter::GetPcmSize() {
    return ToOutput(Source->GetPcmSize());
}

void TRsmpFilter::Seek(int64_t position) {
    int64_t v = std::max<int64_t>(position, 0);
    if (Rechannel) v = v / (OutChannels * 2) * SrcChannels * 2;
    if (Resample) v = int64_t(double(v / (SrcChannels * 2)) / Resampler->Factor) * SrcChannels * 2;
    if (SrcBytes != 2) v = v / 2 * SrcBytes;
    Source->Seek(v);
    if (Resample) {
        // The stream restarts at the new position.
        Resampler->Setup(SrcChannels, Resampler->Factor);
        InFill = OutPending = OutPos = 0;
    }
    SourceEnded = Flushed = false;
}

bool TRsmpFilter::FillFromSource(char* buffer, int& count) {
    // A source may hand out less than asked (a decoder's frame at a time);
    // keep asking so that a short read never splits a sample or a frame.
    const int want = std::max(count, 0);
    int got = 0;
    bool ok = true;
    while (got < want) {
        int n = want - got;
        ok = Source->Read(buffer + got, n);
        n = std::clamp(n, 0, want - got);
        got += n;
        if (!ok || n == 0) {
            ok = false;
            break;
        }
    }
    count = got;
    return ok || got > 0;
}

bool TRsmpFilter::ReadSource(char* buffer, int& count) {
    if (SrcBytes == 2) return FillFromSource(buffer, count);
    const int samples = std::max(count, 0) / 2;
    int n = samples * SrcBytes;
    Wide.resize(std::max(n, 1));
    bool ok = FillFromSource(Wide.data(), n);
    const int got = std::clamp(n, 0, samples * SrcBytes) / SrcBytes;
    auto* out = reinterpret_cast<int16_t*>(buffer);
    for (int i = 0; i < got; ++i) {
        const auto* b = reinterpret_cast<const uint8_t*>(Wide.data()) + i * SrcBytes;
        // 8-bit is unsigned; wider samples keep their two most significant bytes.
        int16_t s = SrcBytes == 1 ? int16_t(int(b[0]) * 256 - 32768)
                                  : int16_t(uint16_t(b[SrcBytes - 2] | (b[SrcBytes - 1] << 8)));
        std::memcpy(out + i, &s, 2);
    }
    count = got * 2;
    return ok && got > 0;
}

bool TRsmpFilter::ReadRate(char* buffer, int& count) {
    if (!Resample) return ReadSource(buffer, count);
    const int frame = SrcChannels * 2;
    const int want = count - count % frame;
    int done = 0;
    while (done < want) {
        if (OutPending > 0) {
            int n = std::min(OutPending, want - done);
            std::memcpy(buffer + done, OutBuf.data() + OutPos, n);
            OutPos += n;
            OutPending -= n;
            done += n;
            continue;
        }
        OutPos = 0;
        if (!SourceEnded && InFill < InSize) {
            int n = InSize - InFill;
            bool ok = ReadSource(InBuf.data() + InFill, n);
            n = std::clamp(n, 0, InSize - InFill);
            InFill += n;
            if (!ok || n == 0) SourceEnded = true;
        }
        const int before = InFill;
        int inFrames = InFill / frame;
        int outFrames = OutSize / frame;
        auto* out = reinterpret_cast<int16_t*>(OutBuf.data());
        if (inFrames > 0) {
            [[maybe_unused]] const int offered = inFrames;
            Resampler->Resample(inFrames, outFrames, out,
                                reinterpret_cast<const int16_t*>(InBuf.data()));
            assert(inFrames <= offered);
            const int used = inFrames * frame;
            std::memmove(InBuf.data(), InBuf.data() + used, InFill - used);
            InFill -= used;
        } else if (SourceEnded && !Flushed) {
            Resampler->Flush(outFrames, out);
            if (outFrames == 0) Flushed = true;
        } else {
            outFrames = 0;
        }
        OutPending = outFrames * frame;
        if (OutPending == 0 && InFill == before && !SourceEnded) break; // no progress
        if (OutPending == 0 && SourceEnded && (Flushed || InFill < frame)) {
            if (InFill < frame) {
                // A partial frame at the end can never be used.
                InFill = 0;
                if (!Flushed) continue;
            }
            break;
        }
    }
    count = done;
    return done > 0;
}

int TRsmpFilter::ReadMixed(char* out, int frames) {
    const int outFrame = OutChannels * 2, inFrame = SrcChannels * 2;
    int n = frames * inFrame;
    Mix.resize(std::max(n, 2));
    ReadRate(Mix.data(), n);
    const int got = std::clamp(n, 0, frames * inFrame) / inFrame;
    const auto* in = reinterpret_cast<const int16_t*>(Mix.data());
    for (int f = 0; f < got; ++f) {
        const int16_t* s = in + f * SrcChannels;
        int16_t* dst = reinterpret_cast<int16_t*>(out + f * outFrame);
        if (OutChannels == 1 && SrcChannels >= 2) {
            // Each half truncates toward zero, so the sum cannot overflow.
            const int16_t v = int16_t(s[0] / 2 + s[1] / 2);
            std::memcpy(dst, &v, 2);
        } else {
            for (int c = 0; c < OutChannels; ++c) {
                const int16_t v = s[std::min(c, SrcChannels - 1)];
                std::memcpy(dst + c, &v, 2);
            }
        }
    }
    return got;
}

bool TRsmpFilter::Read(void* buffer, int& count) {
    // Pass-through: exactly what the source delivers.
    if (!Rechannel && !Resample && SrcBytes == 2) return Source->Read(buffer, count);
    char* out = static_cast<char*>(buffer);
    const int asked = std::max(count, 0);
    int done = 0;
    // Converted in bounded steps: the channel count of a damaged header must
    // not size the buffers, nor overflow a byte count.
    constexpr int kStepBytes = 1 << 16;
    if (Rechannel) {
        const int outFrame = OutChannels * 2;
        const int step = std::max(1, kStepBytes / (SrcChannels * 2));
        while (asked - done >= outFrame) {
            const int frames = std::min((asked - done) / outFrame, step);
            const int got = ReadMixed(out + done, frames);
            done += got * outFrame;
            if (got < frames) break;
        }
    } else {
        const int frame = Resample ? SrcChannels * 2 : 2;
        const int step = kStepBytes - kStepBytes % frame;
        while (asked - done >= frame) {
            const int want = std::min(asked - done, step);
            int n = want - want % frame;
            const int expect = n;
            ReadRate(out + done, n);
            n = std::clamp(n, 0, expect);
            done += n;
            if (n < expect) break;
        }
    }
    // At the end the rest of the caller's buffer is silence.
    if (done < asked) std::memset(out + done, 0, asked - done);
    count = done;
    return done > 0;
}

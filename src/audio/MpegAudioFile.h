#pragma once

#include "audio/AbstractAudioFile.h"
#include "mpeg/FrameLoader.h"

#include <memory>
#include <vector>

class TMpDec;

// What a Xing/Info or VBRI header in the first frame tells about the stream.
struct TVbrHeader {
    enum Kind { vkNone = 0, vkXing, vkInfo, vkVbri };
    Kind Type = vkNone;
    uint32_t Frames = 0; // audio frames, the header's own frame not counted
    uint32_t Bytes = 0;  // stream bytes (0 when not given)
    bool Present() const { return Type != vkNone; }

    // Looks for the header inside the raw bytes of a first frame.
    static TVbrHeader Parse(const TMpegHeader& header, const uint8_t* frame, int size);
};

// A quick duration from the first frames, used until the whole file is scanned.
// It counts every frame instead when the first frames are all there are, or when
// the end of the audio holds no frames (bytes then say nothing about time).
class TFastMp3size {
public:
    // audioEnd: where the trailing tags start, or -1 (the end of the file).
    // Without countAll, frames are not counted: GetDuration gives 0 and sets
    // MustCount instead (for a caller that counts them anyway).
    explicit TFastMp3size(const QString& fileName, int64_t audioEnd = -1, bool countAll = true);
    ~TFastMp3size();
    double GetDuration(); // days; 0 when there is no frame
    bool MustCount = false;

private:
    std::unique_ptr<TFrameStream> stream;
    TMpegHeader header;
    int64_t AudioBytes = 0;
    double CachedDuration = 0;
    bool countAll = true;
};

// Reader for MPEG audio files (layers I, II and III; mp1, mp2, mp3).
class TMpegAudioFile : public TAbstractAudioFile {
public:
    // Raises "Invalid MPEG file <name>" or "Unable to open the MPEG decoder".
    explicit TMpegAudioFile(const QString& fileName);
    ~TMpegAudioFile() override;

    int32_t GetBitrate() override;
    int32_t GetChannels() override;
    int64_t GetFileSize() override;
    int64_t GetPosition() override;
    int64_t GetPcmSize() override;
    int32_t GetSampleRate() override;
    int32_t GetBitsPerSample() override;
    uint8_t GetFormatCode() override;
    void Seek(int64_t position) override;
    double GetDuration() override;
    bool IsSource() override;
    bool Read(void* buffer, int& count) override;

    std::unique_ptr<TFrameLoader> Loader;
    std::unique_ptr<TMpDec> Decoder;
    std::vector<uint8_t> FrameBuffer;
    int32_t FrameBytes = 0;
    int32_t Pending = 0;
    int64_t PcmPosition = 0;
    TVbrHeader Vbr;

private:
    // Table index of the first frame that holds audio (1 behind a VBR header).
    int FirstAudioFrame() const { return Vbr.Present() ? 1 : 0; }
    void DecodeCurrentInto(void* dst);

    int64_t fileSize = 0;
    int64_t audioEnd = -1; // where the trailing tags start, -1 for none
    double estimate = -1;  // cached quick duration, days
    bool endReached = false;
};

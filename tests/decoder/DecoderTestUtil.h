#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace dectest {

std::string CorpusPath(const std::string& relative);
bool FileExists(const std::string& path);
std::vector<uint8_t> ReadAll(const std::string& path);
std::vector<int16_t> ReadPcm16(const std::string& path);

struct TDecoded {
    std::vector<int16_t> Pcm;
    std::vector<int> FrameChannels; // channel count of each frame's header
    std::vector<int> FrameValues;   // values written for each frame
    int Frames = 0;
    int SampleRate = 0;
    int Channels = 0;
    int Layer = 0;
    QString LastError;
};

// Decodes a whole file through the frame loader and the decoder front. With
// perFrameChannels each frame is written with its own channel count (as the ISO
// references keep them); otherwise with the first frame's.
TDecoded DecodeFile(const std::string& path, bool perFrameChannels = false);

struct TDiff {
    double RmsLsb = 0;
    int MaxLsb = 0;
    size_t Compared = 0;
};
TDiff Compare(const int16_t* a, const int16_t* b, size_t count);

// Writes a test signal encoded by ffmpeg (libmp3lame or mp2) without a VBR info frame.
// codec: "libmp3lame" or "mp2"; jointStereo only matters for MP3.
bool EncodeTestFile(const std::string& path, const std::string& codec, int rate, int channels,
                    int kbps, double seconds, bool jointStereo);
bool HaveFfmpeg();
std::string TempDir();

} // namespace dectest

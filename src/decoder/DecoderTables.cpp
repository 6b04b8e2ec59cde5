#include "decoder/DecoderTables.h"

#include <cmath>

namespace mpdec {

const TSfBands kSfBands[9] = {
    // MPEG-1: 44.1, 48, 32 kHz
    {{0,  4,  8,   12,  16,  20,  24,  30,  36,  44,  52, 62,
      74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
     {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192}},
    {{0,  4,  8,   12,  16,  20,  24,  30,  36,  42,  50, 60,
      72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
     {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192}},
    {{0,  4,   8,   12,  16,  20,  24,  30,  36,  44,  54, 66,
      82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
     {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192}},
    // MPEG-2: 22.05, 24, 16 kHz
    {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
      116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192}},
    {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
      114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192}},
    {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
      116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    // MPEG-2.5: 11.025, 12, 8 kHz
    {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
      116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    {{0,   6,   12,  18,  24,  30,  36,  44,  54,  66,  80, 96,
      116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    {{0,   12,  24,  36,  48,  60,  72,  88,  108, 132, 160, 192,
      232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
     {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192}},
};

const uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

// MPEG-2 scale-factor partitions: [table][long, short, mixed][partition]
const uint8_t kLsfSfbCount[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

const TQuantClass kQuantClasses[17] = {
    {3, 5, true},       {5, 7, true},      {7, 3, false},      {9, 10, true},
    {15, 4, false},     {31, 5, false},    {63, 6, false},     {127, 7, false},
    {255, 8, false},    {511, 9, false},   {1023, 10, false},  {2047, 11, false},
    {4095, 12, false},  {8191, 13, false}, {16383, 14, false}, {32767, 15, false},
    {65535, 16, false},
};

namespace {

// Class rows by allocation code 1..15 (index code - 1).
const int8_t kRowA[15] = {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const int8_t kRowB[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16};
const int8_t kRowC[7] = {0, 1, 2, 3, 4, 5, 16};
const int8_t kRowD[3] = {0, 1, 16};
const int8_t kRowE[15] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
const int8_t kRowF[7] = {0, 1, 3, 4, 5, 6, 7};
const int8_t kRowG[15] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
const int8_t kRowI[3] = {0, 1, 3};

const uint8_t kNBalAB[30] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3,
                             3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2};
const int8_t* const kRowsAB[30] = {kRowA, kRowA, kRowA, kRowB, kRowB, kRowB, kRowB, kRowB,
                                   kRowB, kRowB, kRowB, kRowC, kRowC, kRowC, kRowC, kRowC,
                                   kRowC, kRowC, kRowC, kRowC, kRowC, kRowC, kRowC, kRowD,
                                   kRowD, kRowD, kRowD, kRowD, kRowD, kRowD};
const uint8_t kNBalCD[12] = {4, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};
const int8_t* const kRowsCD[12] = {kRowE, kRowE, kRowF, kRowF, kRowF, kRowF,
                                   kRowF, kRowF, kRowF, kRowF, kRowF, kRowF};
const uint8_t kNBalLsf[30] = {4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2,
                              2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
const int8_t* const kRowsLsf[30] = {kRowG, kRowG, kRowG, kRowG, kRowF, kRowF, kRowF, kRowF,
                                    kRowF, kRowF, kRowF, kRowI, kRowI, kRowI, kRowI, kRowI,
                                    kRowI, kRowI, kRowI, kRowI, kRowI, kRowI, kRowI, kRowI,
                                    kRowI, kRowI, kRowI, kRowI, kRowI, kRowI};

const TAllocTable kTableA = {27, kNBalAB, kRowsAB};
const TAllocTable kTableB = {30, kNBalAB, kRowsAB};
const TAllocTable kTableC = {8, kNBalCD, kRowsCD};
const TAllocTable kTableD = {12, kNBalCD, kRowsCD};
const TAllocTable kTableLsf = {30, kNBalLsf, kRowsLsf};

} // namespace

const TAllocTable& AllocTableFor(bool lsf, int sampleRate, int bitrateKbps, int channels) {
    if (lsf) return kTableLsf;
    int perChannel = channels > 1 ? bitrateKbps / 2 : bitrateKbps;
    if (perChannel > 0 && perChannel <= 48) return sampleRate == 32000 ? kTableD : kTableC;
    if (sampleRate != 48000 && perChannel >= 96) return kTableB;
    return kTableA;
}

const float* ScaleFactors() {
    // Built by the first layer I or II frame, not at start-up.
    static const struct TScaleInit {
        float Values[64];
        TScaleInit() {
            for (int i = 0; i < 63; ++i)
                Values[i] = float(std::pow(2.0, 1.0 - i / 3.0));
            Values[63] = 0.0f;
        }
    } table;
    return table.Values;
}

bool TFrameInfo::Parse(uint32_t word) {
    static const int kBitrates[2][3][16] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    static const int kRates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    Word = word;
    Layer = 0;
    if ((word & 0xFFE00000u) != 0xFFE00000u) return false;
    int layerBits = (word >> 17) & 3;
    if (layerBits == 0) return false;
    bool version1 = (word >> 19) & 1;
    Mpeg25 = ((word >> 20) & 1) == 0;
    if (Mpeg25 && version1) return false; // reserved version
    Lsf = !version1;
    BitrateIndex = (word >> 12) & 15;
    SampleRateIndex = (word >> 10) & 3;
    if (SampleRateIndex == 3 || BitrateIndex == 15) return false;
    Layer = 4 - layerBits;
    Protected = ((word >> 16) & 1) == 0;
    Padding = (word >> 9) & 1;
    Mode = (word >> 6) & 3;
    ModeExt = (word >> 4) & 3;
    Channels = Mode == 3 ? 1 : 2;
    int row = Mpeg25 ? 2 : (Lsf ? 1 : 0);
    SampleRate = kRates[row][SampleRateIndex];
    SfreqIndex = row * 3 + SampleRateIndex;
    BitrateKbps = kBitrates[Lsf ? 1 : 0][Layer - 1][BitrateIndex];
    return true;
}

int TFrameInfo::SamplesPerFrame() const {
    if (Layer == 1) return 384;
    if (Layer == 2) return 1152;
    return Lsf ? 576 : 1152;
}

} // namespace mpdec

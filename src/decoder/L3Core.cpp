// The filter banks are written as plain loops and explicit vectors; O3 unrolls and inlines them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "decoder/L3Core.h"

#include "decoder/SimdLevel.h"
#include "decoder/SimdOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace mpdec {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kLeaf = 0x80000000u;

// Two-level lookup decoder built from a code book: the first level is indexed by the next
// FirstBits bits; longer codes go through one sub-table sized for the longest code behind
// that prefix. Leaves hold the total code length and the value.
struct THuffDecoder {
    std::vector<uint32_t> Table;
    int FirstBits = 0;

    void Build(const uint16_t* codes, const uint8_t* lengths, const uint8_t* values, int count) {
        int maxLen = 0;
        for (int i = 0; i < count; ++i)
            maxLen = std::max(maxLen, int(lengths[i]));
        FirstBits = std::min(maxLen, 8);
        Table.assign(size_t(1) << FirstBits, 0);
        // sub-table width per first-level prefix
        std::vector<int> subBits(size_t(1) << FirstBits, 0);
        for (int i = 0; i < count; ++i) {
            int len = lengths[i];
            if (len > FirstBits) {
                int prefix = codes[i] >> (len - FirstBits);
                subBits[prefix] = std::max(subBits[prefix], len - FirstBits);
            }
        }
        for (size_t p = 0; p < subBits.size(); ++p) {
            if (!subBits[p]) continue;
            uint32_t offset = uint32_t(Table.size());
            Table.resize(Table.size() + (size_t(1) << subBits[p]), 0);
            Table[p] = (uint32_t(subBits[p]) << 24) | offset;
        }
        for (int i = 0; i < count; ++i) {
            int len = lengths[i];
            uint32_t leaf = kLeaf | (uint32_t(len) << 16) | values[i];
            if (len <= FirstBits) {
                int first = codes[i] << (FirstBits - len);
                for (int k = 0; k < (1 << (FirstBits - len)); ++k)
                    Table[first + k] = leaf;
            } else {
                int rest = len - FirstBits;
                int prefix = codes[i] >> rest;
                uint32_t node = Table[prefix];
                int sb = int(node >> 24);
                uint32_t base = node & 0xFFFFFF;
                int low = (codes[i] & ((1 << rest) - 1)) << (sb - rest);
                for (int k = 0; k < (1 << (sb - rest)); ++k)
                    Table[base + low + k] = leaf;
            }
        }
    }

    // Returns the leaf (0 when the bits match no code) without consuming bits.
    uint32_t Lookup(uint32_t bits) const {
        uint32_t e = Table[bits >> (32 - FirstBits)];
        if (e & kLeaf) return e;
        int sb = int(e >> 24);
        if (sb == 0) return 0;
        return Table[(e & 0xFFFFFF) + ((bits << FirstBits) >> (32 - sb))];
    }
};

struct TL3Tables {
    THuffDecoder Pairs[32];
    THuffDecoder QuadA;
    float Pow43[8207 + 1];
    float Gain[512]; // 2^(q / 4) for q = index - 400
    // The 36-point IMDCT has 18 distinct outputs: y[9..26] (y[17-i] = -y[i] and
    // y[53-i] = y[i] give the rest). ImdctHalf[k][j] = cos(pi/72 (2(9+j)+19)(2k+1)).
    alignas(16) float ImdctHalf[18][20];
    alignas(32) float ImdctSplat[18][18][8]; // ImdctHalf[k][j] in every lane
    float LongWindow[4][36];                 // by block type (2 unused)
    float ImdctShort[6][12];
    float AliasCs[8], AliasCa[8];
    float IsRatioL[7], IsRatioR[7];
    float LsfIs[2][32]; // io^k for the two intensity scales

    TL3Tables() {
        uint8_t values[256];
        for (int t = 0; t < 32; ++t) {
            const THuffSource& src = kHuffSources[t];
            if (!src.Codes) continue;
            bool shared = (t > 16 && t < 24) || t > 24;
            if (shared) continue;
            for (int i = 0; i < src.Size * src.Size; ++i)
                values[i] = uint8_t(((i / src.Size) << 4) | (i % src.Size));
            Pairs[t].Build(src.Codes, src.Lengths, values, src.Size * src.Size);
        }
        for (int t = 17; t < 24; ++t)
            Pairs[t] = Pairs[16];
        for (int t = 25; t < 32; ++t)
            Pairs[t] = Pairs[24];

        static const uint16_t quadCodes[16] = {1, 5, 4, 5, 6, 5, 4, 4, 7, 3, 6, 0, 7, 2, 3, 1};
        static const uint8_t quadLens[16] = {1, 4, 4, 5, 4, 6, 5, 6, 4, 5, 5, 6, 5, 6, 6, 6};
        for (int i = 0; i < 16; ++i)
            values[i] = uint8_t(i);
        QuadA.Build(quadCodes, quadLens, values, 16);

        for (int i = 0; i <= 8207; ++i)
            Pow43[i] = float(std::pow(double(i), 4.0 / 3.0));
        for (int i = 0; i < 512; ++i)
            Gain[i] = float(std::pow(2.0, (i - 400) / 4.0));

        for (int bt = 0; bt < 4; ++bt) {
            double win[36];
            for (int i = 0; i < 36; ++i)
                win[i] = std::sin(kPi / 36 * (i + 0.5));
            if (bt == 1) {
                for (int i = 18; i < 24; ++i)
                    win[i] = 1.0;
                for (int i = 24; i < 30; ++i)
                    win[i] = std::sin(kPi / 12 * (i - 18 + 0.5));
                for (int i = 30; i < 36; ++i)
                    win[i] = 0.0;
            } else if (bt == 3) {
                for (int i = 0; i < 6; ++i)
                    win[i] = 0.0;
                for (int i = 6; i < 12; ++i)
                    win[i] = std::sin(kPi / 12 * (i - 6 + 0.5));
                for (int i = 12; i < 18; ++i)
                    win[i] = 1.0;
            }
            for (int i = 0; i < 36; ++i)
                LongWindow[bt][i] = float(win[i]);
        }
        for (int k = 0; k < 18; ++k) {
            for (int j = 0; j < 18; ++j)
                ImdctHalf[k][j] = float(std::cos(kPi / 72 * (2 * (9 + j) + 19) * (2 * k + 1)));
            ImdctHalf[k][18] = ImdctHalf[k][19] = 0.0f;
            for (int j = 0; j < 18; ++j)
                for (int l = 0; l < 8; ++l)
                    ImdctSplat[k][j][l] = ImdctHalf[k][j];
        }
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 12; ++i)
                ImdctShort[k][i] = float(std::sin(kPi / 12 * (i + 0.5)) *
                                         std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1)));

        static const double ci[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
        for (int i = 0; i < 8; ++i) {
            double sq = std::sqrt(1.0 + ci[i] * ci[i]);
            AliasCs[i] = float(1.0 / sq);
            AliasCa[i] = float(ci[i] / sq);
        }
        for (int p = 0; p < 7; ++p) {
            if (p == 6) {
                IsRatioL[p] = 1.0f;
                IsRatioR[p] = 0.0f;
                continue;
            }
            double r = std::tan(p * kPi / 12);
            IsRatioL[p] = float(r / (1 + r));
            IsRatioR[p] = float(1 / (1 + r));
        }
        for (int s = 0; s < 2; ++s) {
            double io = s ? std::pow(2.0, -0.5) : std::pow(2.0, -0.25);
            for (int k = 0; k < 32; ++k)
                LsfIs[s][k] = float(std::pow(io, k));
        }
    }
};

const TL3Tables& Tables() {
    static const TL3Tables tables;
    return tables;
}

const int kSlen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
const int kSlen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};

} // namespace

// The tables are built by the first frame decoded, not here: a reader that only
// reports a file's properties opens a decoder without decoding.
TL3Core::TL3Core() {
    Reset();
}

void TL3Core::Reset() {
    std::memset(Overlap, 0, sizeof(Overlap));
    std::memset(Scf, 0, sizeof(Scf));
    std::memset(Spec, 0, sizeof(Spec));
    std::memset(Reservoir, 0, sizeof(Reservoir));
    ResFill = 0;
    Synth.Reset();
}

void TL3Core::SetError(const char* fmt, int frameIndex) {
    Error = QString::asprintf(fmt, frameIndex);
}

bool TL3Core::ReadSideInfo(TBitReader& br, const TFrameInfo& info) {
    const int nch = info.Channels;
    const TSfBands& bands = kSfBands[info.SfreqIndex];
    if (!info.Lsf) {
        MainDataBegin = int(br.Get(9));
        br.Skip(nch == 1 ? 5 : 3);
        for (int ch = 0; ch < nch; ++ch)
            for (int i = 0; i < 4; ++i)
                Scfsi[ch][i] = br.Get1();
    } else {
        MainDataBegin = int(br.Get(8));
        br.Skip(nch == 1 ? 1 : 2);
        std::memset(Scfsi, 0, sizeof(Scfsi));
    }
    const int ngr = info.Lsf ? 1 : 2;
    for (int gr = 0; gr < ngr; ++gr)
        for (int ch = 0; ch < nch; ++ch) {
            TGranule& g = Gr[gr][ch];
            g.Part23Length = int(br.Get(12));
            g.BigValues = int(br.Get(9));
            g.GlobalGain = int(br.Get(8));
            g.ScfCompress = int(br.Get(info.Lsf ? 9 : 4));
            g.WindowSwitching = br.Get1();
            if (g.WindowSwitching) {
                g.BlockType = int(br.Get(2));
                g.Mixed = br.Get1();
                g.TableSelect[0] = int(br.Get(5));
                g.TableSelect[1] = int(br.Get(5));
                g.TableSelect[2] = 0;
                for (int w = 0; w < 3; ++w)
                    g.SubblockGain[w] = int(br.Get(3));
                g.MixedFlag = g.Mixed;
                if (g.BlockType != 2) g.Mixed = 0;
                g.Region1Start = g.BlockType == 2 ? bands.Short[3] * 3 : bands.Long[8];
                g.Region2Start = 576;
            } else {
                g.BlockType = 0;
                g.Mixed = g.MixedFlag = 0;
                for (int r = 0; r < 3; ++r)
                    g.TableSelect[r] = int(br.Get(5));
                int r0 = int(br.Get(4));
                int r1 = int(br.Get(3));
                g.SubblockGain[0] = g.SubblockGain[1] = g.SubblockGain[2] = 0;
                g.Region1Start = bands.Long[std::min(r0 + 1, 22)];
                g.Region2Start = bands.Long[std::min(r0 + r1 + 2, 22)];
            }
            g.Preflag = info.Lsf ? 0 : br.Get1();
            g.ScfScale = br.Get1();
            g.Count1Table = br.Get1();
            if (g.BigValues > 288) g.BigValues = 288;
        }
    return true;
}

void TL3Core::ReadScaleFactorsMpeg1(TBitReader& br, int gr, int ch) {
    const TGranule& g = Gr[gr][ch];
    TScaleFactors& s = Scf[ch];
    const int slen1 = kSlen1[g.ScfCompress & 15];
    const int slen2 = kSlen2[g.ScfCompress & 15];
    if (g.BlockType == 2) {
        int sfb = 0;
        if (g.Mixed) {
            for (; sfb < 8; ++sfb)
                s.Long[sfb] = int(br.Get(slen1));
            sfb = 3;
        }
        for (; sfb < 6; ++sfb)
            for (int w = 0; w < 3; ++w)
                s.Short[sfb][w] = int(br.Get(slen1));
        for (; sfb < 12; ++sfb)
            for (int w = 0; w < 3; ++w)
                s.Short[sfb][w] = int(br.Get(slen2));
        s.Short[12][0] = s.Short[12][1] = s.Short[12][2] = 0;
        return;
    }
    static const int groupStart[5] = {0, 6, 11, 16, 21};
    for (int i = 0; i < 4; ++i) {
        if (gr == 1 && Scfsi[ch][i]) continue;
        int len = i < 2 ? slen1 : slen2;
        for (int sfb = groupStart[i]; sfb < groupStart[i + 1]; ++sfb)
            s.Long[sfb] = int(br.Get(len));
    }
    s.Long[21] = s.Long[22] = 0;
}

void TL3Core::ReadScaleFactorsLsf(TBitReader& br, const TFrameInfo& info, int ch) {
    TGranule& g = Gr[0][ch];
    TScaleFactors& s = Scf[ch];
    int slen[4] = {0, 0, 0, 0};
    int table = 0;
    int sfc = g.ScfCompress;
    const bool intensityRight = ch == 1 && info.Mode == 1 && (info.ModeExt & 1);
    g.Preflag = 0;
    if (!intensityRight) {
        if (sfc < 400) {
            slen[0] = (sfc >> 4) / 5;
            slen[1] = (sfc >> 4) % 5;
            slen[2] = (sfc & 15) >> 2;
            slen[3] = sfc & 3;
            table = 0;
        } else if (sfc < 500) {
            sfc -= 400;
            slen[0] = (sfc >> 2) / 5;
            slen[1] = (sfc >> 2) % 5;
            slen[2] = sfc & 3;
            table = 1;
        } else {
            sfc -= 500;
            slen[0] = sfc / 3;
            slen[1] = sfc % 3;
            g.Preflag = 1;
            table = 2;
        }
    } else {
        int isc = sfc >> 1;
        if (isc < 180) {
            slen[0] = isc / 36;
            slen[1] = (isc % 36) / 6;
            slen[2] = (isc % 36) % 6;
            table = 3;
        } else if (isc < 244) {
            isc -= 180;
            slen[0] = (isc & 63) >> 4;
            slen[1] = (isc & 15) >> 2;
            slen[2] = isc & 3;
            table = 4;
        } else {
            isc -= 244;
            slen[0] = isc / 3;
            slen[1] = isc % 3;
            table = 5;
        }
    }
    const int blockIdx = g.BlockType == 2 ? (g.Mixed ? 2 : 1) : 0;
    const uint8_t* counts = kLsfSfbCount[table][blockIdx];
    int n = 0;
    for (int part = 0; part < 4; ++part) {
        int len = std::min(slen[part], 15);
        int maxv = (1 << len) - 1;
        for (int j = 0; j < counts[part]; ++j, ++n) {
            int v = int(br.Get(len));
            if (blockIdx == 0) {
                if (n < 22) {
                    s.Long[n] = v;
                    IsMaxLong[n] = maxv;
                }
            } else if (blockIdx == 1) {
                int sfb = n / 3;
                if (sfb < 13) {
                    s.Short[sfb][n % 3] = v;
                    IsMaxShort[sfb] = maxv;
                }
            } else if (n < 6) {
                s.Long[n] = v;
                IsMaxLong[n] = maxv;
            } else {
                int m = n - 6;
                int sfb = 3 + m / 3;
                if (sfb < 13) {
                    s.Short[sfb][m % 3] = v;
                    IsMaxShort[sfb] = maxv;
                }
            }
        }
    }
    // bands without a coded scale factor
    if (blockIdx == 0) {
        for (int sfb = std::min(n, 22); sfb < 23; ++sfb) {
            s.Long[sfb] = 0;
            IsMaxLong[sfb] = sfb > 0 ? IsMaxLong[sfb - 1] : 0;
        }
    } else {
        int lastShort = blockIdx == 1 ? n / 3 : 3 + (n - 6) / 3;
        for (int sfb = std::max(0, std::min(lastShort, 12)); sfb < 13; ++sfb) {
            s.Short[sfb][0] = s.Short[sfb][1] = s.Short[sfb][2] = 0;
            IsMaxShort[sfb] = sfb > 0 ? IsMaxShort[sfb - 1] : 0;
        }
    }
}

int TL3Core::ReadHuffman(TBitReader& br, const TGranule& g, int64_t endBit, int ch,
                         int frameIndex) {
    const TL3Tables& tb = Tables();
    // lines are stored as +-|v|^(4/3); Requantize applies the gains. Huffman values are at
    // most 15 + 2^13 - 1, inside the power table.
    float* q = Spec[ch];
    auto signedPow = [&](int v, uint64_t signBit) {
        uint32_t b;
        std::memcpy(&b, &tb.Pow43[v], sizeof(b));
        b |= uint32_t(signBit) << 31;
        float f;
        std::memcpy(&f, &b, sizeof(f));
        return f;
    };
    const int bigEnd = std::min(g.BigValues * 2, 576);
    const int bounds[3] = {std::min(g.Region1Start, bigEnd), std::min(g.Region2Start, bigEnd),
                           bigEnd};
    int line = 0;
    for (int region = 0; region < 3; ++region) {
        const int end = bounds[region];
        if (line >= end) continue;
        const int t = g.TableSelect[region];
        if (t == 0) {
            for (; line < end; ++line)
                q[line] = 0.0f;
            continue;
        }
        const THuffSource& src = kHuffSources[t];
        if (!src.Codes) {
            SetError("MPL3 Frame #%d : Bad huffmann data in no linbits decoding", frameIndex);
            return -1;
        }
        const THuffDecoder& hd = tb.Pairs[t];
        const int linbits = src.LinBits;
        for (; line < end; line += 2) {
            // code (at most 19 bits), linbits and sign of x and y: at most 47 bits, all
            // inside one 57-bit window
            uint64_t bits = br.Peek64();
            const uint32_t leaf = hd.Lookup(uint32_t(bits >> 32));
            if (!leaf) {
                SetError(linbits ? "MPL3 Frame #%d : Bad huffmann data in linbit decoding"
                                 : "MPL3 Frame #%d : Bad huffmann data in single lookup",
                         frameIndex);
                return -1;
            }
            const int len = int(leaf >> 16) & 31;
            int x = int(leaf >> 4) & 15;
            int y = int(leaf) & 15;
            int used = len;
            bits <<= len;
            float fx = 0.0f, fy = 0.0f;
            if (x) {
                if (x == 15 && linbits) {
                    x += int(bits >> (64 - linbits));
                    bits <<= linbits;
                    used += linbits;
                }
                fx = signedPow(x, bits >> 63);
                bits <<= 1;
                ++used;
            }
            if (y) {
                if (y == 15 && linbits) {
                    y += int(bits >> (64 - linbits));
                    bits <<= linbits;
                    used += linbits;
                }
                fy = signedPow(y, bits >> 63);
                ++used;
            }
            br.Skip(used);
            q[line] = fx;
            q[line + 1] = fy;
        }
        if (br.Pos > endBit) {
            SetError("MPL3 Frame #%d : Data overrun. Frame is zeroed", frameIndex);
            return -1;
        }
    }
    // count1 region: quadruples until the granule's bits are used up
    while (line <= 572 && br.Pos < endBit) {
        int v;
        if (g.Count1Table) {
            v = 15 - int(br.Get(4));
        } else {
            uint32_t leaf = tb.QuadA.Lookup(br.Peek32());
            if (!leaf) {
                SetError("MPL3 Frame #%d : Bad huffmann data in \"A\" type quad", frameIndex);
                break;
            }
            br.Skip((leaf >> 16) & 31);
            v = int(leaf & 15);
        }
        float vals[4] = {float((v >> 3) & 1), float((v >> 2) & 1), float((v >> 1) & 1),
                         float(v & 1)};
        for (int k = 0; k < 4; ++k)
            if (vals[k] != 0.0f && br.Get1()) vals[k] = -1.0f;
        if (br.Pos > endBit) {
            // the last quadruple ran past the granule: it is not part of the data
            SetError("MPL3 Frame #%d : index overflow with negative nbits in huffmann quad",
                     frameIndex);
            break;
        }
        for (int k = 0; k < 4; ++k)
            q[line + k] = vals[k];
        line += 4;
    }
    for (int i = line; i < 576; ++i)
        q[i] = 0.0f;
    while (line > 0 && q[line - 1] == 0.0f)
        --line;
    return line;
}

void TL3Core::Requantize(const TGranule& g, int ch, int nonZero) {
    const TL3Tables& tb = Tables();
    const TSfBands& bands = kSfBands[Info.SfreqIndex];
    const TScaleFactors& s = Scf[ch];
    float* xr = Spec[ch];
    const int shift = g.ScfScale ? 4 : 2;
    const int base = g.GlobalGain - 210 + 400;
    auto gainOf = [&](int qexp) { return tb.Gain[std::clamp(qexp, 0, 511)]; };
    // the Huffman decoder left +-|v|^(4/3); lines from nonZero on are zero
    auto scale = [&](int from, int to, float gain) {
        to = std::min(to, nonZero);
        for (int i = from; i < to; ++i)
            xr[i] *= gain;
    };
    if (g.BlockType != 2) {
        for (int sfb = 0; sfb < 22 && bands.Long[sfb] < nonZero; ++sfb) {
            int sf = s.Long[sfb] + (g.Preflag ? kPretab[sfb] : 0);
            scale(bands.Long[sfb], bands.Long[sfb + 1], gainOf(base - shift * sf));
        }
    } else {
        int sfbShort = 0;
        if (g.Mixed) {
            for (int sfb = 0; sfb < 22 && bands.Long[sfb] < 36; ++sfb) {
                int sf = s.Long[sfb] + (g.Preflag ? kPretab[sfb] : 0);
                scale(bands.Long[sfb], std::min<int>(bands.Long[sfb + 1], 36),
                      gainOf(base - shift * sf));
            }
            while (sfbShort < 13 && bands.Short[sfbShort] * 3 < 36)
                ++sfbShort;
        }
        for (int sfb = sfbShort; sfb < 13; ++sfb) {
            const int width = bands.Short[sfb + 1] - bands.Short[sfb];
            const int start = bands.Short[sfb] * 3;
            if (start >= nonZero) break;
            for (int w = 0; w < 3; ++w) {
                int qexp = base - 8 * g.SubblockGain[w] - shift * s.Short[sfb][w];
                scale(start + w * width, start + (w + 1) * width, gainOf(qexp));
            }
        }
    }
}

void TL3Core::ApplyIntensity(const TFrameInfo& info, int from, int to, int isPos, int isMax,
                             int scfCompress) {
    const TL3Tables& tb = Tables();
    float kl, kr;
    if (!info.Lsf) {
        if (isPos >= 7) return; // not intensity-coded: left as decoded
        kl = tb.IsRatioL[isPos];
        kr = tb.IsRatioR[isPos];
    } else {
        if (isPos == isMax) return;
        const float* pw = tb.LsfIs[scfCompress & 1];
        if (isPos == 0) {
            kl = kr = 1.0f;
        } else if (isPos & 1) {
            kl = pw[std::min((isPos + 1) >> 1, 31)];
            kr = 1.0f;
        } else {
            kl = 1.0f;
            kr = pw[std::min(isPos >> 1, 31)];
        }
    }
    float* l = Spec[0];
    float* r = Spec[1];
    for (int i = from; i < to; ++i) {
        float v = l[i];
        l[i] = v * kl;
        r[i] = v * kr;
    }
}

void TL3Core::StereoProcess(const TFrameInfo& info, int gr) {
    const bool ms = info.Mode == 1 && (info.ModeExt & 2);
    const bool is = info.Mode == 1 && (info.ModeExt & 1);
    if (!ms && !is) return;
    const TGranule& g1 = Gr[gr][1];
    const TSfBands& bands = kSfBands[info.SfreqIndex];
    uint8_t isLine[576];
    int maxLine = std::max(NonZero[0], NonZero[1]);
    if (is) {
        std::memset(isLine, 0, sizeof(isLine));
        const float* qr = Spec[1];
        auto mark = [&](int from, int to, int isPos, int isMax) {
            bool intensity = info.Lsf ? isPos != isMax : isPos < 7;
            if (!intensity) return;
            ApplyIntensity(info, from, to, isPos, isMax, g1.ScfCompress);
            std::memset(isLine + from, 1, size_t(to - from));
        };
        // The top band carries no position of its own: it continues the band below when
        // that band is intensity-coded. Otherwise the band below holds right-channel lines
        // and its value is a scale factor, not a position: the top band is centred.
        const int centre = info.Lsf ? 0 : 3;
        if (g1.BlockType != 2) {
            int sfb = 0;
            while (sfb < 22 && bands.Long[sfb + 1] <= NonZero[1])
                ++sfb;
            if (bands.Long[sfb] < NonZero[1]) ++sfb; // band holding the last non-zero line
            const int first = sfb;
            for (; sfb < 21; ++sfb)
                mark(bands.Long[sfb], bands.Long[sfb + 1], Scf[1].Long[sfb], IsMaxLong[sfb]);
            if (first == 21)
                mark(bands.Long[21], 576, centre, -1);
            else if (first < 21)
                mark(bands.Long[21], 576, Scf[1].Long[20], IsMaxLong[20]);
            maxLine = 576;
        } else {
            int shortStart = 0;
            if (g1.Mixed)
                while (shortStart < 13 && bands.Short[shortStart] * 3 < 36)
                    ++shortStart;
            bool anyShortNonZero = false;
            for (int w = 0; w < 3; ++w) {
                int last = -1; // last short band with a non-zero line in this window
                for (int sfb = shortStart; sfb < 13; ++sfb) {
                    int width = bands.Short[sfb + 1] - bands.Short[sfb];
                    int start = bands.Short[sfb] * 3 + w * width;
                    for (int i = start; i < start + width; ++i)
                        if (qr[i]) {
                            last = sfb;
                            break;
                        }
                }
                if (last >= 0) anyShortNonZero = true;
                for (int sfb = std::max(last + 1, shortStart); sfb < 13; ++sfb) {
                    int width = bands.Short[sfb + 1] - bands.Short[sfb];
                    int start = bands.Short[sfb] * 3 + w * width;
                    if (sfb < 12)
                        mark(start, start + width, Scf[1].Short[sfb][w], IsMaxShort[sfb]);
                    else if (last == 11)
                        mark(start, start + width, centre, -1);
                    else
                        mark(start, start + width, Scf[1].Short[11][w], IsMaxShort[11]);
                }
            }
            if (g1.Mixed && !anyShortNonZero) {
                int sfb = 0;
                while (sfb < 22 && bands.Long[sfb] < 36 && bands.Long[sfb + 1] <= NonZero[1])
                    ++sfb;
                if (bands.Long[sfb] < NonZero[1]) ++sfb;
                for (; sfb < 22 && bands.Long[sfb] < 36; ++sfb)
                    mark(bands.Long[sfb], std::min<int>(bands.Long[sfb + 1], 36), Scf[1].Long[sfb],
                         IsMaxLong[sfb]);
            }
            maxLine = 576;
        }
        if (ms) {
            const float r2 = float(1.0 / std::sqrt(2.0));
            float* l = Spec[0];
            float* r = Spec[1];
            for (int i = 0; i < maxLine; ++i) {
                if (isLine[i]) continue;
                float m = l[i], sd = r[i];
                l[i] = (m + sd) * r2;
                r[i] = (m - sd) * r2;
            }
        }
    } else {
        const float r2 = float(1.0 / std::sqrt(2.0));
        float* l = Spec[0];
        float* r = Spec[1];
        for (int i = 0; i < maxLine; ++i) {
            float m = l[i], sd = r[i];
            l[i] = (m + sd) * r2;
            r[i] = (m - sd) * r2;
        }
    }
    NonZero[0] = NonZero[1] = maxLine;
}

namespace {

// Long-block IMDCT of one subband: x (18 lines) -> z (36 windowed samples).
void ImdctLong(const TL3Tables& tb, const float* x, const float* win, float* z) {
    alignas(16) float u[20];
#if defined(__GNUC__)
    typedef float V4 __attribute__((vector_size(16)));
    V4 acc[5] = {};
    for (int k = 0; k < 18; ++k) {
        const float xk = x[k];
        const V4* m = reinterpret_cast<const V4*>(tb.ImdctHalf[k]);
        for (int j = 0; j < 5; ++j)
            acc[j] += m[j] * xk;
    }
    std::memcpy(u, acc, sizeof(u));
#else
    for (int j = 0; j < 20; ++j)
        u[j] = 0.0f;
    for (int k = 0; k < 18; ++k) {
        const float xk = x[k];
        for (int j = 0; j < 20; ++j)
            u[j] += tb.ImdctHalf[k][j] * xk;
    }
#endif
    for (int i = 0; i < 9; ++i)
        z[i] = -u[8 - i] * win[i];
    for (int i = 9; i < 27; ++i)
        z[i] = u[i - 9] * win[i];
    for (int i = 27; i < 36; ++i)
        z[i] = u[44 - i] * win[i];
}

void ImdctShort(const TL3Tables& tb, const float* x, float* z) {
    for (int i = 0; i < 36; ++i)
        z[i] = 0.0f;
    for (int w = 0; w < 3; ++w) {
        float y[12] = {};
        for (int k = 0; k < 6; ++k) {
            const float xk = x[3 * k + w];
            const float* m = tb.ImdctShort[k];
            for (int i = 0; i < 12; ++i)
                y[i] += m[i] * xk;
        }
        for (int i = 0; i < 12; ++i)
            z[6 + 6 * w + i] += y[i];
    }
}

#ifdef MPDEC_X86

// Vector operations of the two instruction sets, for the parts of the kernels they share.
struct TSse2Ops {
    using V = __m128;
    static V Load(const float* p) { return _mm_load_ps(p); }
    static V Splat(float f) { return _mm_set1_ps(f); }
    static V Neg(V a) { return _mm_sub_ps(_mm_setzero_ps(), a); }
    static V MulAdd(V a, V b, V c) { return _mm_add_ps(_mm_mul_ps(a, b), c); }
    static V Mul(V a, V b) { return _mm_mul_ps(a, b); }
    static void Store(float* p, V a) { _mm_store_ps(p, a); }
};

struct TAvx2Ops {
    using V = __m256;
    [[gnu::target("avx2,fma")]] static V Load(const float* p) { return _mm256_load_ps(p); }
    [[gnu::target("avx2,fma")]] static V Splat(float f) { return _mm256_set1_ps(f); }
    [[gnu::target("avx2,fma")]] static V Neg(V a) { return _mm256_sub_ps(_mm256_setzero_ps(), a); }
    [[gnu::target("avx2,fma")]] static V MulAdd(V a, V b, V c) { return _mm256_fmadd_ps(a, b, c); }
    [[gnu::target("avx2,fma")]] static V Mul(V a, V b) { return _mm256_mul_ps(a, b); }
    [[gnu::target("avx2,fma")]] static void Store(float* p, V a) { _mm256_store_ps(p, a); }
};

// The template is only ever inlined into kernels of its instruction set, so the ABI of
// AVX vectors in a function without AVX never matters.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Long-block IMDCT of four (SSE2) or eight (AVX2) neighbouring subbands, one per lane,
// from the lines already transposed to x[k] (line k of every subband): the time samples go
// out by time slot, as the overlap rows and the synthesis input are laid out.
template <class Ops>
[[gnu::always_inline]] inline void ImdctLanes(const TL3Tables& tb, const typename Ops::V* x,
                                              const float* win, float (*ov)[32], float (*out)[32]) {
    using V = typename Ops::V;
    V u[18];
    for (int j0 = 0; j0 < 18; j0 += 6) {
        V acc[6];
        for (int j = 0; j < 6; ++j)
            acc[j] = Ops::Splat(0.0f);
        for (int k = 0; k < 18; ++k)
            for (int j = 0; j < 6; ++j)
                acc[j] = Ops::MulAdd(x[k], Ops::Load(tb.ImdctSplat[k][j0 + j]), acc[j]);
        for (int j = 0; j < 6; ++j)
            u[j0 + j] = acc[j];
    }
    for (int i = 0; i < 18; ++i) {
        // z[i] (first half) and z[18 + i] (second half)
        const V a = i < 9 ? Ops::Neg(u[8 - i]) : u[i - 9];
        const V b = i < 9 ? u[i + 9] : u[26 - i];
        Ops::Store(out[i], Ops::MulAdd(a, Ops::Splat(win[i]), Ops::Load(ov[i])));
        Ops::Store(ov[i], Ops::Mul(b, Ops::Splat(win[18 + i])));
    }
}

#pragma GCC diagnostic pop

void ImdctLongSse2(const TL3Tables& tb, const float* xr, const float* win, float (*ov)[32],
                   float (*out)[32]) {
    __m128 x[18];
    for (int q = 0; q < 4; ++q) {
        __m128 r0 = _mm_loadu_ps(xr + 4 * q), r1 = _mm_loadu_ps(xr + 18 + 4 * q);
        __m128 r2 = _mm_loadu_ps(xr + 36 + 4 * q), r3 = _mm_loadu_ps(xr + 54 + 4 * q);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        x[4 * q] = r0, x[4 * q + 1] = r1, x[4 * q + 2] = r2, x[4 * q + 3] = r3;
    }
    for (int k = 16; k < 18; ++k)
        x[k] = _mm_setr_ps(xr[k], xr[18 + k], xr[36 + k], xr[54 + k]);
    ImdctLanes<TSse2Ops>(tb, x, win, ov, out);
}

[[gnu::target("avx2,fma")]] void ImdctLongAvx2(const TL3Tables& tb, const float* xr,
                                               const float* win, float (*ov)[32],
                                               float (*out)[32]) {
    __m256 x[18];
    for (int q = 0; q < 2; ++q) {
        __m256 r[8];
        for (int l = 0; l < 8; ++l)
            r[l] = _mm256_loadu_ps(xr + 18 * l + 8 * q);
        Transpose8(r);
        for (int l = 0; l < 8; ++l)
            x[8 * q + l] = r[l];
    }
    for (int k = 16; k < 18; ++k)
        x[k] = _mm256_setr_ps(xr[k], xr[18 + k], xr[36 + k], xr[54 + k], xr[72 + k], xr[90 + k],
                              xr[108 + k], xr[126 + k]);
    ImdctLanes<TAvx2Ops>(tb, x, win, ov, out);
}

#endif

} // namespace

void TL3Core::Hybrid(const TGranule& g, int ch, int nonZero) {
    const TL3Tables& tb = Tables();
    const TSfBands& bands = kSfBands[Info.SfreqIndex];
    float* xr = Spec[ch];
    alignas(32) float buf[576];
    const bool shortBlocks = g.BlockType == 2;
    int longLines = shortBlocks ? (g.Mixed ? 36 : 0) : 576;

    // Short bands are reordered so that each subband holds its 6 frequencies of each window
    // interleaved: index 18 * sb + 3 * k + window.
    if (shortBlocks) {
        std::memcpy(buf, xr, sizeof(buf));
        int sfb = 0;
        if (g.Mixed)
            while (sfb < 13 && bands.Short[sfb] * 3 < 36)
                ++sfb;
        for (; sfb < 13; ++sfb) {
            const int width = bands.Short[sfb + 1] - bands.Short[sfb];
            const int start = bands.Short[sfb] * 3;
            for (int w = 0; w < 3; ++w)
                for (int f = 0; f < width; ++f) {
                    int dst = start + 3 * f + w;
                    int src = start + w * width + f;
                    if (dst < 576 && src < 576) xr[dst] = buf[src];
                }
        }
        nonZero = 576;
        while (nonZero > 0 && xr[nonZero - 1] == 0.0f)
            --nonZero;
    }

    // subbands that can be non-zero after alias reduction; the lines above are zero
    int sbLimit = std::min(32, (nonZero + 17) / 18 + 1);
    int aliasBounds = shortBlocks ? (g.Mixed ? 1 : 0) : std::min(31, sbLimit);
    for (int i = nonZero; i < sbLimit * 18; ++i)
        xr[i] = 0.0f;
    const TSimd simd = CurrentSimd();
    int sb = 1;
#ifdef MPDEC_X86
    // the eight butterflies of a subband boundary at once; the upper side runs downwards
    if (simd != TSimd::Portable) {
        const __m128 cs0 = _mm_loadu_ps(tb.AliasCs), cs1 = _mm_loadu_ps(tb.AliasCs + 4);
        const __m128 ca0 = _mm_loadu_ps(tb.AliasCa), ca1 = _mm_loadu_ps(tb.AliasCa + 4);
        auto rev = [](__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); };
        for (; sb <= aliasBounds; ++sb) {
            float* p = xr + 18 * sb;
            const __m128 bu0 = rev(_mm_loadu_ps(p - 4)), bu1 = rev(_mm_loadu_ps(p - 8));
            const __m128 bd0 = _mm_loadu_ps(p), bd1 = _mm_loadu_ps(p + 4);
            _mm_storeu_ps(p - 4, rev(_mm_sub_ps(_mm_mul_ps(bu0, cs0), _mm_mul_ps(bd0, ca0))));
            _mm_storeu_ps(p - 8, rev(_mm_sub_ps(_mm_mul_ps(bu1, cs1), _mm_mul_ps(bd1, ca1))));
            _mm_storeu_ps(p, _mm_add_ps(_mm_mul_ps(bd0, cs0), _mm_mul_ps(bu0, ca0)));
            _mm_storeu_ps(p + 4, _mm_add_ps(_mm_mul_ps(bd1, cs1), _mm_mul_ps(bu1, ca1)));
        }
    }
#endif
    for (; sb <= aliasBounds; ++sb) {
        float* up = xr + 18 * sb - 1;
        float* dn = xr + 18 * sb;
        for (int i = 0; i < 8; ++i) {
            float bu = up[-i], bd = dn[i];
            up[-i] = bu * tb.AliasCs[i] - bd * tb.AliasCa[i];
            dn[i] = bd * tb.AliasCs[i] + bu * tb.AliasCa[i];
        }
    }

    float(*ov)[32] = Overlap[ch];
    float(*out)[32] = TimeOut[ch];
    // the two lowest subbands of a block with the mixed flag use the normal window, also in
    // start and stop blocks
    auto windowOf = [&](int sb) {
        return shortBlocks || (g.MixedFlag && sb < 2) ? 0 : g.BlockType;
    };
    const int lanes = simd == TSimd::Avx2 ? 8 : simd == TSimd::Sse2 ? 4 : 1;
    for (sb = 0; sb < 32;) {
        if (sb >= sbLimit) {
            for (int i = 0; i < 18; ++i) {
                out[i][sb] = ov[i][sb];
                ov[i][sb] = 0.0f;
            }
            ++sb;
            continue;
        }
#ifdef MPDEC_X86
        // a group of long subbands with one window; subbands above the limit are zero
        // and come out the same through any window
        bool group = lanes > 1 && sb % lanes == 0;
        for (int s = sb; group && s < std::min(sb + lanes, sbLimit); ++s)
            group = 18 * s < longLines && windowOf(s) == windowOf(sb);
        if (group) {
            const float* win = tb.LongWindow[windowOf(sb)];
            if (lanes == 8)
                ImdctLongAvx2(tb, xr + 18 * sb, win, reinterpret_cast<float(*)[32]>(ov[0] + sb),
                              reinterpret_cast<float(*)[32]>(out[0] + sb));
            else
                ImdctLongSse2(tb, xr + 18 * sb, win, reinterpret_cast<float(*)[32]>(ov[0] + sb),
                              reinterpret_cast<float(*)[32]>(out[0] + sb));
            sb += lanes;
            continue;
        }
#endif
        alignas(32) float z[36];
        if (18 * sb < longLines)
            ImdctLong(tb, xr + 18 * sb, tb.LongWindow[windowOf(sb)], z);
        else
            ImdctShort(tb, xr + 18 * sb, z);
        for (int i = 0; i < 18; ++i) {
            out[i][sb] = z[i] + ov[i][sb];
            ov[i][sb] = z[18 + i];
        }
        ++sb;
    }
    // frequency inversion: odd time samples of odd subbands change sign
    for (int i = 1; i < 18; i += 2)
        for (int sb = 1; sb < 32; sb += 2)
            out[i][sb] = -out[i][sb];
}

bool TL3Core::DecodeFrame(const TFrameInfo& info, const uint8_t* data, int dataSize,
                          int mainDataSize, int frameIndex, int16_t* out) {
    const int samples = info.SamplesPerFrame();
    const int outCh = OutChannels;
    const int nch = info.Channels;
    const int sideLen = info.Lsf ? (nch == 1 ? 9 : 17) : (nch == 1 ? 17 : 32);
    auto silence = [&]() {
        std::memset(out, 0, size_t(samples) * size_t(outCh) * sizeof(int16_t));
        return false;
    };
    if (mainDataSize < 0 || mainDataSize > kMaxMainData || sideLen + mainDataSize > dataSize) {
        SetError(info.Lsf
                     ? "MP2L3 Frame #%d : number of bytes in frame is negative of exceed frame max"
                     : "MP1L3 Frame #%d : number of bytes in frame is negative of exceed frame max",
                 frameIndex);
        return silence();
    }
    Info = info;
    TBitReader side(data, sideLen);
    ReadSideInfo(side, info);

    if (ResFill > kReservoirKeep) {
        int keep = std::min(MainDataBegin, ResFill);
        std::memmove(Reservoir, Reservoir + ResFill - keep, size_t(keep));
        ResFill = keep;
    }
    const bool enough = MainDataBegin <= ResFill;
    const int start = ResFill - MainDataBegin;
    std::memcpy(Reservoir + ResFill, data + sideLen, size_t(mainDataSize));
    ResFill += mainDataSize;
    std::memset(Reservoir + ResFill, 0, 8);
    if (!enough) return silence();

    TBitReader md(Reservoir + start, ResFill - start);
    const int ngr = info.Lsf ? 1 : 2;
    const bool downmix = nch == 2 && outCh == 1;
    bool zeroed = false;
    // granules that together need more bits than the reservoir holds: the frame is zeroed
    // as a whole rather than decoded in part from the wrong bits
    int64_t needed = 0;
    for (int gr = 0; gr < ngr; ++gr)
        for (int ch = 0; ch < nch; ++ch)
            needed += Gr[gr][ch].Part23Length;
    if (needed > md.LimitBits) {
        SetError("MPL3 Frame #%d : Data overrun. Frame is zeroed", frameIndex);
        zeroed = true;
    }
    for (int gr = 0; gr < ngr; ++gr) {
        for (int ch = 0; ch < nch; ++ch) {
            const TGranule& g = Gr[gr][ch];
            const int64_t begin = md.Pos;
            const int64_t end = begin + g.Part23Length;
            int nz = -1;
            bool huffmanError = false;
            if (!zeroed && end <= md.LimitBits) {
                if (info.Lsf)
                    ReadScaleFactorsLsf(md, info, ch);
                else
                    ReadScaleFactorsMpeg1(md, gr, ch);
                if (md.Pos <= end) {
                    nz = ReadHuffman(md, g, end, ch, frameIndex);
                    huffmanError = nz < 0;
                }
            }
            if (nz < 0) {
                if (!zeroed && !huffmanError)
                    SetError("MPL3 Frame #%d : Data overrun. Frame is zeroed", frameIndex);
                zeroed = true;
                nz = 0;
                std::memset(Spec[ch], 0, sizeof(Spec[ch]));
            }
            md.Pos = end;
            NonZero[ch] = nz;
            Requantize(g, ch, nz);
        }
        if (nch == 2) StereoProcess(info, gr);
        int procCh = nch;
        if (downmix) {
            for (int i = 0; i < 576; ++i)
                Spec[0][i] = 0.5f * (Spec[0][i] + Spec[1][i]);
            NonZero[0] = std::max(NonZero[0], NonZero[1]);
            procCh = 1;
        }
        int16_t* o = out + size_t(gr) * 576 * outCh;
        alignas(32) int16_t pcm[2][576];
        for (int ch = 0; ch < procCh; ++ch) {
            Hybrid(Gr[gr][ch], ch, NonZero[ch]);
            Synth.Synth(ch, TimeOut[ch], 18, outCh == 1 ? o : pcm[ch]);
        }
        if (outCh == 2) TAudioSynth::Interleave(pcm[0], pcm[procCh - 1], 576, o);
    }
    return !zeroed;
}

} // namespace mpdec

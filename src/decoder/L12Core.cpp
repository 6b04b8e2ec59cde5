// The filter banks are written as plain loops for the vectoriser.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include "decoder/L12Core.h"

#include <algorithm>
#include <cstring>

namespace mpdec {

namespace {

inline float Dequantize(uint32_t v, int levels) {
    return float(int(2 * v) - levels + 1) / float(levels);
}

int StereoBound(const TFrameInfo& info, int sbLimit) {
    if (info.Channels == 1) return 0;
    if (info.Mode != 1) return sbLimit;
    return std::min(sbLimit, 4 + 4 * info.ModeExt);
}

} // namespace

void TL12Core::Output(const TFrameInfo& info, int slots, int16_t* out) {
    const int n = slots * 32;
    alignas(32) int16_t pcm[2][36 * 32];
    if (info.Channels == 2 && OutChannels == 1) {
        for (int s = 0; s < slots; ++s)
            for (int k = 0; k < 32; ++k)
                Sb[0][s][k] = 0.5f * (Sb[0][s][k] + Sb[1][s][k]);
        Synth.Synth(0, Sb[0], slots, out);
    } else if (OutChannels == 1) {
        Synth.Synth(0, Sb[0], slots, out);
    } else {
        Synth.Synth(0, Sb[0], slots, pcm[0]);
        if (info.Channels == 2) Synth.Synth(1, Sb[1], slots, pcm[1]);
        TAudioSynth::Interleave(pcm[0], pcm[info.Channels == 2 ? 1 : 0], n, out);
    }
}

void TL12Core::DecodeLayer1(const TFrameInfo& info, const uint8_t* data, int dataSize,
                            int16_t* out) {
    TBitReader br(data, dataSize);
    const float* const scale = ScaleFactors();
    const int nch = info.Channels;
    const int bound = nch == 1 ? 32 : StereoBound(info, 32);
    int alloc[2][32] = {};
    int scf[2][32] = {};
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < nch; ++ch)
                alloc[ch][sb] = int(br.Get(4));
        } else {
            alloc[0][sb] = alloc[1][sb] = int(br.Get(4));
        }
    }
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (alloc[ch][sb]) scf[ch][sb] = int(br.Get(6));
    std::memset(Sb, 0, sizeof(Sb));
    for (int slot = 0; slot < 12; ++slot) {
        for (int sb = 0; sb < 32; ++sb) {
            if (sb < bound) {
                for (int ch = 0; ch < nch; ++ch) {
                    int a = alloc[ch][sb];
                    if (!a) continue;
                    if (a == 15) continue; // forbidden allocation: no bits are defined
                    int bits = a + 1;
                    Sb[ch][slot][sb] =
                        Dequantize(br.Get(bits), (1 << bits) - 1) * scale[scf[ch][sb]];
                }
            } else {
                int a = alloc[0][sb];
                if (!a || a == 15) continue;
                int bits = a + 1;
                float v = Dequantize(br.Get(bits), (1 << bits) - 1);
                for (int ch = 0; ch < nch; ++ch)
                    Sb[ch][slot][sb] = v * scale[scf[ch][sb]];
            }
        }
    }
    Output(info, 12, out);
}

void TL12Core::DecodeLayer2(const TFrameInfo& info, const uint8_t* data, int dataSize,
                            int16_t* out) {
    TBitReader br(data, dataSize);
    const float* const scale = ScaleFactors();
    const int nch = info.Channels;
    const TAllocTable& table = AllocTableFor(info.Lsf, info.SampleRate, info.BitrateKbps, nch);
    const int sbLimit = table.SbLimit;
    const int bound = nch == 1 ? sbLimit : StereoBound(info, sbLimit);
    int cls[2][32];
    for (int ch = 0; ch < 2; ++ch)
        for (int sb = 0; sb < 32; ++sb)
            cls[ch][sb] = -1;
    for (int sb = 0; sb < sbLimit; ++sb) {
        const int nbal = table.NBal[sb];
        const int maxCode = (1 << nbal) - 1;
        auto classOf = [&](int code) {
            return code == 0 || code > maxCode ? -1 : table.ClassRows[sb][code - 1];
        };
        if (sb < bound) {
            for (int ch = 0; ch < nch; ++ch)
                cls[ch][sb] = classOf(int(br.Get(nbal)));
        } else {
            cls[0][sb] = cls[1][sb] = classOf(int(br.Get(nbal)));
        }
    }
    int scfsi[2][32] = {};
    for (int sb = 0; sb < sbLimit; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (cls[ch][sb] >= 0) scfsi[ch][sb] = int(br.Get(2));
    int scf[2][32][3] = {};
    for (int sb = 0; sb < sbLimit; ++sb)
        for (int ch = 0; ch < nch; ++ch) {
            if (cls[ch][sb] < 0) continue;
            int* f = scf[ch][sb];
            switch (scfsi[ch][sb]) {
            case 0:
                f[0] = int(br.Get(6));
                f[1] = int(br.Get(6));
                f[2] = int(br.Get(6));
                break;
            case 1:
                f[0] = f[1] = int(br.Get(6));
                f[2] = int(br.Get(6));
                break;
            case 2:
                f[0] = f[1] = f[2] = int(br.Get(6));
                break;
            default:
                f[0] = int(br.Get(6));
                f[1] = f[2] = int(br.Get(6));
                break;
            }
        }
    std::memset(Sb, 0, sizeof(Sb));
    for (int gr = 0; gr < 12; ++gr) {
        const int part = gr >> 2;
        for (int sb = 0; sb < sbLimit; ++sb) {
            const int chans = sb < bound ? nch : 1;
            for (int ch = 0; ch < chans; ++ch) {
                const int c = cls[ch][sb];
                if (c < 0) continue;
                const TQuantClass& q = kQuantClasses[c];
                uint32_t v[3];
                if (q.Grouped) {
                    uint32_t code = br.Get(q.Bits);
                    for (int k = 0; k < 3; ++k) {
                        v[k] = code % uint32_t(q.Levels);
                        code /= uint32_t(q.Levels);
                    }
                } else {
                    for (int k = 0; k < 3; ++k)
                        v[k] = br.Get(q.Bits);
                }
                for (int k = 0; k < 3; ++k) {
                    // values beyond the class (damaged data) are clamped to its range
                    uint32_t vk = std::min<uint32_t>(v[k], uint32_t(q.Levels - 1));
                    float d = Dequantize(vk, q.Levels);
                    if (sb < bound) {
                        Sb[ch][3 * gr + k][sb] = d * scale[scf[ch][sb][part]];
                    } else {
                        for (int c2 = 0; c2 < nch; ++c2)
                            Sb[c2][3 * gr + k][sb] = d * scale[scf[c2][sb][part]];
                    }
                }
            }
        }
    }
    Output(info, 36, out);
}

} // namespace mpdec

#include "audio/Compressor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TCompressor::TCompressor(TAbstractAudioFile* source)
    : TAbstractAudioFile(source->FileName), Source(source) {
    for (int n = 19; n >= 0; --n) {
        auto k = std::make_unique<TKnot>();
        k->In = k->Out = float(-(n + 1) * 100.0 / 21.0);
        Knots.push_back(std::move(k));
    }
    SetBoost(5);
    Enabled = true;
    SetClipLevel(1);
    AutoBoost = false;
    SetTarget(-12);
    SetWindow(30);
    SetGate(-60);
    SetAttack(0.5f);
    SetRelease(0.07f);
    ModeWord = 1;
}

TCompressor::~TCompressor() = default;

int32_t TCompressor::GetBitrate() {
    return Source->GetBitrate();
}
int32_t TCompressor::GetChannels() {
    return Source->GetChannels();
}
int64_t TCompressor::GetFileSize() {
    return Source->GetFileSize();
}
int64_t TCompressor::GetPosition() {
    return Source->GetPosition();
}
int64_t TCompressor::GetPcmSize() {
    return Source->GetPcmSize();
}
int32_t TCompressor::GetSampleRate() {
    return Source->GetSampleRate();
}
int32_t TCompressor::GetBitsPerSample() {
    return Source->GetBitsPerSample();
}
uint8_t TCompressor::GetFormatCode() {
    return Source->GetFormatCode();
}
void TCompressor::Seek(int64_t position) {
    Source->Seek(position);
}
bool TCompressor::IsSource() {
    return true;
}

void TCompressor::SetBoost(int32_t n) {
    Boost = n;
    const float keep = 1.0f - float(std::min(Boost, 49)) / 50.0f;
    for (auto& k : Knots)
        k->Out = k->In * keep;
}

void TCompressor::SetClipLevel(float x) {
    ClipLevel = std::min(std::fabs(x), 1.0f);
    if (std::isnan(ClipLevel)) ClipLevel = 1;
    ClipSample = int32_t(std::lround(ClipLevel * 32767.0f));
}

void TCompressor::SetTarget(int32_t n) {
    Target = std::clamp(n, -100, 0);
}
void TCompressor::SetWindow(int32_t n) {
    Window = std::clamp(n, 0, 100);
}
void TCompressor::SetGate(int32_t n) {
    Gate = n >= -39 ? -40 : std::max(n, -100);
}
void TCompressor::SetAttack(float x) {
    Attack = std::clamp(x, 0.0f, 1.0f);
}
void TCompressor::SetRelease(float x) {
    Release = std::clamp(x, 0.0f, 1.0f);
}

float TCompressor::Curve(float level) const {
    if (level >= 0) return level;
    float pin = -100, pout = -100;
    for (const auto& k : Knots) {
        if (k->In >= level) {
            if (k->In == pin) return level - pin + pout;
            return pout + (level - pin) * (k->Out - pout) / (k->In - pin);
        }
        pin = k->In;
        pout = k->Out;
    }
    return pout;
}

float TCompressor::Level(const int16_t* samples, int bytes) {
    double mean = 10.0;
    if (bytes >= 2) {
        const int n = bytes / 2;
        double sum = 0;
        for (int i = 0; i + 1 < n; i += 2) {
            const double m = (double(samples[i]) + samples[i + 1]) / 2.0;
            sum += m * m;
        }
        if (sum > 0) mean = sum / n;
    }
    return float(10.0 * std::log10(mean / 1073741824.0));
}

void TCompressor::Process(void* buffer, int bytes) {
    const int n = std::max(bytes, 0) / 2;
    std::vector<int16_t> s(n);
    if (n > 0) std::memcpy(s.data(), buffer, size_t(n) * 2);
    const float level = Level(s.data(), n * 2);
    const float wanted = Curve(level) - level;
    const float c = wanted > Gain ? Release : Attack;
    Gain = Gain * (1 - c) + wanted * c;
    const double g = std::pow(10.0, Gain / 20.0);
    for (int i = 0; i < n; ++i) {
        const double v = std::clamp(s[i] * g, -double(ClipSample), double(ClipSample));
        s[i] = int16_t(std::trunc(v));
    }
    if (n > 0) std::memcpy(buffer, s.data(), size_t(n) * 2);
    if (AutoBoost && level >= Gate) {
        const float out = Curve(level);
        if (out > Target && Boost > 0)
            SetBoost(Boost - 1);
        else if (out < Target - Window && Boost < 100)
            SetBoost(Boost + 1);
    }
}

bool TCompressor::Read(void* buffer, int& count) {
    const bool ok = Source->Read(buffer, count);
    if (Enabled && count > 0) Process(buffer, count);
    return ok;
}

// One parser's fuzz entry. SONVALE_FUZZ_TARGET(name) { ... } is the body that gets
// the input: in the libFuzzer programs it is LLVMFuzzerTestOneInput, in the test
// suite (SONVALE_FUZZ_REPLAY) a function the regression test runs on every kept input.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

using TFuzzBody = void (*)(const uint8_t* data, size_t size);

// `data` as a file with extension `ext` in a folder of this process's own; the
// same name every time, so the readers that open files can be fed.
QString FuzzFile(const char* ext, const uint8_t* data, size_t size);

#ifdef SONVALE_FUZZ_REPLAY
bool RegisterFuzzTarget(const char* name, TFuzzBody body);
TFuzzBody FindFuzzTarget(const QString& name);
#define SONVALE_FUZZ_TARGET(name)                                                                  \
    static void FuzzBody_##name(const uint8_t* data, size_t size);                                 \
    [[maybe_unused]] static const bool fuzzRegistered_##name =                                     \
        RegisterFuzzTarget(#name, FuzzBody_##name);                                                \
    static void FuzzBody_##name(const uint8_t* data, size_t size)
#else
#define SONVALE_FUZZ_TARGET(name)                                                                  \
    static void FuzzBody_##name(const uint8_t* data, size_t size);                                 \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                      \
        FuzzBody_##name(data, size);                                                               \
        return 0;                                                                                  \
    }                                                                                              \
    static void FuzzBody_##name(const uint8_t* data, size_t size)
#endif

// Opens `data` as a file of `ext` through the reader of `formatCode`, asks every
// property and reads up to `pcmBytes` of PCM. A refused file is a normal outcome.
void FuzzReader(uint8_t formatCode, const char* ext, const uint8_t* data, size_t size,
                int64_t pcmBytes);

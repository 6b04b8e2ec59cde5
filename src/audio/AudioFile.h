#pragma once

#include "audio/AbstractAudioFile.h"
#include "audio/Compressor.h"
#include "audio/RsmpFilter.h"

#include <QString>
#include <memory>

// The facade every tool opens audio through: picks the reader by the file
// name's extension and stacks the PCM conversion chain on it.
class TAudioFile {
public:
    TAudioFile();
    ~TAudioFile();
    TAudioFile(const TAudioFile&) = delete;
    TAudioFile& operator=(const TAudioFile&) = delete;

    // Ignored while open.
    void SetFileName(const QString& name);
    bool IsKnownFormat() const { return FormatCode != fcUnknown; }
    // True at once when already open; false for an unknown format. A reader
    // that refuses the file raises its ESonvaleError through Open.
    bool Open();
    double GetDuration();
    bool Close();

    // The end of the PCM chain (16-bit samples, OutChannels, OutRate); the
    // reader itself when no chain stage exists. Valid only while open.
    TAbstractAudioFile* ChainEnd() const;

    std::unique_ptr<TAbstractAudioFile> Reader;
    std::unique_ptr<TRsmpFilter> Filter;
    std::unique_ptr<TCompressor> Compressor;
    uint8_t FormatCode = fcUnknown;
    bool Compress = false;
    bool IsOpen = false;
    int32_t OutBits = 16;
    int32_t OutChannels = 2;
    int32_t OutRate = 44100;
    QString FileName;

private:
    void BuildChain();
};

// The format code the facade gives a file name (0 when unknown).
uint8_t FormatCodeOfName(const QString& name);

// The one place where format readers plug in: the reader for a format code,
// or null when this build has no reader for it. Raises the reader's error
// when the reader refuses the file.
std::unique_ptr<TAbstractAudioFile> CreateReader(uint8_t formatCode, const QString& fileName);

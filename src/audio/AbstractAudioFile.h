#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "tags/TagKinds.h"

struct TTagChange;

// Format codes.
enum : uint8_t {
    fcUnknown = 0,
    fcWave = 1,
    fcNeverAssigned = 2,
    fcMpeg = 3,
    fcWma = 4,
    fcOgg = 5,
    fcApe = 6,
    fcAc3 = 7,
    fcMpc = 8,
};

// The interface of every format reader and of both PCM chain stages.
class TAbstractAudioFile {
public:
    explicit TAbstractAudioFile(const QString& fileName);
    virtual ~TAbstractAudioFile();
    TAbstractAudioFile(const TAbstractAudioFile&) = delete;
    TAbstractAudioFile& operator=(const TAbstractAudioFile&) = delete;

    QString FileName;
    QStringList Tags;       // the main tag's "name=value" lines
    int64_t AudioStart = 0; // size of a leading ID3v2 tag, where a reader sets it
    QStringList Messages;   // decoder diagnostics (AC-3)
    int TagKinds = 0;       // tag kinds found in the file

    virtual int32_t GetBitrate();
    virtual int32_t GetChannels();
    virtual int64_t GetFileSize();
    virtual int64_t GetPosition();
    virtual int64_t GetPcmSize();
    virtual int32_t GetSampleRate();
    virtual int32_t GetBitsPerSample();
    virtual uint8_t GetFormatCode();
    virtual void Seek(int64_t position);
    virtual double GetDuration();
    virtual bool IsSource();
    // Fills buffer with up to count PCM bytes; count becomes the number
    // delivered. False at the end.
    virtual bool Read(void* buffer, int& count) = 0;
    virtual QString GetTagValue(const QString& name);
    virtual int32_t GetTagInt(const QString& name);
    // Raises ESonvaleError when the value is not a date in the short format.
    virtual QDate GetTagDate(const QString& name);
    // Removes the tag kinds `kinds` (bit set) from the file, in one operation.
    virtual bool RemoveTags(int kinds);
    // Writes Tags into the file as each tag kind of `kinds`, in one operation:
    // all of them or, when this returns false or raises, none.
    virtual bool WriteTags(int kinds);
    // Removes and writes tag kinds in one operation (audio/TagWriter.h). The
    // base handles ID3v1, ID3v2 and APEv2 around the audio; other bits are
    // ignored. False, with the file untouched, when a kind cannot be written
    // (and for a write of ID3v1 alone to a file that cannot be opened).
    virtual bool ChangeTags(const TTagChange& change);
};

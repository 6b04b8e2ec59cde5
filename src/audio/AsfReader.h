#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Attribute value types, numbered as the Windows Media header attributes are.
enum : uint16_t {
    asfDword = 0,
    asfString = 1,
    asfBinary = 2,
    asfBool = 3,
    asfQword = 4,
    asfWord = 5,
    asfGuid = 6,
};

struct TAsfAttribute {
    QString Name;
    uint16_t Type = asfBinary;
    QByteArray Value; // raw little-endian bytes (strings: UTF-16LE)
};

struct TAsfStream {
    bool Audio = false;
    bool Video = false;
    uint16_t Number = 0;
    // WAVEFORMATEX of an audio stream.
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SamplesPerSec = 0;
    uint32_t AvgBytesPerSec = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    QByteArray CodecData;   // the codec's bytes after WAVEFORMATEX (its cbSize, bounded)
    bool Scrambled = false; // audio spread over several packets (span > 1)
};

// What the header object of an ASF file tells: its streams and the file-level
// attributes, in the order a Windows Media reader lists them (the synthesised
// properties first, then the content description, then the extended content
// description and the metadata objects).
struct TAsfHeader {
    std::vector<TAsfStream> Streams;
    std::vector<TAsfAttribute> Attributes;
    uint64_t PlayDuration = 0; // 100 ns, preroll included
    uint64_t Preroll = 0;      // ms
    uint32_t Flags = 0;        // bit 0 broadcast, bit 1 seekable
    uint32_t MaxBitrate = 0;
    bool Protected = false;
    uint64_t HeaderSize = 0; // the data object starts here
    uint32_t MinPacket = 0, MaxPacket = 0;
    uint64_t DataSize = 0;    // of the data object, 0 when unknown or not there whole
    uint64_t DataPackets = 0; // the data object's packet count
};

// Error codes (platform result codes) reported by ReadAsfHeader.
enum : uint32_t {
    asfErrFileNotFound = 0x80070002u,
    asfErrInvalidFormat = 0xC00D0BBDu, // not an ASF file or a damaged header
};

// Parses the header object at the start of data (the whole file or at least
// its header); fileSize bounds every size read. Returns 0 or an error code.
uint32_t ParseAsfHeader(const QByteArray& data, int64_t fileSize, TAsfHeader& out);

// Reads the header object of a file and parses it.
uint32_t ReadAsfHeader(const QString& fileName, TAsfHeader& out);

// The value of an attribute as the tag line writes it ("=" and after).
QString AsfAttributeText(const TAsfAttribute& a);
// The tag name under which an attribute enters Tags.
QString AsfTagName(const QString& attributeName);
// A GUID of 16 bytes in registry form ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}).
QString AsfGuidText(const uint8_t* g);

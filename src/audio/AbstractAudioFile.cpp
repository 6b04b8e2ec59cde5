#include "audio/AbstractAudioFile.h"

#include "io/SonvaleError.h"
#include "tags/ApeTag.h"
#include "tags/FieldList.h"
#include "tags/Id3v1Tag.h"
#include "tags/Id3v2Tag.h"

#include <QLocale>

TAbstractAudioFile::TAbstractAudioFile(const QString& fileName) : FileName(fileName) {}

TAbstractAudioFile::~TAbstractAudioFile() = default;

int32_t TAbstractAudioFile::GetBitrate() {
    return 0;
}
int32_t TAbstractAudioFile::GetChannels() {
    return 0;
}
int64_t TAbstractAudioFile::GetFileSize() {
    return 0;
}
int64_t TAbstractAudioFile::GetPosition() {
    return 0;
}
int64_t TAbstractAudioFile::GetPcmSize() {
    return 0;
}
int32_t TAbstractAudioFile::GetSampleRate() {
    return 0;
}
int32_t TAbstractAudioFile::GetBitsPerSample() {
    return 0;
}
uint8_t TAbstractAudioFile::GetFormatCode() {
    return fcUnknown;
}
void TAbstractAudioFile::Seek(int64_t) {}
bool TAbstractAudioFile::IsSource() {
    return false;
}

double TAbstractAudioFile::GetDuration() {
    // Integer bytes per second, as the readers report whole values; a
    // damaged reader that reports zeros gives a zero duration, not a NaN.
    int64_t bytesPerSecond =
        (static_cast<int64_t>(GetChannels()) * GetSampleRate() * GetBitsPerSample()) / 8;
    if (bytesPerSecond <= 0) return 0.0;
    return static_cast<double>(GetPcmSize()) / static_cast<double>(bytesPerSecond) / 86400.0;
}

QString TAbstractAudioFile::GetTagValue(const QString& name) {
    return FieldValue(Tags, name);
}

int32_t TAbstractAudioFile::GetTagInt(const QString& name) {
    bool ok = false;
    int32_t v = GetTagValue(name).trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

QDate TAbstractAudioFile::GetTagDate(const QString& name) {
    QString value = GetTagValue(name);
    QDate d = QLocale::system().toDate(value, QLocale::ShortFormat);
    if (!d.isValid()) d = QLocale::c().toDate(value, QLocale::ShortFormat);
    if (!d.isValid()) throw ESonvaleError(QStringLiteral("'%1' is not a valid date").arg(value));
    return d;
}

// ID3v1 first (appended at the end), then ID3v2 (rebuilt at the start),
// then APEv2 (inserted before the ID3v1 block): each tag object reads the
// file as the previous step left it.
bool TAbstractAudioFile::RemoveTags(int kinds) {
    bool result = true;
    if (kinds & tkId3v1) {
        TId3V1Tag tag;
        tag.FileName = FileName;
        result = tag.Remove();
    }
    if (kinds & tkId3v2) {
        TId3V2Tag tag;
        bool ok = tag.Open(FileName) && tag.Remove();
        result = result && ok;
    }
    if (kinds & tkApeV2) {
        TAPEV2Tag tag;
        bool ok = tag.Open(FileName) && tag.Remove();
        result = result && ok;
    }
    return result;
}

bool TAbstractAudioFile::WriteTags(int kinds) {
    bool result = true;
    if (kinds & tkId3v1) {
        TId3V1Tag tag;
        tag.Open(FileName);
        tag.Fields = Tags;
        result = tag.Write();
    }
    if (kinds & tkId3v2) {
        TId3V2Tag tag;
        bool ok = tag.Open(FileName);
        tag.Fields = Tags;
        ok = ok && tag.Write();
        result = result && ok;
    }
    if (kinds & tkApeV2) {
        TAPEV2Tag tag;
        bool ok = tag.Open(FileName);
        tag.Fields = Tags;
        ok = ok && tag.Write();
        result = result && ok;
    }
    return result;
}

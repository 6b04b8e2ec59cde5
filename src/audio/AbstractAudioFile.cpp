#include "audio/AbstractAudioFile.h"

#include "audio/TagWriter.h"
#include "io/SonvaleError.h"
#include "tags/FieldList.h"

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

bool TAbstractAudioFile::RemoveTags(int kinds) {
    TTagChange change;
    change.Remove = kinds;
    return ChangeTags(change);
}

bool TAbstractAudioFile::WriteTags(int kinds) {
    TTagChange change;
    change.Write = kinds;
    change.Fields = Tags;
    return ChangeTags(change);
}

bool TAbstractAudioFile::ChangeTags(const TTagChange& change) {
    const int handled = tkId3v1 | tkId3v2 | tkApeV2;
    if (!((change.Remove | change.Write) & handled)) return true;
    try {
        return ChangeId3StyleTags(FileName, change);
    } catch (const EFOpenError&) {
        // The ID3v1 writer alone answers a file it cannot open with false.
        if (!(change.Remove & handled) && (change.Write & handled) == tkId3v1) return false;
        throw;
    }
}

#include "lang/Storefile.h"

#include "io/EightBitText.h"
#include "io/FileUtils.h"
#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>

namespace {

constexpr int64_t kRecordOverhead = 12; // size, tag and back size

uint32_t LittleEndian32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QByteArray RecordBytes(uint32_t tag, const QByteArray& payload) {
    QByteArray r(kRecordOverhead + payload.size(), Qt::Uninitialized);
    const auto size = uint32_t(payload.size() + 8);
    qToLittleEndian<quint32>(size, r.data());
    qToLittleEndian<quint32>(tag, r.data() + 4);
    std::memcpy(r.data() + 8, payload.constData(), size_t(payload.size()));
    qToLittleEndian<quint32>(size + 4, r.data() + 8 + payload.size());
    return r;
}

} // namespace

TStorefile::TStorefile(QString fileName, QByteArray signature)
    : FileName(std::move(fileName)), Signature(std::move(signature)) {}

TStorefile::~TStorefile() {
    try {
        Close();
    } catch (const ESonvaleError&) {
        // Only an explicit Close can tell the caller.
    }
}

bool TStorefile::Open() {
    Close();
    // A bare name is taken in the current folder.
    FileName = QFileInfo(FileName).absoluteFilePath();
    const QFileInfo info(FileName);
    if (!info.exists()) {
        if (ReadOnlyRequest) return false;
        QDir().mkpath(info.absolutePath());
        try {
            WriteFile(false);
        } catch (const ESonvaleError&) {
            return false;
        }
    }
    try {
        FStream = std::make_unique<TWFileStream>(FileName, fmOpenRead | fmShareDenyNone);
    } catch (const ESonvaleError&) {
        return false;
    }
    const int64_t size = FStream->GetSize();
    FFirstOffset = Signature.size() + 4;
    if (size < FFirstOffset || Bytes(0, Signature.size()) != Signature) {
        FStream.reset();
        return false;
    }
    // Writes go through a temporary file in the same folder.
    FReadOnly =
        ReadOnlyRequest || !info.isWritable() || !QFileInfo(info.absolutePath()).isWritable();
    FOffsets.clear();
    int64_t pos = FFirstOffset;
    while (size - pos >= kRecordOverhead) {
        const QByteArray head = Bytes(pos, 4);
        const int64_t recordSize = LittleEndian32(head, 0);
        if (recordSize < 8 || recordSize > size - pos - 4) break;
        if (LittleEndian32(Bytes(pos + recordSize, 4), 0) != recordSize + 4) break;
        FOffsets.append(pos);
        pos += recordSize + 4;
    }
    FFileEnd = pos;
    FTail.clear();
    FModified = false;
    FIndex = 0;
    FActive = true;
    return true;
}

void TStorefile::Close() {
    if (!FActive) return;
    FActive = false;
    const bool write = FModified;
    FModified = false;
    if (write) {
        try {
            WriteFile(true);
        } catch (...) {
            FStream.reset();
            throw;
        }
    }
    FStream.reset();
    FOffsets.clear();
    FTail.clear();
}

void TStorefile::WriteFile(bool keepRecords) {
    SafeWriteFile(FileName, [&](TWFileStream& out) {
        out.WriteBuffer(Signature.constData(), Signature.size());
        char count[4];
        qToLittleEndian<quint32>(keepRecords ? quint32(FOffsets.size()) : 0u, count);
        out.WriteBuffer(count, 4);
        if (!keepRecords) return;
        CopyStreamRange(*FStream, FFirstOffset, FFileEnd - FFirstOffset, out);
        out.WriteBuffer(FTail.constData(), FTail.size());
    });
}

void TStorefile::Clear() {
    CheckWritable();
    // The file is rewritten empty (plus what is appended next) by Close.
    FOffsets.clear();
    FFileEnd = FFirstOffset;
    FTail.clear();
    FIndex = 0;
    FModified = true;
}

QByteArray TStorefile::Bytes(int64_t offset, int64_t count) const {
    if (offset >= FFileEnd && FActive) return FTail.mid(offset - FFileEnd, count);
    const QByteArray b = FStream->ReadBytesAt(offset, count);
    if (b.size() != count) throw EStreamError(QStringLiteral("Read error in %1").arg(FileName));
    return b;
}

void TStorefile::Next() {
    if (FIndex < Count()) ++FIndex;
}

void TStorefile::Previous() {
    if (FIndex > 0) --FIndex;
}

void TStorefile::GoTo(int index) {
    FIndex = qBound(0, index, Count());
}

void TStorefile::CheckRecord() const {
    if (!FActive || Eof())
        throw ESonvaleError(QStringLiteral("No record to read in %1").arg(FileName));
}

void TStorefile::CheckWritable() const {
    if (!FActive || FReadOnly)
        throw ESonvaleError(QStringLiteral("Attempt to write a data while in ReadOnly mode"));
}

uint32_t TStorefile::RecordTag() const {
    CheckRecord();
    return LittleEndian32(Bytes(FOffsets[FIndex] + 4, 4), 0);
}

int TStorefile::RecordLength() const {
    CheckRecord();
    return int(LittleEndian32(Bytes(FOffsets[FIndex], 4), 0) - 8);
}

QByteArray TStorefile::ReadBytes(bool advance, uint32_t* tag) {
    CheckRecord();
    const QByteArray head = Bytes(FOffsets[FIndex], 8);
    if (tag) *tag = LittleEndian32(head, 4);
    // The size was checked against the file when it was opened.
    const QByteArray payload = Bytes(FOffsets[FIndex] + 8, LittleEndian32(head, 0) - 8);
    if (advance) Next();
    return payload;
}

uint32_t TStorefile::ReadRecord(void* buffer, int length, bool advance) {
    uint32_t tag = 0;
    const QByteArray payload = ReadBytes(advance, &tag);
    std::memcpy(buffer, payload.constData(), size_t(qBound(0, length, int(payload.size()))));
    return tag;
}

QString TStorefile::ReadString(bool advance, uint32_t* tag) {
    const QByteArray payload = ReadBytes(advance, tag);
    return FromEightBit(payload.constData(), payload.size());
}

uint32_t TStorefile::ReadInt(bool advance, uint32_t* tag) {
    const QByteArray payload = ReadBytes(advance, tag);
    uint32_t value = 0;
    for (qsizetype i = qMin<qsizetype>(payload.size(), 4) - 1; i >= 0; --i)
        value = value << 8 | uint8_t(payload[i]);
    return value;
}

void TStorefile::AppendRecord(uint32_t tag, const QByteArray& bytes) {
    CheckWritable();
    FOffsets.append(FFileEnd + FTail.size());
    FTail += RecordBytes(tag, bytes);
    FModified = true;
}

void TStorefile::AppendString(uint32_t tag, const QString& text) {
    AppendRecord(tag, text.toUtf8());
}

void TStorefile::AppendInt(uint32_t tag, uint32_t number) {
    char bytes[4];
    qToLittleEndian<quint32>(number, bytes);
    AppendRecord(tag, QByteArray(bytes, 4));
}

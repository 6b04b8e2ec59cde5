#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

class TWFileStream;

// The signature of language files.
inline constexpr char kLanguageSignature[] = "ZUL LANGUAGE FILE";

// A file of records: the signature bytes, a 32-bit record count, then records of
// size (payload + 8), tag, payload and back size (payload + 12), all little-endian.
//
// The records are checked once when the file is opened; a record whose sizes do not fit
// the file ends the readable part, so a damaged file shows the records before the damage
// and a count that lies is replaced by the records actually there. Appended records are
// kept in memory and written, with the new count, through one safe rewrite by Close.
class TStorefile {
public:
    explicit TStorefile(QString fileName = QString(),
                        QByteArray signature = QByteArray(kLanguageSignature));
    ~TStorefile(); // closes; a failure to write is only told by an explicit Close
    TStorefile(const TStorefile&) = delete;
    TStorefile& operator=(const TStorefile&) = delete;

    QString FileName;
    QByteArray Signature;
    bool ReadOnlyRequest = false;

    // False when the file cannot be opened or its signature differs. A missing file is
    // created (with its folder) holding the signature and no record, unless read-only
    // access was requested.
    bool Open();
    // Writes the appended records; raises ESonvaleError when the file cannot be written.
    void Close();
    bool Active() const { return FActive; }
    // Opened read-only, by request or because the file cannot be written.
    bool ReadOnly() const { return FReadOnly; }
    // Deletes every record (the file is rewritten by Close).
    void Clear();

    int Count() const { return int(FOffsets.size()); }
    // The current record; Count() past the last one.
    int Index() const { return FIndex; }
    bool Eof() const { return FIndex >= Count(); }
    void First() { FIndex = 0; }
    void Last() { FIndex = Count() > 0 ? Count() - 1 : 0; }
    void Next();
    void Previous();
    void GoTo(int index);

    // The current record's tag and payload length; the payload itself (up to `length`
    // bytes copied), as text (UTF-8, else Windows-1252) or as a number (up to 4 bytes).
    // Each raises ESonvaleError past the last record; `advance` moves to the next one.
    uint32_t RecordTag() const;
    int RecordLength() const;
    uint32_t ReadRecord(void* buffer, int length, bool advance);
    QByteArray ReadBytes(bool advance, uint32_t* tag = nullptr);
    QString ReadString(bool advance, uint32_t* tag = nullptr);
    uint32_t ReadInt(bool advance, uint32_t* tag = nullptr);

    // Each raises "Attempt to write a data while in ReadOnly mode" in read-only mode.
    void AppendRecord(uint32_t tag, const QByteArray& bytes);
    void AppendString(uint32_t tag, const QString& text);
    void AppendInt(uint32_t tag, uint32_t number);

private:
    QByteArray Bytes(int64_t offset, int64_t count) const;
    void CheckRecord() const;
    void CheckWritable() const;
    void WriteFile(bool keepRecords);

    std::unique_ptr<TWFileStream> FStream;
    bool FActive = false;
    bool FReadOnly = false;
    bool FModified = false;
    int64_t FFirstOffset = 0;
    int64_t FFileEnd = 0; // end of the readable records in the file
    QList<int64_t> FOffsets;
    QByteArray FTail; // appended records, at FFileEnd onwards
    int FIndex = 0;
};

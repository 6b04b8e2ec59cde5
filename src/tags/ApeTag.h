#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// One item of an APEv2 tag as stored (length, flags, key, value).
struct TApeItem {
    QByteArray Key;
    uint32_t Flags = 0;
    QByteArray Raw; // the whole item, header included
};

// An APEv2 tag at the end of a file, before a trailing ID3v1 block. Text
// items are exchanged as "key=value" lines; binary and external items are
// not in the field list and survive a write byte for byte, as does every
// item whose key is not in the list.
class TAPEV2Tag {
public:
    bool Open(const QString& fileName);
    // Rewrites the file with a tag built from Fields (and the items kept).
    // Raises ESonvaleError when the file cannot be written.
    bool Write();
    // Removes the tag found by the last read. Raises on failure.
    bool Remove();
    // The new tag (items and footer) built from Fields and the items read.
    QByteArray BuildTag() const;
    const std::vector<TApeItem>& Items() const { return items; }

    QString FileName;
    bool Present = false;
    bool HasId3v1 = false;
    int64_t TagStart = 0;
    int64_t TotalLength = 0;
    int64_t ItemsStart = 0;
    int64_t ItemsLength = 0;
    QStringList Fields;

private:
    bool Read();
    std::vector<TApeItem> items;
};

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
    QString Text;   // a text item's value as the field list shows it
};

// An APEv2 tag, parsed from its bytes and rendered to bytes (items and
// footer); placing it in a file is the file-level writer's work. Text items
// are exchanged as "key=value" lines, the values of an item that holds
// several (NUL-separated) shown joined with " / ". Binary and external items
// are not in the field list and survive a render byte for byte, as does
// every item whose key is not in the list or whose value the list leaves as
// it was read.
class TAPEV2Tag {
public:
    // The whole tag's length (header included) from its 32-byte footer; 0
    // when the bytes are no APEv2 footer of a sane size.
    static int64_t FooterTagSize(const QByteArray& footer);

    // Parses a tag from its bytes: an optional header, the items, the footer.
    bool Parse(const QByteArray& tag);
    // The new tag (items and footer) built from Fields and the items read.
    QByteArray BuildTag() const;
    const std::vector<TApeItem>& Items() const { return items; }

    bool Present = false;
    // Where the tag stands in its file, for whoever read it there.
    bool HasId3v1 = false;
    int64_t TagStart = 0;
    int64_t TotalLength = 0;
    QStringList Fields;

private:
    std::vector<TApeItem> items;
};

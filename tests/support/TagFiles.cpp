#include "TagFiles.h"

#include "audio/TagWriter.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"

namespace {

TTagChange Change(int remove, int write, const QStringList& fields = {}) {
    TTagChange c;
    c.Remove = remove;
    c.Write = write;
    c.Fields = fields;
    return c;
}

// A change to one kind of ID3-style tags, and the tag read again.
template <class TTag> bool ChangeAndRead(TTagFile<TTag>& t, const TTagChange& change) {
    const bool ok = ChangeId3StyleTags(t.FileName, change);
    t.Read();
    return ok;
}

} // namespace

template <> bool TTagFile<TId3V1Tag>::Read() {
    Parse({});
    try {
        TWFileStream in(FileName, fmOpenRead | fmShareDenyNone);
        if (in.GetSize() < Size) return false;
        Position = in.GetSize() - Size;
        return Parse(in.ReadBytesAt(Position, Size));
    } catch (const ESonvaleError&) {
        return false;
    }
}

template <> bool TTagFile<TId3V1Tag>::Write() {
    try {
        if (!ChangeId3StyleTags(FileName, Change(0, tkId3v1, Fields))) return false;
    } catch (const EFOpenError&) {
        return false;
    }
    return Read();
}

template <> bool TTagFile<TId3V1Tag>::Remove() {
    return ChangeAndRead(*this, Change(tkId3v1, 0));
}

template <> bool TTagFile<TId3V2Tag>::Read() {
    Parse({});
    try {
        TWFileStream in(FileName, fmOpenRead | fmShareDenyNone);
        Parse(ScanLeadingId3v2(in).Bytes);
        return true;
    } catch (const ESonvaleError&) {
        return false;
    }
}

template <> bool TTagFile<TId3V2Tag>::Write() {
    TTagChange c = Change(0, tkId3v2, Fields);
    c.Id3v2TextEncoding = TextEncoding;
    return ChangeAndRead(*this, c);
}

template <> bool TTagFile<TId3V2Tag>::Remove() {
    return ChangeAndRead(*this, Change(tkId3v2, 0));
}

template <> bool TTagFile<TAPEV2Tag>::Read() {
    static_cast<TAPEV2Tag&>(*this) = TAPEV2Tag();
    try {
        TWFileStream in(FileName, fmOpenRead | fmShareDenyNone);
        const TTagLayout layout = ScanTagLayout(in);
        static_cast<TAPEV2Tag&>(*this) = ParseLayoutTags(layout).Ape;
        HasId3v1 = layout.Find(tkId3v1) != nullptr;
        return true;
    } catch (const ESonvaleError&) {
        return false;
    }
}

template <> bool TTagFile<TAPEV2Tag>::Write() {
    return ChangeAndRead(*this, Change(0, tkApeV2, Fields));
}

template <> bool TTagFile<TAPEV2Tag>::Remove() {
    return ChangeAndRead(*this, Change(tkApeV2, 0));
}

template <> bool TTagFile<TOggTag>::Read() {
    try {
        TWFileStream in(FileName, fmOpenRead | fmShareDenyNone);
        return TOggTag::Read(in);
    } catch (const ESonvaleError&) {
        Fields.clear();
        return false;
    }
}

template <> bool TTagFile<TOggTag>::Write() {
    try {
        return ChangeVorbisComments(FileName, Change(0, tkVorbis, Fields));
    } catch (const EFOpenError&) {
        return false;
    }
}

template <> bool TTagFile<TOggTag>::Remove() {
    try {
        return ChangeVorbisComments(FileName, Change(tkVorbis, 0));
    } catch (const EFOpenError&) {
        return false;
    }
}

#include "audio/TagWriter.h"

#include "io/FileEdit.h"
#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "io/WFileStream.h"
#include "tags/OggTag.h"
#include "tags/TagKinds.h"
#include "tags/TagSelect.h"

std::unique_ptr<TWFileStream> OpenForTagWrite(const QString& fileName) {
    // A read-only file stays read-only, also for a privileged user.
    if (WideFileIsReadOnly(fileName))
        throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(fileName));
    return std::make_unique<TWFileStream>(fileName, fmOpenReadWrite | fmShareDenyWrite);
}

bool ChangeId3StyleTags(const QString& fileName, const TTagChange& change) {
    const int kinds = tkId3v1 | tkId3v2 | tkApeV2;
    const int remove = change.Remove & kinds, write = change.Write & kinds;
    std::unique_ptr<TWFileStream> file = OpenForTagWrite(fileName);
    const TTagLayout layout = ScanTagLayout(*file);
    // A file shorter than the block never receives one.
    if ((write & tkId3v1) && layout.FileSize < TId3V1Tag::Size) return false;
    TLayoutTags tags = ParseLayoutTags(layout);
    auto kept = [&](int kind, bool present, const QStringList& fields) {
        return present && !(remove & kind) ? &fields : nullptr;
    };

    QByteArray v1, v2, ape;
    if (write & tkId3v1) {
        TId3V1Tag t;
        t.Fields = change.LinesFor(tkId3v1, kept(tkId3v1, tags.Id3v1.Present, tags.Id3v1.Fields));
        v1 = t.Render();
    }
    if (write & tkId3v2) {
        const QStringList* present = kept(tkId3v2, tags.Id3v2.Present, tags.Id3v2.Fields);
        TId3V2Tag t = present ? tags.Id3v2 : TId3V2Tag();
        t.Fields = change.LinesFor(tkId3v2, present);
        t.TextEncoding = change.Id3v2TextEncoding;
        const int version = change.KeepId3v24 && t.Version == 4 ? 4 : 3;
        // Into the old tag's space, padding included, when it fits.
        v2 = t.Render(version, layout.Leading.Size);
    }
    if (write & tkApeV2) {
        const QStringList* present = kept(tkApeV2, tags.Ape.Present, tags.Ape.Fields);
        TAPEV2Tag t = present ? tags.Ape : TAPEV2Tag();
        t.Fields = change.LinesFor(tkApeV2, present);
        ape = t.BuildTag();
    }

    std::vector<TFilePiece> pieces;
    if (write & tkId3v2)
        pieces.push_back(TFilePiece::Insert(v2));
    else if (layout.Leading.Kind && !(remove & tkId3v2))
        pieces.push_back(TFilePiece::Keep(0, layout.Leading.Size));
    pieces.push_back(
        TFilePiece::Keep(layout.AudioStart(), layout.AudioEnd() - layout.AudioStart()));
    const TTagRegion* oldApe = nullptr;
    for (const TTagRegion& r : layout.Trailing)
        if (r.Kind == tkApeV2) oldApe = &r; // the one before the end, as readers find it
    if ((write & tkApeV2) && !oldApe) pieces.push_back(TFilePiece::Insert(ape));
    for (const TTagRegion& r : layout.Trailing) {
        const int kind = r.Kind == kLyrics3Block ? 0 : r.Kind;
        if (kind & write) {
            if (kind == tkId3v1) pieces.push_back(TFilePiece::Insert(v1));
            // Further APEv2 tags are stale copies: the one written replaces them all.
            if (kind == tkApeV2 && &r == oldApe) pieces.push_back(TFilePiece::Insert(ape));
        } else if (!(kind & remove)) {
            pieces.push_back(TFilePiece::Keep(r.Offset, r.Size));
        }
    }
    if ((write & tkId3v1) && !layout.Find(tkId3v1)) pieces.push_back(TFilePiece::Insert(v1));
    ApplyFileEdit(*file, pieces);
    return true;
}

bool ChangeVorbisComments(const QString& fileName, const TTagChange& change) {
    const int remove = change.Remove & tkVorbis, write = change.Write & tkVorbis;
    if (!remove && !write) return true;
    std::unique_ptr<TWFileStream> file = OpenForTagWrite(fileName);
    TOggTag tag;
    if (!tag.Read(*file) || tag.Multiplexed) return false;
    QStringList fields;
    if (write) fields = change.LinesFor(tkVorbis, remove ? nullptr : &tag.Fields);
    try {
        SafeRewriteFile(*file, [&](TWFileStream& in, TWFileStream& out) {
            RewriteVorbisComments(in, out, fields);
        });
    } catch (const EOggNotWritable&) {
        return false;
    }
    return true;
}

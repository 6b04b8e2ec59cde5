#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TWFileStream;

// One change to a file's tags, made in one operation: the kinds in Remove are
// dropped first, then the kinds in Write are written (tag kinds bit sets). A
// kind that is written without being removed keeps what its tag holds beyond
// the written lines (other ID3v2 frames, other APEv2 items, other comments).
struct TTagChange {
    int Remove = 0;
    int Write = 0;
    // The lines every written kind gets.
    QStringList Fields;
    // When set, the lines each written kind gets instead of Fields, made from
    // that kind's lines as the file holds them (nullptr when the file has no
    // tag of that kind, or it is removed first).
    std::function<QStringList(int kind, const QStringList* present)> Compose;
    // An ID3v2.4 tag stays 2.4; otherwise every ID3v2 tag written is 2.3.
    bool KeepId3v24 = false;
    int Id3v2TextEncoding = 1;

    QStringList LinesFor(int kind, const QStringList* present) const {
        return Compose ? Compose(kind, present) : Fields;
    }
};

// The writers below plan the file's new layout and apply it once (io/FileEdit.h):
// in place when every tag keeps its place and size or fits its padding, else
// through one safe rewrite. Each returns false, writing nothing, when the
// change asks for a kind the file cannot hold; raises ESonvaleError (EFOpenError
// when the file cannot be opened for writing) when the file cannot be written,
// and the file is then as it was.

// ID3v2 at the start, ID3v1 and APEv2 at the end (MPEG, Musepack, Monkey's
// Audio, AC-3). A new APEv2 tag goes right behind the audio, before a Lyrics3
// block and an ID3v1 block; a new ID3v1 block at the very end. ID3v1 needs a
// file of at least its 128 bytes.
bool ChangeId3StyleTags(const QString& fileName, const TTagChange& change);

// The Vorbis comments (kind 8) of an Ogg Vorbis file; false when the file is
// not an Ogg Vorbis stream that can be rewritten.
bool ChangeVorbisComments(const QString& fileName, const TTagChange& change);

// Opens a file to change it: refuses a read-only file (also for root) with the
// stream's open error, and takes the lock that keeps our other writers out.
std::unique_ptr<TWFileStream> OpenForTagWrite(const QString& fileName);

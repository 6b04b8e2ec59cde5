#pragma once

#include <QString>
#include <QStringList>

// Tag families, by file extension. The ASF family (Windows Media) is read
// only: its attributes are shown, never written.
enum : int { tfNone = -1, tfId3 = 0, tfVorbis = 2, tfApe = 3, tfAsf = 4 };

// The seven common fields of every format under one set of names
// ("Comments", "Artist", "Album", "Title", "Year", "Track", "Genre").
class TMetaTag {
public:
    // "mp3"/"mp2"/"mp1"/"flac"/"fla"/"wav"/"ac3" 0, "ogg" 2,
    // "ape"/"mpc"/"mpp"/"mp+"/"aac" 3, "wma"/"asf" 4, else -1; with or without
    // the leading dot, any letter case.
    static int FamilyOf(const QString& extension);
    // The family's names of the seven fields, in the order Comments,
    // Artist, Album, Title, Year, Track, Genre (empty for -1).
    static QStringList FamilyNames(int family);

    // Fills the seven unified lines from a file tag field list.
    void FromFileTags(const QStringList& fileTags, int family);
    // Replaces the unified lines by the family's seven lines.
    void ToFileTags(int family);

    QString Value(const QString& name) const;
    // Unlike a field list's setter, an empty value stays as an empty line.
    void SetValue(const QString& name, const QString& value);

    QStringList Fields;
};

// The common names in the order of the unified list.
QStringList UnifiedNames();

// `fileTags` with every line of the family's seven names (any letter case)
// replaced by `familyLines` (as ToFileTags makes them), placed first; the
// other lines stay in their order. With `shown` (the unified lines the values
// were edited from), a field whose value is still the one shown keeps the
// lines `fileTags` has for it, every one of them as it is, when they hold a
// value: only what was changed replaces what a tag holds.
QStringList MergeFamilyLines(const QStringList& fileTags, const QStringList& familyLines,
                             int family, const QStringList* shown = nullptr);

// The year of a date text: its first four characters when they are digits,
// else the first run of exactly four digits in it ("Oct 3, 1995"), else empty.
QString YearOfDate(const QString& date);

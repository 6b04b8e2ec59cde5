#pragma once

#include <QString>
#include <QStringList>

// Tag families, by file extension.
enum : int { tfNone = -1, tfId3 = 0, tfVorbis = 2, tfApe = 3 };

// The seven common fields of every format under one set of names
// ("Comments", "Artist", "Album", "Title", "Year", "Track", "Genre").
class TMetaTag {
public:
    // "mp3"/"flac"/"fla" 0, "ogg" 2, "ape"/"mpc"/"mpp"/"mp+"/"aac" 3, else -1;
    // with or without the leading dot, any letter case.
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
// other lines stay in their order.
QStringList MergeFamilyLines(const QStringList& fileTags, const QStringList& familyLines,
                             int family);

#include "tags/MetaTag.h"

#include "tags/FieldList.h"

#include <QSet>

namespace {

const char* const kUnified[7] = {"Comments", "Artist", "Album", "Title", "Year", "Track", "Genre"};
const char* const kId3Names[7] = {"Comments", "Artist", "Album", "Title", "Year", "Track", "Genre"};
const char* const kVorbisNames[7] = {"Comment", "Artist",      "Album", "Title",
                                     "Date",    "TrackNumber", "Genre"};
const char* const kApeNames[7] = {"Comment", "Artist", "Album", "Title", "Year", "Track", "Genre"};
// The reader's names of the attributes (Description, Author, WM/AlbumTitle, ...).
const char* const kAsfNames[7] = {"DESCRIPTION", "ARTIST",      "ALBUM", "TITLE",
                                  "YEAR",        "TRACKNUMBER", "GENRE"};

const char* const* NamesOf(int family) {
    switch (family) {
    case tfId3:
        return kId3Names;
    case tfVorbis:
        return kVorbisNames;
    case tfApe:
        return kApeNames;
    case tfAsf:
        return kAsfNames;
    default:
        return nullptr;
    }
}

} // namespace

QStringList UnifiedNames() {
    QStringList l;
    for (const char* n : kUnified)
        l << QString::fromLatin1(n);
    return l;
}

int TMetaTag::FamilyOf(const QString& extension) {
    QString e = extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
    e = e.toLower();
    if (e.isEmpty()) return tfNone;
    for (const char* id3 : {"mp3", "mp2", "mp1", "flac", "fla", "wav", "ac3"})
        if (e == QLatin1String(id3)) return tfId3;
    if (e == QLatin1String("wma") || e == QLatin1String("asf")) return tfAsf;
    if (e == QLatin1String("ogg")) return tfVorbis;
    if (e == QLatin1String("ape") || e == QLatin1String("mpc") || e == QLatin1String("mpp") ||
        e == QLatin1String("mp+") || e == QLatin1String("aac"))
        return tfApe;
    return tfNone;
}

QStringList TMetaTag::FamilyNames(int family) {
    QStringList l;
    if (const char* const* names = NamesOf(family))
        for (int i = 0; i < 7; ++i)
            l << QString::fromLatin1(names[i]);
    return l;
}

void TMetaTag::FromFileTags(const QStringList& fileTags, int family) {
    Fields.clear();
    const char* const* names = NamesOf(family);
    if (!names) return;
    for (int i = 0; i < 7; ++i) {
        QString value = FieldValue(fileTags, QString::fromLatin1(names[i]));
        if (value.isEmpty() && i == 0) {
            // Comments under the other common spellings of the field.
            for (const char* alt : {"Comments", "Comment", "Description"}) {
                value = FieldValue(fileTags, QString::fromLatin1(alt));
                if (!value.isEmpty()) break;
            }
        }
        // A 2.4 tag carries the year in its recording time only.
        if (value.isEmpty() && i == 4 && family == tfId3)
            value = YearOfDate(FieldValue(fileTags, QStringLiteral("RECORDTIME")));
        // WM/TrackNumber counts from 1; the older WM/Track from 0.
        if (value.isEmpty() && i == 5 && family == tfAsf) {
            bool ok = false;
            const int zeroBased = FieldValue(fileTags, QStringLiteral("TRACK")).toInt(&ok, 10);
            if (ok && zeroBased >= 0) value = QString::number(zeroBased + 1);
        }
        Fields << QString::fromLatin1(kUnified[i]) + QLatin1Char('=') + value;
    }
}

void TMetaTag::ToFileTags(int family) {
    QStringList out;
    if (const char* const* names = NamesOf(family))
        for (int i = 0; i < 7; ++i)
            out << QString::fromLatin1(names[i]) + QLatin1Char('=') +
                       Value(QString::fromLatin1(kUnified[i]));
    Fields = out;
}

QString TMetaTag::Value(const QString& name) const {
    return FieldValue(Fields, name);
}

void TMetaTag::SetValue(const QString& name, const QString& value) {
    QString line = name + QLatin1Char('=') + value;
    int i = FieldIndex(Fields, name);
    if (i >= 0)
        Fields[i] = line;
    else
        Fields << line;
}

QStringList MergeFamilyLines(const QStringList& fileTags, const QStringList& familyLines,
                             int family, const QStringList* shown) {
    const QStringList names = TMetaTag::FamilyNames(family);
    QSet<QString> lowerNames;
    for (const QString& n : names)
        lowerNames.insert(n.toLower());
    TMetaTag own;
    if (shown) own.FromFileTags(fileTags, family);
    QStringList out;
    for (int i = 0; i < familyLines.size(); ++i) {
        const QString value = FieldValueOf(familyLines[i]);
        const bool unchanged = shown && i < names.size() && i < shown->size() &&
                               value == FieldValueOf((*shown)[i]) &&
                               !FieldValueOf(own.Fields[i]).isEmpty();
        if (!unchanged) {
            out << familyLines[i];
            continue;
        }
        // Kept as the tag holds it: several lines, their spelling, or none at all
        // when the value stands under another name (a recording time, say).
        for (const QString& line : fileTags)
            if (FieldName(line).compare(names[i], Qt::CaseInsensitive) == 0) out << line;
    }
    for (const QString& line : fileTags)
        if (!lowerNames.contains(FieldName(line).toLower())) out << line;
    return out;
}

QString YearOfDate(const QString& date) {
    auto digit = [&](int i) { return i >= 0 && i < date.size() && date[i].isDigit(); };
    if (digit(0) && digit(1) && digit(2) && digit(3)) return date.left(4);
    for (int i = 0; i + 4 <= date.size(); ++i)
        if (!digit(i - 1) && digit(i) && digit(i + 1) && digit(i + 2) && digit(i + 3) &&
            !digit(i + 4))
            return date.mid(i, 4);
    return {};
}

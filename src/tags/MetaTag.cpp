#include "tags/MetaTag.h"

#include "tags/FieldList.h"

#include <QSet>

namespace {

const char* const kUnified[7] = {"Comments", "Artist", "Album", "Title", "Year", "Track", "Genre"};
const char* const kId3Names[7] = {"Comments", "Artist", "Album", "Title", "Year", "Track", "Genre"};
const char* const kVorbisNames[7] = {"Comment", "Artist",      "Album", "Title",
                                     "Date",    "TrackNumber", "Genre"};
const char* const kApeNames[7] = {"Comment", "Artist", "Album", "Title", "Year", "Track", "Genre"};

const char* const* NamesOf(int family) {
    switch (family) {
    case tfId3:
        return kId3Names;
    case tfVorbis:
        return kVorbisNames;
    case tfApe:
        return kApeNames;
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
    if (e == QLatin1String("mp3") || e == QLatin1String("flac") || e == QLatin1String("fla"))
        return tfId3;
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
            value = FieldValue(fileTags, QStringLiteral("RECORDTIME")).left(4);
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
                             int family) {
    QSet<QString> names;
    for (const QString& n : TMetaTag::FamilyNames(family))
        names.insert(n.toLower());
    QStringList out = familyLines;
    for (const QString& line : fileTags)
        if (!names.contains(FieldName(line).toLower())) out << line;
    return out;
}

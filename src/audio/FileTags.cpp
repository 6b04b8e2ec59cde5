#include "audio/FileTags.h"

#include "audio/AudioFile.h"
#include "audio/TagWriter.h"
#include "io/FileUtils.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"

namespace {

void DropEmptyFamilyLines(QStringList& lines, int family) {
    const QStringList names = TMetaTag::FamilyNames(family);
    lines.removeIf([&](const QString& line) {
        return FieldValueOf(line).isEmpty() && names.contains(FieldName(line), Qt::CaseInsensitive);
    });
}

// The unified values of `meta` into the open file, each written kind keeping
// what it holds of the fields whose values are the ones shown.
bool WriteUnified(TAudioFile& af, const QString& path, TMetaTag meta, int kinds,
                  const TTagWriteOptions& options) {
    TAbstractAudioFile& reader = *af.Reader;
    const int family = TMetaTag::FamilyOf(WideExtractFileExt(path, true));
    TMetaTag shown;
    shown.FromFileTags(reader.Tags, family);
    meta.ToFileTags(family);
    const QStringList familyLines = meta.Fields;
    reader.Tags = MergeFamilyLines(reader.Tags, familyLines, family, &shown.Fields);
    TTagChange change;
    change.Write =
        options.KindsFromFile ? DefaultTagKinds(reader.GetFormatCode(), reader.TagKinds) : kinds;
    change.Fields = reader.Tags;
    change.Compose = [&](int kind, const QStringList* present) {
        QStringList lines =
            present ? MergeFamilyLines(*present, familyLines, family, &shown.Fields) : reader.Tags;
        // Vorbis comments are exactly these lines: a cleared field is no comment at all.
        if (kind == tkVorbis) DropEmptyFamilyLines(lines, family);
        return lines;
    };
    change.KeepId3v24 = options.KeepId3v24;
    return reader.ChangeTags(change);
}

} // namespace

bool ReadFileTags(const QString& path, QStringList& unified) {
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return false;
    TMetaTag meta;
    meta.FromFileTags(af.Reader->Tags, TMetaTag::FamilyOf(WideExtractFileExt(path, true)));
    unified = meta.Fields;
    af.Close();
    return true;
}

bool WriteFileTags(const QString& path, const QString& artist, int kinds, const QString& comments,
                   const QString& track, const QString& genre, const QString& year,
                   const QString& album, const QString& title) {
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return false;
    TMetaTag meta;
    meta.SetValue(QStringLiteral("artist"), artist);
    meta.SetValue(QStringLiteral("title"), title);
    meta.SetValue(QStringLiteral("album"), album);
    meta.SetValue(QStringLiteral("year"), year);
    meta.SetValue(QStringLiteral("genre"), genre);
    meta.SetValue(QStringLiteral("track"), track);
    meta.SetValue(QStringLiteral("comments"), comments);
    // The facade closes the file on every way out.
    return WriteUnified(af, path, meta, kinds, {});
}

bool EditFileTags(const QString& path, const QHash<QString, QString>& values, int kinds,
                  const TTagWriteOptions& options) {
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return false;
    TMetaTag meta;
    meta.FromFileTags(af.Reader->Tags, TMetaTag::FamilyOf(WideExtractFileExt(path, true)));
    for (auto it = values.begin(); it != values.end(); ++it)
        meta.SetValue(it.key(), it.value());
    return WriteUnified(af, path, meta, kinds, options);
}

int WritableTagKinds(uint8_t formatCode, int tagKinds) {
    switch (formatCode) {
    case fcMpeg:
    case fcMpc:
    case fcApe:
    case fcAc3:
        return tkId3v1 | tkId3v2 | tkApeV2;
    case fcWave:
        return tkId3v2 | (tagKinds & (tkId3v1 | tkApeV2));
    case fcOgg:
        return tkVorbis;
    default:
        return 0;
    }
}

int DefaultTagKinds(uint8_t formatCode, int tagKinds) {
    switch (formatCode) {
    case fcMpeg:
    case fcWave:
    case fcAc3:
        return tagKinds | tkId3v2;
    case fcOgg:
        return tagKinds | tkVorbis;
    case fcApe:
    case fcMpc:
        return tagKinds | tkApeV2;
    default:
        return 0;
    }
}

#include "audio/FileTags.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "tags/MetaTag.h"

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
    try {
        TMetaTag meta;
        meta.SetValue(QStringLiteral("artist"), artist);
        meta.SetValue(QStringLiteral("title"), title);
        meta.SetValue(QStringLiteral("album"), album);
        meta.SetValue(QStringLiteral("year"), year);
        meta.SetValue(QStringLiteral("genre"), genre);
        meta.SetValue(QStringLiteral("track"), track);
        meta.SetValue(QStringLiteral("comments"), comments);
        const int family = TMetaTag::FamilyOf(WideExtractFileExt(path, true));
        meta.ToFileTags(family);
        TAbstractAudioFile& reader = *af.Reader;
        reader.Tags = MergeFamilyLines(reader.Tags, meta.Fields, family);
        bool result = reader.WriteTags(kinds);
        af.Close();
        return result;
    } catch (...) {
        af.Close();
        throw;
    }
}

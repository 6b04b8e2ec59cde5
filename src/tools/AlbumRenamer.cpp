#include "tools/AlbumRenamer.h"

#include "audio/AudioFile.h"
#include "audio/TagWriter.h"
#include "io/FileUtils.h"
#include "io/SafeRewrite.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tags/FieldList.h"
#include "tags/MetaTag.h"
#include "tools/AutoSort.h"
#include "tools/FolderScan.h"
#include "tools/Patterns.h"
#include "tools/Playlist.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"
#include "tools/TextFile.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxNameBytes = 255;

QString WithoutControls(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F) out.append(c);
    return out;
}

// Cuts `base` until base + extension fits a file name, never inside a surrogate pair.
QString FitName(QString base, const QString& extension) {
    const qsizetype extBytes = extension.toUtf8().size();
    while (!base.isEmpty() && base.toUtf8().size() + extBytes > kMaxNameBytes) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate()) base.chop(1);
    }
    return base;
}

QString SafeName(const QString& expanded, const QString& extension) {
    const QString base = FitName(WithoutControls(SanitizeFileName(expanded)), extension);
    const QString name = base + WithoutControls(SanitizeFileName(extension));
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

QString ExtensionWithDot(const QString& path) {
    const QString ext = WideExtractFileExt(path, true);
    return ext.isEmpty() ? QString() : QLatin1Char('.') + ext;
}

} // namespace

bool AlbumListsReady(const QStringList& entries, const QStringList& tracks, TPrompter& prompter) {
    if (entries.isEmpty()) {
        prompter.ShowPlainMessage(Tr("Empty local files list."));
        return false;
    }
    if (tracks.isEmpty()) {
        prompter.ShowPlainMessage(Tr("Empty new tracks list. Please query the FreeDB first."));
        return false;
    }
    if (entries.size() != tracks.size()) {
        prompter.ShowPlainMessage(Tr("Number of tracks does not match."));
        return false;
    }
    return true;
}

QString AlbumFileName(const QString& pattern, const QString& artist, const QString& album,
                      const QString& genre, const QString& year, const QString& trackName,
                      int trackNumber, const QString& extension) {
    return SafeName(
        ExpandPattern(pattern, artist, album, QString(), genre, year, trackName, trackNumber),
        extension);
}

QString AlbumPlaylistFolder(const QString& albumFolder, int mode, const QString& given) {
    QString folder = albumFolder;
    if (mode == 1) {
        const QString inner = WideExcludeTrailingBackslash(albumFolder);
        const qsizetype cut = inner.lastIndexOf(kPathDelim);
        if (cut >= 0) folder = inner.left(cut);
    } else if (mode == 2) {
        folder = given;
    }
    return WideIncludeTrailingBackslash(folder);
}

QStringList AlbumPlaylistLines(const QString& albumFolder, const QStringList& entries,
                               const QString& playlistFolder, bool relative) {
    const QString folder = WideIncludeTrailingBackslash(albumFolder);
    QStringList lines;
    for (const QString& e : entries)
        if (e != kFakeTrack)
            lines.append(relative ? MakeRelativeEntry(folder + e, playlistFolder) : folder + e);
    return lines;
}

// The whole remove-then-write of a file in one all-or-nothing operation: the chosen kinds
// are written and, when the file has one of them, the kinds it has beside them dropped.
bool WriteAlbumFileTags(const QString& path, const TAlbumTagValues& values, int kinds) {
    TAudioFile af;
    af.SetFileName(path);
    if (!af.Open()) return false;
    TMetaTag meta;
    meta.SetValue(QStringLiteral("artist"), values.Artist);
    meta.SetValue(QStringLiteral("title"), values.Title);
    meta.SetValue(QStringLiteral("album"), values.Album);
    meta.SetValue(QStringLiteral("year"), values.Year);
    meta.SetValue(QStringLiteral("genre"), values.Genre);
    meta.SetValue(QStringLiteral("track"), values.Track);
    meta.SetValue(QStringLiteral("comments"), values.Comments);
    const int family = TMetaTag::FamilyOf(WideExtractFileExt(path, true));
    meta.ToFileTags(family);
    TAbstractAudioFile& reader = *af.Reader;
    const int present = reader.TagKinds & 15;
    reader.Tags = MergeFamilyLines(reader.Tags, meta.Fields, family);
    TTagChange change;
    change.Write = kinds;
    if (present & kinds) change.Remove = present & ~kinds;
    change.Fields = reader.Tags;
    // The facade closes the file on every way out.
    return reader.ChangeTags(change);
}

namespace {

bool WriteAlbumPlaylist(const QString& path, const QStringList& lines, QString& error) {
    QByteArray bytes;
    for (const QString& l : lines)
        AppendTextLine(bytes, l);
    try {
        SafeWriteFile(path,
                      [&](TWFileStream& out) { out.WriteBuffer(bytes.constData(), bytes.size()); });
    } catch (const ESonvaleError& e) {
        error = e.Message;
        return false;
    }
    return true;
}

} // namespace

TAlbumRenamerResult RunAlbumRenamer(const TAlbumRenamerOptions& o, TProgress& progress,
                                    TPrompter& prompter) {
    TAlbumRenamerResult result;
    result.Entries = o.Entries;
    if (!AlbumListsReady(o.Entries, o.Tracks, prompter)) return result;
    const QString pattern = SanitizeFileName(o.Pattern);
    if (pattern.trimmed().isEmpty() || !IsValidPattern(pattern)) {
        prompter.ShowPlainMessage(
            Tr("Invalid rename pattern. Please use the Settings form to select a valid pattern"));
        return result;
    }
    result.Ran = true;
    const QString folder = WideIncludeTrailingBackslash(o.Folder);
    const int count = int(o.Entries.size());
    const int kinds = o.TagMask & 15;
    progress.SetRange(100);
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        const QString entry = result.Entries[i];
        if (entry == kFakeTrack) continue;
        TAlbumFileResult file;
        file.Track = n;
        file.OldName = entry;
        file.NewName = entry;
        const QString oldPath = folder + entry;
        QStringList errors;
        const QString newName = AlbumFileName(pattern, o.Artist, o.Album, o.Genre, o.Year,
                                              o.Tracks[i], n, ExtensionWithDot(oldPath));
        if (o.Tag && kinds) {
            const TAlbumTagValues values{o.Artist, o.Tracks[i],        o.Album,   o.Year,
                                         o.Genre,  QString::number(n), o.Comments};
            try {
                if (!WideFileExists(oldPath))
                    errors << Tr("No such file");
                else if (o.DryRun)
                    file.Tagged = FormatCodeOfName(oldPath) != 0;
                else if (WriteAlbumFileTags(oldPath, values, kinds))
                    file.Tagged = true;
                else
                    errors << Tr("tags not written");
            } catch (const ESonvaleError& e) {
                if (!o.KeepGoing) throw;
                errors << e.Message;
            }
        }
        if (o.Rename) {
            if (newName.isEmpty()) {
                errors << Tr("the pattern gives no usable file name");
            } else if (folder + newName != oldPath) {
                file.NewName = newName;
                QString why;
                if (o.DryRun) {
                    file.Renamed = true;
                } else if (WideRenameFile(oldPath, folder + newName, &why)) {
                    file.Renamed = true;
                    result.Entries[i] = newName;
                } else {
                    prompter.ShowPlainMessage(why + QStringLiteral("\n\r") + folder + newName);
                    errors << why;
                }
            }
        }
        file.Error = errors.join(QStringLiteral("; "));
        if (!file.Error.isEmpty()) ++result.Failed;
        result.Files.append(file);
        if (o.FileDone) o.FileDone(file);
        progress.SetPosition(int(std::lround(double(n) * 100.0 / count)));
    }
    if (o.Playlist) {
        const QString plsFolder = AlbumPlaylistFolder(folder, o.PlaylistDirMode, o.PlaylistFolder);
        const QString name =
            SafeName(ExpandPattern(o.PlaylistPattern, o.Artist, o.Album, kPlaylistPatternSkip,
                                   o.Genre, o.Year, QStringLiteral("Track Name"), 0),
                     QStringLiteral(".m3u"));
        result.PlaylistLines =
            AlbumPlaylistLines(folder, result.Entries, plsFolder, o.PlaylistRelative);
        QString error;
        if (o.PlaylistDirMode == 2 && o.PlaylistFolder.trimmed().isEmpty())
            error = Tr("no playlist folder is set");
        else if (name.isEmpty())
            error = Tr("the playlist pattern gives no usable file name");
        else
            result.PlaylistPath = plsFolder + name;
        if (error.isEmpty() && !o.DryRun)
            result.PlaylistWritten =
                WriteAlbumPlaylist(result.PlaylistPath, result.PlaylistLines, error);
        if (!error.isEmpty()) {
            prompter.ShowMessageBox(Tr("The playlist could not be written: %1").arg(error), mbOk,
                                    mkError);
            ++result.Failed;
        }
    }
    progress.SetPosition(0);
    return result;
}

QStringList ListAlbumFolder(const QString& folder) {
    QStringList names;
    TFolderScanHooks hooks;
    hooks.File = [&](const QString& path) {
        if (IsListablePath(path)) names << WideExtractFileName(path);
    };
    ScanFolder(folder, false, hooks);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool ReadTrackNames(const QString& path, QStringList& names) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    names.clear();
    try {
        for (QString line : DecodeTextLines(f.read(16 << 20))) {
            line = line.trimmed();
            if (!line.isEmpty()) names << line;
        }
    } catch (const ESonvaleError&) {
        return false; // not text
    }
    return true;
}

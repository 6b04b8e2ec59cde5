#include "tools/PlaylistTools.h"

#include "io/FileUtils.h"
#include "lang/TextStorage.h"
#include "tools/Playlist.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"
#include "tools/StreamWriter.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

QString PlaylistDialogFilter(const QString& caption) {
    return caption + QStringLiteral("|*.m3u;*.m3u8;*.pls;*.xpl");
}

bool IsForbiddenNameChar(QChar c) {
    return QStringView(u"/\\:*?\"<>|").contains(c);
}

QString PlaylistFolderForFile(const QString& file, int dirMode) {
    const QString folder = WideExtractFileDir(file);
    if (dirMode == 0)
        return WideIncludeTrailingBackslash(folder.isEmpty() ? QStringLiteral("/") : folder);
    if (dirMode != 1) return QString();
    const QString parent = WideExtractFileDir(folder);
    // A file at the top has no folder above its own.
    return WideIncludeTrailingBackslash(parent.isEmpty() ? QStringLiteral("/") : parent);
}

QStringList ImportPlaylistEntries(const QString& playlist) {
    QStringList entries;
    ReadPlaylist(playlist, entries);
    const QString folder = QFileInfo(playlist).absolutePath();
    QStringList paths;
    paths.reserve(entries.size());
    for (const QString& e : entries)
        if (!e.isEmpty()) paths.append(ResolvePlaylistEntry(e, folder));
    return paths;
}

TPlaylistCreatorResult RunPlaylistCreator(const TPlaylistCreatorOptions& options,
                                          TStreamWriter& writer, TPrompter& prompter) {
    TPlaylistCreatorResult result;
    result.Name = options.Name.trimmed();
    if (options.Entries.isEmpty()) {
        prompter.ShowPlainMessage(Tr("Empty List"));
        return result;
    }
    // A pasted separator would put the playlist into another folder.
    if (result.Name.isEmpty() ||
        std::any_of(result.Name.begin(), result.Name.end(), IsForbiddenNameChar)) {
        prompter.ShowPlainMessage(Tr("Invalid Playlist Name"));
        return result;
    }
    QString folder = options.OutputFolder.trimmed();
    if (folder != QString(kPathDelim)) folder = WideExcludeTrailingBackslash(folder);
    if (folder.isEmpty() || !WideDirectoryExists(folder)) {
        prompter.ShowPlainMessage(Tr("Invalid Output Directory"));
        return result;
    }
    const QString base = WideIncludeTrailingBackslash(folder);
    QStringList entries = options.Entries;
    if (options.Relative)
        for (QString& e : entries)
            e = MakeRelativeEntry(e, base);
    result.Target = base + result.Name + QStringLiteral(".m3u");
    writer.Buffer.clear();
    WritePlaylist(QStringLiteral("m3u"), entries, writer.Buffer);
    writer.Target = result.Target;
    result.Written = RunStreamWriterAndTell(writer, prompter);
    return result;
}

TLoadedPlaylist LoadPlaylistForCheck(const QString& path) {
    TLoadedPlaylist playlist;
    const QFileInfo info(path);
    playlist.Path = info.absoluteFilePath();
    playlist.Folder = WideIncludeTrailingBackslash(info.absolutePath());
    QStringList entries;
    ReadPlaylist(playlist.Path, entries);
    playlist.Entries.reserve(entries.size());
    for (const QString& e : entries)
        playlist.Entries.append(ResolvePlaylistEntry(e, playlist.Folder));
    return playlist;
}

bool IsValidPlaylistEntry(const QString& entry, const QString& folder) {
    if (entry.isEmpty()) return false;
    // An entry that is not absolute counts below the playlist only, never below the
    // folder the program happens to run in.
    return (entry.startsWith(kPathDelim) && WideFileExists(entry)) ||
           WideFileExists(folder + entry);
}

TPlaylistAnalysis AnalysePlaylist(const QStringList& entries, const QString& folder,
                                  TProgress& progress) {
    TPlaylistAnalysis analysis;
    progress.SetRange(100);
    const qsizetype n = entries.size();
    for (qsizetype i = 0; i < n; ++i) {
        (IsValidPlaylistEntry(entries[i], folder) ? analysis.Valid : analysis.Invalid)
            .append(entries[i]);
        progress.SetPosition(int(std::nearbyint(100.0 * double(i + 1) / double(n))));
    }
    if (n == 0) progress.SetPosition(100);
    return analysis;
}

bool SaveCheckedPlaylist(const TLoadedPlaylist& playlist, const QStringList& entries, bool relative,
                         TStreamWriter& writer, TPrompter& prompter) {
    if (!WideFileExists(playlist.Path)) {
        prompter.ShowPlainMessage(Tr("Please load a playlist first."));
        return false;
    }
    if (entries.isEmpty()) {
        prompter.ShowPlainMessage(
            Tr("Empty playlist... You should delete the playlist file manually."));
        return false;
    }
    QStringList out = entries;
    if (relative)
        for (QString& e : out)
            e = MakeRelativeEntry(e, playlist.Folder);
    writer.Buffer.clear();
    // A playlist of another kind would be replaced by nothing.
    if (!WritePlaylist(PlaylistFormatKey(playlist.Path), out, writer.Buffer)) {
        prompter.ShowPlainMessage(Tr("Failed."));
        return false;
    }
    writer.Target = playlist.Path;
    return RunStreamWriterAndTell(writer, prompter);
}

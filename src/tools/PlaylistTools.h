#pragma once
// The playlist creator and the playlist checker.

#include <QString>
#include <QStringList>

class TProgress;
class TPrompter;
class TStreamWriter;

// The open dialog's filter for playlists.
QString PlaylistDialogFilter(const QString& caption);

// ---- creator ----

// Characters a playlist name may not hold: / \ : * ? " < > |
bool IsForbiddenNameChar(QChar c);

// The output folder (with a trailing separator) a first added file gives: 0 its own
// folder, 1 the folder above it (its own for a file at the root), 2 none.
QString PlaylistFolderForFile(const QString& file, int dirMode);

// The entries of a playlist resolved against its folder, empty ones dropped, in order;
// the creator's own add rule still applies to each.
QStringList ImportPlaylistEntries(const QString& playlist);

struct TPlaylistCreatorOptions {
    QStringList Entries; // full paths in playlist order
    QString Name;        // without extension
    QString OutputFolder;
    bool Relative = false;
};

struct TPlaylistCreatorResult {
    bool Written = false;
    QString Name; // trimmed, for the name field
    QString Target;
};

// "Create Playlist": checks the list, the name and the folder ("Empty List", "Invalid
// Playlist Name", "Invalid Output Directory"), writes <folder>/<name>.m3u through the
// writer and tells "Done !" or "Failed.".
TPlaylistCreatorResult RunPlaylistCreator(const TPlaylistCreatorOptions& options,
                                          TStreamWriter& writer, TPrompter& prompter);

// ---- checker ----

struct TLoadedPlaylist {
    QString Path;        // absolute
    QString Folder;      // with a trailing separator
    QStringList Entries; // resolved, empty ones kept
};
// Raises what ReadPlaylist raises.
TLoadedPlaylist LoadPlaylistForCheck(const QString& path);

// An entry names an existing file below the playlist's folder, or is one itself.
bool IsValidPlaylistEntry(const QString& entry, const QString& folder);

struct TPlaylistAnalysis {
    QStringList Valid;   // in order
    QStringList Invalid; // in order
};
// One existence check per entry; progress 0 to 100.
TPlaylistAnalysis AnalysePlaylist(const QStringList& entries, const QString& folder,
                                  TProgress& progress);

// "Save Playlist": writes the entries back over the playlist in its own format
// ("Please load a playlist first.", "Empty playlist... You should delete the playlist
// file manually.", "Done !", "Failed."). True when written.
bool SaveCheckedPlaylist(const TLoadedPlaylist& playlist, const QStringList& entries, bool relative,
                         TStreamWriter& writer, TPrompter& prompter);

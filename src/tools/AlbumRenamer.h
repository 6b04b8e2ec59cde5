#pragma once
// The album renamer's run: each local file in track order gets the album's tags and its
// track name, is renamed after the pattern, and an album playlist is written.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TProgress;
class TPrompter;

struct TAlbumFileResult {
    int Track = 0;
    QString OldName; // entry names, without folder
    QString NewName; // the name the pattern gives (the old one when not renamed)
    bool Tagged = false;
    bool Renamed = false;
    QString Error; // empty when everything asked for this file was done
};

struct TAlbumRenamerOptions {
    QString Folder;      // the album folder
    QStringList Entries; // names in track order; kFakeTrack holds a track's place
    QStringList Tracks;  // new track names, same length
    QString Artist, Album, Year, Genre, Comments;
    bool Rename = true;
    bool Tag = true;
    bool Playlist = false;
    QString Pattern;  // file-name pattern
    int TagMask = 31; // 1 ID3v1, 2 ID3v2, 4 APEv2, 8 Vorbis comments
    QString PlaylistPattern;
    int PlaylistDirMode = 0; // 0 album folder, 1 parent folder, 2 PlaylistFolder
    QString PlaylistFolder;
    bool PlaylistRelative = false;
    bool DryRun = false;    // plan only: nothing is written or renamed
    bool KeepGoing = false; // a file its reader refuses fails alone instead of ending the run
    std::function<void(const TAlbumFileResult&)> FileDone;
};

struct TAlbumRenamerResult {
    bool Ran = false;
    QStringList Entries; // the local list after the renames
    QList<TAlbumFileResult> Files;
    int Failed = 0;
    QString PlaylistPath;
    QStringList PlaylistLines;
    bool PlaylistWritten = false;
};

// "Empty local files list.", "Empty new tracks list. Please query the FreeDB first." or
// "Number of tracks does not match." as plain messages; true when neither applies.
bool AlbumListsReady(const QStringList& entries, const QStringList& tracks, TPrompter& prompter);

// The file name the pattern gives one track, made safe: the forbidden characters and
// control characters removed, cut to the file system's 255 bytes. Empty when nothing
// usable is left (an empty name, "." or ".."), so a name can never leave the folder.
QString AlbumFileName(const QString& pattern, const QString& artist, const QString& album,
                      const QString& genre, const QString& year, const QString& trackName,
                      int trackNumber, const QString& extension);

// The playlist's folder (with a trailing separator) by the folder mode.
QString AlbumPlaylistFolder(const QString& albumFolder, int mode, const QString& given);
// One line per file: the bare name relative to the playlist's folder, or the full path.
QStringList AlbumPlaylistLines(const QString& albumFolder, const QStringList& entries,
                               const QString& playlistFolder, bool relative);

// Writes the seven fields (merged into the file's tags, which keep everything else) in
// the chosen kinds and drops the file's other kinds when it held a chosen one. False when
// no reader takes the file or a write failed; a refusal raises.
struct TAlbumTagValues {
    QString Artist, Title, Album, Year, Genre, Track, Comments;
};
bool WriteAlbumFileTags(const QString& path, const TAlbumTagValues& values, int kinds);

// "Go": checks the lists and the pattern, then tags, renames and writes the playlist.
TAlbumRenamerResult RunAlbumRenamer(const TAlbumRenamerOptions& options, TProgress& progress,
                                    TPrompter& prompter);

// The audio files directly in `folder` that the album renamer lists, by name, letter case
// ignored (names only).
QStringList ListAlbumFolder(const QString& folder);

// Track names from a text file, one a line (UTF-8, else Windows-1252); blank lines skipped.
// False when the file cannot be read.
bool ReadTrackNames(const QString& path, QStringList& names);

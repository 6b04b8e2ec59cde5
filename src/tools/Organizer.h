#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TMetaTag;
class TProgress;
class TPrompter;

enum class TOrganizeStatus {
    Moved,          // into another folder (renamed too when asked)
    Renamed,        // in its own folder
    Unchanged,      // already at its target
    IncompleteTags, // a tag the patterns need is empty; the file was not touched
    Failed,         // not moved; Reason says why
};

// What became of one list entry. With DryRun the moves are only planned.
struct TOrganizedFile {
    int Index = 0;
    QString OldPath;
    QString NewPath; // the target; empty when none could be built
    TOrganizeStatus Status = TOrganizeStatus::Failed;
    QString Reason;
};

struct TOrganizerOptions {
    QStringList Paths; // in list order
    bool Rename = false;
    bool Move = false;
    QString RenamePattern = QStringLiteral("%1 - %3 - %2");
    QString SubDirPattern = QStringLiteral("%1"); // "\" separates folder levels
    QString BaseDir;
    // Plans every move, as the run would make it, and changes nothing.
    bool DryRun = false;
    // A file refused by its reader raises and ends the run there, as every tool's run
    // does; batch callers that report per file set this to count it as failed and go on.
    bool KeepGoing = false;
    std::function<void(const TOrganizedFile&)> FileDone;
};

struct TOrganizerResult {
    bool Ran = false; // false when the base folder is not a folder
    int Total = 0;
    int Moved = 0;
    int Renamed = 0;
    int Unchanged = 0;
    QStringList IncompleteTags;     // in list order
    QList<TOrganizedFile> Failures; // every other file that stayed where it was
    bool LoadIntoEditor = false;    // the user asked for the incomplete files in the editor
};

// The options the settings hold: patterns and base folder.
TOrganizerOptions OrganizerOptionsFromSettings();

// The fields ("artist", "album", ...) a pattern needs and the tag lacks. The subfolder
// never expands "%2" and "%6", so it does not need them.
QStringList MissingSubfolderTags(const QString& pattern, const TMetaTag& tag);
QStringList MissingFileNameTags(const QString& pattern, const TMetaTag& tag);
inline bool SubfolderTagsComplete(const QString& pattern, const TMetaTag& tag) {
    return MissingSubfolderTags(pattern, tag).isEmpty();
}
inline bool FileNameTagsComplete(const QString& pattern, const TMetaTag& tag) {
    return MissingFileNameTags(pattern, tag).isEmpty();
}

// "Go" of the organizer: renames and/or moves every file after its tags, never over an
// existing file. Ends with "Done !" when every file was handled, else says how many
// could not be moved or renamed, and offers files with incomplete tags to the editor.
TOrganizerResult RunOrganizer(const TOrganizerOptions& options, TProgress& progress,
                              TPrompter& prompter);

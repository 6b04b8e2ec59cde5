#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TProgress;
class TPrompter;

// The three branches of the tree, as their folders are named.
inline const QString kByArtistAndAlbum = QStringLiteral("By Artist and Album");
inline const QString kByAlbum = QStringLiteral("By Album");
inline const QString kByArtist = QStringLiteral("By Artist");

// A folder (its text is one folder name) or a leaf (its text is an audio file's path).
struct TMagicNode {
    QString Text;
    bool Folder = true;
    std::vector<TMagicNode> Children;
    QHash<QString, int> FolderIndex; // child folders by text, so adding stays linear
};

// The preview tree: folders found or made level by level, one leaf per song and branch.
class TMagicTree {
public:
    // Splits `folderPath` at "\" into its non-empty parts and adds the leaf below the
    // last; each part finds its folder by exact text or makes one.
    void AddSongToTree(const QString& folderPath, const QString& audioPath);
    // Every level by text: letter case ignored first, then exact.
    void Sort();
    void Clear();
    const std::vector<TMagicNode>& Roots() const { return FRoot.Children; }
    int Count = 0; // leaves

private:
    TMagicNode FRoot;
};

struct TMagicSong {
    QString Path;
    bool Added = false;
    QString Reason; // why a song is not in the tree
};

struct TMagicBuildOptions {
    QStringList Paths; // in list order
    // A file refused by its reader raises and ends the building there; batch callers that
    // report per file set this to count it as failed and go on.
    bool KeepGoing = false;
    std::function<void(const TMagicSong&)> SongDone;
};

struct TMagicBuildResult {
    bool Ran = false; // false for an empty list
    int Added = 0;
    QStringList IncompleteTags;  // songs without a usable artist or album, in list order
    bool LoadIntoEditor = false; // the user stopped to load them into the tag editor
};

// The three folder paths ("\"-separated, as AddSongToTree takes them) of a song; false
// with the reason when the artist or album is empty or cannot be a folder name.
bool MagicFolderPaths(const QString& artist, const QString& album, QStringList& paths,
                      QString* why = nullptr);

// "Go": reads each song's tags into `tree` (progress 0 to entries - 1). Songs lacking an
// artist or album are collected; the user may stop to load them into the tag editor.
TMagicBuildResult BuildMagicTree(const TMagicBuildOptions& options, TMagicTree& tree,
                                 TProgress& progress, TPrompter& prompter);

// One link of the folder: `Link` is the full path of the link, `Target` the audio file.
struct TMagicLink {
    QString Link;
    QString Target;
    bool Made = false;
    QString Reason;
};

// The links a tree gives below `base`, in tree order; each named after its audio file,
// a second song of the same file name in one folder gets " (2)" before the extension.
QList<TMagicLink> PlanMagicLinks(const TMagicTree& tree, const QString& base);

struct TMagicCreateOptions {
    QString BaseFolder;    // the magic folder itself
    QString DesktopFolder; // gets the link "Sonvale Magic Folder"; empty: no link
    bool DryRun = false;   // plans every link and changes nothing
    std::function<void(const TMagicLink&)> LinkDone;
};

struct TMagicCreateResult {
    bool Ran = false; // false when the base folder holds something else
    int Made = 0;
    QList<TMagicLink> Failures;
};

// The magic folder in the per-user data folder, and the user's desktop folder.
QString DefaultMagicFolder();
QString DesktopFolder();
inline const QString kDesktopLinkName = QStringLiteral("Sonvale Magic Folder");

// True when `folder` may be cleared and rebuilt: it is missing or empty, or holds one of
// the three branch folders. Any other folder holds the user's own things.
bool IsMagicFolder(const QString& folder);

// Removes every symbolic link below `folder` and the folders this leaves empty; regular
// files, and the folders that hold them, stay. Links are never followed. False when
// something it should remove could not be removed.
bool ClearMagicFolder(const QString& folder);

// "Create": clears the base folder, rebuilds it from the tree (progress 0 to leaves) and
// links it from the desktop; says "Magic Folder successfully updated." when every link
// was made, else how many were not.
TMagicCreateResult CreateMagicFolder(const TMagicTree& tree, const TMagicCreateOptions& options,
                                     TProgress& progress, TPrompter& prompter);

#pragma once

#include <QString>
#include <functional>

// Text after the last "." of a path when no folder separator follows it; empty without a dot.
QString ListPathExtension(const QString& path);

// Whether a path may enter a tool's list: longer than three characters with a supported
// audio extension. Duplicates are the list's own business.
bool IsListablePath(const QString& path);

struct TFolderScanHooks {
    std::function<void(const QString& path)> File;     // every file, in listing order
    std::function<void(const QString& folder)> Folder; // each folder as its walk starts
    std::function<bool()> Cancelled;                   // checked after each file
};

// Walks `folder` depth first: a subfolder's content comes before the entries that follow
// it. Hidden files are delivered too; nothing is sorted. A folder that cannot be listed
// ends only its own walk. Symbolic links to folders are not followed, so a link cycle
// cannot make the walk endless. Returns false when cancelled.
bool ScanFolder(const QString& folder, bool recurse, const TFolderScanHooks& hooks);

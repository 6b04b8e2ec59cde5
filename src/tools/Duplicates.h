#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TProgress;

// The digests that occur at least twice (letter case ignored; an empty text, a file that
// was missing or not confirmed, never forms a group), each once, in ascending order.
QStringList BuildGroups(const QStringList& digests);

// Indices of the digests equal to `code` (letter case ignored), in order.
QList<int> GroupMembers(const QStringList& digests, const QString& code);

struct TTrashResult {
    QStringList Moved;
    QStringList Failed; // in the order given
    QStringList Errors; // why, one per failed file
};

// Moves each file to the desktop's trash, never deleting one outright; a file that cannot
// go there stays where it is and is reported. Progress 0 .. number of files.
TTrashResult MoveFilesToTrash(const QStringList& paths, TProgress& progress);

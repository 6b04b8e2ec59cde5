#include "tools/Duplicates.h"

#include "io/FileUtils.h"
#include "tools/Progress.h"

#include <algorithm>

QStringList BuildGroups(const QStringList& digests) {
    QStringList sorted;
    for (const QString& d : digests)
        if (!d.isEmpty()) sorted << d;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QStringList groups;
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        const bool repeated = sorted[i].compare(sorted[i - 1], Qt::CaseInsensitive) == 0;
        // Sorted, so a group already listed is the last one.
        if (repeated &&
            (groups.isEmpty() || groups.last().compare(sorted[i], Qt::CaseInsensitive) != 0))
            groups << sorted[i];
    }
    return groups;
}

QList<int> GroupMembers(const QStringList& digests, const QString& code) {
    QList<int> members;
    if (code.isEmpty()) return members;
    for (qsizetype i = 0; i < digests.size(); ++i)
        if (digests[i].compare(code, Qt::CaseInsensitive) == 0) members << int(i);
    return members;
}

TTrashResult MoveFilesToTrash(const QStringList& paths, TProgress& progress) {
    TTrashResult result;
    progress.SetRange(int(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QString error;
        if (WideMoveToTrash(paths[i], &error)) {
            result.Moved << paths[i];
        } else {
            result.Failed << paths[i];
            result.Errors << error;
        }
        progress.SetPosition(int(i + 1));
    }
    return result;
}

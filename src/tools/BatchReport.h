#pragma once

#include <QList>
#include <QString>
#include <functional>

class TProgress;
class TPrompter;

// Told after each file of a tool's run: whether the file was done and, when it was not,
// why (empty when the reason is unknown).
using TFileDone = std::function<void(const QString& path, bool ok, const QString& error)>;

// A file a run could not handle, and why.
struct TFileFailure {
    QString Path;
    QString Reason;
};

// `head`, then one "path: reason" line for each of the first `shown` failures and a count
// of the others: a run's failures told in one message.
QString FailureListText(const QString& head, const QList<TFileFailure>& failures, int shown = 15);

// Why a listed file cannot be found: a name that is not valid UTF-8 on disk reaches the
// lists with replacement characters and cannot be opened by that name.
QString MissingFileReason(const QString& path);

// The error message of a run in which files failed: "N of TOTAL files could not be WHAT:"
// and the failures with their reasons. Nothing when none failed.
void TellFailures(TPrompter& prompter, const QList<TFileFailure>& failures, int total,
                  const QString& what);

// The message of what `work` raises (an ESonvaleError or another exception); empty when it
// raises nothing. For runs that count a refused file and go on.
QString CaughtError(const std::function<void()>& work);

// Walks files 0 to total - 1 in order with the progress from 1 to total: `handle` gets each
// index. False when the user stopped the run before a file.
bool ForEachFile(int total, TProgress& progress, const std::function<void(int index)>& handle);

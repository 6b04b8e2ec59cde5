#pragma once

#include <QList>
#include <QString>
#include <functional>

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

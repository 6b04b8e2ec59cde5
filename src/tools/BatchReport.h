#pragma once

#include "io/SonvaleError.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

// Told after each file of a tool's run: whether the file was done and, when it was not,
// why (empty when the reason is unknown).
using TFileDone = std::function<void(const QString& path, bool ok, const QString& error)>;

// A closing message: `heading`, then the first ten of `lines` ("path: reason") and "..."
// for the rest.
inline QString FailureListText(const QString& heading, const QStringList& lines) {
    constexpr int kListed = 10;
    QString text = heading;
    for (int i = 0; i < lines.size() && i < kListed; ++i)
        text += QLatin1Char('\n') + lines[i];
    if (lines.size() > kListed) text += QStringLiteral("\n...");
    return text;
}

// One file's work in a batch: the error it raises as text, empty when none. Unless
// `keepGoing`, the error passes on instead and the batch stops at that file.
template <class F> QString FileStepError(bool keepGoing, const F& work) {
    try {
        work();
    } catch (const ESonvaleError& e) {
        if (!keepGoing) throw;
        return e.Message;
    } catch (const std::exception& e) {
        if (!keepGoing) throw;
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}

class TProgress;
class TPrompter;

// A file a run could not handle, and why.
struct TFileFailure {
    QString Path;
    QString Reason;
};

// Why a listed file cannot be found: a name that is not valid UTF-8 on disk may reach a
// list with replacement characters and then cannot be opened by that name.
QString MissingFileReason(const QString& path);

// The end of a run over `total` files: when the user stopped it, how many were handled
// (plain message); when files failed, the error message `heading` ("%1 of %2 files could
// not be ...:", %1 the failures and %2 `total`) and the failures with their reasons. The
// heading comes whole so that a translation can make its words agree.
void TellRunEnd(TPrompter& prompter, const QList<TFileFailure>& failures, int handled, int total,
                bool stopped, const QString& heading);

// Walks `paths` in order with the progress from 1 to their count, showing each file:
// `handle` gets each index. False when the user stopped the run before a file.
bool ForEachFile(const QStringList& paths, TProgress& progress,
                 const std::function<void(int index)>& handle);

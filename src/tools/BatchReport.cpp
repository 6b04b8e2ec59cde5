#include "tools/BatchReport.h"

#include "io/SonvaleError.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

QString FailureListText(const QString& head, const QList<TFileFailure>& failures, int shown) {
    QString text = head;
    const int n = int(failures.size());
    for (int i = 0; i < n && i < shown; ++i)
        text += QStringLiteral("\n%1: %2").arg(failures[i].Path, failures[i].Reason);
    if (n > shown) text += QStringLiteral("\n... and %1 more").arg(n - shown);
    return text;
}

QString MissingFileReason(const QString& path) {
    if (path.contains(QChar(QChar::ReplacementCharacter)))
        return QStringLiteral("the name on disk is not valid UTF-8");
    return QStringLiteral("No such file");
}

void TellFailures(TPrompter& prompter, const QList<TFileFailure>& failures, int total,
                  const QString& what) {
    if (failures.isEmpty()) return;
    prompter.ShowMessageBox(FailureListText(QStringLiteral("%1 of %2 files could not be %3:")
                                                .arg(failures.size())
                                                .arg(total)
                                                .arg(what),
                                            failures),
                            mbOk, mkError);
}

QString CaughtError(const std::function<void()>& work) {
    try {
        work();
    } catch (const ESonvaleError& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return QString();
}

bool ForEachFile(int total, TProgress& progress, const std::function<void(int index)>& handle) {
    progress.SetRange(total);
    for (int i = 0; i < total; ++i) {
        if (progress.Cancelled()) return false;
        handle(i);
        progress.SetPosition(i + 1);
    }
    return true;
}

#include "tools/BatchReport.h"

#include "lang/TextStorage.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

QString MissingFileReason(const QString& path) {
    if (path.contains(QChar(QChar::ReplacementCharacter)))
        return Tr("the name on disk is not valid UTF-8");
    return Tr("No such file");
}

void TellRunEnd(TPrompter& prompter, const QList<TFileFailure>& failures, int handled, int total,
                bool stopped, const QString& heading) {
    if (stopped) prompter.ShowPlainMessage(StoppedMessage(handled, total));
    if (failures.isEmpty()) return;
    QStringList lines;
    for (const TFileFailure& f : failures)
        lines << f.Path + QStringLiteral(": ") + f.Reason;
    prompter.ShowMessageBox(
        FailureListText(QString(heading).arg(failures.size()).arg(total), lines), mbOk, mkError);
}

bool ForEachFile(const QStringList& paths, TProgress& progress,
                 const std::function<void(int index)>& handle) {
    const int total = int(paths.size());
    progress.SetRange(total);
    for (int i = 0; i < total; ++i) {
        if (!NextItem(progress, i, total, paths[i])) return false;
        handle(i);
        progress.SetPosition(i + 1);
    }
    return true;
}

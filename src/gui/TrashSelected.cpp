#include "gui/TrashSelected.h"

#include "gui/PanelHost.h"
#include "gui/ToolRun.h"
#include "tools/Duplicates.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QSet>

namespace {

// Failures listed by name in the closing message; more would not fit on the screen.
constexpr int kListedFailures = 10;

QString FailureMessage(const TTrashResult& r) {
    QString text =
        QCoreApplication::translate("TrashSelected", "%1 file(s) could not be moved to the trash:")
            .arg(r.Failed.size());
    for (qsizetype i = 0; i < r.Failed.size() && i < kListedFailures; ++i)
        text += QStringLiteral("\n%1 (%2)").arg(r.Failed[i], r.Errors[i]);
    if (r.Failed.size() > kListedFailures) text += QStringLiteral("\n...");
    return text;
}

} // namespace

void FillResults(QListWidget* results, const QStringList& paths, const QList<int>& numbers) {
    results->setUpdatesEnabled(false);
    results->clear();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        auto* item = new QListWidgetItem(paths[i]);
        item->setData(Qt::UserRole, i < numbers.size() ? numbers[i] : int(i));
        results->addItem(item);
    }
    results->setUpdatesEnabled(true);
}

QList<int> TrashSelectedResults(QListWidget* results, TPanelHost* host, QPushButton* button,
                                QProgressBar* bar,
                                const std::function<QString(bool all)>& question) {
    QStringList chosen;
    QList<int> chosenNumbers;
    for (int i = 0; i < results->count(); ++i)
        if (results->item(i)->isSelected()) {
            chosen << results->item(i)->text();
            chosenNumbers << results->item(i)->data(Qt::UserRole).toInt();
        }
    if (chosen.isEmpty()) {
        host->ShowPlainMessage(QCoreApplication::translate("TrashSelected", "No file(s) selected"));
        return {};
    }
    if (!host->AskWarning(question(chosen.size() == results->count()))) return {};

    TTrashResult trashed;
    {
        TBarProgress progress(bar);
        const TToolRunGuard guard(button, bar);
        trashed = MoveFilesToTrash(chosen, progress);
    }
    // Everything but what went to the trash stays, in its order.
    QStringList kept;
    QList<int> keptNumbers, moved;
    QSet<QString> gone(trashed.Moved.begin(), trashed.Moved.end());
    for (int i = 0; i < results->count(); ++i) {
        const QString path = results->item(i)->text();
        const int number = results->item(i)->data(Qt::UserRole).toInt();
        if (gone.contains(path) && results->item(i)->isSelected()) {
            moved << number;
        } else {
            kept << path;
            keptNumbers << number;
        }
    }
    FillResults(results, kept, keptNumbers);
    host->ShowPlainMessage(trashed.Failed.isEmpty()
                               ? QCoreApplication::translate("TrashSelected", "Done !")
                               : FailureMessage(trashed));
    return moved;
}

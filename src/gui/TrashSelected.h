#pragma once

#include <QList>
#include <QString>
#include <functional>

class QListWidget;
class QProgressBar;
class QPushButton;
class TPanelHost;

// "Delete Selected Files" of a results list: "No file(s) selected" without a selection,
// else the warning `question(all)` (all: every item is selected); on Yes the selected
// files go to the trash, the moved items leave the list and "Done !" closes, or a message
// counts the files that could not be moved (their items stay). Returns the moved items'
// Qt::UserRole values, so the caller can update what it keeps about them. `button` stays
// disabled while the files move.
QList<int> TrashSelectedResults(QListWidget* results, TPanelHost* host, QPushButton* button,
                                QProgressBar* bar,
                                const std::function<QString(bool all)>& question);

// Replaces a results list's items by the paths, each item holding its number from
// `numbers` (or its position) as Qt::UserRole.
void FillResults(QListWidget* results, const QStringList& paths, const QList<int>& numbers = {});

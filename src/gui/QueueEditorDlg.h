#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class TPanelHost;
class TToolList;

// Builds a new queue of files for the single-file tag editor. Its file and folder
// dialogs and questions go through the main window's prompter.
class TQueueEditorDlg : public QDialog {
    Q_OBJECT
public:
    explicit TQueueEditorDlg(TPanelHost* owner);

    // Empties the list and shows the dialog modally; true when closed with "Ok".
    bool ExecuteQueue();
    // The same, starting from `current` (the editor's queue as it is).
    bool ExecuteQueue(const QStringList& current);
    // Appends a supported file that is not yet listed (letter case ignored).
    void QUEUEAddFile(const QString& path);
    QStringList Paths() const;

public slots:
    void queueadd_btnClick();
    void queueaddfolder_btnClick();
    void queuerem_btnClick();
    void queuereset_btnClick();

private:
    TPanelHost* FOwner;
    TToolList* queue_lst;
};

#pragma once

#include <QListWidget>
#include <QSet>
#include <functional>

class QLabel;

// A tool's file list: one full path per item, in the order the tool walks them.
// Reorders its own items by dragging with the mouse; several items can be selected
// (Shift and Ctrl) and removed at once.
class TToolList : public QListWidget {
    Q_OBJECT
public:
    explicit TToolList(const QString& objectName, QWidget* parent = nullptr);
    ~TToolList() override;

    QStringList Paths() const;

    // Appends a path that passes the supported-extension test and is not yet in the list
    // (letter case ignored), or hands it to AddHook where a tool has its own rule.
    // Returns whether it was added.
    bool AddFileToList(const QString& path);
    std::function<bool(const QString& path)> AddHook;

    // Index of the item being dragged, shared by all lists; -1 when no drag is under way.
    static int DragIndex;

signals:
    // A folder was dropped from the file manager; the window scans it with recursion.
    void FolderDropped(const QString& folder);
    // The Delete key: the list's owner removes the selected items as its Remove does.
    void DeletePressed();
    // "Add Folder" chose this folder; its files follow.
    void FolderChosen(const QString& folder);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QSet<QString> FKnown;
    bool FKnownValid = false;
    bool FAdding = false;
};

// "12 files" under a list, kept up to date.
QLabel* MakeCountLabel(TToolList* list, QWidget* parent);
// The items' texts in list order.
QStringList ListTexts(const QListWidget* list);

// The shared list operations; all do nothing without a selection (Reset aside).
// Remove deletes every selected item; then the item before the first removed one is
// selected unless selectAfter is false. Up and Down move the first selected item.
void ListRemove(QListWidget* list, bool selectAfter = true);
void ListReset(QListWidget* list);
void ListUp(QListWidget* list);
void ListDown(QListWidget* list);
// Puts the items in the order of ShuffleList.
void ListShuffle(QListWidget* list);
// Moves the item at `from` to `to`, keeping it selected.
void ListMove(QListWidget* list, int from, int to);

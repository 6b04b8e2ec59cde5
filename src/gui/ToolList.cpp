#include "gui/ToolList.h"

#include "tools/FolderScan.h"
#include "tools/Playlist.h"

#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>

int TToolList::DragIndex = -1;

TToolList::TToolList(const QString& objectName, QWidget* parent) : QListWidget(parent) {
    setObjectName(objectName);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true); // lists of thousands of paths stay quick
    setTextElideMode(Qt::ElideMiddle);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    auto invalidate = [this] {
        if (!FAdding) FKnownValid = false;
    };
    connect(model(), &QAbstractItemModel::rowsInserted, this, invalidate);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, invalidate);
    connect(model(), &QAbstractItemModel::modelReset, this, invalidate);
    connect(model(), &QAbstractItemModel::dataChanged, this, invalidate);
}

QStringList TToolList::Paths() const {
    return ListTexts(this);
}

QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    texts.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

bool TToolList::AddFileToList(const QString& path) {
    if (AddHook) return AddHook(path);
    if (!IsListablePath(path)) return false;
    // The set of known paths is rebuilt after any other change to the list, so thousands
    // of adds in a row stay linear.
    if (!FKnownValid) {
        FKnown.clear();
        for (int i = 0; i < count(); ++i)
            FKnown.insert(item(i)->text().toCaseFolded());
        FKnownValid = true;
    }
    const QString key = path.toCaseFolded();
    if (FKnown.contains(key)) return false;
    FAdding = true;
    addItem(path);
    FAdding = false;
    FKnown.insert(key);
    return true;
}

void TToolList::mousePressEvent(QMouseEvent* e) {
    QListWidget::mousePressEvent(e);
    DragIndex = currentRow();
    if (!currentItem() || !currentItem()->isSelected()) DragIndex = -1;
}

void TToolList::mouseMoveEvent(QMouseEvent* e) {
    QListWidget::mouseMoveEvent(e);
    // The drag index is -1 unless a button went down on a list and is not yet released.
    const int selected = currentRow();
    if (DragIndex >= 0 && count() > 0 && selected >= 0 && selected != DragIndex &&
        DragIndex < count()) {
        ListMove(this, DragIndex, selected);
        DragIndex = selected;
    }
}

void TToolList::mouseReleaseEvent(QMouseEvent* e) {
    QListWidget::mouseReleaseEvent(e);
    DragIndex = -1;
}

void TToolList::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TToolList::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TToolList::dropEvent(QDropEvent* e) {
    if (!e->mimeData()->hasUrls()) return;
    e->acceptProposedAction();
    setUpdatesEnabled(false);
    for (const QUrl& url : e->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isDir())
            emit FolderDropped(path);
        else
            AddFileToList(path);
    }
    setUpdatesEnabled(true);
}

namespace {

int SelectedRow(QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

} // namespace

void ListMove(QListWidget* list, int from, int to) {
    if (from < 0 || to < 0 || from >= list->count() || to >= list->count() || from == to) return;
    list->setUpdatesEnabled(false);
    QListWidgetItem* it = list->takeItem(from);
    list->insertItem(to, it);
    list->setCurrentRow(to);
    list->setUpdatesEnabled(true);
}

void ListRemove(QListWidget* list, bool selectAfter) {
    const int row = SelectedRow(list);
    if (row < 0) return;
    delete list->takeItem(row);
    if (list->count() == 0) return;
    if (selectAfter)
        list->setCurrentRow(row > 0 ? row - 1 : 0);
    else
        list->clearSelection();
}

void ListReset(QListWidget* list) {
    list->clear();
}

void ListUp(QListWidget* list) {
    const int row = SelectedRow(list);
    if (row > 0) ListMove(list, row, row - 1);
}

void ListDown(QListWidget* list) {
    const int row = SelectedRow(list);
    if (row >= 0 && row < list->count() - 1) ListMove(list, row, row + 1);
}

void ListShuffle(QListWidget* list) {
    QStringList items;
    items.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    ShuffleList(items);
    list->setUpdatesEnabled(false);
    for (int i = 0; i < items.size(); ++i)
        list->item(i)->setText(items[i]);
    list->setUpdatesEnabled(true);
}

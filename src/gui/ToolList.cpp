#include "gui/ToolList.h"

#include "tools/FolderScan.h"
#include "tools/Playlist.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

int TToolList::DragIndex = -1;

TToolList::TToolList(const QString& objectName, QWidget* parent) : QListWidget(parent) {
    setObjectName(objectName);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
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

// The base classes clear the model when they go, and its signals must not reach this
// part of the object after it is gone.
TToolList::~TToolList() {
    disconnect(model(), nullptr, this, nullptr);
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
    // Shift and Ctrl clicks build a selection; they start no drag.
    if (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) DragIndex = -1;
}

void TToolList::mouseMoveEvent(QMouseEvent* e) {
    // The drag index is -1 unless a button went down on a list and is not yet released.
    if (DragIndex < 0 || !(e->buttons() & Qt::LeftButton)) {
        QListWidget::mouseMoveEvent(e);
        return;
    }
    // While dragging, the item under the pointer is where the dragged one goes; the
    // list's own handling would stretch the selection over the rows passed instead.
    const QModelIndex under = indexAt(e->position().toPoint());
    const int target = under.isValid() ? under.row() : -1;
    if (count() > 0 && target >= 0 && target != DragIndex && DragIndex < count()) {
        ListMove(this, DragIndex, target);
        DragIndex = target;
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

void TToolList::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier) {
        emit DeletePressed();
        return;
    }
    QListWidget::keyPressEvent(e);
}

QLabel* MakeCountLabel(TToolList* list, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(
        list->objectName().replace(QStringLiteral("_lst"), QStringLiteral("files_lbl")));
    label->setForegroundRole(QPalette::PlaceholderText);
    // Once per batch of changes: a folder scan adds thousands of items in a row.
    auto* pending = new QTimer(label);
    pending->setSingleShot(true);
    pending->setInterval(0);
    QObject::connect(pending, &QTimer::timeout, label, [label, list] {
        const int n = list->count();
        label->setText(n == 1 ? QCoreApplication::translate("TToolList", "1 file")
                              : QCoreApplication::translate("TToolList", "%1 files").arg(n));
    });
    auto changed = [pending] {
        if (!pending->isActive()) pending->start();
    };
    QAbstractItemModel* model = list->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, label, changed);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, label, changed);
    QObject::connect(model, &QAbstractItemModel::modelReset, label, changed);
    pending->start();
    return label;
}

namespace {

// Rows of the selected items, in list order.
QList<int> SelectedRows(QListWidget* list) {
    QList<int> rows;
    for (const QListWidgetItem* it : list->selectedItems())
        rows.append(list->row(it));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int SelectedRow(QListWidget* list) {
    const QList<int> rows = SelectedRows(list);
    return rows.isEmpty() ? -1 : rows.first();
}

} // namespace

void ListMove(QListWidget* list, int from, int to) {
    if (from < 0 || to < 0 || from >= list->count() || to >= list->count() || from == to) return;
    list->setUpdatesEnabled(false);
    QListWidgetItem* it = list->takeItem(from);
    list->insertItem(to, it);
    list->setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
    list->setUpdatesEnabled(true);
}

void ListRemove(QListWidget* list, bool selectAfter) {
    const QList<int> rows = SelectedRows(list);
    if (rows.isEmpty()) return;
    list->setUpdatesEnabled(false);
    // Without a selection left to keep in step, and by runs of neighbours from the end,
    // removing most of a list of 100,000 stays quick.
    list->clearSelection();
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1)
            --start;
        list->model()->removeRows(rows[start], int(end - start));
        end = start;
    }
    list->setUpdatesEnabled(true);
    if (list->count() == 0) return;
    const int row = rows.first();
    if (selectAfter)
        list->setCurrentRow(row > 0 ? row - 1 : 0, QItemSelectionModel::ClearAndSelect);
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

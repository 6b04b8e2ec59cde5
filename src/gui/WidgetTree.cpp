#include "gui/WidgetTree.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

// The dynamic property holding a hint that is not shown (Qt shows every tooltip).
const char* const kHiddenHint = "hiddenHint";

bool IsOwnName(const QString& name) {
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

bool HasItemsProperty(const QObject* o) {
    const int i = o->metaObject()->indexOfProperty("Items");
    return i >= 0 && o->metaObject()->property(i).metaType() == QMetaType::fromType<QStringList>();
}

QStringList HeaderLabels(QAbstractItemModel* model, int count) {
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels.append(model->headerData(i, Qt::Horizontal).toString());
    return labels;
}

} // namespace

TWidgetTree::TWidgetTree(QWidget* mainWindow, const QStringList& excluded)
    : FMain(mainWindow), FExcluded(excluded) {
    AddWindow(mainWindow);
    for (QWidget* w : mainWindow->findChildren<QWidget*>())
        if (w->isWindow() && IsOwnName(w->objectName())) AddWindow(w);
}

bool TWidgetTree::Excluded(const QString& name, const QString& path) const {
    return FExcluded.contains(name) || FExcluded.contains(path);
}

void TWidgetTree::AddWindow(QWidget* window) {
    const QString name = window->objectName();
    int index = -1;
    if (!Excluded(name, name)) {
        index = int(FItems.size());
        FItems.append({window, name, -1});
    }
    for (QObject* child : window->children())
        Walk(child, name, index);
}

void TWidgetTree::Walk(QObject* object, const QString& window, int parent) {
    // Windows inside are walked as windows of their own.
    if (auto* w = qobject_cast<QWidget*>(object); w && w->isWindow()) return;
    const QString name = object->objectName();
    const QString path = window + QLatin1Char('.') + name;
    if (IsOwnName(name) && !Excluded(name, path)) {
        const int index = int(FItems.size());
        FItems.append({object, path, parent});
        parent = index;
    }
    for (QObject* child : object->children())
        Walk(child, window, parent);
}

TComponentTexts TWidgetTree::Texts(int c) const {
    TComponentTexts t;
    QObject* o = FItems[c].Object;
    if (!o) return t;
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isWindow()) {
        t.HasCaption = true;
        t.Caption = w->windowTitle();
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
        t.HasCaption = true;
        t.Caption = b->text();
    } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
        t.HasCaption = true;
        t.Caption = g->title();
    } else if (auto* l = qobject_cast<QLabel*>(o)) {
        t.HasCaption = true;
        t.Caption = l->text();
    }
    if (w) {
        t.HasHint = true;
        t.ShowHint = !w->toolTip().isEmpty();
        t.Hint = t.ShowHint ? w->toolTip() : w->property(kHiddenHint).toString();
    }
    t.HasItems = true;
    if (auto* box = qobject_cast<QComboBox*>(o)) {
        for (int i = 0; i < box->count(); ++i)
            t.Items.append(box->itemText(i));
    } else if (auto* list = qobject_cast<QListWidget*>(o)) {
        for (int i = 0; i < list->count(); ++i)
            t.Items.append(list->item(i)->text());
    } else if (auto* tree = qobject_cast<QTreeWidget*>(o)) {
        t.Items = HeaderLabels(tree->model(), tree->columnCount());
    } else if (auto* table = qobject_cast<QTableWidget*>(o)) {
        t.Items = HeaderLabels(table->model(), table->columnCount());
    } else if (auto* view = qobject_cast<QPlainTextEdit*>(o); view && view->isReadOnly()) {
        t.Items = view->toPlainText().split(QLatin1Char('\n'));
    } else if (HasItemsProperty(o)) {
        t.Items = o->property("Items").toStringList();
    } else {
        t.HasItems = false;
    }
    return t;
}

void TWidgetTree::SetCaption(int c, const QString& text) {
    QObject* o = FItems[c].Object;
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isWindow())
        w->setWindowTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        b->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(text);
    else if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(text);
}

void TWidgetTree::SetHint(int c, const QString& text, bool show) {
    auto* w = qobject_cast<QWidget*>(FItems[c].Object.data());
    if (!w) return;
    w->setToolTip(show ? text : QString());
    w->setProperty(kHiddenHint, show ? QVariant() : QVariant(text));
}

void TWidgetTree::SetItems(int c, const QStringList& lines) {
    QObject* o = FItems[c].Object;
    // Texts are replaced in place, so the current item stays the current one.
    if (auto* box = qobject_cast<QComboBox*>(o)) {
        for (int i = 0; i < box->count() && i < lines.size(); ++i)
            box->setItemText(i, lines[i]);
    } else if (auto* list = qobject_cast<QListWidget*>(o)) {
        for (int i = 0; i < list->count() && i < lines.size(); ++i)
            list->item(i)->setText(lines[i]);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(o)) {
        for (int i = 0; i < tree->columnCount() && i < lines.size(); ++i)
            tree->headerItem()->setText(i, lines[i]);
    } else if (auto* table = qobject_cast<QTableWidget*>(o)) {
        for (int i = 0; i < table->columnCount() && i < lines.size(); ++i)
            if (QTableWidgetItem* h = table->horizontalHeaderItem(i)) h->setText(lines[i]);
    } else if (auto* view = qobject_cast<QPlainTextEdit*>(o)) {
        view->setPlainText(lines.join(QLatin1Char('\n')));
    } else if (o && HasItemsProperty(o)) {
        o->setProperty("Items", lines);
    }
}

int TWidgetTree::Alignment(int c) const {
    QObject* o = FItems[c].Object;
    if (!o || o->metaObject()->indexOfProperty("alignment") < 0) return -1;
    return int(o->property("alignment").value<Qt::Alignment>());
}

void TWidgetTree::SetAlignmentCode(int c, int code) {
    const Qt::Alignment a =
        code == 1 ? Qt::AlignRight | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter;
    RestoreAlignment(c, int(a));
}

void TWidgetTree::RestoreAlignment(int c, int state) {
    if (QObject* o = FItems[c].Object)
        o->setProperty("alignment", QVariant::fromValue(Qt::Alignment(state)));
}

bool TWidgetTree::Font(int c, QString& family, int& pointSize) const {
    auto* w = qobject_cast<QWidget*>(FItems[c].Object.data());
    if (!w || w->font().pointSize() <= 0) return false;
    family = w->font().family();
    pointSize = w->font().pointSize();
    return true;
}

void TWidgetTree::SetFont(int c, const QString& family, int pointSize) {
    auto* w = qobject_cast<QWidget*>(FItems[c].Object.data());
    if (!w) return;
    QFont f = w->font();
    f.setFamily(family);
    f.setPointSize(pointSize);
    w->setFont(f);
}

QString TWidgetTree::MainFontName() const {
    return FMain ? FMain->font().family() : QString();
}

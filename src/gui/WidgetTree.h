#pragma once

#include "lang/LanguageRecord.h"

#include <QPointer>
#include <QStringList>

class QWidget;

// The program's components as language files see them: the main window and every named
// window inside it, each with its named objects (widgets, message lists, ...). As a form
// owns its controls, a component's path is its window's name, ".", and its own name,
// however deep it sits; Qt's own objects ("qt_..." names) and unnamed ones are passed
// over, and so are the excluded names and paths, their children still walked.
//
// What a component carries: a window its title; buttons, group boxes and labels their
// caption; widgets their tooltip as hint; combo boxes, lists and message lists their
// items, trees and tables their column captions, read-only plain-text views their lines.
// Edit fields carry nothing, so that no typed or stored value (a proxy password) ever
// goes into a file.
class TWidgetTree : public TComponentTree {
public:
    TWidgetTree(QWidget* mainWindow, const QStringList& excluded);

    int Count() const override { return int(FItems.size()); }
    QString Path(int c) const override { return FItems[c].Path; }
    int Parent(int c) const override { return FItems[c].Parent; }
    TComponentTexts Texts(int c) const override;
    void SetCaption(int c, const QString& text) override;
    void SetHint(int c, const QString& text, bool show) override;
    void SetItems(int c, const QStringList& lines) override;
    int Alignment(int c) const override;
    void SetAlignmentCode(int c, int code) override;
    void RestoreAlignment(int c, int state) override;
    bool Font(int c, QString& family, int& pointSize) const override;
    void SetFont(int c, const QString& family, int pointSize) override;
    QString MainFontName() const override;

    QObject* Object(int c) const { return FItems[c].Object; }

private:
    struct TItem {
        QPointer<QObject> Object;
        QString Path;
        int Parent;
    };
    void AddWindow(QWidget* window);
    void Walk(QObject* object, const QString& window, int parent);
    bool Excluded(const QString& name, const QString& path) const;

    QPointer<QWidget> FMain;
    QStringList FExcluded;
    QList<TItem> FItems;
};

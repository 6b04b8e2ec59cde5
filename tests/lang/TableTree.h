#pragma once

#include "lang/LanguageRecord.h"

// Components as a table, for the language records' rules without widgets.
class TTableTree : public TComponentTree {
public:
    struct TRow {
        QString Path;
        TComponentTexts Texts;
        int Parent = -1;
        QString Family = QStringLiteral("Sans");
        int Size = 9;
        int Align = 0;
    };
    QList<TRow> Rows;

    int Add(const QString& path, const QString& caption, const QString& hint = QString(),
            const QStringList& items = {}, bool hasItems = false) {
        TRow r;
        r.Path = path;
        r.Texts.HasCaption = r.Texts.HasHint = true;
        r.Texts.Caption = caption;
        r.Texts.Hint = hint;
        r.Texts.ShowHint = !hint.isEmpty();
        r.Texts.HasItems = hasItems || !items.isEmpty();
        r.Texts.Items = items;
        Rows.append(r);
        return int(Rows.size() - 1);
    }

    int Count() const override { return int(Rows.size()); }
    QString Path(int c) const override { return Rows[c].Path; }
    int Parent(int c) const override { return Rows[c].Parent; }
    TComponentTexts Texts(int c) const override { return Rows[c].Texts; }
    void SetCaption(int c, const QString& t) override { Rows[c].Texts.Caption = t; }
    void SetHint(int c, const QString& t, bool show) override {
        Rows[c].Texts.Hint = t;
        Rows[c].Texts.ShowHint = show;
    }
    void SetItems(int c, const QStringList& lines) override { Rows[c].Texts.Items = lines; }
    int Alignment(int c) const override { return Rows[c].Align; }
    void SetAlignmentCode(int c, int code) override { Rows[c].Align = 100 + code; }
    void RestoreAlignment(int c, int state) override { Rows[c].Align = state; }
    bool Font(int c, QString& family, int& size) const override {
        family = Rows[c].Family;
        size = Rows[c].Size;
        return true;
    }
    void SetFont(int c, const QString& family, int size) override {
        Rows[c].Family = family;
        Rows[c].Size = size;
    }
    QString MainFontName() const override { return QStringLiteral("Sans"); }
};

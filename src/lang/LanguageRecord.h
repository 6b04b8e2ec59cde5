#pragma once

#include "lang/LanguageFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The texts of one component of the running program, as language files carry them.
struct TComponentTexts {
    bool HasCaption = false; // a caption, or else a text
    QString Caption;
    bool HasHint = false;
    QString Hint;
    bool ShowHint = false;
    bool HasItems = false; // item lines, or else memo lines
    QStringList Items;
};

// The components of the running program with their paths, in walking order; a path may
// occur more than once. The GUI walks its windows; tests use a table.
class TComponentTree {
public:
    virtual ~TComponentTree() = default;
    virtual int Count() const = 0;
    virtual QString Path(int component) const = 0;
    // The listed component holding it (revision 0 item lines go there); -1 when none.
    virtual int Parent(int component) const = 0;
    virtual TComponentTexts Texts(int component) const = 0;
    virtual void SetCaption(int component, const QString& text) = 0;
    virtual void SetHint(int component, const QString& text, bool show) = 0;
    // As many lines as Texts().Items holds; the current item stays selected.
    virtual void SetItems(int component, const QStringList& lines) = 0;
    // The alignment as an opaque state (-1: the component has none), alignment code 1
    // (right, top) or 2 (left, centred vertically), and a state given back.
    virtual int Alignment(int component) const = 0;
    virtual void SetAlignmentCode(int component, int code) = 0;
    virtual void RestoreAlignment(int component, int state) = 0;
    // False when the component has no font of its own to change.
    virtual bool Font(int component, QString& family, int& pointSize) const = 0;
    virtual void SetFont(int component, const QString& family, int pointSize) = 0;
    // The main window's font name.
    virtual QString MainFontName() const = 0;
};

// One language file applied to the running program, or the program's own texts written
// as the reference file.
class TLanguageRecord {
public:
    TLanguageHeader Header;
    // Shows "Exception %s - component No %d" when a component cannot be written.
    std::function<void(const QString&)> ShowMessage;

    // Reads the file and applies it; false (and nothing changed) for a missing file,
    // another signature, 5 records or fewer. Raises "Format not supported in this
    // revision" above revision 4. What this record applied before is put back first, so
    // texts the new file does not carry show in English instead of the previous language.
    bool LoadAndApply(const QString& fileName, TComponentTree& tree);
    // Applies file data read before (the same rules).
    void Apply(const TLanguageFile& file, TComponentTree& tree);
    // Puts back what the last Apply changed, where nothing else changed it since.
    void Revert(TComponentTree& tree);

    // Writes Header (as revision 4) and an entry for every component with a caption,
    // text or hint that is not blank, or with item lines; none of its texts is marked
    // translated. Raises ESonvaleError when the file cannot be written.
    void WriteReference(const QString& fileName, TComponentTree& tree);
    // The entries WriteReference writes.
    QList<TLanguageEntry> ReferenceEntries(TComponentTree& tree) const;

private:
    enum class TWhat { Caption, Hint, Items, Alignment, Font };
    struct TChange {
        QString Path;
        int Occurrence = 0; // among the components sharing the path
        TWhat What = TWhat::Caption;
        QString OldText, NewText;
        bool OldShow = false;
        QStringList OldItems, NewItems;
        int OldState = 0, NewState = 0;
    };
    static TChange Change(const QString& path, int occurrence, TWhat what,
                          const QString& oldText = QString(), const QString& newText = QString());
    void ApplyFonts(TComponentTree& tree);
    void ApplyEntry(const TLanguageEntry& e, int component, int occurrence, TComponentTree& tree);
    void ApplyRevision0(const TLanguageEntry& e, int component, int occurrence,
                        TComponentTree& tree);
    void SetCaption(TComponentTree& tree, int component, int occurrence, const QString& text);
    void SetHint(TComponentTree& tree, int component, int occurrence, const QString& text,
                 bool show);
    void SetItemLines(TComponentTree& tree, int component, int occurrence, const QString& text);

    QList<TChange> FChanges;
};

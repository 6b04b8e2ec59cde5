#include "lang/LanguageRecord.h"

#include "io/SonvaleError.h"

#include <QHash>
#include <exception>

namespace {

using TPathIndex = QHash<QString, QList<int>>;

TPathIndex IndexPaths(const TComponentTree& tree) {
    TPathIndex index;
    for (int c = 0; c < tree.Count(); ++c)
        index[tree.Path(c)].append(c);
    return index;
}

// Revisions 1 to 4 apply a record only when it is marked translated; revision 0 applies
// any text that is not empty.
bool Applies(const TLanguageText& t, int revision) {
    return revision == 0 ? !t.Text.isEmpty() : t.Flags > 0 && t.Translated();
}

} // namespace

TLanguageRecord::TChange TLanguageRecord::Change(const QString& path, int occurrence, TWhat what,
                                                 const QString& oldText, const QString& newText) {
    TChange ch;
    ch.Path = path;
    ch.Occurrence = occurrence;
    ch.What = what;
    ch.OldText = oldText;
    ch.NewText = newText;
    return ch;
}

bool TLanguageRecord::LoadAndApply(const QString& fileName, TComponentTree& tree) {
    TLanguageFile file;
    if (!ReadLanguageFile(fileName, file)) return false;
    Apply(file, tree);
    return true;
}

void TLanguageRecord::Apply(const TLanguageFile& file, TComponentTree& tree) {
    Revert(tree);
    Header = file.Header;
    if (Header.Revision == 0) Header.CharSet = 1;
    ApplyFonts(tree);
    const TPathIndex paths = IndexPaths(tree);
    for (const TLanguageEntry& e : file.Entries) {
        const QList<int> found = paths.value(e.Path);
        for (int k = 0; k < found.size(); ++k) {
            if (Header.Revision == 0)
                ApplyRevision0(e, found[k], k, tree);
            else
                ApplyEntry(e, found[k], k, tree);
        }
    }
}

void TLanguageRecord::ApplyFonts(TComponentTree& tree) {
    if (Header.Revision == 0) return; // the character set alone, which Qt fonts do not have
    const QString mainFont = tree.MainFontName();
    const int minimum = Header.Revision == 4 ? int(Header.MinFontSize) : 0;
    QHash<QString, int> seen;
    for (int c = 0; c < tree.Count(); ++c) {
        const int occurrence = seen[tree.Path(c)]++;
        QString family;
        int size = 0;
        if (!tree.Font(c, family, size)) continue;
        QString newFamily = family;
        if (family == mainFont && !Header.FontName.isEmpty()) newFamily = Header.FontName;
        const int newSize = size > 0 && size < minimum ? minimum : size;
        if (newFamily == family && newSize == size) continue;
        tree.SetFont(c, newFamily, newSize);
        TChange ch = Change(tree.Path(c), occurrence, TWhat::Font, family, newFamily);
        ch.OldState = size;
        ch.NewState = newSize;
        FChanges.append(ch);
    }
}

void TLanguageRecord::ApplyEntry(const TLanguageEntry& e, int c, int occurrence,
                                 TComponentTree& tree) {
    if (Header.Revision >= 3 && (e.Alignment == 1 || e.Alignment == 2)) {
        const int before = tree.Alignment(c);
        if (before >= 0) {
            tree.SetAlignmentCode(c, int(e.Alignment));
            TChange ch = Change(e.Path, occurrence, TWhat::Alignment);
            ch.OldState = before;
            ch.NewState = tree.Alignment(c);
            FChanges.append(ch);
        }
    }
    if (Applies(e.Caption, Header.Revision)) SetCaption(tree, c, occurrence, e.Caption.Text);
    if (Applies(e.Hint, Header.Revision))
        SetHint(tree, c, occurrence, e.Hint.Text, (e.Hint.Flags & kTextHintShown) != 0);
    if (Applies(e.Items, Header.Revision)) SetItemLines(tree, c, occurrence, e.Items.Text);
}

void TLanguageRecord::ApplyRevision0(const TLanguageEntry& e, int c, int occurrence,
                                     TComponentTree& tree) {
    if (e.PathTag == 12) {
        // Item lines of the component's parent.
        const int parent = tree.Parent(c);
        if (parent < 0 || e.Items.Text.isEmpty()) return;
        int parentOccurrence = 0;
        for (int p = 0; p < parent; ++p)
            parentOccurrence += tree.Path(p) == tree.Path(parent);
        SetItemLines(tree, parent, parentOccurrence, e.Items.Text);
        return;
    }
    if (!e.Caption.Text.isEmpty()) SetCaption(tree, c, occurrence, e.Caption.Text);
    if (!e.Hint.Text.isEmpty()) SetHint(tree, c, occurrence, e.Hint.Text, true);
    if (e.PathTag == 11 && !e.Items.Text.isEmpty()) SetItemLines(tree, c, occurrence, e.Items.Text);
}

void TLanguageRecord::SetCaption(TComponentTree& tree, int c, int occurrence, const QString& text) {
    const TComponentTexts before = tree.Texts(c);
    if (!before.HasCaption) return;
    tree.SetCaption(c, text);
    FChanges.append(Change(tree.Path(c), occurrence, TWhat::Caption, before.Caption, text));
}

void TLanguageRecord::SetHint(TComponentTree& tree, int c, int occurrence, const QString& text,
                              bool show) {
    const TComponentTexts before = tree.Texts(c);
    if (!before.HasHint) return;
    tree.SetHint(c, text, show);
    TChange ch = Change(tree.Path(c), occurrence, TWhat::Hint, before.Hint, text);
    ch.OldShow = before.ShowHint;
    FChanges.append(ch);
}

void TLanguageRecord::SetItemLines(TComponentTree& tree, int c, int occurrence,
                                   const QString& text) {
    const TComponentTexts before = tree.Texts(c);
    if (!before.HasItems) return;
    // Only lines the component already has are replaced.
    QStringList lines = before.Items;
    const QStringList given = SplitItemLines(text);
    for (qsizetype i = 0; i < lines.size() && i < given.size(); ++i)
        lines[i] = given[i];
    if (lines == before.Items) return;
    tree.SetItems(c, lines);
    TChange ch = Change(tree.Path(c), occurrence, TWhat::Items);
    ch.OldItems = before.Items;
    ch.NewItems = lines;
    FChanges.append(ch);
}

void TLanguageRecord::Revert(TComponentTree& tree) {
    const QList<TChange> changes = std::exchange(FChanges, {});
    if (changes.isEmpty()) return;
    const TPathIndex paths = IndexPaths(tree);
    for (auto it = changes.crbegin(); it != changes.crend(); ++it) {
        const TChange& ch = *it;
        const int c = paths.value(ch.Path).value(ch.Occurrence, -1);
        if (c < 0) continue;
        const TComponentTexts now = tree.Texts(c);
        // A text the program changed since stays as the program set it.
        switch (ch.What) {
        case TWhat::Caption:
            if (now.Caption == ch.NewText) tree.SetCaption(c, ch.OldText);
            break;
        case TWhat::Hint:
            if (now.Hint == ch.NewText) tree.SetHint(c, ch.OldText, ch.OldShow);
            break;
        case TWhat::Items:
            if (now.Items == ch.NewItems) tree.SetItems(c, ch.OldItems);
            break;
        case TWhat::Alignment:
            if (tree.Alignment(c) == ch.NewState) tree.RestoreAlignment(c, ch.OldState);
            break;
        case TWhat::Font: {
            QString family;
            int size = 0;
            if (tree.Font(c, family, size) && family == ch.NewText && size == ch.NewState)
                tree.SetFont(c, ch.OldText, ch.OldState);
            break;
        }
        }
    }
}

QList<TLanguageEntry> TLanguageRecord::ReferenceEntries(TComponentTree& tree) const {
    QList<TLanguageEntry> entries;
    for (int c = 0; c < tree.Count(); ++c) {
        try {
            const TComponentTexts t = tree.Texts(c);
            const bool text = (t.HasCaption && !t.Caption.trimmed().isEmpty()) ||
                              (t.HasHint && !t.Hint.trimmed().isEmpty());
            if (!text && !t.HasItems) continue;
            TLanguageEntry e;
            e.Path = tree.Path(c);
            e.PathTag =
                kTagPathBase + uint32_t(t.HasCaption) + uint32_t(t.HasHint) + uint32_t(t.HasItems);
            if (t.HasCaption && !t.Caption.isEmpty()) e.Caption = {kTextCaption, t.Caption};
            if (t.HasHint && !t.Hint.isEmpty())
                e.Hint = {kTextHint | (t.ShowHint ? kTextHintShown : 0u), t.Hint};
            if (t.HasItems && !t.Items.isEmpty()) e.Items = {kTextItems, JoinItemLines(t.Items)};
            entries.append(e);
        } catch (const std::exception& ex) {
            if (ShowMessage)
                ShowMessage(QStringLiteral("Exception %1 - component No %2")
                                .arg(QString::fromLocal8Bit(ex.what()))
                                .arg(c));
        }
    }
    return entries;
}

void TLanguageRecord::WriteReference(const QString& fileName, TComponentTree& tree) {
    TLanguageFile file;
    file.Header = Header;
    file.Header.Revision = kLanguageRevision;
    file.Entries = ReferenceEntries(tree);
    WriteLanguageFile(fileName, file);
}

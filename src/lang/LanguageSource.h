#pragma once
// The readable form of language files (UTF-8 text), from which the shipped files are
// built and into which any language file can be dumped:
//
//   language: 040C              header values, one per line ("# ..." is a comment)
//   first: Français
//   flag: fr.bmp                a bitmap beside the source (or flagdata: BASE64)
//   [TMainDlg.orgago_btn]       one entry per component path
//   caption: Go => Lancer       English => translation: stored marked translated
//   hint: Start the organizer   no translation: stored as it is, not applied
//   caption/33: Lancer          explicit flags, stored exactly (what dump writes)
//   items:                      item lines, each "- line" (or "- English => line")
//   - First => Premier
//   [messages]                  English => translation for any text above that gives
//   Done ! => Terminé !         none, and for the lines of the message lists
//
// In texts, "\n", "\r", "\t", "\\" and "\s" (a space) are escapes and "=\>" a literal
// "=>".

#include "lang/LanguageFile.h"

#include <QHash>
#include <QString>

// One text as the source gives it.
struct TSourceText {
    QString English, Translation;
    bool Translated = false; // "English => translation"
};

struct TSourceEntry {
    QString Path;
    bool HasTag = false; // else 528 + the number of texts given
    uint32_t Tag = 0;
    uint32_t Alignment = 0;
    // Which texts are given, and explicit flags ("caption/33:") where they are stored
    // exactly as written.
    bool HasCaption = false, HasHint = false, HasItems = false;
    bool CaptionExplicit = false, HintExplicit = false, ItemsExplicit = false;
    uint32_t CaptionFlags = 0, HintFlags = 0, ItemsFlags = 0;
    TSourceText Caption, Hint;
    QList<TSourceText> Lines;
};

struct TLanguageSource {
    TLanguageHeader Header;
    bool HasVersion = false; // else the program's own version
    QString FlagFile;        // relative to the source
    QList<TSourceEntry> Entries;
    QHash<QString, QString> Glossary; // the [messages] section
};

// Raises ESonvaleError naming the line for text it cannot read.
TLanguageSource ParseLanguageSource(const QString& text);
// The file as source text; building that text gives the same records.
QString DumpLanguageFile(const TLanguageFile& file);

// The language file a source describes. `catalog` lists the message lists of the program
// (entries with item lines, as LanguageCatalog writes them): each gets an entry whose
// lines are translated by the source (its own entry, the [messages] section or any other
// translation of the same English text) or stay English.
TLanguageFile BuildLanguageFile(const TLanguageSource& source,
                                const QList<TLanguageEntry>* catalog = nullptr);

// The translatable English texts of a C++ source: the literals given to tr(), Tr(),
// QT_TR_NOOP(), translate() and QT_TRANSLATE_NOOP() (after the context), in order.
QStringList ExtractMessages(const QByteArray& cppSource);
// The message list holding a source file's messages: a dialog's own file
// ("FreeDBDlg.cpp") feeds "TFreeDBDlg.texts_ts", every other file "TMainDlg.main_ts".
QString MessageListOf(const QString& sourceFileName);
// The message lists of the given source files, as source text.
QString LanguageCatalog(const QList<QPair<QString, QByteArray>>& sources);

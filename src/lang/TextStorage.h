#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTranslator>

// A message as one line of a message list: line breaks as "\n", backslashes doubled.
QString MessageLine(const QString& text);
QString MessageText(const QString& line);

// A window's translatable messages. Code asks for a message by its English text and gets
// the current translation; a language file replaces the lines of Items (a property, so
// that the files reach it like any other item lines). Items and SourceTexts hold the
// messages as lines (MessageLine).
class TTextStorage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
public:
    // `texts` are the English messages, which also fill SourceTexts.
    TTextStorage(const QString& name, const QStringList& texts, QObject* parent = nullptr);
    ~TTextStorage() override;

    QStringList Items() const;
    void SetItems(const QStringList& items);
    QStringList SourceTexts() const { return FSourceTexts; }

    // The text itself when it is not listed or its line reads "unused".
    QString Translate(const QString& english) const;
    // The translation, or a null string when there is none.
    QString Translation(const QString& english) const;

    // The English message behind each text the live storages show now (its translation,
    // or the English text itself), so that a text set once can follow the next language.
    static QHash<QString, QString> ShownMessages();

private:
    friend class TTextStorageTranslator;
    QString Lookup(const QString& english) const; // under the registry's lock

    QStringList FSourceTexts;
    QStringList FItems;
};

// Answers Qt's translation requests (tr(), QCoreApplication::translate, Tr below) from the
// live text storages; texts no storage translates go on to the next translator.
class TTextStorageTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }
};

// A message in the current language (English where nothing translates it). Tools call it
// where they would write the English literal.
QString Tr(const char* english);

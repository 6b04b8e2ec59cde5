#include "lang/TextStorage.h"

#include <QCoreApplication>
#include <QHash>
#include <QReadWriteLock>

namespace {

// The live storages; translations may be asked for from worker threads while a language
// switch replaces lines on the GUI thread.
struct TRegistry {
    QReadWriteLock Lock;
    QList<TTextStorage*> Storages;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

} // namespace

QString MessageLine(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    line.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return line;
}

QString MessageText(const QString& line) {
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            ++i;
            text += line[i] == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : line[i];
        } else {
            text += line[i];
        }
    }
    return text;
}

TTextStorage::TTextStorage(const QString& name, const QStringList& texts, QObject* parent)
    : QObject(parent) {
    setObjectName(name);
    for (const QString& t : texts)
        FSourceTexts.append(MessageLine(t));
    FItems = FSourceTexts;
    QWriteLocker lock(&Registry().Lock);
    Registry().Storages.append(this);
}

TTextStorage::~TTextStorage() {
    QWriteLocker lock(&Registry().Lock);
    Registry().Storages.removeOne(this);
}

QStringList TTextStorage::Items() const {
    QReadLocker lock(&Registry().Lock);
    return FItems;
}

void TTextStorage::SetItems(const QStringList& items) {
    QWriteLocker lock(&Registry().Lock);
    FItems = items;
}

QString TTextStorage::Translation(const QString& english) const {
    QReadLocker lock(&Registry().Lock);
    return Lookup(english);
}

QString TTextStorage::Lookup(const QString& english) const {
    const qsizetype i = FSourceTexts.indexOf(MessageLine(english));
    if (i < 0 || i >= FItems.size()) return QString();
    const QString& line = FItems[i];
    if (line == FSourceTexts[i] || line == QLatin1String("unused")) return QString();
    return MessageText(line);
}

QString TTextStorage::Translate(const QString& english) const {
    const QString t = Translation(english);
    return t.isNull() ? english : t;
}

QHash<QString, QString> TTextStorage::ShownMessages() {
    QHash<QString, QString> shown;
    QReadLocker lock(&Registry().Lock);
    for (const TTextStorage* s : Registry().Storages) {
        for (qsizetype i = 0; i < s->FSourceTexts.size(); ++i) {
            const QString english = MessageText(s->FSourceTexts[i]);
            shown.insert(english, english);
            const QString t = s->Lookup(english);
            if (!t.isNull()) shown.insert(t, english);
        }
    }
    return shown;
}

QString TTextStorageTranslator::translate(const char*, const char* sourceText, const char*,
                                          int) const {
    if (!sourceText) return QString();
    const QString english = QString::fromUtf8(sourceText);
    QReadLocker lock(&Registry().Lock);
    for (const TTextStorage* s : Registry().Storages) {
        const QString t = s->Lookup(english);
        if (!t.isNull()) return t;
    }
    return QString();
}

QString Tr(const char* english) {
    return QCoreApplication::translate("Sonvale", english);
}

#include "lang/LanguageSource.h"

#include "io/SonvaleError.h"
#include "lang/TextStorage.h"

#include <QFileInfo>
#include <QMap>

namespace {

const QString kArrow = QStringLiteral(" => ");

QString Escape(const QString& s) {
    QString out;
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    out.replace(QStringLiteral("=>"), QStringLiteral("=\\>"));
    // Blanks at either end would not survive an editor.
    if (out.startsWith(QLatin1Char(' '))) out.replace(0, 1, QStringLiteral("\\s"));
    if (out.endsWith(QLatin1Char(' '))) out.replace(out.size() - 1, 1, QStringLiteral("\\s"));
    return out;
}

QString Unescape(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\') || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        switch (c.unicode()) {
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 's':
            out += QLatin1Char(' ');
            break;
        default:
            out += c; // "\\", "\>"
        }
    }
    return out;
}

TSourceText Plain(const QString& english) {
    TSourceText t;
    t.English = english;
    return t;
}

// "English => translation"; a literal arrow in a text is written "=\>".
TSourceText SplitPair(const QString& raw) {
    const qsizetype at = raw.indexOf(kArrow);
    if (at < 0) return Plain(Unescape(raw));
    return {Unescape(raw.left(at)), Unescape(raw.mid(at + kArrow.size())), true};
}

[[noreturn]] void Fail(int line, const QString& why) {
    throw ESonvaleError(QStringLiteral("line %1: %2").arg(line).arg(why));
}

uint32_t Number(const QString& value, int line, int base = 10) {
    bool ok = false;
    const uint32_t n = value.trimmed().toUInt(&ok, base);
    if (!ok) Fail(line, QStringLiteral("'%1' is not a number").arg(value));
    return n;
}

void SetHeaderValue(TLanguageSource& src, const QString& key, const QString& raw, int line) {
    TLanguageHeader& h = src.Header;
    const QString value = Unescape(raw);
    if (key == QLatin1String("language")) {
        h.LanguageId = uint16_t(Number(value, line, 16));
    } else if (key == QLatin1String("revision")) {
        h.Revision = int(Number(value, line));
    } else if (key == QLatin1String("first")) {
        h.FirstText = value;
    } else if (key == QLatin1String("second")) {
        h.SecondText = value;
    } else if (key == QLatin1String("third")) {
        h.ThirdText = value;
    } else if (key == QLatin1String("info")) {
        h.Info = value;
    } else if (key == QLatin1String("flag")) {
        src.FlagFile = value;
    } else if (key == QLatin1String("flagdata")) {
        h.Flag = QByteArray::fromBase64(value.toLatin1());
    } else if (key == QLatin1String("version")) {
        h.Version = PackVersion(value);
        src.HasVersion = true;
    } else if (key == QLatin1String("number")) {
        h.Number = Number(value, line);
    } else if (key == QLatin1String("string517")) {
        h.String517 = value;
    } else if (key == QLatin1String("string518")) {
        h.String518 = value;
    } else if (key == QLatin1String("inputmethod")) {
        h.InputMethod = value;
    } else if (key == QLatin1String("font")) {
        h.FontName = value;
    } else if (key == QLatin1String("charset")) {
        h.CharSet = Number(value, line);
    } else if (key == QLatin1String("minfontsize")) {
        h.MinFontSize = Number(value, line);
    } else {
        Fail(line, QStringLiteral("unknown value '%1'").arg(key));
    }
}

void SetEntryValue(TSourceEntry& e, const QString& key, bool hasFlags, uint32_t flags,
                   const QString& raw, int line) {
    if (key == QLatin1String("tag")) {
        e.HasTag = true;
        e.Tag = Number(raw, line);
    } else if (key == QLatin1String("align")) {
        e.Alignment = Number(raw, line);
    } else if (key == QLatin1String("caption")) {
        e.HasCaption = true;
        e.CaptionExplicit = hasFlags;
        e.CaptionFlags = flags;
        e.Caption = hasFlags ? Plain(Unescape(raw)) : SplitPair(raw);
    } else if (key == QLatin1String("hint")) {
        e.HasHint = true;
        e.HintExplicit = hasFlags;
        e.HintFlags = flags;
        e.Hint = hasFlags ? Plain(Unescape(raw)) : SplitPair(raw);
    } else if (key == QLatin1String("items")) {
        if (!raw.isEmpty()) Fail(line, QStringLiteral("item lines follow as \"- line\""));
        e.HasItems = true;
        e.ItemsExplicit = hasFlags;
        e.ItemsFlags = flags;
    } else {
        Fail(line, QStringLiteral("unknown value '%1'").arg(key));
    }
}

} // namespace

TLanguageSource ParseLanguageSource(const QString& text) {
    TLanguageSource src;
    enum { Header, Entry, Messages } section = Header;
    bool inItems = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const int number = n + 1;
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2);
            inItems = false;
            if (name == QLatin1String("messages")) {
                section = Messages;
            } else {
                section = Entry;
                src.Entries.append(TSourceEntry());
                src.Entries.last().Path = name;
            }
            continue;
        }
        if (section == Messages) {
            const TSourceText pair = SplitPair(line);
            if (!pair.Translated) Fail(number, QStringLiteral("a message needs \" => \""));
            src.Glossary.insert(pair.English, pair.Translation);
            continue;
        }
        if (inItems && line.startsWith(QLatin1Char('-'))) {
            TSourceEntry& e = src.Entries.last();
            const QString raw = line.mid(line.startsWith(QLatin1String("- ")) ? 2 : 1);
            e.Lines.append(e.ItemsExplicit ? Plain(Unescape(raw)) : SplitPair(raw));
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0) Fail(number, QStringLiteral("expected \"name: value\""));
        QString key = line.left(colon).trimmed();
        QString raw = line.mid(colon + 1);
        if (raw.startsWith(QLatin1Char(' '))) raw.remove(0, 1);
        bool hasFlags = false;
        uint32_t flags = 0;
        if (const qsizetype slash = key.indexOf(QLatin1Char('/')); slash >= 0) {
            flags = Number(key.mid(slash + 1), number);
            hasFlags = true;
            key.truncate(slash);
        }
        if (section == Header) {
            SetHeaderValue(src, key, raw, number);
        } else {
            SetEntryValue(src.Entries.last(), key, hasFlags, flags, raw, number);
            inItems = key == QLatin1String("items");
        }
    }
    return src;
}

QString DumpLanguageFile(const TLanguageFile& file) {
    const TLanguageHeader& h = file.Header;
    QString out;
    auto put = [&out](const QString& key, const QString& value) {
        out += key + (value.isEmpty() ? QStringLiteral(":\n")
                                      : QStringLiteral(": ") + value + QLatin1Char('\n'));
    };
    put(QStringLiteral("language"),
        QStringLiteral("%1").arg(h.LanguageId, 4, 16, QLatin1Char('0')).toUpper());
    put(QStringLiteral("revision"), QString::number(h.Revision));
    put(QStringLiteral("first"), Escape(h.FirstText));
    put(QStringLiteral("second"), Escape(h.SecondText));
    put(QStringLiteral("third"), Escape(h.ThirdText));
    put(QStringLiteral("info"), Escape(h.Info));
    put(QStringLiteral("flagdata"), QString::fromLatin1(h.Flag.toBase64()));
    if (h.Revision >= 1) {
        put(QStringLiteral("version"), VersionText(h.Version));
        put(QStringLiteral("number"), QString::number(h.Number));
        put(QStringLiteral("string517"), Escape(h.String517));
        put(QStringLiteral("string518"), Escape(h.String518));
        put(QStringLiteral("inputmethod"), Escape(h.InputMethod));
        put(QStringLiteral("font"), Escape(h.FontName));
        put(QStringLiteral("charset"), QString::number(h.CharSet));
        put(QStringLiteral("minfontsize"), QString::number(h.MinFontSize));
    }
    for (const TLanguageEntry& e : file.Entries) {
        out += QStringLiteral("\n[%1]\n").arg(e.Path);
        put(QStringLiteral("tag"), QString::number(e.PathTag));
        put(QStringLiteral("align"), QString::number(e.Alignment));
        // A record with no flags and no text is what leaving it out gives.
        auto text = [&](const char* key, const TLanguageText& t) {
            if (t.Flags != 0 || !t.Text.isEmpty())
                put(QStringLiteral("%1/%2").arg(QLatin1String(key)).arg(t.Flags), Escape(t.Text));
        };
        text("caption", e.Caption);
        text("hint", e.Hint);
        if (e.Items.Flags != 0 || !e.Items.Text.isEmpty())
            put(QStringLiteral("items/%1").arg(e.Items.Flags), QString());
        for (const QString& line : SplitItemLines(e.Items.Text))
            out += (line.isEmpty() ? QStringLiteral("-") : QStringLiteral("- ") + Escape(line)) +
                   QLatin1Char('\n');
    }
    return out;
}

namespace {

// Translations by English text: the [messages] section first, then every "English =>
// translation" of the entries.
QHash<QString, QString> Dictionary(const TLanguageSource& src) {
    QHash<QString, QString> dict = src.Glossary;
    auto add = [&dict](const TSourceText& t) {
        if (t.Translated && !dict.contains(t.English)) dict.insert(t.English, t.Translation);
    };
    for (const TSourceEntry& e : src.Entries) {
        add(e.Caption);
        add(e.Hint);
        for (const TSourceText& line : e.Lines)
            add(line);
    }
    return dict;
}

// The stored text and whether it is a translation.
QString Resolve(const TSourceText& t, const QHash<QString, QString>& dict, bool& translated) {
    if (t.Translated) {
        translated = true;
        return t.Translation;
    }
    const auto it = dict.constFind(t.English);
    if (it == dict.constEnd()) return t.English;
    translated = true;
    return *it;
}

TLanguageText BuildText(bool given, bool isExplicit, uint32_t flags, const TSourceText& t,
                        uint32_t plain, uint32_t translatedFlags,
                        const QHash<QString, QString>& dict) {
    if (!given) return {};
    if (isExplicit) return {flags, t.English};
    if (t.English.isEmpty() && !t.Translated) return {};
    bool translated = false;
    const QString text = Resolve(t, dict, translated);
    return {translated ? translatedFlags : plain, text};
}

TLanguageText BuildLines(const QList<TSourceText>& lines, const QHash<QString, QString>& dict) {
    if (lines.isEmpty()) return {};
    QStringList out;
    bool any = false;
    for (const TSourceText& line : lines) {
        bool translated = false;
        out.append(Resolve(line, dict, translated));
        any = any || translated;
    }
    return {any ? kTextItems | kTextTranslated : kTextItems, JoinItemLines(out)};
}

} // namespace

TLanguageFile BuildLanguageFile(const TLanguageSource& src, const QList<TLanguageEntry>* catalog) {
    TLanguageFile file;
    file.Header = src.Header;
    file.Header.Revision = kLanguageRevision;
    const QHash<QString, QString> dict = Dictionary(src);
    const uint32_t hintShown = kTextHint | kTextHintShown;
    QMap<QString, qsizetype> byPath;
    for (const TSourceEntry& s : src.Entries) {
        TLanguageEntry e;
        e.Path = s.Path;
        e.PathTag = s.HasTag ? s.Tag
                             : kTagPathBase + uint32_t(s.HasCaption) + uint32_t(s.HasHint) +
                                   uint32_t(s.HasItems);
        e.Alignment = s.Alignment;
        e.Caption = BuildText(s.HasCaption, s.CaptionExplicit, s.CaptionFlags, s.Caption,
                              kTextCaption, kTextCaption | kTextTranslated, dict);
        e.Hint = BuildText(s.HasHint, s.HintExplicit, s.HintFlags, s.Hint, hintShown,
                           hintShown | kTextTranslated, dict);
        if (s.ItemsExplicit) {
            QStringList lines;
            for (const TSourceText& line : s.Lines)
                lines.append(line.English);
            e.Items = {s.ItemsFlags, JoinItemLines(lines)};
        } else {
            e.Items = BuildLines(s.Lines, dict);
        }
        byPath.insert(e.Path, file.Entries.size());
        file.Entries.append(e);
    }
    if (!catalog) return file;
    for (const TLanguageEntry& list : *catalog) {
        // The program's own lines, in its order; the source's lines translate them.
        QHash<QString, QString> own = dict;
        const qsizetype at = byPath.value(list.Path, -1);
        if (at >= 0) {
            const TSourceEntry& s = src.Entries[at];
            if (s.ItemsExplicit) continue;
            for (const TSourceText& line : s.Lines)
                if (line.Translated) own.insert(line.English, line.Translation);
        }
        // Message lines hold line breaks as escapes; the source has the messages.
        QStringList lines;
        bool any = false;
        for (const QString& line : SplitItemLines(list.Items.Text)) {
            bool translated = false;
            lines.append(MessageLine(Resolve(Plain(MessageText(line)), own, translated)));
            any = any || translated;
        }
        const TLanguageText items{any ? kTextItems | kTextTranslated : kTextItems,
                                  JoinItemLines(lines)};
        if (at >= 0) {
            file.Entries[at].Items = items;
        } else {
            TLanguageEntry e;
            e.Path = list.Path;
            e.PathTag = kTagPathBase + 1;
            e.Items = items;
            file.Entries.append(e);
        }
    }
    return file;
}

namespace {

// A C++ source as tokens enough to find the literals given to the translation calls.
class TCppScanner {
public:
    explicit TCppScanner(const QByteArray& s) : src(s) {}

    QStringList Messages() {
        QStringList out;
        while (pos < src.size()) {
            const char c = src[pos];
            if (IsIdentStart(c)) {
                const QByteArray word = Identifier();
                if (word == "tr" || word == "Tr" || word == "QT_TR_NOOP")
                    TakeCall(false, out);
                else if (word == "translate" || word == "QT_TRANSLATE_NOOP")
                    TakeCall(true, out);
            } else if (c == '"' || c == '\'') {
                SkipQuoted(c);
            } else if (!SkipComment()) {
                ++pos;
            }
        }
        return out;
    }

private:
    static bool IsIdentStart(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool IsIdent(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

    QByteArray Identifier() {
        const qsizetype begin = pos;
        while (pos < src.size() && IsIdent(src[pos]))
            ++pos;
        // A raw string literal R"(...)" is skipped whole.
        if (pos < src.size() && src[pos] == '"' && src.mid(begin, pos - begin).endsWith('R'))
            SkipRaw();
        return src.mid(begin, pos - begin);
    }

    bool SkipComment() {
        if (src.mid(pos, 2) == "//") {
            while (pos < src.size() && src[pos] != '\n')
                ++pos;
            return true;
        }
        if (src.mid(pos, 2) == "/*") {
            const qsizetype end = src.indexOf("*/", pos + 2);
            pos = end < 0 ? src.size() : end + 2;
            return true;
        }
        return false;
    }

    void SkipBlanks() {
        while (pos < src.size()) {
            if (QChar::isSpace(uchar(src[pos])))
                ++pos;
            else if (!SkipComment())
                return;
        }
    }

    void SkipQuoted(char quote) {
        for (++pos; pos < src.size() && src[pos] != quote && src[pos] != '\n'; ++pos)
            if (src[pos] == '\\') ++pos;
        ++pos;
    }

    void SkipRaw() {
        const qsizetype open = src.indexOf('(', pos);
        if (open < 0) {
            pos = src.size();
            return;
        }
        const QByteArray close = ')' + src.mid(pos + 1, open - pos - 1) + '"';
        const qsizetype end = src.indexOf(close, open);
        pos = end < 0 ? src.size() : end + close.size();
    }

    // One "..." literal with its escapes decoded; false when none starts here.
    bool Literal(QByteArray& out) {
        SkipBlanks();
        if (pos >= src.size() || src[pos] != '"') return false;
        for (++pos; pos < src.size() && src[pos] != '"' && src[pos] != '\n'; ++pos) {
            if (src[pos] != '\\' || pos + 1 >= src.size()) {
                out += src[pos];
                continue;
            }
            const char e = src[++pos];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                int value = 0, digits = 0;
                while (pos + 1 < src.size() && isxdigit(uchar(src[pos + 1])) && digits < 2) {
                    value = value * 16 + QByteArray(1, src[++pos]).toInt(nullptr, 16);
                    ++digits;
                }
                out += char(value);
                break;
            }
            default:
                out += e; // \" \\ \'
            }
        }
        ++pos;
        return true;
    }

    // Adjacent literals joined, up to the next "," or ")".
    bool Literals(QString& text) {
        QByteArray bytes;
        if (!Literal(bytes)) return false;
        while (Literal(bytes)) {
        }
        SkipBlanks();
        if (pos >= src.size() || (src[pos] != ',' && src[pos] != ')')) return false;
        text = QString::fromUtf8(bytes);
        return true;
    }

    void TakeCall(bool context, QStringList& out) {
        SkipBlanks();
        if (pos >= src.size() || src[pos] != '(') return;
        ++pos;
        QString text;
        if (context) {
            if (!Literals(text) || src[pos] != ',') return;
            ++pos;
        }
        if (Literals(text) && !text.isEmpty()) out.append(text);
    }

    const QByteArray& src;
    qsizetype pos = 0;
};

} // namespace

QStringList ExtractMessages(const QByteArray& cppSource) {
    return TCppScanner(cppSource).Messages();
}

QString MessageListOf(const QString& sourceFileName) {
    const QString base = QFileInfo(sourceFileName).completeBaseName();
    if (base.endsWith(QLatin1String("Dlg")) && base != QLatin1String("MainDlg"))
        return QLatin1Char('T') + base + QStringLiteral(".texts_ts");
    return QStringLiteral("TMainDlg.main_ts");
}

QString LanguageCatalog(const QList<QPair<QString, QByteArray>>& sources) {
    QMap<QString, QStringList> lists;
    for (const auto& [name, text] : sources) {
        QStringList& list = lists[MessageListOf(name)];
        for (const QString& m : ExtractMessages(text))
            if (!list.contains(MessageLine(m))) list.append(MessageLine(m));
    }
    TLanguageFile file;
    for (auto it = lists.cbegin(); it != lists.cend(); ++it) {
        TLanguageEntry e;
        e.Path = it.key();
        e.PathTag = kTagPathBase + 1;
        e.Items = {kTextItems, JoinItemLines(it.value())};
        file.Entries.append(e);
    }
    // The entries alone: a catalog has no header of its own.
    const QString dump = DumpLanguageFile(file);
    return dump.mid(dump.indexOf(QLatin1Char('[')));
}

#include "net/FreeDB.h"

#include <QHash>
#include <QStringDecoder>
#include <QUrl>
#include <limits>

namespace {

constexpr int kMaxMatches = 1000;
constexpr int kMaxTracks = 999;

bool IsCategory(const QString& s) {
    if (s.isEmpty() || s.size() > 32) return false;
    for (QChar c : s)
        if (!(c.isLetter() && c.unicode() < 128)) return false;
    return true;
}

bool IsDiscId(const QString& s) {
    if (s.isEmpty() || s.size() > 8) return false;
    for (QChar c : s)
        if (!isxdigit(c.unicode() < 128 ? c.toLatin1() : 'x')) return false;
    return true;
}

// White space and control characters off both ends.
QString TrimControls(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// Lines of a text; CR LF, LF and CR all end a line. A last line without its end may be
// cut and is left out.
QStringList ReplyLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    return lines;
}

int StatusCode(const QString& line) {
    if (line.size() < 3) return 0;
    bool ok = false;
    const int code = line.left(3).toInt(&ok);
    if (!ok || (line.size() > 3 && line[3] != QLatin1Char(' ') && line[3] != QLatin1Char('-')))
        return 0;
    return code;
}

// A decimal number of at most 12 digits, spaces around it allowed.
bool SmallNumber(const QString& text, int64_t& value) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12) return false;
    bool ok = false;
    value = t.toLongLong(&ok);
    return ok && value >= 0;
}

int32_t ClampMs(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

QString Encoded(const QString& s) {
    return QString::fromLatin1(QUrl::toPercentEncoding(s));
}

} // namespace

QString DecodeReplyText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) return QString::fromLatin1(bytes);
    return text;
}

int64_t RoundHalfEven(int64_t num, int64_t den) {
    int64_t q = num / den, r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1))) ++q;
    return q;
}

QString ProgramVersion() {
    QStringList parts = QStringLiteral(SONVALE_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts << QStringLiteral("0");
    return parts.mid(0, 4).join(QLatin1Char('.'));
}

// ---- keyword search ----------------------------------------------------------

QString FreeDBSearchUrl(const QString& siteHost, const QString& words) {
    QString w = words;
    w.replace(QLatin1Char(' '), QLatin1Char('+'));
    return QStringLiteral("http://") + siteHost + QStringLiteral("/freedb_search.php?words=") + w +
           QStringLiteral("&allfields=NO&fields=artist&fields=title&allcats=YES&grouping=none");
}

QList<TLookupMatch> ParseFreeDBSearchPage(const QByteArray& page, const QString& siteHost) {
    const QString text = DecodeReplyText(page);
    const QString marker =
        QStringLiteral("http://") + siteHost + QStringLiteral("/freedb_search_fmt.php?cat=");
    QList<TLookupMatch> found;
    qsizetype pos = 0;
    while (found.size() < kMaxMatches) {
        const qsizetype m = text.indexOf(marker, pos);
        if (m < 0) break;
        pos = m + marker.size();
        const qsizetype end = text.indexOf(QLatin1String("</"), pos);
        if (end < 0) continue;
        const QString piece = text.mid(pos, end - pos);
        const qsizetype id = piece.indexOf(QLatin1String("&id="));
        if (id < 0 || piece.size() - (id + 4) < 2) {
            pos = end;
            continue;
        }
        const QString category = piece.left(id);
        const QString rest = piece.mid(id + 4);
        const qsizetype quote = rest.indexOf(QLatin1Char('"'));
        const QString discId = quote < 0 ? QString() : rest.left(quote);
        const qsizetype gt = rest.indexOf(QLatin1Char('>'));
        const QString title = gt < 0 ? QString() : rest.mid(gt + 1);
        // The category and id go back into the read request: only their own characters.
        if (title.contains(QLatin1Char('/')) && IsCategory(category) && IsDiscId(discId))
            found.append({title, discId, category});
    }
    return found;
}

// ---- CDDB --------------------------------------------------------------------

QString CddbBaseUrl(const QString& server) {
    QString s = server.trimmed();
    if (!s.contains(QLatin1String("://"))) s.prepend(QStringLiteral("http://"));
    while (s.endsWith(QLatin1Char('/')))
        s.chop(1);
    return s;
}

QString CddbHello(const QString& email, const QString& version) {
    QString user = QStringLiteral("sonvale"), host = QStringLiteral("localhost");
    const QString e = email.trimmed();
    const qsizetype at = e.lastIndexOf(QLatin1Char('@'));
    if (at > 0 && at + 1 < e.size()) {
        user = e.left(at);
        host = e.mid(at + 1);
    }
    return Encoded(user) + QLatin1Char('+') + Encoded(host) + QStringLiteral("+Sonvale+") +
           Encoded(version);
}

QString CddbReadUrl(const QString& server, const QString& cgiPath, const QString& category,
                    const QString& discId, const QString& hello) {
    return CddbBaseUrl(server) + cgiPath + QStringLiteral("?cmd=cddb+read+") + category +
           QLatin1Char('+') + discId + QStringLiteral("&hello=") + hello +
           QStringLiteral("&proto=6");
}

TCddbDisc CddbDiscFromDurations(const QList<int32_t>& durationsMs) {
    TCddbDisc disc;
    int64_t offset = 150;
    int64_t digitSum = 0;
    for (int32_t ms : durationsMs) {
        disc.Offsets.append(offset);
        for (int64_t s = offset / 75; s > 0; s /= 10)
            digitSum += s % 10;
        offset += RoundHalfEven(int64_t(std::max(ms, 0)) * 75, 1000);
    }
    disc.Seconds = offset / 75;
    const int64_t length = disc.Seconds - 150 / 75;
    const uint32_t id = uint32_t((digitSum % 0xff) << 24) | uint32_t((length & 0xffff) << 8) |
                        uint32_t(durationsMs.size() & 0xff);
    disc.Id = QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
    return disc;
}

QString CddbQueryUrl(const QString& server, const QString& cgiPath, const TCddbDisc& disc,
                     const QString& hello) {
    QString cmd = QStringLiteral("cddb+query+") + disc.Id + QLatin1Char('+') +
                  QString::number(disc.Offsets.size());
    for (int64_t o : disc.Offsets)
        cmd += QLatin1Char('+') + QString::number(o);
    cmd += QLatin1Char('+') + QString::number(disc.Seconds);
    return CddbBaseUrl(server) + cgiPath + QStringLiteral("?cmd=") + cmd +
           QStringLiteral("&hello=") + hello + QStringLiteral("&proto=6");
}

namespace {

QString CddbErrorText(int code, const QString& line) {
    switch (code) {
    case 202:
        return QStringLiteral("No album found.");
    case 401:
        return QStringLiteral("The server has no such entry.");
    case 402:
        return QStringLiteral("The server reported an error.");
    case 403:
        return QStringLiteral("The server's entry for this album is corrupt.");
    case 409:
        return QStringLiteral("The server refused the greeting; check the e-mail address in the "
                              "settings.");
    default:
        break;
    }
    if (code >= 500 && code <= 599)
        return QStringLiteral("The server refused the request: %1").arg(line.left(200));
    if (line.isEmpty()) return QStringLiteral("No reply from the server.");
    return QStringLiteral("Unexpected reply from the server: %1").arg(line.left(200));
}

// "categ discid title", as the query lists matches.
bool ParseMatchLine(const QString& line, TLookupMatch& m) {
    const QStringList parts = line.split(QLatin1Char(' '));
    if (parts.size() < 3) return false;
    m.Category = parts[0];
    m.Id = parts[1];
    m.Title = TrimControls(line.section(QLatin1Char(' '), 2));
    return IsCategory(m.Category) && IsDiscId(m.Id) && !m.Title.isEmpty();
}

} // namespace

TCddbQueryReply ParseCddbQueryReply(const QByteArray& body) {
    TCddbQueryReply reply;
    const QStringList lines = ReplyLines(DecodeReplyText(body));
    const QString first = lines.value(0);
    reply.Code = StatusCode(first);
    TLookupMatch m;
    if (reply.Code == 200) {
        if (ParseMatchLine(first.mid(4), m)) reply.Matches.append(m);
    } else if (reply.Code == 210 || reply.Code == 211) {
        for (int i = 1; i < lines.size() && reply.Matches.size() < kMaxMatches; ++i) {
            if (lines[i] == QLatin1String(".")) break;
            if (ParseMatchLine(lines[i], m)) reply.Matches.append(m);
        }
    } else {
        reply.Error = CddbErrorText(reply.Code, first);
        return reply;
    }
    if (reply.Matches.isEmpty()) reply.Error = QStringLiteral("No album found.");
    return reply;
}

QString CddbReadError(const QByteArray& body) {
    const QStringList lines = ReplyLines(DecodeReplyText(body.left(4096)));
    const int code = StatusCode(lines.value(0));
    if (code == 0 || code == 210) return QString();
    return CddbErrorText(code, lines.value(0));
}

TAlbumDetails ParseXmcd(const QByteArray& body) {
    TAlbumDetails d;
    const QStringList lines = ReplyLines(DecodeReplyText(body));
    QHash<QString, QString> values;
    int offsetsLine = -1, lengthLine = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line == QLatin1String(".")) break; // end of the CDDB reply
        if (line.startsWith(QLatin1Char('#'))) {
            if (offsetsLine < 0 && line.startsWith(QLatin1String("# Track frame offsets:")))
                offsetsLine = i;
            else if (lengthLine < 0 && line.startsWith(QLatin1String("# Disc length:")))
                lengthLine = i;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || eq > 16) continue;
        // A key that repeats continues its value (a long title spans lines).
        values[line.left(eq)] += line.mid(eq + 1);
    }
    auto value = [&](const QString& key) { return TrimControls(values.value(key)); };
    const QString title = value(QStringLiteral("DTITLE"));
    const qsizetype slash = title.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        d.Artist = title.left(slash).trimmed();
        d.Album = title.mid(slash + 2).trimmed();
    }
    d.Genre = value(QStringLiteral("DGENRE"));
    d.Year = value(QStringLiteral("DYEAR"));
    for (int n = 0; n < kMaxTracks; ++n) {
        const QString key = QStringLiteral("TTITLE%1").arg(n);
        if (!values.contains(key)) break;
        d.Tracks.append(value(key));
    }
    if (offsetsLine < 0) return d;
    const int count = int(d.Tracks.size());
    int read = 0;
    int64_t previous = 0;
    for (int i = offsetsLine + 1; i < lines.size() && read < count; ++i) {
        const QString& line = lines[i];
        if (!line.startsWith(QLatin1Char('#'))) break;
        int64_t offset = 0;
        if (!SmallNumber(line.mid(1), offset)) break;
        if (read > 0) d.Durations.append(ClampMs(RoundHalfEven((offset - previous) * 1000, 75)));
        previous = offset;
        ++read;
    }
    if (read == count && count > 0 && lengthLine >= 0) {
        QString rest = lines[lengthLine].mid(14).trimmed();
        int64_t seconds = 0;
        if (rest.endsWith(QLatin1String("seconds"), Qt::CaseInsensitive) &&
            SmallNumber(rest.chopped(7), seconds))
            d.Durations.append(ClampMs(RoundHalfEven(seconds * 75000 - previous * 1000, 75)));
    }
    return d;
}

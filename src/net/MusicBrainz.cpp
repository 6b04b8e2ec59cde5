#include "net/MusicBrainz.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <limits>

namespace {

constexpr int kMaxReleases = 1000;
constexpr int kMaxTracks = 999;

bool IsMbid(const QString& s) {
    if (s.size() != 36) return false;
    for (int i = 0; i < 36; ++i) {
        const char c = s[i].unicode() < 128 ? s[i].toLatin1() : 'x';
        if (i == 8 || i == 13 || i == 18 || i == 23 ? c != '-' : !isxdigit(c)) return false;
    }
    return true;
}

QString ArtistCredit(const QJsonValue& credit) {
    QString artist;
    for (const QJsonValue& part : credit.toArray())
        artist +=
            part[QLatin1String("name")].toString() + part[QLatin1String("joinphrase")].toString();
    return artist.trimmed();
}

QString YearOf(const QString& date) {
    const QString year = date.left(4);
    for (QChar c : year)
        if (!c.isDigit()) return QString();
    return year.size() == 4 ? year : QString();
}

QJsonObject Document(const QByteArray& json, QString* error) {
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isObject()) return doc.object();
    if (error)
        *error = json.trimmed().isEmpty()
                     ? QStringLiteral("No reply from the server.")
                     : QStringLiteral("The server's reply is not the expected JSON.");
    return {};
}

} // namespace

QString MusicBrainzSearchUrl(const QString& base, const QString& words, int limit) {
    return base + QStringLiteral("/ws/2/release/?query=") +
           QString::fromLatin1(QUrl::toPercentEncoding(words.trimmed())) +
           QStringLiteral("&fmt=json&limit=%1").arg(limit);
}

QString MusicBrainzReleaseUrl(const QString& base, const QString& releaseId) {
    return base + QStringLiteral("/ws/2/release/") + releaseId +
           QStringLiteral("?inc=recordings+artist-credits+genres+tags&fmt=json");
}

QString MusicBrainzUserAgent(const QString& version, const QString& contact) {
    QString c = contact.trimmed();
    c.remove(QLatin1Char('\r'));
    c.remove(QLatin1Char('\n'));
    return QStringLiteral("Sonvale/%1 ( %2 )")
        .arg(version, c.isEmpty() ? QStringLiteral("no contact given") : c);
}

int MusicBrainzRequestDelay() {
    static QElapsedTimer clock;
    static qint64 nextAllowed = 0;
    if (!clock.isValid()) clock.start();
    const qint64 now = clock.elapsed();
    const qint64 wait = std::max<qint64>(0, nextAllowed - now);
    nextAllowed = now + wait + 1000;
    return int(wait);
}

QList<TLookupMatch> ParseMusicBrainzSearch(const QByteArray& json, QString* error) {
    QList<TLookupMatch> found;
    const QJsonObject root = Document(json, error);
    if (root.isEmpty()) return found;
    if (!root.contains(QLatin1String("releases"))) {
        if (error)
            *error = root.contains(QLatin1String("error"))
                         ? QStringLiteral("The server refused the request: %1")
                               .arg(root[QLatin1String("error")].toString().left(200))
                         : QStringLiteral("The server's reply is not a search result.");
        return found;
    }
    for (const QJsonValue& r : root[QLatin1String("releases")].toArray()) {
        if (found.size() >= kMaxReleases) break;
        const QString id = r[QLatin1String("id")].toString();
        if (!IsMbid(id)) continue;
        QString title = ArtistCredit(r[QLatin1String("artist-credit")]) + QStringLiteral(" / ") +
                        r[QLatin1String("title")].toString().trimmed();
        QStringList notes;
        const QString year = YearOf(r[QLatin1String("date")].toString());
        if (!year.isEmpty()) notes << year;
        const int tracks = r[QLatin1String("track-count")].toInt();
        if (tracks > 0) notes << QStringLiteral("%1 tracks").arg(tracks);
        if (!notes.isEmpty())
            title += QStringLiteral(" (") + notes.join(QStringLiteral(", ")) + QLatin1Char(')');
        found.append({title, id, QString()});
    }
    return found;
}

TAlbumDetails ParseMusicBrainzRelease(const QByteArray& json, QString* error) {
    TAlbumDetails d;
    const QJsonObject root = Document(json, error);
    if (root.isEmpty()) return d;
    if (!root.contains(QLatin1String("media"))) {
        if (error) *error = QStringLiteral("The server's reply is not a release.");
        return d;
    }
    d.Artist = ArtistCredit(root[QLatin1String("artist-credit")]);
    d.Album = root[QLatin1String("title")].toString().trimmed();
    d.Year = YearOf(root[QLatin1String("date")].toString());
    for (const char* list : {"genres", "tags"}) {
        const QJsonArray a = root[QLatin1String(list)].toArray();
        if (!a.isEmpty()) {
            d.Genre = a.first()[QLatin1String("name")].toString().trimmed();
            break;
        }
    }
    for (const QJsonValue& medium : root[QLatin1String("media")].toArray()) {
        for (const QJsonValue& t : medium[QLatin1String("tracks")].toArray()) {
            if (d.Tracks.size() >= kMaxTracks) break;
            QString title = t[QLatin1String("title")].toString();
            if (title.isEmpty())
                title = t[QLatin1String("recording")][QLatin1String("title")].toString();
            QJsonValue length = t[QLatin1String("length")];
            if (!length.isDouble()) length = t[QLatin1String("recording")][QLatin1String("length")];
            const double ms = length.toDouble(0);
            d.Tracks.append(title.trimmed());
            d.Durations.append(ms > 0 && ms < std::numeric_limits<int32_t>::max() ? int32_t(ms)
                                                                                  : 0);
        }
    }
    return d;
}

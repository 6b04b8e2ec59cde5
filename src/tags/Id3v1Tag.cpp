#include "tags/Id3v1Tag.h"

#include "tags/FieldList.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kGenres[kGenreCount] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "Alt. Rock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta Rap",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychedelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk/Rock",
    "National Folk",
    "Swing",
    "Fast-Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A Cappella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "JPop",
    "Synthpop",
};

// Fields are single bytes; ID3v1 text is ISO-8859-1. A field ends at its
// first NUL (some writers leave junk behind it), then trailing blanks go.
QString FieldText(const unsigned char* p, int width) {
    const void* nul = std::memchr(p, 0, size_t(width));
    int n = nul ? int(static_cast<const unsigned char*>(nul) - p) : width;
    while (n > 0 && p[n - 1] <= ' ')
        --n;
    return QString::fromLatin1(reinterpret_cast<const char*>(p), n);
}

void PutField(unsigned char* p, int width, const QString& value) {
    std::memset(p, ' ', width);
    QByteArray bytes = value.toLatin1(); // unmappable characters become '?'
    std::memcpy(p, bytes.constData(), std::min<int>(width, bytes.size()));
}

} // namespace

QString GenreName(int number) {
    if (number >= 0 && number < kGenreCount) return QString::fromLatin1(kGenres[number]);
    return QString::number(number);
}

uint8_t GenreNumber(const QString& text) {
    bool ok = false;
    qlonglong n = text.toLongLong(&ok, 10);
    if (ok && n >= 0) return uint8_t(n & 0xFF);
    if (text.isEmpty()) return 255;
    for (int i = 0; i < kGenreCount; ++i)
        if (text.compare(QLatin1String(kGenres[i]), Qt::CaseInsensitive) == 0) return uint8_t(i);
    return 255;
}

QStringList GenreNames() {
    QStringList names;
    for (const char* g : kGenres)
        names << QString::fromLatin1(g);
    return names;
}

QStringList SortedGenreNames() {
    QStringList names = GenreNames();
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

bool TId3V1Tag::Parse(const QByteArray& block) {
    Fields.clear();
    Present = false;
    MinorVersion = 0;
    if (block.size() < Size) return false;
    const auto* b = reinterpret_cast<const unsigned char*>(block.constData()) + block.size() - Size;
    if (std::memcmp(b, "TAG", 3) != 0) return true;
    Present = true;
    bool v11 = (b[125] == 0 && b[126] != 0) || (b[125] == ' ' && b[126] != ' ');
    MinorVersion = v11 ? 2 : 1;
    Fields << QStringLiteral("TITLE=") + FieldText(b + 3, 30)
           << QStringLiteral("ARTIST=") + FieldText(b + 33, 30)
           << QStringLiteral("ALBUM=") + FieldText(b + 63, 30)
           << QStringLiteral("YEAR=") + FieldText(b + 93, 4);
    if (v11) {
        Fields << QStringLiteral("COMMENTS=") + FieldText(b + 97, 28)
               << QStringLiteral("TRACK=") + QString::number(b[126]);
    } else {
        Fields << QStringLiteral("COMMENTS=") + FieldText(b + 97, 30);
    }
    Fields << QStringLiteral("GENRE=") + GenreName(b[127]);
    return true;
}

QByteArray TId3V1Tag::Render() const {
    QByteArray block(Size, '\0');
    auto* b = reinterpret_cast<unsigned char*>(block.data());
    std::memcpy(b, "TAG", 3);
    PutField(b + 3, 30, FieldValue(Fields, QStringLiteral("title")));
    PutField(b + 33, 30, FieldValue(Fields, QStringLiteral("artist")));
    PutField(b + 63, 30, FieldValue(Fields, QStringLiteral("album")));
    PutField(b + 93, 4, FieldValue(Fields, QStringLiteral("year")));
    bool ok = false;
    int track = FieldValue(Fields, QStringLiteral("track")).toInt(&ok, 10);
    if (!ok) track = 0;
    QString comment = FieldValue(Fields, QStringLiteral("comments"));
    if (track > 0) {
        PutField(b + 97, 28, comment);
        b[125] = 0;
        b[126] = uint8_t(track & 0xFF);
    } else {
        PutField(b + 97, 30, comment);
    }
    b[127] = GenreNumber(FieldValue(Fields, QStringLiteral("genre")));
    return block;
}

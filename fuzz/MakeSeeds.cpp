// Writes the fuzz targets' seeds into FOLDER/TARGET/: small files of every format made
// by the test fixtures (real encoder output, tags written by our own writers).
#include "support/AudioFixtures.h"

#include "audio/FileTags.h"
#include "io/SonvaleError.h"
#include "lang/LanguageFile.h"
#include "tools/Playlist.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace fixtures;

namespace {

QString root;

QString SeedPath(const char* target, const QString& name) {
    QDir().mkpath(root + QLatin1Char('/') + QLatin1String(target));
    return root + QLatin1Char('/') + QLatin1String(target) + QLatin1Char('/') + name;
}

void Copy(const QString& from, const char* target, const QString& name) {
    WriteFile(SeedPath(target, name), ReadFile(from));
}

// A copy of `source` with the seven fields written in the tag kinds `kinds`.
void Tagged(const QString& source, int kinds, const char* target, const QString& name) {
    const QString path = SeedPath(target, name);
    WriteFile(path, ReadFile(source));
    try {
        WriteFileTags(path, QStringLiteral("Artist \u00e9"), kinds, QStringLiteral("comment"),
                      QStringLiteral("3/12"), QStringLiteral("Rock"), QStringLiteral("2004"),
                      QStringLiteral("Album"), QStringLiteral("Title \u4e2d"));
    } catch (const ESonvaleError& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(e.Message));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    const QString work = root + QStringLiteral("/.work");
    QDir().mkpath(work);

    EncodeOptions o;
    o.seconds = 0.15;
    const QString mp3 = work + QStringLiteral("/a.mp3");
    EncodeMp3(mp3, o);
    Copy(mp3, "mpeg_frames", QStringLiteral("cbr.mp3"));
    Copy(mp3, "mpeg_decoder", QStringLiteral("cbr.mp3"));
    EncodeOptions vbr = o;
    vbr.vbr = true;
    vbr.channels = 1;
    vbr.sampleRate = 22050;
    EncodeMp3(work + QStringLiteral("/vbr.mp3"), vbr);
    Copy(work + QStringLiteral("/vbr.mp3"), "mpeg_decoder", QStringLiteral("vbr-mpeg2.mp3"));
    Copy(work + QStringLiteral("/vbr.mp3"), "mpeg_frames", QStringLiteral("vbr-mpeg2.mp3"));
    EncodeMp2(work + QStringLiteral("/a.mp2"), o);
    Copy(work + QStringLiteral("/a.mp2"), "mpeg_decoder", QStringLiteral("layer2.mp2"));
    Copy(work + QStringLiteral("/a.mp2"), "mpeg_frames", QStringLiteral("layer2.mp2"));

    WriteFile(work + QStringLiteral("/short.mp3"), SilentMp3Frames(2));
    const QString shortMp3 = work + QStringLiteral("/short.mp3");
    Tagged(shortMp3, 1, "id3v1", QStringLiteral("id3v1.mp3"));
    // The block alone: what the target parses.
    WriteFile(SeedPath("id3v1", QStringLiteral("id3v1.tag")),
              ReadFile(SeedPath("id3v1", QStringLiteral("id3v1.mp3"))).right(128));
    Tagged(shortMp3, 2, "id3v2", QStringLiteral("id3v2.mp3"));
    Tagged(shortMp3, 4, "apev2", QStringLiteral("apev2.mp3"));
    Tagged(shortMp3, 5, "apev2", QStringLiteral("apev2-id3v1.mp3"));
    Tagged(shortMp3, 7, "mpeg_decoder", QStringLiteral("tagged.mp3"));

    EncodeOptions ogg = o;
    ogg.metadata = {{QStringLiteral("ARTIST"), QStringLiteral("A")},
                    {QStringLiteral("TITLE"), QStringLiteral("T \u00e9")}};
    EncodeOgg(work + QStringLiteral("/a.ogg"), ogg);
    Copy(work + QStringLiteral("/a.ogg"), "vorbis_comment", QStringLiteral("tagged.ogg"));
    Copy(work + QStringLiteral("/a.ogg"), "vorbis_summary", QStringLiteral("tagged.ogg"));

    for (int bits : {8, 16, 24})
        WriteFile(SeedPath("wave", QStringLiteral("pcm%1.wav").arg(bits)),
                  MakeWave(8000, bits == 16 ? 2 : 1, bits, MakeSine(8000, 2, 0.01)));

    EncodeOptions wma = o;
    wma.metadata = {{QStringLiteral("artist"), QStringLiteral("A")},
                    {QStringLiteral("title"), QStringLiteral("T")}};
    EncodeWma(SeedPath("asf_header", QStringLiteral("a.wma")), wma);
    wma.seconds = 0.2;
    EncodeWma(SeedPath("wma_count", QStringLiteral("a.wma")), wma);
    EncodeAc3(SeedPath("ac3", QStringLiteral("a.ac3")), o);

    const QStringList entries{QStringLiteral("/music/a.mp3"), QStringLiteral("rel/b \u00e9.ogg"),
                              QStringLiteral("file:///music/c.wma")};
    const char keys[] = {'m', 'p', 'x'};
    for (int i = 0; i < 3; ++i) {
        QByteArray image(1, char(i));
        WritePlaylist(
            QStringList{QStringLiteral("m3u"), QStringLiteral("pls"), QStringLiteral("xpl")}[i],
            entries, image);
        WriteFile(SeedPath("playlist", QStringLiteral("list-%1").arg(keys[i])), image);
    }
    TLanguageFile lang;
    lang.Header.LanguageId = 0x040C;
    lang.Header.FirstText = QStringLiteral("Fran\u00e7ais");
    TLanguageEntry entry;
    entry.Path = QStringLiteral("TMainDlg.go_btn");
    entry.Caption = {kTextCaption | kTextTranslated, QStringLiteral("Lancer")};
    entry.Hint = {kTextHint | kTextHintShown | kTextTranslated, QStringLiteral("Aide")};
    lang.Entries << entry;
    WriteLanguageFile(SeedPath("language_file", QStringLiteral("fr.SPK")), lang);
    WriteFile(SeedPath("cddb", QStringLiteral("query")),
              "211 close matches\r\nrock 0a0b0c0d Artist / Album\r\nmisc 0a0b0c0e A / B\r\n.\r\n");
    WriteFile(
        SeedPath("cddb", QStringLiteral("xmcd")),
        "210 rock 0a0b0c0d\r\n# xmcd\r\n# Track frame offsets:\r\n#\t150\r\n#\t20000\r\n"
        "#\r\n# Disc length: 700 seconds\r\nDISCID=0a0b0c0d\r\nDTITLE=Artist / "
        "Album\r\nDYEAR=1999\r\nDGENRE=Rock\r\nTTITLE0=One\r\nTTITLE1=Tw\r\nTTITLE1=o\r\n.\r\n");
    WriteFile(SeedPath("musicbrainz", QStringLiteral("search.json")),
              R"({"count":1,"releases":[{"id":"b84ee12a-09ef-421b-82de-0441a926375b",)"
              R"("title":"Album","date":"1999-03-01","track-count":2,)"
              R"("artist-credit":[{"name":"A","joinphrase":" & "},{"name":"B"}]}]})");
    WriteFile(SeedPath("musicbrainz", QStringLiteral("release.json")),
              R"({"id":"b84ee12a-09ef-421b-82de-0441a926375b","title":"Album","date":"1999",)"
              R"("artist-credit":[{"name":"A"}],"genres":[{"name":"rock","count":3}],)"
              R"("media":[{"tracks":[{"title":"One","length":61000},)"
              R"({"title":"Two","recording":{"title":"Two","length":5000}}]}]})");
    QDir(work).removeRecursively();
    return 0;
}

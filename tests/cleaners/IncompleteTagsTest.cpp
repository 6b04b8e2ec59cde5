// The incomplete-tags finder over real files, one table of chosen fields.
#include "tools/IncompleteTags.h"
#include "support/ScriptedPrompter.h"
#include "tagtools/TagToolsSupport.h"

#include <QTemporaryDir>

using namespace tagtools;

namespace {

TEST(IncompleteTags, ListsFilesWithAnEmptyChosenFieldInInputOrder) {
    QTemporaryDir tmp;
    QDir dir(tmp.path());
    using TTags = std::vector<std::pair<QString, QString>>;
    const TTags all = {{"title", "T"},    {"artist", "A"},  {"album", "B"},
                       {"genre", "Rock"}, {"date", "2001"}, {"track", "3"}};
    auto mp3 = [&](const char* name, TTags tags) {
        fixtures::EncodeOptions o = SmallAudio();
        o.metadata = std::move(tags);
        o.id3v2Version = 3;
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(fixtures::EncodeMp3(path, o));
        return path;
    };
    TTags noTitle(all.begin() + 1, all.end());
    fixtures::EncodeOptions ogg = SmallAudio();
    ogg.metadata = {
        {"title", "T"}, {"artist", "A"}, {"genre", "Pop"}, {"date", "1999"}, {"tracknumber", "1"}};
    const QString flac = dir.filePath(QStringLiteral("unread.flac"));
    fixtures::WriteFile(flac, QByteArray("fLaC"));
    const QStringList paths = {mp3("full.mp3", all), dir.filePath(QStringLiteral("no-album.ogg")),
                               flac, mp3("bare.mp3", {}), mp3("no-title.mp3", noTitle)};
    ASSERT_TRUE(fixtures::EncodeOgg(paths[1], ogg));

    const struct {
        QStringList fields;
        QList<int> listed;
    } cases[] = {
        {{}, {}},
        {{"album"}, {1, 3}},
        {{"title"}, {3, 4}},
        {{"year", "genre"}, {3}},
        {IncompleteFieldNames(), {1, 3, 4}},
    };
    for (const auto& c : cases) {
        TIncompleteOptions options;
        options.Paths = paths;
        options.Fields = c.fields;
        TScriptedPrompter prompter;
        TRecordingProgress progress;
        const TIncompleteResult r = FindIncompleteTags(options, progress, prompter);
        QStringList expected;
        for (int i : c.listed)
            expected << paths[i];
        EXPECT_EQ(r.Listed, expected) << c.fields.join(',').toStdString();
        EXPECT_EQ(progress.Positions.last(), paths.size());
        // The file no reader opens is never listed, and is told.
        ASSERT_EQ(r.Failures.size(), 1);
        EXPECT_EQ(r.Failures[0].Path, flac);
        EXPECT_EQ(prompter.Shown.size(), 1);
    }
}

} // namespace

// The libraries sonvale-cli maps, as the dynamic linker reports them: showing a file's
// properties and tags loads neither FFmpeg nor OpenSSL nor Qt's network and GUI libraries,
// and the Ogg Vorbis libraries only for an Ogg file; a decode that needs FFmpeg loads it
// then.
#include "support/AudioFixtures.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

QStringList LoadedLibraries(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SONVALE_CLI_PATH), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {QStringLiteral("<failed>")};
    QStringList names;
    static const QRegularExpression file(QStringLiteral("file=(\\S+) \\[\\d+\\];"));
    for (const auto& m : file.globalMatch(QString::fromLocal8Bit(p.readAllStandardError())))
        names << m.captured(1);
    return names;
}

bool AnyStartsWith(const QStringList& names, const QStringList& stems) {
    for (const QString& n : names)
        for (const QString& s : stems)
            if (n.startsWith(s)) return true;
    return false;
}

TEST(CliLibraries, EachFormatLoadsOnlyTheLibrariesItNeeds) {
    QTemporaryDir dir;
    const QString mp3 = dir.filePath(QStringLiteral("a.mp3"));
    const QString ac3 = dir.filePath(QStringLiteral("a.ac3"));
    const QString ogg = dir.filePath(QStringLiteral("a.ogg"));
    ASSERT_TRUE(fixtures::WriteFile(mp3, fixtures::SilentMp3Frames(20)));
    fixtures::EncodeOptions o;
    o.seconds = 0.2;
    ASSERT_TRUE(fixtures::EncodeAc3(ac3, o));
    ASSERT_TRUE(fixtures::EncodeOgg(ogg, o));
    const QString out = dir.filePath(QStringLiteral("out.raw"));
    const QStringList ffmpeg{QStringLiteral("libavcodec"), QStringLiteral("libavformat"),
                             QStringLiteral("libavutil"), QStringLiteral("libswresample")};
    const QStringList vorbis{QStringLiteral("libogg"), QStringLiteral("libvorbis")};
    const QStringList qtOthers{QStringLiteral("libQt6Network"), QStringLiteral("libQt6Gui"),
                               QStringLiteral("libQt6Widgets")};
    const struct {
        QStringList args;
        bool loadsFfmpeg;
        std::optional<bool> loadsVorbis; // FFmpeg may pull them in itself
    } cases[] = {
        {{QStringLiteral("info"), mp3}, false, false},
        {{QStringLiteral("info"), QStringLiteral("--json"), ac3}, false, false},
        {{QStringLiteral("info"), ogg}, false, true},
        {{QStringLiteral("decode"), mp3, out}, false, false},
        {{QStringLiteral("decode"), ac3, out}, true, std::nullopt},
    };
    for (const auto& c : cases) {
        const QStringList loaded = LoadedLibraries(c.args);
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const std::string shown = loaded.join(QLatin1Char(' ')).toStdString();
        ASSERT_TRUE(AnyStartsWith(loaded, {QStringLiteral("libQt6Core")})) << shown;
        EXPECT_EQ(AnyStartsWith(loaded, ffmpeg), c.loadsFfmpeg) << shown;
        if (c.loadsVorbis) {
            EXPECT_EQ(AnyStartsWith(loaded, vorbis), *c.loadsVorbis) << shown;
        }
        EXPECT_FALSE(AnyStartsWith(loaded, qtOthers)) << shown;
        if (!c.loadsFfmpeg) { // FFmpeg's network protocols need OpenSSL
            EXPECT_FALSE(AnyStartsWith(loaded, {QStringLiteral("libcrypto")})) << shown;
        }
    }
}

} // namespace

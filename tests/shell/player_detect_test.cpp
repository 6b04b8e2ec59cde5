#include "platform/Platform.h"
#include "platform/Players.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {
void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
} // namespace

TEST(RecommendedPlayer, FolderOrProgramFromTheSettingsValue) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetSettingsFileOverride(dir.filePath(QStringLiteral("s.ini")));
    auto set = [](const QVariant& v) { OpenSettings()->setValue(QStringLiteral("lkp"), v); };

    EXPECT_TRUE(RecommendedPlayerProgram().isEmpty()); // not configured
    const QString folder = dir.filePath(QStringLiteral("Larkspur"));
    ASSERT_TRUE(QDir().mkpath(folder));
    set(folder);
    EXPECT_TRUE(RecommendedPlayerProgram().isEmpty()); // configured, program missing
    Touch(folder + QStringLiteral("/lkp.exe"));
    EXPECT_EQ(RecommendedPlayerProgram(), folder + QStringLiteral("/lkp.exe"));
    Touch(folder + QStringLiteral("/lkp"));
    EXPECT_EQ(RecommendedPlayerProgram(), folder + QStringLiteral("/lkp"));
    // The value may also name the program itself.
    const QString program = dir.filePath(QStringLiteral("player-bin"));
    Touch(program);
    set(program);
    EXPECT_EQ(RecommendedPlayerProgram(), program);
    // Garbage: a path that is nothing, a list.
    set(dir.filePath(QStringLiteral("gone")));
    EXPECT_TRUE(RecommendedPlayerProgram().isEmpty());
    set(QStringList{folder, folder});
    EXPECT_TRUE(RecommendedPlayerProgram().isEmpty());
    SetSettingsFileOverride(QString());
}

namespace {
void Write(const QString& path, const QByteArray& text, bool program = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    if (program) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}
} // namespace

TEST(SystemPlayers, DesktopDefaultFirstThenPlayersOnThePathEachOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bin = dir.filePath("bin"), apps = dir.filePath("apps"),
                  config = dir.filePath("config");
    for (const char* p : {"vlc", "audacious", "mpv"})
        Write(bin + "/" + p, "#!/bin/sh\n", true);
    Write(bin + "/rhythmbox", "not a program"); // not executable: not offered
    Write(apps + "/vlc.desktop",
          "[Desktop Entry]\nName=VLC media player\nExec=vlc --started-from-file %U\n");
    Write(apps + "/gone.desktop", "[Desktop Entry]\nName=Gone\nExec=gone-player %f\n");
    Write(apps + "/mimeinfo.cache", "[MIME Cache]\naudio/mpeg=gone.desktop;\n");
    const TPlayerSearch where{{config}, {apps}, {bin}};

    // Only the cache names an application, and its program is not there.
    QList<TPlayer> found = DetectSystemPlayers(where);
    QStringList names;
    for (const TPlayer& p : found)
        names << p.Name;
    EXPECT_EQ(names, QStringList({"mpv", "VLC media player", "Audacious"}));
    EXPECT_FALSE(found[0].DesktopDefault);
    EXPECT_EQ(found[0].CommandLine, bin + "/mpv --player-operation-mode=pseudo-gui %1");

    // The user's choice in mimeapps.list comes first, and its program only once.
    Write(config + "/mimeapps.list",
          "[Added Associations]\naudio/mpeg=gone.desktop;\n[Default Applications]\n"
          "audio/mpeg=missing.desktop;vlc.desktop;\n");
    found = DetectSystemPlayers(where);
    ASSERT_EQ(found.size(), 3);
    EXPECT_TRUE(found[0].DesktopDefault);
    EXPECT_EQ(found[0].Name, "VLC media player");
    EXPECT_EQ(found[0].CommandLine, "vlc --started-from-file %1");
    EXPECT_EQ(found[1].Name, "mpv");
    EXPECT_EQ(found[2].Name, "Audacious");
}

TEST(SystemPlayers, DesktopExecBecomesACommandLineWithOneFile) {
    const struct {
        const char* Exec;
        const char* CommandLine;
    } cases[] = {
        {"vlc %U", "vlc %1"},
        {"\"/opt/My Player/play\" --x %f %i", "\"/opt/My Player/play\" --x %1"},
        {"player --uri=%u %F", "player --uri=%1"},
        {"audacious -e %F %%", "audacious -e %1 %"},
        {"say \"a \\\"b\\\"\" %f", "say \"a \"\"b\"\"\" %1"},
        {"player --no-files", ""}, // takes no file
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecToCommandLine(QString::fromUtf8(c.Exec)),
                  QString::fromUtf8(c.CommandLine))
            << c.Exec;
    }
    // The quoting reads back as the desktop entry meant it.
    EXPECT_EQ(PlayerArguments(DesktopExecToCommandLine("say \"a \\\"b\\\"\" %f"), "/a b.mp3"),
              (QStringList{"say", "a \"b\"", "/a b.mp3"}));
}

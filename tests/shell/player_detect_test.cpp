#include "platform/Platform.h"

#include <QDir>
#include <QFile>
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

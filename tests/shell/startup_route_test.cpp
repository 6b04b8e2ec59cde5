#include "platform/Platform.h"
#include "platform/StartupRoute.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(StartRoute, WordsAreExactAndPathsMustExist) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("a song.mp3"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    EXPECT_EQ(RouteCommandLine({}), TStartRoute::ShowTools);
    EXPECT_EQ(RouteCommandLine({"register"}), TStartRoute::Register);
    EXPECT_EQ(RouteCommandLine({"unregister"}), TStartRoute::Unregister);
    EXPECT_EQ(RouteCommandLine({"Register"}), TStartRoute::ShowTools);
    EXPECT_EQ(RouteCommandLine({" register"}), TStartRoute::ShowTools);
    EXPECT_EQ(RouteCommandLine({""}), TStartRoute::ShowTools);
    EXPECT_EQ(RouteCommandLine({file}), TStartRoute::EditFile);
    EXPECT_EQ(RouteCommandLine({dir.path()}), TStartRoute::TagFolder);
    EXPECT_EQ(RouteCommandLine({dir.filePath(QStringLiteral("gone.mp3"))}), TStartRoute::ShowTools);
    // Only the first argument counts.
    EXPECT_EQ(RouteCommandLine({file, "register"}), TStartRoute::EditFile);
}

TEST(StartRoute, AssistantShowsOnlyForMissingOrZero) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    platform::SetSettingsFileOverride(dir.filePath(QStringLiteral("s.ini")));
    EXPECT_TRUE(ShouldShowStarter());
    SetDontShowStarter(true);
    EXPECT_FALSE(ShouldShowStarter());
    SetDontShowStarter(false);
    EXPECT_TRUE(ShouldShowStarter());
    platform::OpenSettings()->setValue(QStringLiteral("DontShowStarter"), QStringLiteral("yes"));
    EXPECT_FALSE(ShouldShowStarter());
    platform::OpenSettings()->setValue(QStringLiteral("DontShowStarter"), QStringList{"0", "0"});
    EXPECT_FALSE(ShouldShowStarter());

    StoreExecutablePath(QStringLiteral("/opt/sonvale/bin/sonvale"));
    EXPECT_EQ(platform::OpenVendorSettings()->value(QStringLiteral("Sonvale")).toString(),
              QStringLiteral("/opt/sonvale/bin/sonvale"));
    // The vendor value does not leak into the program's own group.
    EXPECT_FALSE(platform::OpenSettings()->contains(QStringLiteral("Sonvale")));
    platform::SetSettingsFileOverride(QString());
}

#include "platform/Platform.h"
#include "platform/SettingsValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {
QString ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}
} // namespace

TEST(CommandLine, SplitsOnBlanksAndKeepsQuotedGroups) {
    EXPECT_EQ(SplitCommandLine(QStringLiteral("  vlc   --play-and-exit \"%1\" ")),
              (QStringList{"vlc", "--play-and-exit", "%1"}));
    EXPECT_EQ(SplitCommandLine(QStringLiteral("\"/opt/My Player/play\" -q")),
              (QStringList{"/opt/My Player/play", "-q"}));
    EXPECT_EQ(SplitCommandLine(QStringLiteral("a \"\" b")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(SplitCommandLine(QStringLiteral("say \"he said \"\"hi\"\"\"")),
              (QStringList{"say", "he said \"hi\""}));
    EXPECT_TRUE(SplitCommandLine(QString()).isEmpty());
    // An unclosed quote runs to the end instead of failing.
    EXPECT_EQ(SplitCommandLine(QStringLiteral("p \"a b")), (QStringList{"p", "a b"}));
}

TEST(CommandLine, PathWithBlanksAndPercentStaysOneArgument) {
    const QString path = QStringLiteral("/music/A B/%1 \"odd\" song.mp3");
    EXPECT_EQ(PlayerArguments(QStringLiteral("player \"%1\""), path),
              (QStringList{"player", path}));
    // Unquoted %1 is still replaced inside its one argument.
    EXPECT_EQ(PlayerArguments(QStringLiteral("player --file=%1 -x"), path),
              (QStringList{"player", "--file=" + path, "-x"}));
    // Only the first %1 is replaced.
    EXPECT_EQ(PlayerArguments(QStringLiteral("p %1 %1"), QStringLiteral("x")),
              (QStringList{"p", "x", "%1"}));
}

TEST(CommandLine, NothingToStartWithoutPercentOne) {
    EXPECT_TRUE(PlayerArguments(QStringLiteral("player"), QStringLiteral("/a.mp3")).isEmpty());
    EXPECT_TRUE(PlayerArguments(QString(), QStringLiteral("/a.mp3")).isEmpty());
    EXPECT_TRUE(PlayerArguments(QStringLiteral("\"\" %1"), QStringLiteral("/a.mp3")).isEmpty());
    EXPECT_FALSE(RunPlayer(QStringLiteral("player"), QStringLiteral("/a.mp3")));
}

TEST(ShellEntry, RegisterWritesDesktopFileAndUnregisterRemovesIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString apps = dir.filePath(QStringLiteral("deep/applications"));
    const QString exe = QStringLiteral("/opt/Son vale/bin/sonvale");
    ASSERT_TRUE(RegisterShellEntries(exe, QStringLiteral("Open with Sonvale"), apps));
    const QString text = ReadAll(ShellEntryPath(apps));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nName=Open with Sonvale\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"/opt/Son vale/bin/sonvale\" %f\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("inode/directory;")));
    EXPECT_TRUE(text.contains(QStringLiteral("audio/mpeg;"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=org.orvane.Sonvale\n")));

    // Registering twice replaces the entry rather than appending.
    ASSERT_TRUE(RegisterShellEntries(exe, QStringLiteral("Ouvrir"), apps));
    const QString again = ReadAll(ShellEntryPath(apps));
    EXPECT_EQ(again.count(QStringLiteral("[Desktop Entry]")), 1);
    EXPECT_TRUE(again.contains(QStringLiteral("\nName=Ouvrir\n")));

    EXPECT_TRUE(UnregisterShellEntries(apps));
    EXPECT_FALSE(QFile::exists(ShellEntryPath(apps)));
    // Unregistering when nothing is registered is fine.
    EXPECT_TRUE(UnregisterShellEntries(apps));
}

TEST(ShellEntry, HostileNamesAreEscaped) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(RegisterShellEntries(QStringLiteral("/x/$HOME`id`\"\\%f"),
                                     QStringLiteral("Line\nExec=evil"), dir.path()));
    const QString text = ReadAll(ShellEntryPath(dir.path()));
    EXPECT_FALSE(text.contains(QStringLiteral("\nExec=evil")));
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"/x/\\$HOME\\`id\\`\\\"\\\\%%f\" %f\n")))
        << text.toStdString();
}

TEST(ShellEntry, UnwritableFolderFailsQuietly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // A plain file where the folder should be.
    EXPECT_FALSE(RegisterShellEntries(QStringLiteral("/bin/true"), QStringLiteral("x"), blocker));
}

TEST(ServerList, ReadsHostsInOrderAndToleratesMissingFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("freedb.lst"));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("gnudb.example\r\n\r\n  second.example  \nthird.example");
    f.close();
    EXPECT_EQ(ReadServerList(name),
              (QStringList{"gnudb.example", "second.example", "third.example"}));
    EXPECT_TRUE(ReadServerList(dir.filePath(QStringLiteral("none.lst"))).isEmpty());
    EXPECT_TRUE(ReadServerList(dir.path()).isEmpty()); // a folder, not a file
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetSettingsFileOverride(dir.filePath(QStringLiteral("settings.ini")));
    }
    void TearDown() override { SetSettingsFileOverride(QString()); }
    QTemporaryDir dir;
};

TEST_F(SettingsStore, FreshStoreGivesDefaults) {
    auto s = OpenSettings();
    TSettingsValues v;
    v.FreeDBServers = {"a.example", "b.example"};
    LoadSettingsValues(*s, v);
    EXPECT_EQ(v.FreeDBServerIndex, 0);
    EXPECT_EQ(v.FreeDBCGIPath, QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_FALSE(v.FreeDBUseProxy);
    EXPECT_EQ(v.FreeDBProxyPort, 80);
    EXPECT_EQ(v.RenamePattern, QStringLiteral("%1 - %3 - %6 - %2"));
    EXPECT_EQ(v.PlaylistPattern, QStringLiteral("%1 - %3"));
    EXPECT_EQ(v.OrganizerRenamePattern, QStringLiteral("%1 - %3 - %2"));
    EXPECT_EQ(v.OrganizerSubDirPattern, QStringLiteral("%1"));
    EXPECT_EQ(v.RenameTagMask & 15, 15);
    EXPECT_EQ(v.PlaylistDirMode, 0);
    EXPECT_FALSE(v.DisableAssistant);
}

TEST_F(SettingsStore, RoundTripSurvivesReopening) {
    TSettingsValues v;
    v.FreeDBServers = {"a.example", "b.example"};
    v.FreeDBServerIndex = 1;
    v.FreeDBCGIPath = QStringLiteral("/cgi");
    v.FreeDBUseProxy = true;
    v.FreeDBProxyServer = QStringLiteral("proxy");
    v.FreeDBProxyPort = 3128;
    v.FreeDBProxyName = QStringLiteral("me");
    v.FreeDBProxyPass = QStringLiteral("pä ss");
    v.DisableAssistant = true;
    v.RenamePattern = QStringLiteral("%2");
    v.RenameTagMask = 5;
    v.PlaylistRelative = true;
    v.PlaylistPattern = QStringLiteral("%3");
    v.PlaylistDirMode = 2;
    v.PlaylistUserDefinedDir = QStringLiteral("/lists/");
    v.OrganizerBaseDir = QStringLiteral("/base/");
    v.OrganizerRenamePattern = QStringLiteral("%6 %2");
    v.OrganizerSubDirPattern = QStringLiteral("%1\\%3");
    v.PlaybackCommandLine = QStringLiteral("mpv \"%1\"");
    SaveSettingsValues(*OpenSettings(), v);

    TSettingsValues back;
    back.FreeDBServers = {"A.EXAMPLE", "B.Example"};
    LoadSettingsValues(*OpenSettings(), back);
    EXPECT_EQ(back.FreeDBServerIndex, 1); // matched ignoring case
    EXPECT_EQ(back.FreeDBCGIPath, v.FreeDBCGIPath);
    EXPECT_TRUE(back.FreeDBUseProxy);
    EXPECT_EQ(back.FreeDBProxyServer, v.FreeDBProxyServer);
    EXPECT_EQ(back.FreeDBProxyPort, 3128);
    EXPECT_EQ(back.FreeDBProxyName, v.FreeDBProxyName);
    EXPECT_EQ(back.FreeDBProxyPass, v.FreeDBProxyPass);
    EXPECT_TRUE(back.DisableAssistant);
    EXPECT_EQ(back.RenamePattern, v.RenamePattern);
    EXPECT_EQ(back.RenameTagMask, 5);
    EXPECT_TRUE(back.PlaylistRelative);
    EXPECT_EQ(back.PlaylistPattern, v.PlaylistPattern);
    EXPECT_EQ(back.PlaylistDirMode, 2);
    EXPECT_EQ(back.PlaylistUserDefinedDir, v.PlaylistUserDefinedDir);
    EXPECT_EQ(back.OrganizerBaseDir, v.OrganizerBaseDir);
    EXPECT_EQ(back.OrganizerRenamePattern, v.OrganizerRenamePattern);
    EXPECT_EQ(back.OrganizerSubDirPattern, v.OrganizerSubDirPattern);
    EXPECT_EQ(back.PlaybackCommandLine, v.PlaybackCommandLine);

    // Flags are stored as "1"/"0" text.
    EXPECT_EQ(OpenSettings()->value(QStringLiteral("FreeDB_UseProxy")).toString(),
              QStringLiteral("1"));
    EXPECT_EQ(OpenSettings()->value(QStringLiteral("Playlist_DirMode")).toString(),
              QStringLiteral("2"));
}

TEST_F(SettingsStore, GarbageValuesTakeDefaults) {
    {
        auto s = OpenSettings();
        s->setValue(QStringLiteral("FreeDB_Server"), QStringLiteral("unknown.example"));
        s->setValue(QStringLiteral("FreeDB_ProxyPort"), QStringLiteral("eighty"));
        s->setValue(QStringLiteral("Playlist_DirMode"), QStringLiteral("7"));
        s->setValue(QStringLiteral("FreeDB_UseProxy"), QStringLiteral("yes"));
        s->setValue(QStringLiteral("DisableAssistant"), QStringLiteral("true"));
        s->setValue(QStringLiteral("Rename_TagMask"), QStringLiteral("lots"));
        s->setValue(QStringLiteral("Rename_Pattern"), QStringList{"a", "b"});
    }
    TSettingsValues v;
    v.FreeDBServers = {"a.example", "b.example"};
    LoadSettingsValues(*OpenSettings(), v);
    EXPECT_EQ(v.FreeDBServerIndex, 0);
    EXPECT_EQ(v.FreeDBProxyPort, 80);
    EXPECT_EQ(v.PlaylistDirMode, 0);
    EXPECT_FALSE(v.FreeDBUseProxy);
    EXPECT_FALSE(v.DisableAssistant);
    EXPECT_EQ(v.RenameTagMask, 31);
    EXPECT_EQ(v.RenamePattern, QStringLiteral("%1 - %3 - %6 - %2"));
}

TEST_F(SettingsStore, CorruptFileLoadsDefaultsAndNoServerWithoutList) {
    QFile f(dir.filePath(QStringLiteral("settings.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    static const char junk[] =
        "\x00\xff[[[\n=\n[Sonvale\nFreeDB_ProxyPort=@Variant(\\0\\0\\0\\x7f)\n";
    f.write(junk, sizeof junk - 1);
    f.close();
    TSettingsValues v;
    LoadSettingsValues(*OpenSettings(), v);
    EXPECT_EQ(v.FreeDBServerIndex, -1);
    EXPECT_EQ(v.FreeDBProxyPort, 80);
    // Without a selected server nothing is written for it.
    SaveSettingsValues(*OpenSettings(), v);
    EXPECT_FALSE(OpenSettings()->contains(QStringLiteral("FreeDB_Server")));
}

TEST(FileVersion, MissingAndForeignFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(GetFileVersionText(dir.filePath(QStringLiteral("nothing.exe"))),
              QStringLiteral("File not found"));
    EXPECT_EQ(GetFileVersionText(QString()), QStringLiteral("File not found"));
    const QString other = dir.filePath(QStringLiteral("other"));
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(GetFileVersionText(other), QStringLiteral("Unable to retrieve file version info"));
}

TEST(SettingsFile, OnlyItsOwnerMayReadIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QFileDevice::Permissions own = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QString made = dir.filePath(QStringLiteral("new/settings.ini"));
    const QString loose = dir.filePath(QStringLiteral("loose.ini"));
    QFile f(loose);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ASSERT_TRUE(
        QFile::setPermissions(loose, own | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    SetSettingsFileOverride(made);
    EXPECT_FALSE(OpenSettings()->contains(QStringLiteral("FreeDB_ProxyPass")));
    EXPECT_FALSE(QFileInfo::exists(made)); // reading alone creates nothing
    for (const QString& file : {made, loose}) {
        SetSettingsFileOverride(file);
        OpenSettings()->setValue(QStringLiteral("FreeDB_ProxyPass"), QStringLiteral("secret"));
        EXPECT_EQ(QFileInfo(file).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                  own)
            << file.toStdString();
        EXPECT_EQ(OpenSettings()->value(QStringLiteral("FreeDB_ProxyPass")), "secret");
    }
    SetSettingsFileOverride(QString());
}

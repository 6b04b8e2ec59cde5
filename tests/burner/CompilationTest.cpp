// The CD burner's compilation: the gauge, the add rule, the compilation file and the forms
// in which a burning program gets it.
#include "tools/Compilation.h"
#include "io/SonvaleError.h"
#include "platform/BurnProgram.h"
#include "support/AudioFixtures.h"
#include "tools/BurnHandOff.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TGaugeCase {
    int Total;
    const char* Time;
    int Percent;
    int Gauge;
    bool Valid;
};

TEST(CompilationGauge, EdgeCases) {
    const TGaugeCase cases[] = {
        {90, "1min 30sec", 2, 2, true},        {4440, "74min 0sec", 100, 100, true},
        {22, "0min 22sec", 0, 0, false},       {23, "0min 23sec", 1, 1, true},
        {4462, "74min 22sec", 100, 100, true}, {4463, "74min 23sec", 101, 100, false},
        {111, "1min 51sec", 2, 2, true}, // 2.5 % rounds to even
        {333, "5min 33sec", 8, 8, true}, // 7.5 % rounds to even
        {0, "0min 0sec", 0, 0, false},
    };
    for (const TGaugeCase& c : cases) {
        SCOPED_TRACE(c.Total);
        EXPECT_EQ(CompilationTimeText(c.Total), QLatin1String(c.Time));
        EXPECT_EQ(CompilationPercent(c.Total), c.Percent);
        EXPECT_EQ(CompilationGauge(c.Total), c.Gauge);
        EXPECT_EQ(IsValidCompilation(c.Total), c.Valid);
    }
}

class CompilationFiles : public ::testing::Test {
protected:
    QString P(const char* name) const { return QDir(tmp.path()).filePath(QLatin1String(name)); }
    void Encode(const char* name, double seconds) {
        fixtures::EncodeOptions o;
        o.seconds = seconds;
        QString error;
        const bool ok = QString::fromLatin1(name).endsWith(QLatin1String(".ogg"))
                            ? fixtures::EncodeOgg(P(name), o, &error)
                            : fixtures::EncodeMp3(P(name), o, &error);
        ASSERT_TRUE(ok) << error.toStdString();
    }
    QTemporaryDir tmp;
};

TEST_F(CompilationFiles, AddRuleCountsAFileOnceInAnyLetterCase) {
    Encode("Song.mp3", 3);
    TCompilation c;
    EXPECT_EQ(c.Add(P("Song.mp3")), TCompilationAdd::Added);
    EXPECT_EQ(c.Add(P("SONG.MP3")), TCompilationAdd::Duplicate);
    EXPECT_EQ(c.Add(P("song.mp3")), TCompilationAdd::Duplicate);
    EXPECT_EQ(c.Add(P("gone.flac")), TCompilationAdd::NoDuration);
    EXPECT_EQ(c.Add(P("take.wav")), TCompilationAdd::NotListable);
    EXPECT_EQ(c.Add(P("two\nlines.mp3")), TCompilationAdd::LineBreak);
    EXPECT_EQ(c.Paths(), QStringList{P("Song.mp3")});
    EXPECT_EQ(c.Total(), 3);
}

TEST_F(CompilationFiles, RemovingAVanishedFileSubtractsWhatItAdded) {
    Encode("a.mp3", 3);
    Encode("b.ogg", 2);
    TCompilation c;
    ASSERT_EQ(c.Add(P("a.mp3")), TCompilationAdd::Added);
    ASSERT_EQ(c.Add(P("b.ogg")), TCompilationAdd::Added);
    EXPECT_EQ(c.Total(), 5);
    ASSERT_TRUE(QFile::remove(P("a.mp3")));
    EXPECT_EQ(c.Take(0).Seconds, 3);
    EXPECT_EQ(c.Total(), 2);
    // Once out, the path may come back.
    EXPECT_FALSE(c.Contains(P("A.MP3")));
}

TEST_F(CompilationFiles, FileIsUtf8WithCrLfAndAFailureKeepsTheOldOne) {
    const QString file = CompilationFileName(tmp.path(), QStringLiteral("Sonvale"), 0);
    EXPECT_EQ(file, P("Sonvale_0.bhc"));
    const QStringList paths = {QStringLiteral("/music/Café/01.mp3"),
                               QStringLiteral("/music/b c/02.ogg")};
    WriteCompilationFile(file, paths);
    const QByteArray written = fixtures::ReadFile(file);
    EXPECT_EQ(written, QByteArray("/music/Caf\xC3\xA9/01.mp3\r\n/music/b c/02.ogg\r\n"));
    EXPECT_EQ(ReadCompilationFile(file), paths);

    // One entry must never become two lines.
    const QString refused =
        fixtures::ErrorOf([&] { WriteCompilationFile(file, {QStringLiteral("/music/a\nb.mp3")}); });
    EXPECT_TRUE(refused.contains(QLatin1String("line break"))) << refused.toStdString();
    EXPECT_EQ(fixtures::ReadFile(file), written);
    EXPECT_FALSE(fixtures::ErrorOf([&] {
                     WriteCompilationFile(P("missing/Sonvale_0.bhc"), paths);
                 }).isEmpty());
}

TEST_F(CompilationFiles, ConfiguredProgramIsFoundAndGetsItsCommandLine) {
    ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("Burn Haven")));
    const QString program = P("Burn Haven/Burnhaven");
    ASSERT_TRUE(fixtures::WriteFile(program, "#!/bin/sh\n"));
    ASSERT_TRUE(fixtures::WriteFile(P("plain.txt"), "x"));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    EXPECT_FALSE(platform::FindBurnhaven(QString()).Installed());
    EXPECT_FALSE(platform::FindBurnhaven(P("plain.txt")).Installed()); // not executable
    EXPECT_EQ(platform::FindBurnhaven(P("Burn Haven")).Program, program);
    EXPECT_EQ(platform::FindBurnhaven(program).Program, program);

    THandOffState state{1, true, QStringLiteral("Sonvale"), tmp.path()};
    const QString file = P("Sonvale_0.bhc");
    EXPECT_EQ(HandOffArguments(platform::FindBurnhaven(program), state, 1),
              (QStringList{QStringLiteral("/cdaudio"), file}));
    // The path with its blank stays one argument; the file goes where "%1" stands.
    const platform::TBurnProgram placeholder =
        platform::FindBurnhaven(QStringLiteral("\"%1\" --audio --list=%2").arg(program, "%1"));
    EXPECT_EQ(placeholder.Program, program);
    EXPECT_EQ(HandOffArguments(placeholder, state, 1),
              (QStringList{QStringLiteral("--audio"), QStringLiteral("--list=") + file}));
    // A desktop burning program reads no compilation file: it gets the files in order.
    WriteCompilationFile(file, {QStringLiteral("/m/2.mp3"), QStringLiteral("/m/1.ogg")});
    const platform::TBurnProgram desktop{
        "Brasero", program, {"--audio"}, platform::TBurnForm::AudioFiles};
    EXPECT_EQ(HandOffArguments(desktop, state, 1),
              (QStringList{"--audio", "/m/2.mp3", "/m/1.ogg"}));
    const platform::TBurnProgram lastFirst{
        "Xfburn", program, {"-a"}, platform::TBurnForm::AudioFiles, true};
    EXPECT_EQ(HandOffArguments(lastFirst, state, 1), (QStringList{"-a", "/m/1.ogg", "/m/2.mp3"}));
}

} // namespace

// Real MP3 files for the duplicates and quality tests: encoded by the lame program and
// tagged by id3v2 (id3lib) and mid3v2 (mutagen), as a user's collection would be.
#pragma once

#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace analysis {

inline bool HaveTools() {
    return fixtures::HaveProgram(QStringLiteral("lame")) &&
           fixtures::HaveProgram(QStringLiteral("id3v2")) &&
           fixtures::HaveProgram(QStringLiteral("mid3v2"));
}

// `silence` seconds of digital silence, then `tone` seconds of a sine of `freq` Hz, mono,
// through lame at `kbps` without its Info frame (which would sum up the whole stream).
inline QString Lame(const QDir& dir, const QString& name, double silence, double tone, double freq,
                    int kbps = 128, int rate = 44100) {
    std::vector<int16_t> pcm(size_t(silence * rate), 0);
    const std::vector<int16_t> sine = fixtures::MakeSine(rate, 1, tone, freq);
    pcm.insert(pcm.end(), sine.begin(), sine.end());
    const QString wav = dir.filePath(name + QStringLiteral(".wav"));
    const QString mp3 = dir.filePath(name);
    EXPECT_TRUE(fixtures::WriteFile(wav, fixtures::MakeWave(rate, 1, 16, pcm)));
    EXPECT_EQ(fixtures::RunProgram(QStringLiteral("lame"),
                                   {QStringLiteral("--quiet"), QStringLiteral("-t"),
                                    QStringLiteral("-b"), QString::number(kbps), wav, mp3}),
              0);
    QFile::remove(wav);
    return mp3;
}

inline void RunTool(const QString& program, const QStringList& args) {
    EXPECT_EQ(fixtures::RunProgram(program, args), 0) << program.toStdString();
}

} // namespace analysis

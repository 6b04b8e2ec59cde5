// decode --chain through the real sonvale-cli binary.
#include "support/AudioFixtures.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

TEST(ChainCli, DecodeChainWritesConvertedPcm) {
    QTemporaryDir dir;
    const QString cli = QStringLiteral(SONVALE_CLI_PATH);
    const QString wav = dir.filePath(QStringLiteral("s.wav"));
    auto pcm = fixtures::MakeSine(44100, 2, 0.5);
    ASSERT_TRUE(fixtures::WriteFile(wav, fixtures::MakeWave(44100, 2, 16, pcm)));
    const QString out = dir.filePath(QStringLiteral("o.raw"));

    // Default chain output equals the source here (nothing to convert).
    ASSERT_EQ(fixtures::RunProgram(cli, {"decode", "--chain", wav, out}), 0);
    QByteArray raw = fixtures::ReadFile(out);
    ASSERT_EQ(raw.size(), int(pcm.size() * 2));
    EXPECT_EQ(std::memcmp(raw.constData(), pcm.data(), raw.size()), 0);

    // Mono at half the rate: a quarter of the bytes, within one block.
    ASSERT_EQ(fixtures::RunProgram(
                  cli, {"decode", "--chain", "--rate", "22050", "--channels", "1", wav, out}),
              0);
    EXPECT_NEAR(double(fixtures::ReadFile(out).size()), pcm.size() * 2 / 4.0, 4096);

    QByteArray err;
    EXPECT_EQ(fixtures::RunProgram(cli, {"decode", "--chain", "--channels", "0", wav, out}, nullptr,
                                   &err),
              2);
    EXPECT_EQ(fixtures::RunProgram(cli, {"decode", "--compress", wav, out}), 2);
}

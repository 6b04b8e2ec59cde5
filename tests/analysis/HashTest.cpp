#include "io/SonvaleError.h"
#include "support/AudioFixtures.h"
#include "tools/Hashes.h"

#include <gtest/gtest.h>

namespace {

struct TVector {
    std::string Message;
    const char* Digest;
};

// FIPS 180 examples, and the million "a".
const TVector kVectors[] = {
    {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
    {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
    {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
};

TEST(Sha1, FipsVectorsInOneUpdateAndSplitAcrossBlockEdges) {
    THash_sha1 hash;
    for (const TVector& v : kVectors) {
        // Whole, byte by byte for short ones, and in pieces that straddle 64-byte blocks.
        for (size_t piece : {v.Message.size() + 1, size_t(1), size_t(55), size_t(63), size_t(65)}) {
            if (piece == 1 && v.Message.size() > 1000) continue;
            hash.Init();
            for (size_t at = 0; at < v.Message.size(); at += piece)
                hash.Update(v.Message.data() + at, std::min(piece, v.Message.size() - at));
            EXPECT_EQ(hash.DigestText(), QLatin1String(v.Digest))
                << v.Message.size() << " bytes in pieces of " << piece;
        }
    }
}

TEST(Sha1, FinalBurnsTheStateAndUseWithoutInitRaises) {
    THash_sha1 hash; // the constructor initialises
    hash.Update("abc", 3);
    EXPECT_EQ(hash.DigestText(), QLatin1String(kVectors[1].Digest));
    const QString message = QStringLiteral("Sha1 : not initialized");
    EXPECT_EQ(fixtures::ErrorOf([&] { hash.Update("a", 1); }), message);
    uint8_t out[20];
    EXPECT_EQ(fixtures::ErrorOf([&] { hash.Final(out); }), message);
    hash.Init();
    hash.Update("abc", 3);
    hash.Burn();
    EXPECT_EQ(fixtures::ErrorOf([&] { hash.Final(out); }), message);
    EXPECT_EQ(hash.HashSize(), 160);
}

} // namespace

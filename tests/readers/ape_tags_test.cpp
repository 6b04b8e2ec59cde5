// Tags written into and removed from real Monkey's Audio files, read back by
// the reader itself and by mutagen; the audio must survive every rewrite.
#include "audio/ApeFile.h"
#include "audio/AudioFile.h"
#include "audio/FileTags.h"
#include "support/AudioFixtures.h"
#include "tags/MetaTag.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// mutagen's reading of a file: the APEv2 items, the ID3v2 frames and the
// ID3v1 title; null where that tag is absent. Stream properties only for a
// file that starts with the Monkey's Audio header (mutagen does not skip a
// leading ID3v2 tag there, the decoders do).
const char* const kMutagenDump = R"(
import json, sys
from mutagen.apev2 import APEv2
from mutagen.id3 import ID3
from mutagen.monkeysaudio import MonkeysAudio
p = sys.argv[1]
out = {}
raw = open(p, 'rb').read()
if raw.startswith(b'MAC '):
    a = MonkeysAudio(p)
    out['rate'] = a.info.sample_rate
    out['channels'] = a.info.channels
    out['length'] = a.info.length
try:
    out['ape'] = {k: str(v) for k, v in APEv2(p).items()}
except Exception:
    out['ape'] = None
if raw.startswith(b'ID3'):
    t = ID3(p, load_v1=False)
    out['id3v2'] = {f.HashKey: str(f) for f in t.values()}
    out['id3v2_version'] = t.version[1]
else:
    out['id3v2'] = None
tail = raw[-128:]
out['id3v1_title'] = tail[3:33].rstrip(b'\0 ').decode('latin-1') if tail[:3] == b'TAG' else None
print(json.dumps(out))
)";

bool HaveMutagen() {
    return fixtures::RunProgram("/usr/bin/python3", {"-c", "import mutagen.monkeysaudio"}) == 0;
}

QJsonObject Mutagen(const QString& path) {
    QByteArray out, err;
    if (fixtures::RunProgram("/usr/bin/python3", {"-c", kMutagenDump, path}, &out, &err) != 0) {
        ADD_FAILURE() << err.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(out).object();
}

class ApeTags : public ::testing::Test {
protected:
    void SetUp() override {
        corpus = fixtures::CorpusDir();
        if (corpus.isEmpty()) GTEST_SKIP() << "corpus absent";
        if (!HaveMutagen()) GTEST_SKIP() << "mutagen not installed";
    }
    QString Copy(const char* name) {
        const QString to = dir.filePath(QString::fromLatin1(name));
        QFile::remove(to);
        if (!QFile::copy(corpus + "/taglib/" + name, to)) return QString();
        QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return to;
    }
    QString corpus;
    QTemporaryDir dir;
};

TEST_F(ApeTags, AllKindsWrittenReadBackByPeerAndRemovedToTheOriginalBytes) {
    const QString p = Copy("mac-399.ape");
    ASSERT_FALSE(p.isEmpty());
    const QByteArray original = fixtures::ReadFile(p);
    std::vector<int16_t> before;
    {
        TApeFile r(p);
        before = fixtures::ReadAllPcm16(r);
        ASSERT_EQ(int64_t(before.size() * 2), r.GetPcmSize());
    }

    ASSERT_TRUE(WriteFileTags(p, QStringLiteral("Ärtist ☃"), -1, QStringLiteral("note"),
                              QStringLiteral("7"), QStringLiteral("Rock"), QStringLiteral("1999"),
                              QStringLiteral("Album"), QStringLiteral("Title")));
    {
        TApeFile r(p);
        EXPECT_EQ(r.TagKinds, tkId3v1 | tkId3v2 | tkApeV2);
        EXPECT_GT(r.AudioStart, 0); // the new ID3v2 tag in front
        EXPECT_EQ(r.GetTagValue("Artist"), QStringLiteral("Ärtist ☃")); // APEv2 wins
        EXPECT_EQ(r.GetTagValue("Comment"), QStringLiteral("note"));
        EXPECT_EQ(r.GetInfo(1016), 156556);
        EXPECT_EQ(r.GetSampleRate(), 44100);
        EXPECT_EQ(r.GetFileSize(), QFile(p).size());
        EXPECT_EQ(fixtures::ReadAllPcm16(r), before); // the audio between the tags is untouched
    }
    const QJsonObject m = Mutagen(p);
    const QJsonObject ape = m["ape"].toObject();
    EXPECT_EQ(ape["Artist"].toString(), QStringLiteral("Ärtist ☃"));
    EXPECT_EQ(ape["Title"].toString(), "Title");
    EXPECT_EQ(ape["Year"].toString(), "1999");
    EXPECT_EQ(ape["Track"].toString(), "7");
    EXPECT_EQ(ape["Genre"].toString(), "Rock");
    const QJsonObject v2 = m["id3v2"].toObject();
    EXPECT_EQ(m["id3v2_version"].toInt(), 3);
    EXPECT_EQ(v2["TPE1"].toString(), QStringLiteral("Ärtist ☃"));
    EXPECT_EQ(v2["TALB"].toString(), "Album");
    EXPECT_EQ(v2["TRCK"].toString(), "7");
    EXPECT_EQ(m["id3v1_title"].toString(), "Title");
    std::vector<int16_t> ffmpeg;
    ASSERT_TRUE(fixtures::DecodeWithFfmpeg(p, ffmpeg));
    EXPECT_EQ(ffmpeg, before);

    // Removing every kind gives back the untagged file, byte for byte.
    {
        TAudioFile af;
        af.SetFileName(p);
        ASSERT_TRUE(af.Open());
        EXPECT_TRUE(af.Reader->RemoveTags(tkAllRemoved));
        af.Close();
    }
    EXPECT_EQ(fixtures::ReadFile(p), original);
    const QJsonObject gone = Mutagen(p);
    EXPECT_TRUE(gone["ape"].isNull());
    EXPECT_TRUE(gone["id3v2"].isNull());
    EXPECT_TRUE(gone["id3v1_title"].isNull());
    EXPECT_EQ(gone["rate"].toInt(), 44100);
    EXPECT_NEAR(gone["length"].toDouble(), 156556 / 44100.0, 0.001);
}

TEST_F(ApeTags, OneKindAtATimeLeavesTheOthersAlone) {
    // A file whose ID3v2 tag carries frames the unified fields do not manage.
    const QString p = Copy("mac-399-id3v2.ape");
    ASSERT_FALSE(p.isEmpty());
    const QJsonObject was = Mutagen(p);
    int64_t id3Size = 0;
    {
        TApeFile r(p);
        id3Size = r.AudioStart;
        ASSERT_GT(id3Size, 0);
    }
    const QByteArray head = fixtures::ReadFile(p).left(int(id3Size));

    // APEv2 only: the ID3v2 tag stays byte for byte and now loses to APEv2.
    ASSERT_TRUE(WriteFileTags(p, "A", tkApeV2, "", "", "", "", "", "T"));
    {
        TApeFile r(p);
        EXPECT_EQ(r.TagKinds, tkId3v2 | tkApeV2);
        EXPECT_EQ(r.GetTagValue("Title"), "T");
        EXPECT_EQ(r.AudioStart, id3Size);
        EXPECT_EQ(r.GetInfo(1016), 156556);
    }
    EXPECT_EQ(fixtures::ReadFile(p).left(int(id3Size)), head);
    const QJsonObject m = Mutagen(p);
    EXPECT_EQ(m["ape"].toObject()["Title"].toString(), "T");
    EXPECT_EQ(m["id3v2"].toObject(), was["id3v2"].toObject());

    // ID3v2 only: the unified fields change, the private frames stay.
    ASSERT_TRUE(WriteFileTags(p, "B", tkId3v2, "", "", "", "", "", "U"));
    const QJsonObject n = Mutagen(p);
    const QJsonObject v2 = n["id3v2"].toObject();
    EXPECT_EQ(v2["TIT2"].toString(), "U");
    EXPECT_EQ(v2["TPE1"].toString(), "B");
    int privates = 0;
    for (const QString& key : was["id3v2"].toObject().keys()) {
        if (!key.startsWith("PRIV")) continue;
        ++privates;
        EXPECT_TRUE(v2.contains(key)) << key.toStdString();
    }
    EXPECT_GT(privates, 0);
    EXPECT_EQ(n["ape"].toObject()["Title"].toString(), "T");

    // Removing the APEv2 tag lets the ID3v2 values show again.
    {
        TApeFile r(p);
        EXPECT_TRUE(r.RemoveTags(tkApeV2));
    }
    TApeFile r(p);
    EXPECT_EQ(r.TagKinds, tkId3v2);
    EXPECT_EQ(r.GetTagValue("TITLE"), "U");
    EXPECT_EQ(r.GetInfo(1016), 156556);
    EXPECT_TRUE(Mutagen(p)["ape"].isNull());
}

} // namespace

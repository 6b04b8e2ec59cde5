// Every input the fuzzers once crashed on, kept in fuzz/regressions/TARGET/, goes through
// its target again; the sanitized run of this program is where a relapse shows.
#include "FuzzTarget.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QDir FuzzDir() {
    return QDir(QStringLiteral(SONVALE_SOURCE_DIR "/fuzz"));
}

TEST(FuzzReplay, EveryTargetIsBuiltIntoTheReplay) {
    const QStringList sources = FuzzDir().entryList({QStringLiteral("*_fuzz.cpp")}, QDir::Files);
    ASSERT_FALSE(sources.isEmpty());
    for (QString s : sources) {
        s.chop(int(qstrlen("_fuzz.cpp")));
        TFuzzBody body = FindFuzzTarget(s);
        ASSERT_NE(body, nullptr) << s.toStdString();
        body(nullptr, 0);
        const uint8_t junk[] = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0, 'R', 'I', 'F', 'F'};
        body(junk, sizeof junk);
    }
}

TEST(FuzzReplay, KeptInputsRunCleanly) {
    QDir kept = FuzzDir();
    if (!kept.cd(QStringLiteral("regressions"))) GTEST_SKIP() << "no kept inputs";
    for (const QString& target : kept.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        TFuzzBody body = FindFuzzTarget(target);
        ASSERT_NE(body, nullptr) << "no fuzz target " << target.toStdString();
        QDir inputs(kept.filePath(target));
        for (const QString& name : inputs.entryList(QDir::Files)) {
            QFile f(inputs.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray data = f.readAll();
            SCOPED_TRACE(target.toStdString() + "/" + name.toStdString());
            body(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
        }
    }
}

} // namespace

// Tagged songs for the organizer and magic folder benchmarks.
#pragma once

#include "support/AudioFixtures.h"
#include "support/ScriptedPrompter.h"
#include "tools/MagicFolder.h"
#include "tools/Progress.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace bench {

// An ID3v1.1 tag: 50 artists of 4 albums each, titles and tracks numbered.
inline QByteArray Id3v1(int i) {
    QByteArray tag("TAG");
    auto field = [&tag](const QByteArray& text, int size) {
        tag += text.left(size).leftJustified(size, '\0');
    };
    field("Title " + QByteArray::number(i), 30);
    field("Artist " + QByteArray::number(i % 50), 30);
    field("Album " + QByteArray::number(i % 200), 30);
    field("2003", 4);
    field(QByteArray(), 28);
    tag += '\0';
    tag += char(i % 20 + 1);
    tag += char(17);
    return tag;
}

// `count` MP3 files in `folder`, each a few silent frames and its own ID3v1 tag.
inline QStringList TaggedSongs(const QString& folder, int count) {
    QDir().mkpath(folder);
    const QByteArray audio = fixtures::SilentMp3Frames(4);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = folder + QString::asprintf("/%05d.mp3", i);
        if (!fixtures::WriteFile(path, audio + Id3v1(i))) std::abort();
        paths << path;
    }
    return paths;
}

inline TMagicTree MagicTree(const QString& folder, int count) {
    TMagicBuildOptions o;
    o.Paths = TaggedSongs(folder + QStringLiteral("/songs"), count);
    TMagicTree tree;
    TNullProgress progress;
    TScriptedPrompter prompter;
    BuildMagicTree(o, tree, progress, prompter);
    tree.Sort();
    return tree;
}

} // namespace bench

// Tagged songs for the organizer and magic folder benchmarks.
#pragma once

#include "support/AudioFixtures.h"
#include "support/NumberedFiles.h"
#include "support/ScriptedPrompter.h"
#include "tools/MagicFolder.h"
#include "tools/Progress.h"

#include <benchmark/benchmark.h>
#include <memory>

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

// `count` MP3 files, each a few silent frames and its own ID3v1 tag.
inline std::unique_ptr<TNumberedFiles> TaggedSongs(int count) {
    const QByteArray audio = fixtures::SilentMp3Frames(4);
    return std::make_unique<TNumberedFiles>(count, [&audio](int i) { return audio + Id3v1(i); });
}

// The sorted tree of `songs`.
inline TMagicTree MagicTree(const QStringList& songs) {
    TMagicBuildOptions o;
    o.Paths = songs;
    TMagicTree tree;
    TNullProgress progress;
    TScriptedPrompter prompter;
    BuildMagicTree(o, tree, progress, prompter);
    tree.Sort();
    return tree;
}

} // namespace bench

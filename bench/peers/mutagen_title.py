"""The mutagen side of the title rewrite in scripts/bench-peers.sh: sets the ID3v2 title
of every MP3 below the given folders, keeping ID3v2.3 and leaving other tags alone.
usage: mutagen_title.py TEXT PATH...
"""

import os
import sys

from mutagen.id3 import ID3, TIT2


def files(paths):
    for p in paths:
        if os.path.isdir(p):
            for root, dirs, names in os.walk(p):
                dirs.sort()
                for n in sorted(names):
                    if n.lower().endswith(".mp3"):
                        yield os.path.join(root, n)
        else:
            yield p


def main():
    title = sys.argv[1]
    for f in files(sys.argv[2:]):
        tags = ID3(f)
        tags.setall("TIT2", [TIT2(encoding=1, text=[title])])
        tags.save(v2_version=3, v1=1)


if __name__ == "__main__":
    main()

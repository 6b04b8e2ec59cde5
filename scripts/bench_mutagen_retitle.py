#!/usr/bin/env python3
"""Title rewrite with mutagen, the peer of bench/tag_rewrite_bench.cpp.

usage: bench_mutagen_retitle.py VERSION ROUND FILE...
Sets TIT2 of every FILE to "New <index>/<ROUND>" and saves the ID3v2 tag as
version VERSION (3 or 4), in this one process; prints the seconds the loop took.
"""
import sys
import time

from mutagen.id3 import ID3, TIT2


def main():
    version, round_, files = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    start = time.perf_counter()
    for i, name in enumerate(files):
        tag = ID3(name)
        tag.setall("TIT2", [TIT2(encoding=3 if version == 4 else 1, text="New %d/%s" % (i, round_))])
        tag.save(name, v2_version=version)
    print(time.perf_counter() - start)


if __name__ == "__main__":
    main()

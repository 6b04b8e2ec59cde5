"""Builds the collection scripts/bench-peers.sh measures, in OUT:

  collection/   COUNT small tagged files of the formats both TagLib and sonvale read
                (MP3, MP2, Ogg Vorbis, WAVE, WMA, Musepack) in artist/album folders
  rewrite/      500 MP3s carrying an ID3v2.3 tag with padding (the title rewrite)
  decode/       10-minute MP3 at 320 kbit/s and MP2 at 256 kbit/s, their first 20 seconds,
                and one tagged MP3 for the start-up

Audio is encoded once per source with sox, lame, twolame, oggenc, ffmpeg and mpcenc;
the files are copies of those, each tagged by mutagen with its own values.
usage: make_collection.py OUT [COUNT]
"""

import os
import shutil
import subprocess
import sys

from mutagen.apev2 import APEv2
from mutagen.asf import ASF
from mutagen.id3 import COMM, ID3, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TYER
from mutagen.musepack import Musepack
from mutagen.oggvorbis import OggVorbis
from mutagen.wave import WAVE

# Share of each kind in the collection (of 100).
KINDS = [("mp3", 55), ("mp2", 10), ("ogg", 15), ("wav", 8), ("wma", 6), ("mpc", 6)]
GENRES = ["Rock", "Jazz", "Classical", "Pop", "Blues", "Folk"]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sources(work):
    """Encodes a few short sources per kind; returns {kind: [paths]}."""
    out = {kind: [] for kind, _ in KINDS}
    for i, (seconds, freq) in enumerate([(1.0, 440), (1.5, 660), (2.0, 330), (1.2, 880)]):
        wav = os.path.join(work, "s%d.wav" % i)
        run("sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", str(seconds),
            "sine", str(freq), "pinknoise", "gain", "-6")
        base = os.path.join(work, "s%d" % i)
        mp3_modes = [["-b", "128"], ["-V", "4"], ["-b", "320"], ["-b", "192"]]
        run("lame", "--silent", *mp3_modes[i], wav, base + ".mp3")
        run("twolame", "--quiet", "-b", "256", wav, base + ".mp2")
        run("oggenc", "-Q", "-q", "4", "-o", base + ".ogg", wav)
        run("ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", "wmav2", "-b:a", "128k",
            base + ".wma")
        run("mpcenc", "--silent", "--overwrite", wav, base + ".mpc")
        shutil.copy(wav, base + ".wave.wav")
        for kind in out:
            out[kind].append(base + (".wave.wav" if kind == "wav" else "." + kind))
    return out


def id3_frames(n, v24):
    t = ID3()
    t.add(TIT2(encoding=1, text=["Title %d" % n]))
    t.add(TPE1(encoding=1, text=["Artist %d" % (n % 37)]))
    t.add(TALB(encoding=1, text=["Album %d" % (n % 50)]))
    t.add(TRCK(encoding=0, text=[str(n % 20 + 1)]))
    t.add(TCON(encoding=0, text=[GENRES[n % len(GENRES)]]))
    t.add((TDRC if v24 else TYER)(encoding=0, text=[str(1990 + n % 30)]))
    if n % 4 == 0:
        t.add(COMM(encoding=1, lang="eng", desc="", text=["Comment %d" % n]))
    return t


def tag(path, kind, n):
    title, artist, album = "Title %d" % n, "Artist %d" % (n % 37), "Album %d" % (n % 50)
    track, year, genre = str(n % 20 + 1), str(1990 + n % 30), GENRES[n % len(GENRES)]
    if kind in ("mp3", "mp2"):
        v24 = n % 5 == 1
        # Most with ID3v2 alone, some with ID3v1 too, a few with APEv2 as well.
        id3_frames(n, v24).save(path, v2_version=4 if v24 else 3, v1=2 if n % 5 == 2 else 0)
        if kind == "mp3" and n % 20 == 3:
            ape = APEv2()
            ape.update({"Title": title, "Artist": artist, "Album": album, "Track": track})
            ape.save(path)
    elif kind == "ogg":
        f = OggVorbis(path)
        f.update({"title": title, "artist": artist, "album": album, "tracknumber": track,
                  "date": year, "genre": genre})
        f.save()
    elif kind == "wav":
        f = WAVE(path)
        f.add_tags()
        for frame in id3_frames(n, False).values():
            f.tags.add(frame)
        f.save(v2_version=3)
    elif kind == "wma":
        f = ASF(path)
        f.update({"Title": title, "Author": artist, "WM/AlbumTitle": album,
                  "WM/TrackNumber": track, "WM/Year": year, "WM/Genre": genre})
        f.save()
    elif kind == "mpc":
        f = Musepack(path)
        f.add_tags()
        f.tags.update({"Title": title, "Artist": artist, "Album": album, "Track": track,
                       "Year": year, "Genre": genre})
        f.save()


def collection(out, count, src):
    plan = [kind for kind, share in KINDS for _ in range(share)]
    for n in range(count):
        kind = plan[n * 37 % len(plan)]  # 37 is prime to 100: the kinds interleave
        folder = os.path.join(out, "Artist %02d" % (n % 37), "Album %02d" % (n % 50))
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "%04d Title %d.%s" % (n, n, kind))
        variants = src[kind]
        shutil.copy(variants[(n // len(plan)) % len(variants)], path)
        tag(path, kind, n)


def rewrite_set(out, src):
    os.makedirs(out, exist_ok=True)
    for n in range(500):
        path = os.path.join(out, "%03d.mp3" % n)
        shutil.copy(src["mp3"][n % 2], path)  # CBR and VBR
        id3_frames(n, False).save(path, v2_version=3, v1=0)


def decode_set(out, work):
    os.makedirs(out, exist_ok=True)
    wav = os.path.join(work, "long.wav")
    run("sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "600", "sine",
        "110-3520", "pinknoise", "tremolo", "5", "40", "gain", "-8")
    short = os.path.join(work, "short.wav")
    run("sox", wav, short, "trim", "0", "20")
    for src, stem in ((wav, "long"), (short, "short")):
        run("lame", "--silent", "-b", "320", src, os.path.join(out, stem + "320.mp3"))
        run("twolame", "--quiet", "-b", "256", src, os.path.join(out, stem + "256.mp2"))
    os.remove(wav)


def main():
    out = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    work = os.path.join(out, "sources")
    os.makedirs(work, exist_ok=True)
    src = sources(work)
    collection(os.path.join(out, "collection"), count, src)
    rewrite_set(os.path.join(out, "rewrite"), src)
    decode_set(os.path.join(out, "decode"), work)
    startup = os.path.join(out, "decode", "startup.mp3")
    shutil.copy(src["mp3"][0], startup)
    tag(startup, "mp3", 7)
    shutil.rmtree(work)
    with open(os.path.join(out, ".sonvale-bench"), "w") as marker:
        marker.write("%d\n" % count)


if __name__ == "__main__":
    main()

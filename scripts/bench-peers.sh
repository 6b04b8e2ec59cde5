#!/usr/bin/env bash
# sonvale-cli side by side with the peers scripts/setup.sh installs: TagLib (through
# bench/peers/taglib_peer.cpp, compiled here), mutagen and mpg123, on one collection,
# three runs of each, and one table of ratios. A measurement, not a test.
#
# usage: scripts/bench-peers.sh [CORPUS]
#   no CORPUS       the collection is built in a temporary folder, removed at the end
#   CORPUS          a new or empty folder, or one an earlier run built: built there once, kept
#                   any other folder of audio files: scanned as the collection; the rewrite
#                   and decode inputs are built in a temporary folder
# Environment: BENCH_FILES (size of a built collection, default 2000), BUILD_DIR (build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BUILD_DIR:-build}
CLI=$ROOT/$BUILD/sonvale-cli
FILES=${BENCH_FILES:-2000}
RUNS=3

die() {
    echo "bench-peers: $*" >&2
    exit 1
}
need() {
    command -v "$1" >/dev/null || die "$1 is missing (scripts/setup.sh installs it)"
}
for p in hyperfine mpg123 lame twolame oggenc sox ffmpeg mpcenc pkg-config g++ /usr/bin/time; do
    need "$p"
done
PY=""
for p in python3 /usr/bin/python3; do
    if "$p" -c "import mutagen" 2>/dev/null; then
        PY=$p
        break
    fi
done
[ -n "$PY" ] || die "no python3 with mutagen (python3-mutagen)"
[ -f "$BUILD/CMakeCache.txt" ] || die "no build in $BUILD: run scripts/setup.sh first"
cmake --build "$BUILD" --target sonvale-cli >/dev/null

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
g++ -O2 -std=c++17 bench/peers/taglib_peer.cpp -o "$TMP/taglib_peer" \
    $(pkg-config --cflags --libs taglib)
TAGLIB=$TMP/taglib_peer

# ---- the collection ---------------------------------------------------------
build_set() { # FOLDER
    echo "building $FILES files and the decode inputs in $1 ..." >&2
    "$PY" bench/peers/make_collection.py "$1" "$FILES"
}
if [ $# -eq 0 ]; then
    SET=$TMP/set
    build_set "$SET"
    SCAN=$SET/collection
elif [ -f "$1/.sonvale-bench" ]; then
    SET=$(cd "$1" && pwd)
    SCAN=$SET/collection
elif [ ! -e "$1" ] || [ -z "$(ls -A "$1")" ]; then
    mkdir -p "$1"
    SET=$(cd "$1" && pwd)
    build_set "$SET"
    SCAN=$SET/collection
else
    SCAN=$(cd "$1" && pwd)
    SET=$TMP/set
    FILES=0 build_set "$SET"
fi
SCANNED=$("$CLI" info --json "$SCAN" 2>/dev/null | grep -c '"path"' || true)
[ "$SCANNED" -gt 0 ] || die "no audio files in $SCAN"

# ---- measuring ----------------------------------------------------------------
q() { printf '%q' "$1"; }
# hyperfine's statistic STAT in seconds of COMMAND (extra options first): min, median,
# or cpu (mean user + system time, what a busy machine disturbs least); the last
# run's results stay in $TMP/h.json for `stat`.
timed() { # STAT RUNS [OPTIONS...] COMMAND
    local want=$1 runs=$2
    shift 2
    hyperfine -N --style none --runs "$runs" --export-json "$TMP/h.json" "$@" >/dev/null 2>&1 ||
        die "failed: ${*: -1}"
    stat "$want"
}
stat() { # STAT of the last `timed`
    "$PY" -c "import json,sys; r=json.load(open(sys.argv[1]))['results'][0]
print(r['user'] + r['system'] if sys.argv[2] == 'cpu' else r[sys.argv[2]])" "$TMP/h.json" "$1"
}
# Smallest of three maximum resident sizes, in MB.
resident() { # COMMAND...
    local best="" kb
    for _ in 1 2 3; do
        kb=$(/usr/bin/time -f %M -o "$TMP/rss" "$@" >/dev/null 2>&1; cat "$TMP/rss")
        if [ -z "$best" ] || [ "$kb" -lt "$best" ]; then best=$kb; fi
    done
    awk -v k="$best" 'BEGIN { printf "%.1f", k / 1024 }'
}
# Instructions of one run: hardware counters when there are, else callgrind; "" when neither.
instructions() { # COMMAND...
    if perf stat -x, -e instructions:u true 2>&1 | grep -q '^[0-9]'; then
        perf stat -x, -e instructions:u -o "$TMP/perf" "$@" >/dev/null 2>&1
        awk -F, '/instructions/ { print $1 }' "$TMP/perf"
    elif command -v valgrind >/dev/null; then
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
            awk '/Collected/ { print $NF }'
    fi
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f\n", a / b }'; }
# A / B / SCALE with DIGITS decimals.
per() { awk -v a="$1" -v b="$2" -v s="${3:-1}" -v d="${4:-0}" 'BEGIN { printf "%.*f\n", d, a / b / s }'; }

echo "measuring ($RUNS runs each) ..." >&2
# Scan: properties and tags of every file, one process.
s_ours=$(timed min $RUNS --warmup 1 "$(q "$CLI") info --json $(q "$SCAN")")
s_ours1=$(timed min $RUNS --warmup 1 "$(q "$CLI") info --json --jobs 1 $(q "$SCAN")")
s_tl=$(timed min $RUNS --warmup 1 "$(q "$TAGLIB") info $(q "$SCAN")")
mapfile -t subset < <(find "$SCAN" -type f \( -iname '*.mp[123]' -o -iname '*.ogg' -o \
    -iname '*.wav' -o -iname '*.wma' -o -iname '*.mpc' -o -iname '*.ape' -o -iname '*.ac3' \
    -o -iname '*.asf' \) | sort | head -200)
i_scan_ours=$(instructions "$CLI" info --json --jobs 1 "${subset[@]}")
i_scan_tl=$(instructions "$TAGLIB" info "${subset[@]}")
m_scan_ours=$(resident "$CLI" info --json "$SCAN")
m_scan_tl=$(resident "$TAGLIB" info "$SCAN")

# One file: the whole command, start-up included.
ONE=$SET/decode/startup.mp3
t_ours=$(timed min 50 --warmup 5 "$(q "$CLI") info $(q "$ONE")")
c_ours=$(stat cpu)
t_tl=$(timed min 50 --warmup 5 "$(q "$TAGLIB") info $(q "$ONE")")
c_tl=$(stat cpu)
i_one_ours=$(instructions "$CLI" info "$ONE")
i_one_tl=$(instructions "$TAGLIB" info "$ONE")
m_one_ours=$(resident "$CLI" info "$ONE")
m_one_tl=$(resident "$TAGLIB" info "$ONE")

# Title rewrite of 500 MP3s with an ID3v2.3 tag and padding, a fresh copy for every run.
W=$TMP/rewrite
fresh="bash -c $(q "rm -rf $(q "$W") && cp -r $(q "$SET/rewrite") $(q "$W")")"
rewrite() { timed min $RUNS --prepare "$fresh" "$1"; }
r_ours=$(rewrite "$(q "$CLI") tags write --title $(q 'New title') $(q "$W")")
r_ours2=$(rewrite "$(q "$CLI") tags write --kinds 2 --title $(q 'New title') $(q "$W")")
r_tl=$(rewrite "$(q "$TAGLIB") title $(q 'New title') $(q "$W")")
r_mu=$(rewrite "$(q "$PY") $(q "$ROOT/bench/peers/mutagen_title.py") $(q 'New title') $(q "$W")")

# Decode to raw PCM, thrown away; 600 s of audio.
decode_row() { # FILE SHORT_FILE -> seconds ours, seconds mpg123, instr/s ours, instr/s mpg123
    local f=$SET/decode/$1 s=$SET/decode/$2
    timed min $RUNS --warmup 1 "$(q "$CLI") decode $(q "$f") -"
    timed min $RUNS --warmup 1 "mpg123 -q -s $(q "$f")"
    local a b
    a=$(instructions "$CLI" decode "$s" /dev/null)
    b=$(instructions mpg123 -q -w /dev/null "$s")
    [ -n "$a" ] && per "$a" 20 1e6 1 || echo ""
    [ -n "$b" ] && per "$b" 20 1e6 1 || echo ""
}
mapfile -t d3 < <(decode_row long320.mp3 short320.mp3)
mapfile -t d2 < <(decode_row long256.mp2 short256.mp2)
m_dec_ours=$(resident "$CLI" decode "$SET/decode/long320.mp3" /dev/null)
m_dec_mpg=$(resident mpg123 -q -w /dev/null "$SET/decode/long320.mp3")

# ---- the table ------------------------------------------------------------------
kinstr() { [ -n "$1" ] && echo ", $(per "$1" "$2" 1e3) K instructions/file" || true; }
minstr() { [ -n "$1" ] && echo ", $1 M instructions per audio second" || true; }
fps() { per "$1" "$2"; }
echo
echo "sonvale-cli $("$CLI" --version | awk '{print $2}') vs TagLib $(pkg-config --modversion taglib)," \
    "mutagen $("$PY" -c 'import mutagen; print(mutagen.version_string)')," \
    "$(mpg123 --version | head -1); $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Collection: $SCANNED files in $SCAN. Best of $RUNS runs (start-up: best of 50, and"
echo "the mean CPU time of those runs);"
echo "ratio = ours ÷ peer for speed, peer ÷ ours for time and memory: higher is better."
echo
echo "| Work | Peer | Ours | Ratio |"
echo "|---|---|---|---|"
echo "| \`info --json\` over the collection | TagLib $(fps "$SCANNED" "$s_tl") files/s$(kinstr "$i_scan_tl" 200) |" \
    "$(fps "$SCANNED" "$s_ours") files/s ($(nproc) threads), $(fps "$SCANNED" "$s_ours1") (\`--jobs 1\`)$(kinstr "$i_scan_ours" 200) |" \
    "$(ratio "$s_tl" "$s_ours") / $(ratio "$s_tl" "$s_ours1") (\`--jobs 1\`) |"
ms() { awk -v t="$1" 'BEGIN { printf "%.1f", t * 1000 }'; }
minstr1() { [ -n "$1" ] && echo ", $(per "$1" 1 1e6 1) M instructions" || true; }
echo "| one-file \`info\` (start-up) | TagLib $(ms "$t_tl") ms (CPU $(ms "$c_tl") ms)," \
    "${m_one_tl} MB$(minstr1 "$i_one_tl") | $(ms "$t_ours") ms (CPU $(ms "$c_ours") ms)," \
    "${m_one_ours} MB$(minstr1 "$i_one_ours") | $(ratio "$t_tl" "$t_ours") (CPU $(ratio "$c_tl" "$c_ours")) |"
echo "| memory of a scan | TagLib ${m_scan_tl} MB | ${m_scan_ours} MB | $(ratio "$m_scan_tl" "$m_scan_ours") |"
echo "| memory of a decode (MP3 320 kbit/s) | mpg123 ${m_dec_mpg} MB | ${m_dec_ours} MB | $(ratio "$m_dec_mpg" "$m_dec_ours") |"
echo "| title rewrite, 500 MP3s, one process | TagLib $(fps 500 "$r_tl") files/s, mutagen $(fps 500 "$r_mu") files/s |" \
    "$(fps 500 "$r_ours") files/s (default kinds), $(fps 500 "$r_ours2") (\`--kinds 2\`) |" \
    "$(ratio "$r_tl" "$r_ours") / $(ratio "$r_mu" "$r_ours") (default), $(ratio "$r_tl" "$r_ours2") / $(ratio "$r_mu" "$r_ours2") (\`--kinds 2\`) |"
echo "| decode MP3 320 kbit/s, 10 min | mpg123 $(per 600 "${d3[1]}")× real time$(minstr "${d3[3]}") |" \
    "$(per 600 "${d3[0]}")×$(minstr "${d3[2]}") | $(ratio "${d3[1]}" "${d3[0]}") |"
echo "| decode MP2 256 kbit/s, 10 min | mpg123 $(per 600 "${d2[1]}")× real time$(minstr "${d2[3]}") |" \
    "$(per 600 "${d2[0]}")×$(minstr "${d2[2]}") | $(ratio "${d2[1]}" "${d2[0]}") |"

#!/usr/bin/env bash
# Runs one libFuzzer target (or all of them) for SECONDS (default 60) on its seeds:
# the fixtures' files (fuzz_seeds), the shared corpus's files of its formats, the kept
# regression inputs (fuzz/regressions/TARGET) and what earlier runs found.
#   scripts/fuzz.sh TARGET [SECONDS]     scripts/fuzz.sh all [SECONDS]     scripts/fuzz.sh --list
# Builds in build-san/ (clang, ASan + UBSan + libFuzzer), shared with test.sh --sanitize.
# A crash leaves its input in build-san/fuzz-runs/crashes/ and the exit status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
TARGETS=$(cd fuzz && ls ./*_fuzz.cpp | sed 's|^\./||; s|_fuzz\.cpp$||')
if [ "${1:-}" = "--list" ]; then echo "$TARGETS"; exit 0; fi
if [ $# -lt 1 ]; then sed -n '2,7p' "$0"; exit 2; fi
WHICH=$1
SECONDS_EACH=${2:-60}
if [ "$WHICH" != all ] && ! grep -qx "$WHICH" <<<"$TARGETS"; then
  echo "fuzz.sh: no target '$WHICH' (try --list)" >&2; exit 2
fi
[ "$WHICH" = all ] && RUN=$TARGETS || RUN=$WHICH

# Extensions of the shared corpus's files that feed each target.
corpus_exts() {
  case $1 in
    id3v1|id3v2|mpeg_frames|mpeg_decoder) echo "mp3 mp2 bit id3" ;;
    apev2) echo "apev2 ape mpc mp3" ;;
    vorbis_comment|vorbis_summary) echo "ogg oga" ;;
    asf_header) echo "wma" ;;
    wave) echo "wav" ;;
    ac3) echo "ac3 eac3" ;;
    ape) echo "ape" ;;
    mpc) echo "mpc" ;;
    *) echo "" ;;
  esac
}

export CCACHE_BASEDIR=$ROOT
B=build-san
# SONVALE_FUZZ_NO_BUILD=1 runs what is built (several runs side by side).
if [ -z "${SONVALE_FUZZ_NO_BUILD:-}" ]; then
  bash scripts/configure-sanitized.sh
  cmake --build $B -j"$(nproc)" --target fuzz_seeds $(for t in $RUN; do echo "fuzz_$t"; done)
fi

OUT=$B/fuzz-runs
mkdir -p "$OUT/crashes"
if [ ! -d "$OUT/seeds" ] || [ "$B/fuzz_seeds" -nt "$OUT/seeds" ]; then
  rm -rf "$OUT/seeds" "$OUT/seeds.new"
  ASAN_OPTIONS=detect_leaks=0 $B/fuzz_seeds "$OUT/seeds.new" >/dev/null
  mv "$OUT/seeds.new" "$OUT/seeds"
fi
CORPUS=${SONVALE_CORPUS_DIR:-$ROOT/../shared/corpus}

failed=0
for t in $RUN; do
  mkdir -p "$OUT/found/$t" "$OUT/seeds/$t" "$OUT/shared/$t"
  if [ -d "$CORPUS" ]; then
    for e in $(corpus_exts "$t"); do
      find "$CORPUS" -type f -name "*.$e" -size -129k -exec ln -sf {} "$OUT/shared/$t/" \;
    done
  fi
  dirs=("$OUT/found/$t" "$OUT/seeds/$t" "$OUT/shared/$t")
  [ -d "fuzz/regressions/$t" ] && dirs+=("fuzz/regressions/$t")
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  # FUZZ_SEED fixes the mutation order (CI), so a red run can be replayed.
  if ! "$B/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
      -max_len=131072 -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OUT/crashes/$t-" \
      "${dirs[@]}" 2>"$OUT/$t.log"; then
    tail -n 60 "$OUT/$t.log" >&2
    echo "fuzz_$t FAILED: the input is in $OUT/crashes/" >&2
    failed=1
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$OUT/$t.log" | tr '\n' ' '
    echo
  fi
done
exit $failed

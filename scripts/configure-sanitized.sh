#!/usr/bin/env bash
# Configures build-san/: everything built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, plus the libFuzzer targets. Used by fuzz.sh and
# test.sh --sanitize.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-san/CMakeCache.txt ]; then
  CCACHE_BASEDIR=$PWD cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DSONVALE_SANITIZE=ON -DSONVALE_FUZZ=ON >/dev/null
fi

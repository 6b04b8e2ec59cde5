#!/usr/bin/env bash
# Builds what is stale and runs the test suite headless.
#   scripts/test.sh [CTEST ARGS...]                 the normal build in build/
#   scripts/test.sh --sanitize [--fast] [CTEST ARGS...]
#       the same suite built by clang with AddressSanitizer and UBSan in build-san/;
#       --fast leaves out the GUI program (what CI runs).
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
export CCACHE_BASEDIR="$PWD"
if [ "${1:-}" = "--sanitize" ]; then
  shift
  FAST=()
  TARGETS=(all)
  if [ "${1:-}" = "--fast" ]; then
    shift
    # Neither the GUI test program nor the GUI program (the installation test needs it) is built.
    FAST=(-LE '^gui$' -E '^install$|_NOT_BUILT$')
    TARGETS=(sonvale-cli)
    for d in tests/*/; do
      d=$(basename "$d")
      # Folders without C++ sources (tests/install) make no program.
      compgen -G "tests/$d/*.cpp" >/dev/null || continue
      case $d in support | data | gui) ;; *) TARGETS+=("test_$d") ;; esac
    done
  fi
  bash scripts/configure-sanitized.sh
  cmake --build build-san -j"$(nproc)" --target "${TARGETS[@]}"
  # A report ends the program with status 66, which no test takes for a normal failure;
  # the CLI programs the tests start are sanitized too.
  export ASAN_OPTIONS="exitcode=66:detect_leaks=1:check_initialization_order=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
  export UBSAN_OPTIONS="exitcode=66:print_stacktrace=1:halt_on_error=1"
  cd build-san
  ctest --output-on-failure -j"$(nproc)" --timeout 900 "${FAST[@]}" "$@"
  exit
fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"

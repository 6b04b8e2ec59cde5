#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need,
# then configures and builds into build/. Safe to rerun.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-translations-l10n
  libgl-dev
  libogg-dev libvorbis-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libmp3lame-dev
  libssl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # oracles used by the tests
  libmpg123-dev mpg123 sox ffmpeg vorbis-tools python3-mutagen
  lame twolame musepack-tools eyed3 id3v2 kid3-cli libtag1-dev
  xvfb xauth x11-apps imagemagick
  # a FAT file system mounted through FUSE: renames on a case-insensitive file system
  dosfstools fusefat
  # scripts/bench-peers.sh
  hyperfine valgrind time
  # the sanitized suite and the fuzz targets (scripts/test.sh --sanitize, scripts/fuzz.sh)
  clang libclang-rt-14-dev llvm
  # the installation test checks the launcher and the software-centre file with these
  desktop-file-utils appstream
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
cmake --build build -j"$(nproc)"

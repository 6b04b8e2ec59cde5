#!/bin/sh
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
# Installs the build into an empty prefix, checks that the programs, the data, the icon,
# the launcher and the software-centre file are there, and that the installed program,
# started with an empty home, reads its server list from <prefix>/share/sonvale.
set -eu
cmake=$1
build=$2
source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "install test: $*" >&2
    exit 1
}
for f in bin/sonvale bin/sonvale-cli share/sonvale/freedb.lst \
    share/sonvale/Sonvale_00000409.SPK share/sonvale/Sonvale_0000040C.SPK \
    share/applications/org.orvane.Sonvale.desktop \
    share/metainfo/org.orvane.Sonvale.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.orvane.Sonvale.svg; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/org.orvane.Sonvale.png
    [ -f "$png" ] || fail "missing the ${size}x${size} icon"
done
[ -x "$prefix/bin/sonvale" ] || fail "bin/sonvale is not executable"
# The network commands run in a helper program that sonvale-cli finds in libexec.
"$prefix/bin/sonvale-cli" lookup --help >/dev/null 2>&1 ||
    fail "the installed sonvale-cli does not reach libexec/sonvale/sonvale-cli-net"

# The desktop's own checkers, where the machine has them (scripts/setup.sh installs both).
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/org.orvane.Sonvale.desktop" ||
        fail "the launcher does not validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/org.orvane.Sonvale.metainfo.xml" \
        >/dev/null || fail "the metainfo file does not validate"
fi

# Run away from the build tree with an empty home and a French locale. Closing the window
# from the settings page saves the settings, the chosen server among them when the server
# list was found; the French language file found there is chosen and stored.
mkdir -p "$work/home"
cd "$work"
HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
    XDG_CACHE_HOME=$work/home/cache QT_QPA_PLATFORM=offscreen LANG=fr_FR.UTF-8 LC_ALL= LC_NUMERIC= \
    SONVALE_SCREENSHOT="setup_pnl/1:$work/shot.png" "$prefix/bin/sonvale" 2>"$work/stderr" ||
    fail "the installed program failed: $(cat "$work/stderr")"
server=$(head -n 1 "$source/data/freedb.lst")
grep -qx "FreeDB_Server=$server" "$work/home/config/Orvane/Sonvale.conf" ||
    fail "the installed program did not read $prefix/share/sonvale/freedb.lst"
grep -qx "langue=1036" "$work/home/config/Orvane/Sonvale.conf" ||
    fail "the installed program did not start in French from $prefix/share/sonvale"
"$prefix/bin/sonvale-cli" lang dump "$prefix/share/sonvale/Sonvale_0000040C.SPK" |
    grep -q "^first: Français$" || fail "the installed French file does not read back"
echo "install test: passed"

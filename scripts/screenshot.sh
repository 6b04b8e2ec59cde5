#!/bin/sh
# Usage: scripts/screenshot.sh PANEL OUT.png   (PANEL: work_pnl, org_pnl, setup_pnl, ...)
# Starts the program under a virtual X server, shows one panel and saves a picture.
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 PANEL OUT.png" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${SONVALE_BIN:-$here/build/sonvale}
out=$(realpath -m "$2")
SONVALE_SCREENSHOT="$1:$out" xvfb-run -a -s "-screen 0 1280x900x24" "$bin"
echo "$out"

#!/bin/sh
# Usage: scripts/screenshot.sh PANEL OUT.png [ARGS...]
#   PANEL: work_pnl, org_pnl, setup_pnl, singleed_pnl, mlted_pnl, ...; setup_pnl/N shows
#          page N (0-3) of the settings
#   ARGS:  the program's command line, e.g. a file for the single-file editor or a folder
#          for the multiple-files tagger.
# Starts the program under a virtual X server, runs its start-up with ARGS, shows one panel
# and saves a picture of the window. The start-up assistant is skipped; a question is
# answered Yes unless SONVALE_ANSWER=no. QT_SCALE_FACTOR=2 gives the 200 % look and
# SONVALE_PALETTE=dark a dark palette. The window is closed as a user would close it.
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 PANEL OUT.png [ARGS...]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${SONVALE_BIN:-$here/build/sonvale}
panel=$1
out=$(realpath -m "$2")
shift 2
SONVALE_SCREENSHOT="$panel:$out" xvfb-run -a -s "-screen 0 2560x1800x24" "$bin" "$@"
echo "$out"

#!/bin/sh
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, package
# librsvg2-bin). The PNGs are kept in the tree, so building needs no SVG renderer.
set -eu
cd "$(dirname "$0")/../dist/icons/hicolor"
svg=scalable/apps/org.orvane.Sonvale.svg
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "${size}x${size}/apps/org.orvane.Sonvale.png"
done

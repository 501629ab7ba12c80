#!/usr/bin/env bash
# Draws the PNG sizes of the icon from its SVG; run it after changing packaging/icons/kelmora.svg
# and commit the PNGs with it (the build only installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh icons
cd packaging/icons
for size in 16 22 24 32 48 64 128 256; do
    convert -background none kelmora.svg -resize "${size}x${size}" "png32:kelmora-${size}.png"
done

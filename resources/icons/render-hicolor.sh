#!/usr/bin/env bash
# Renders the two application icons into the hicolor theme layout that
# desktops look up by name. Run again after editing parlivox.svg or
# nuvafetch.svg; needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"

for app in parlivox nuvafetch; do
  for size in 16 24 32 48 64 128 256; do
    out="hicolor/${size}x${size}/apps"
    mkdir -p "$out"
    rsvg-convert --width "$size" --height "$size" --format png "$app.svg" --output "$out/$app.png"
  done
  mkdir -p hicolor/scalable/apps
  cp "$app.svg" hicolor/scalable/apps/
done

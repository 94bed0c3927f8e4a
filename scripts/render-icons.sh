#!/usr/bin/env bash
# Renders the PNG sizes of the program's icon from app/icons/orvikjoint.svg
# (run after editing the drawing; the PNGs are committed so that building
# needs no SVG renderer). Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" orvikjoint.svg -o "orvikjoint-$size.png"
done

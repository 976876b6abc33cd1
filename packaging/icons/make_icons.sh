#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the icon's PNG sizes from the SVG (needs librsvg2-bin). The PNGs are committed, so
# building the package needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128; do
  rsvg-convert -w "$size" -h "$size" org.example.munchora.svg -o "org.example.munchora-$size.png"
done

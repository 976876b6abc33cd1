#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the thirty pictures of the animals unit, as make_pictures.sh renders the food: the same
# npm package fluentui-emoji 1.3.0 (MIT), the same size, quality and white background.
#
#   usage:  ./make_animals.sh [OUTDIR]        (default OUTDIR = directory of this script)
#           PKG=/path/to/unpacked/package ./make_animals.sh   to reuse an unpacked copy instead of `npm pack`
#   needs:  npm (only without PKG), tar, rsvg-convert (Debian: librsvg2-bin), ImageMagick 6 (convert, montage),
#           the DejaVu Sans font (fonts-dejavu-core; only for the contact sheet)
#   output: OUTDIR/units/animals/<picture>.jpg (1024x1024, white background, JPEG q90, chroma 4:2:0),
#           OUTDIR/build/animals-contact.png (each picture at 200 px, as a small screen shows it)
# unit.ini and words.csv beside the pictures are written by hand; every picture words.csv names is made here.
set -euo pipefail

OUT=${1:-$(cd "$(dirname "$0")" && pwd)}
. "$(cd "$(dirname "$0")" && pwd)/emoji_package.sh"
E=$PKG/icons/modern
B=$OUT/build
U=$OUT/units/animals
mkdir -p "$B" "$U"

# The whole animal where it reads at a glance; the face where the whole one is hard to tell at
# 200 px (the rabbit). The ewe is "sheep": the ram's horns are not what a child draws.
args=()
while read -r picture svg; do
    rsvg-convert -w "$SIZE" -h "$SIZE" -b white "$E/$svg.svg" -o "$B/$picture.png"
    convert "$B/$picture.png" -background white -alpha remove -alpha off -strip -sampling-factor 4:2:0 \
        -quality "$QUALITY" "$U/$picture.jpg"
    rm -f "$B/$picture.png"
    args+=(-label "$picture" "$U/$picture.jpg")
done <<'EOF'
bear        bear
bee         honeybee
butterfly   butterfly
cat         cat
cow         cow
deer        deer
dog         dog
duck        duck
elephant    elephant
fish        fish
fox         fox
frog        frog
giraffe     giraffe
goose       goose
horse       horse
lion        lion
monkey      monkey
mouse       mouse
owl         owl
penguin     penguin
pig         pig
rabbit      rabbit-face
sheep       ewe
snake       snake
spider      spider
tiger       tiger
turtle      turtle
whale       spouting-whale
wolf        wolf
zebra       zebra
EOF

montage -font DejaVu-Sans -pointsize 20 -background '#d8d8d8' -geometry 200x200+8+8 -tile 6x \
    "${args[@]}" -depth 8 "$B/animals-contact.png"

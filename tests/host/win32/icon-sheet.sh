#!/bin/sh
# A picture of the editions' icons as the built programs carry them, for docs/: the first icon
# of each edition's .exe, taken out with wrestool: one column per edition, its 256-pixel image
# shown at half size above its 16, 24, 32 and 48-pixel images at their own size.
#
#   icon-sheet.sh BUILD-DIR [OUT-DIR]      (OUT-DIR: docs by default)
#
# Needs icoutils (wrestool, icotool) and imagemagick's convert.
set -eu

build=${1:?usage: icon-sheet.sh BUILD-DIR [OUT-DIR]}
out=${2:-docs}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for edition in kcsakura kcqb7 kcneo kcstd; do
    program="$build/dist/$edition/$edition.exe"
    [ -f "$program" ] || { echo "icon-sheet.sh: $program is missing" >&2; exit 1; }
    # The first group icon is the one Explorer shows.
    name=$(wrestool -l --type=14 "$program" | head -n 1 | sed -n 's/.*--name=\([^ ]*\).*/\1/p')
    wrestool -x --type=14 --name="$name" -o "$work/$edition.ico" "$program"
    icotool -x -o "$work" "$work/$edition.ico"
    small=""
    for size in 16 24 32 48; do
        small="$small $(ls "$work/${edition}"_*_"${size}x${size}x32.png")"
    done
    # Each image with a margin on its right (and the large one below), then side by side.
    # shellcheck disable=SC2086  # one file name per size
    convert -background none $small -gravity east -splice 6x0 -gravity south +append \
        "$work/$edition-small.png"
    convert -background none "$(ls "$work/${edition}"_*_256x256x32.png)" -resize 128x128 \
        -gravity south -splice 0x8 "$work/$edition-small.png" -gravity west -append \
        "$work/$edition-column.png"
done

convert -background '#f0f0f0' "$work/kcsakura-column.png" "$work/kcqb7-column.png" \
    "$work/kcneo-column.png" "$work/kcstd-column.png" -gravity east -splice 16x0 \
    -gravity north +append -bordercolor '#f0f0f0' -border 12 "$out/edition-icons.png"
echo "$out/edition-icons.png: kcsakura, kcqb7, kcneo, kcstd"

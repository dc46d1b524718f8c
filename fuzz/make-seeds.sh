#!/usr/bin/env bash
# Seed corpora for the fuzz targets, made from the shipped data of a build.
# usage: fuzz/make-seeds.sh BUILD_DATA_FOLDER OUT_FOLDER
set -euo pipefail
data=${1:?data folder of a build (build/data)}
out=${2:?output folder}
mkdir -p "$out"/{ini,map,picture,jpeg,tga,effect,texts,mesh,tips}

# Settings files; the levels file a level at a time.
cp "$data/vm_game.ini" "$out/ini/"
awk -v dir="$out/ini" '/^\[/{ f = sprintf("%s/levels_%03d.ini", dir, ++n) } { if (f) print > f }' \
  "$data/vm_levels.ini"

# Frame maps: the fonts' grids written out as maps.
for cell in 8 16 32; do
  f="$out/map/grid_$cell.map"; : > "$f"
  for i in $(seq 0 255); do echo "texture $(( i % 16 * cell )) $(( i / 16 * cell )) $cell $cell" >> "$f"; done
done

# The smallest shipped pictures, and the DDS of the regression corpus.
find "$data/pic" -name '*.png' -size -16k | sort | head -n 24 | while read -r p; do
  cp "$p" "$out/picture/$(echo "${p#$data/pic/}" | tr '/' '_')"
done
cp "$(dirname "$0")"/regressions/picture/*.dds "$out/picture/"
# JPEG and TGA: the tiny pictures of the regression corpus (the game ships
# none), and a TGA of each kind written here.
cp "$(dirname "$0")"/regressions/jpeg/* "$out/jpeg/"
cp "$(dirname "$0")"/regressions/tga/* "$out/tga/"
byte() { printf "\\x$(printf %02x "$1")"; }
tga() {  # name type bits descriptor pixels (printf escapes): a 2 x 2 picture
  { printf '\x00\x00'; byte "$2"; printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x02\x00'
    byte "$3"; byte "$4"; printf "$5"; } > "$out/tga/$1.tga"
}
tga true24-bottom-up 2 24 0 '\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\xff'
tga true32-top-down 2 32 40 '\x00\x00\xff\x80\x00\xff\x00\xff\xff\x00\x00\x40\x00\x00\x00\x00'
tga grey-rle 11 8 32 '\x81\x10\x81\xf0'
tga true16-rle-raw 10 16 0 '\x03\x1f\x00\xe0\x03\x00\x7c\xff\x7f'

cp "$data"/fx/*.fx "$out/effect/"
cp "$data/vm_texts.loc" "$out/texts/"

# Mesh lists: each level's vertices and indices, one pair per file.
awk -F= -v dir="$out/mesh" '
  /^\[/ { sec = $0 }
  $1 ~ /Vertices$/ { v[sec, substr($1, 1, length($1) - 8)] = $2 }
  $1 ~ /Indices$/ { k = substr($1, 1, length($1) - 7); if ((sec, k) in v && n < 60) { f = sprintf("%s/mesh_%03d.txt", dir, n++); print v[sec, k] > f; print $2 > f; close(f) } }
' "$data/vm_levels.ini"

printf '0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ' > "$out/tips/none.txt"
printf '1 1 0 1 0 0 1 0 0 0 1 0 0 1 0 0 0 1 ' > "$out/tips/some.txt"
echo "seeds: $(find "$out" -type f | wc -l) files in $out"

#!/usr/bin/env bash
# Seed corpora for the fuzz targets, made from the shipped data of a build.
# usage: fuzz/make-seeds.sh BUILD_DATA_FOLDER OUT_FOLDER
set -euo pipefail
data=${1:?data folder of a build (build/data)}
out=${2:?output folder}
mkdir -p "$out"/{ini,map,picture,effect,texts,mesh,tips}

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

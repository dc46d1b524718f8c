#!/usr/bin/env bash
# A level whose magnet cannot be built goes straight from its start to game
# over, round after round. The autoplayer counts each round as a lost try and
# ends with status 1 once its tries are used; the game names the level once.
# Usage: broken_level.sh AUTOPLAY-BINARY DATA-FOLDER
set -u
autoplay="$1"
data="$2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; cat "$scratch/out" "$scratch/err" 2>/dev/null; exit 1; }

mkdir -p "$scratch/bin"
cp "$autoplay" "$scratch/bin/vellmoor-autoplay"
cp -r "$data" "$scratch/bin/data"
levels="$scratch/bin/data/vm_levels.ini"
# The first key of a section wins: two indices are no triangle.
sed -i 's/^\[Level11-0\]\r\?$/&\nMagnetIndices=2 0 1/' "$levels"
grep -q '^MagnetIndices=2 0 1' "$levels" || fail "the level file has no [Level11-0]"
rm -f "$scratch/bin/data/manifest.txt"  # the changed file is no damage here

timeout 300 "$scratch/bin/vellmoor-autoplay" --level 1-1 --seed 1 --tries 2 > "$scratch/out" 2> "$scratch/err"
status=$?
[ "$status" -ne 124 ] || fail "the run did not end"
[ "$status" -eq 1 ] || fail "the run exited $status"
rounds=$(grep -c '^level 1-1 lost .*(unplayable)' "$scratch/out")
[ "$rounds" -eq 2 ] || fail "$rounds unplayable rounds counted, not 2"
told=$(grep -c 'level 1-1 .* cannot be played: its Magnet list is unusable' "$scratch/err")
[ "$told" -eq 1 ] || fail "the level was named $told times"
echo "broken level: $rounds lost tries, exit status $status"

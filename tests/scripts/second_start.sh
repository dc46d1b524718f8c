#!/usr/bin/env bash
# A second start of the game brings the running copy forward and ends at
# once with status 0 and no message; a lock file left by a copy that crashed
# does not keep the game from starting. Usage: second_start.sh GAME-BINARY DATA-FOLDER
set -u
game="$1"
data="$2"
. "$(dirname "$0")/game_copy.sh"
first=""
trap '[ -n "$first" ] && kill -TERM "$first" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home/share/Brandwick/Vellmoor_L"
fail() { echo "FAIL: $*"; for f in "$scratch"/out*; do echo "== $f"; cat "$f"; done; exit 1; }

# The lock file of a crashed copy: a process id long gone, no lock held.
echo 999999999 > "$scratch/home/share/Brandwick/Vellmoor_L/vellmoor.lock"
"$scratch/game/vellmoor" > "$scratch/out1" 2>&1 &
first=$!
sleep 4
kill -0 "$first" 2>/dev/null || fail "the first start did not take over the stale lock"

timeout 30 "$scratch/game/vellmoor" > "$scratch/out2" 2>&1
status=$?
[ "$status" -ne 124 ] || fail "the second start did not end"
[ "$status" -eq 0 ] || fail "the second start exited $status"
[ ! -s "$scratch/out2" ] || fail "the second start said something"
sleep 1
kill -0 "$first" 2>/dev/null || fail "the first copy ended"
grep -q "started again; its window comes forward" "$scratch/out1" || fail "the first copy was not told"

kill -TERM "$first"
wait "$first"
status=$?
first=""
[ "$status" -eq 0 ] || fail "the first copy then exited $status"
echo "second start: exit 0, the first copy came forward and ended well"

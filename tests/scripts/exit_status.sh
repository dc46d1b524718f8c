#!/usr/bin/env bash
# The game's exit status tells success from failure: a game copied with its
# data and asked to end (SIGTERM, as a session logging out does) exits 0; the
# same copy with a file it cannot run without stops at once, names the file
# and exits non-zero. Usage: exit_status.sh GAME-BINARY DATA-FOLDER
set -u
game="$1"
data="$2"
. "$(dirname "$0")/game_copy.sh"
fail() { echo "FAIL: $*"; exit 1; }

# A whole copy runs until asked to end, then ends well.
"$scratch/game/vellmoor" > "$scratch/out1" 2>&1 &
pid=$!
sleep 4
kill -0 "$pid" 2>/dev/null || { cat "$scratch/out1"; fail "the game ended by itself"; }
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { cat "$scratch/out1"; fail "a normal end exited $status"; }

# Without its levels it does not start, and says why.
rm "$scratch/game/data/vm_levels.ini"
timeout 60 "$scratch/game/vellmoor" > "$scratch/out2" 2>&1
status=$?
[ "$status" -ne 0 ] || fail "a start without its levels exited 0"
[ "$status" -ne 124 ] || fail "a start without its levels hung"
grep -q "vm_levels.ini (missing)" "$scratch/out2" || { cat "$scratch/out2"; fail "the missing file was not named"; }
echo "exit statuses: normal end 0, broken install $status"

#!/usr/bin/env bash
# The player's folder through the real start. A home folder whose name holds
# a backslash is used as it stands: the settings copy lands there and loads.
# What a killed save left there (a staging copy of the users file, a
# temporary file whose writer's id is alive, as pid 1 always is in a
# container) is gone once the game runs. Usage: player_folder.sh GAME DATA
set -u
game="$1"
data="$2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/game"
cp "$game" "$scratch/game/vellmoor"
cp -r "$data" "$scratch/game/data"
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
failures=0

home="$scratch/a\b"
folder="$home/.local/share/Brandwick/Vellmoor_L"
mkdir -p "$folder"
printf '[User]\nCountUser=0\nLastActiveUser=0\n' > "$folder/vm_users.ini.commit"
printf '[User]\n' > "$folder/vm_users.ini.tmp1_0"
log="$scratch/game.log"
env -u XDG_DATA_HOME HOME="$home" SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy \
    VELLMOOR_LOG=debug "$scratch/game/vellmoor" > "$log" 2>&1 &
pid=$!
for _ in $(seq 900); do
    grep -qs "the game is running" "$log" || ! kill -0 "$pid" 2> /dev/null && break
    sleep 0.1
done
kill -TERM "$pid" 2> /dev/null
wait "$pid"
status=$?

grep -q "the game is running" "$log" || fail "the game did not start"
[ "$status" -eq 0 ] || fail "the game exited $status"
if grep -q "Cant load ini file" "$log"; then fail "a settings file did not load: $(grep 'Cant load' "$log" | head -1)"; fi
[ -s "$folder/vm_game.ini" ] || fail "the settings were not copied into $folder"
[ -e "$scratch/a/b" ] && fail "the backslash of the home folder was taken for a separator"
[ -e "$folder/vm_users.ini.commit" ] && fail "the staging copy of a killed commit was left"
[ -e "$folder/vm_users.ini.tmp1_0" ] && fail "a temporary file of a dead writer was left (its id, 1, is alive)"
[ "$failures" -eq 0 ] || { cat "$log"; exit 1; }
echo "the player's folder under a home with a backslash: settings loaded, leftovers gone"

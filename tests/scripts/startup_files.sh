#!/usr/bin/env bash
# The real game started on the files an upgrade, a touched install or a full
# disk leave: a copy of the game and its data, a scratch home, one case each.
# Usage: startup_files.sh GAME-BINARY DATA-FOLDER CASE
#   settings-upgrade   a new version's settings reach a player's copy, the
#                      player's own changes stay
#   oversized-settings a 100 MB settings copy is refused, the players stay
#   touched-install    edited and rewritten files start; a garbage font map
#                      and a missing manifest are told
#   full-disk          a full disk at the first start is told, status 1
#                      (skipped, status 77, where no small file system can
#                      be mounted)
set -u
game="$1"
data="$2"
case="$3"
. "$(dirname "$0")/game_copy.sh"
shipped="$scratch/game/data/vm_game.ini"
players="$XDG_DATA_HOME/Brandwick/Vellmoor_L"
mkdir -p "$players"
fail() { echo "FAIL: $*"; exit 1; }

# Starts the game, lets it reach its menus, ends it as a session would;
# $out holds what it printed, $status how it ended.
play() {
    out="$scratch/out"
    "$scratch/game/vellmoor" --windowed > "$out" 2>&1 &
    local pid=$!
    sleep 5
    kill -TERM "$pid" 2>/dev/null
    wait "$pid"
    status=$?
}

# The value reads see: the first key of the first section of that name.
value() {
    awk -v s="[$2]" -v k="$3" '
        $0 == s { inside = 1; next }
        /^\[/ { if (inside) exit; next }
        inside && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }' "$1"
}
has_key() {
    awk -v s="[$2]" -v k="$3" '
        $0 == s { inside = 1; next }
        /^\[/ { if (inside) exit; next }
        inside && index($0, k "=") == 1 { found = 1 }
        END { exit !found }' "$1"
}
expect() {  # file section key value
    local got
    got=$(value "$1" "$2" "$3")
    [ "$got" = "$4" ] || { cat "$out" 2>/dev/null; fail "[$2] $3 is '$got', not '$4'"; }
}
set_value() {  # file section key value
    awk -v s="[$2]" -v k="$3" -v v="$4" '
        $0 == s { inside = 1 } /^\[/ && $0 != s { inside = 0 }
        inside && index($0, k "=") == 1 { $0 = k "=" v } { print }' "$1" > "$1.new" && mv "$1.new" "$1"
}
drop_key() {  # file section key
    awk -v s="[$2]" -v k="$3" '
        $0 == s { inside = 1 } /^\[/ && $0 != s { inside = 0 }
        inside && index($0, k "=") == 1 { next } { print }' "$1" > "$1.new" && mv "$1.new" "$1"
}

case "$case" in
settings-upgrade)
    # A player of release 0.1.0, which kept no record of what it shipped:
    # full screen chosen, one tuning key changed by hand.
    cp "$scratch/game/data/released/vm_game-0.1.0.ini" "$players/vm_game.ini"
    set_value "$players/vm_game.ini" Game Fullscreen 1
    set_value "$players/vm_game.ini" Debug MagnetBallThreshold 7
    # The new version fixes a tip, rebalances two tuning keys, drops one.
    set_value "$shipped" Tip1 tl0 "Welcome to the Vellmoor!"
    set_value "$shipped" Debug WallBallThreshold 12
    set_value "$shipped" Debug MagnetBallThreshold 11
    drop_key "$shipped" Debug BallBonusThreshold
    has_key "$shipped" Debug BallBonusThreshold && fail "the test did not drop the key"
    play
    [ "$status" -eq 0 ] || { cat "$out"; fail "the game started on new settings ended with $status"; }
    copy="$players/vm_game.ini"
    expect "$copy" Tip1 tl0 "Welcome to the Vellmoor!"
    expect "$copy" Debug WallBallThreshold 12
    expect "$copy" Debug MagnetBallThreshold 7
    expect "$copy" Game Fullscreen 1
    has_key "$copy" Debug BallBonusThreshold && fail "a key the new version dropped stayed"
    cmp -s "$shipped" "$players/vm_game.shipped.ini" || fail "the record of the shipped settings is not the shipped file"

    # The next version, now with a record: its tip arrives, the player's
    # choices stay.
    set_value "$shipped" Tip1 tl0 "Welcome back to the Vellmoor!"
    set_value "$copy" Tip2 tl0 "My own words"
    play
    expect "$copy" Tip1 tl0 "Welcome back to the Vellmoor!"
    expect "$copy" Tip2 tl0 "My own words"
    expect "$copy" Game Fullscreen 1
    expect "$copy" Debug MagnetBallThreshold 7

    # A first start copies the shipped file and records it.
    rm "$copy" "$players/vm_game.shipped.ini"
    play
    cmp -s "$shipped" "$copy" || fail "the first start's copy is not the shipped file"
    cmp -s "$shipped" "$players/vm_game.shipped.ini" || fail "the first start kept no record"
    echo "settings upgrade: new values arrived, the player's stayed"
    ;;
oversized-settings)
    printf '[User]\nCountUser=1\nLastActiveUser=0\n[User0]\nName=Ann\nUserScore=4200\n' > "$players/vm_users.ini"
    cp "$players/vm_users.ini" "$scratch/users-before"
    truncate -s 100M "$players/vm_game.ini"
    play
    [ "$status" -eq 0 ] || { cat "$out"; fail "the game ended with $status"; }
    grep -q "$players/vm_game.ini is refused: it is larger than" "$out" ||
        { cat "$out"; fail "the refused file and the reason were not named"; }
    grep -q "Cannot save" "$out" && { cat "$out"; fail "the players' file was not found or not saved"; }
    cat "$out"
    cmp -s "$players/vm_users.ini" "$scratch/users-before" || fail "the players' file changed"
    [ "$(stat -c %s "$players/vm_game.ini")" -eq $((100 << 20)) ] || fail "the refused settings file was written"
    echo "oversized settings: refused by name, the players kept"
    ;;
touched-install)
    # A packager's patch of the shipped settings and a picture rewritten
    # with the same pixels (here: bytes after its end) start without a word.
    set_value "$shipped" Tip3 tl0 "Patched by the distribution"
    printf 'rewritten' >> "$scratch/game/data/pic/balls/ball_c1.png"
    play
    [ "$status" -eq 0 ] || { cat "$out"; fail "an edited install ended with $status"; }
    grep -Eq "damaged|missing|cannot" "$out" && { cat "$out"; fail "an edited install was reported"; }

    # No manifest: said once, the game runs.
    : > "$scratch/game/data/manifest.txt"
    play
    [ "$status" -eq 0 ] || { cat "$out"; fail "a start without a manifest ended with $status"; }
    grep -q "manifest.txt lists no files" "$out" || { cat "$out"; fail "the empty manifest was not told"; }
    rm "$scratch/game/data/manifest.txt"
    play
    grep -q "manifest.txt is missing" "$out" || { cat "$out"; fail "the missing manifest was not told"; }

    # A font map that is garbage stops the start as a missing one would.
    head -c 3000 /dev/urandom | base64 > "$scratch/game/data/pic/font1.map"
    timeout 60 "$scratch/game/vellmoor" > "$out" 2>&1
    status=$?
    [ "$status" -eq 1 ] || { cat "$out"; fail "a garbage font map exited $status, not 1"; }
    grep -q "pic/font1.map (damaged)" "$out" || { cat "$out"; fail "the damaged font map was not named"; }

    # The box comes before the settings, in the system's language; a
    # language file that is gone leaves it English.
    LANG=de_DE.UTF-8 LANGUAGE=de timeout 60 "$scratch/game/vellmoor" > "$out" 2>&1
    status=$?
    [ "$status" -eq 1 ] || { cat "$out"; fail "a German start on a garbage font map exited $status, not 1"; }
    grep -q "^Fehler: Die Daten des Spiels können nicht geprüft werden: manifest.txt fehlt.$" "$out" &&
        grep -q "^Das Spiel kann nicht starten: Dateien, die es braucht, fehlen oder sind beschädigt:$" "$out" ||
        { cat "$out"; fail "the broken install was not told in German"; }
    grep -q "pic/font1.map (beschädigt)" "$out" || { cat "$out"; fail "the damaged font map was not named in German"; }
    rm -r "$scratch/game/data/lang/de"
    LANG=de_DE.UTF-8 LANGUAGE=de timeout 60 "$scratch/game/vellmoor" > "$out" 2>&1
    status=$?
    [ "$status" -eq 1 ] || { cat "$out"; fail "a start without the German texts exited $status, not 1"; }
    grep -q "^Error: The game's data cannot be checked: manifest.txt is missing.$" "$out" &&
        ! grep -q "beschädigt" "$out" || { cat "$out"; fail "without the German texts the box was not English"; }
    echo "touched install: edits used, a garbage font map stops the start, told in the player's language"
    ;;
full-disk)
    disk="$scratch/disk"
    mkdir -p "$disk"
    # A small file system filled to the last block, mounted where the
    # player's folder goes: by root, or in a user namespace of our own.
    run='mount -t tmpfs -o size=256k tmpfs "$1" || exit 77
         dd if=/dev/zero of="$1/filler" bs=4k 2>/dev/null
         XDG_DATA_HOME="$1" timeout 60 "$2" > "$3" 2>&1
         echo $? > "$4"
         umount "$1"'
    if [ "$(id -u)" -eq 0 ]; then
        unshare -m sh -c "$run" sh "$disk" "$scratch/game/vellmoor" "$scratch/out" "$scratch/status"
    elif unshare -rm true 2>/dev/null; then
        unshare -rm sh -c "$run" sh "$disk" "$scratch/game/vellmoor" "$scratch/out" "$scratch/status"
    else
        echo "SKIP: no file system can be mounted here"
        exit 77
    fi
    [ -f "$scratch/status" ] || { echo "SKIP: the small file system could not be mounted"; exit 77; }
    out="$scratch/out"
    status=$(cat "$scratch/status")
    [ "$status" -eq 1 ] || { cat "$out"; fail "a full disk at the first start exited $status, not 1"; }
    grep -q "$disk/Brandwick/Vellmoor_L/: No space left on device" "$out" ||
        { cat "$out"; fail "the folder and the cause were not named"; }
    cat "$out"
    echo "full disk: told with the folder and the cause, status 1"
    ;;
*)
    fail "no case '$case'"
    ;;
esac

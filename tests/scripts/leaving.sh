#!/usr/bin/env bash
# Every way of leaving ends the game at once and keeps what it stored: the
# real game runs on a private X server and is cut off from it (the server
# stops), or is sent SIGTERM, SIGINT or SIGHUP, or two signals in a row, or
# SIGTERM while a box says it cannot start.
# Each must be gone within 3 s of the cause, the lost display with a non-zero
# status and a line saying why, a signal with status 0 and the users file
# whole. Skipped (status 77) when Xvfb is not installed.
# Usage: leaving.sh GAME-BINARY DATA-FOLDER (KEEP_SCRATCH=1 keeps the logs)
set -u
game="$1"
data="$2"
readonly kSkip=77 kBoundMs=3000 kStartSeconds=90
if ! command -v Xvfb > /dev/null; then
    echo "SKIP: Xvfb is not installed (Debian package xvfb)"
    exit $kSkip
fi
# Job control: the game starts as from a terminal, not with SIGINT ignored as
# the background jobs of a script are.
set -m
scratch=$(mktemp -d)
xpid=""
gpid=""
cleanup() {
    [ -n "$gpid" ] && kill -KILL "$gpid" 2> /dev/null
    [ -n "$xpid" ] && kill -TERM "$xpid" 2> /dev/null && wait "$xpid" 2> /dev/null
    [ -n "${KEEP_SCRATCH:-}" ] && echo "kept $scratch" || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch/game"
cp "$game" "$scratch/game/vellmoor"
cp -r "$data" "$scratch/game/data"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
nowMs() { echo $((${EPOCHREALTIME/./} / 1000)); }

# A player's users file as the game keeps it: the list, one player, the table.
seedUsers() {
    {
        printf '[User]\nCountUser=1\nLastActiveUser=0\n'
        printf '[User0]\nMusicVolume=70\nSoundFXVolume=60\nLastScore=1234\nName=Tessa\n'
        printf 'LastEpisode=2\nLastLevel=3\nShowHelp=0\n'
        printf '[Top10]\n'
        for i in 0 1 2 3 4 5 6 7 8 9; do printf 'score_%d=%d\nname_%d=Rook\n' "$i" $((1000 - i * 50)) "$i"; done
    } > "$1"
}

# Intact and complete: every line a section or a key, the player's section
# with the values it had, the list pointing at it, and no temporary left over.
checkUsers() {
    local file="$1" what="$2"
    [ -s "$file" ] || { fail "$what: the users file is gone or empty"; return; }
    if grep -qvE '^(\[[^]]+\]|[^=[]+=.*|)$' "$file"; then
        fail "$what: the users file has lines that are neither sections nor keys"
    fi
    local section="" line users=0 player=0
    while IFS= read -r line; do
        case "$line" in
            '['*']') section="$line" ;;
            CountUser=1) [ "$section" = "[User]" ] && users=$((users + 1)) ;;
            Name=Tessa | LastScore=1234 | LastEpisode=2 | LastLevel=3 | MusicVolume=70)
                [ "$section" = "[User0]" ] && player=$((player + 1)) ;;
        esac
    done < "$file"
    [ "$users" -eq 1 ] || fail "$what: the player list lost its count"
    [ "$player" -eq 5 ] || fail "$what: the player's section is not complete"
    [ "$(grep -c '^score_[0-9]=' "$file")" -eq 10 ] || fail "$what: the high-score table is not complete"
    if ls "$(dirname "$file")" | grep -q '\.tmp\|\.commit'; then fail "$what: a temporary file was left behind"; fi
}

# Starts a private X server and the game (the copy $2, by default the whole
# one) on it; sets deadline for what follows.
launch() {
    local case="$1" binary="${2:-$scratch/game/vellmoor}"
    home="$scratch/home-$case"
    users="$home/share/Brandwick/Vellmoor_L/vm_users.ini"
    mkdir -p "$(dirname "$users")"
    seedUsers "$users"
    : > "$scratch/dpy"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3> "$scratch/dpy" 2> "$scratch/xvfb-$case.log" &
    xpid=$!
    deadline=$(($(nowMs) + kStartSeconds * 1000))
    until [ -s "$scratch/dpy" ]; do
        [ "$(nowMs)" -lt "$deadline" ] && kill -0 "$xpid" 2> /dev/null || return 1
        sleep 0.05
    done
    log="$scratch/game-$case.log"
    HOME="$home" XDG_DATA_HOME="$home/share" DISPLAY=":$(head -n1 "$scratch/dpy")" \
        SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy VELLMOOR_LOG=debug \
        "$binary" > "$log" 2>&1 &
    gpid=$!
}

# Launches the game and returns once its loop runs (it says so in its debug
# log), however long a loaded machine takes.
start() {
    launch "$1" || return 1
    until grep -qs "the game is running" "$log"; do
        [ "$(nowMs)" -lt "$deadline" ] && kill -0 "$gpid" 2> /dev/null || return 1
        sleep 0.05
    done
    sleep 0.5  # a few frames of the first logo
}

# Waits for the game to end, at most kBoundMs after $1 (milliseconds); sets
# status and took. A game still there then is killed and reported.
awaitEnd() {
    local since="$1" what="$2" state
    while :; do
        state=""
        read -r _ _ state _ 2> /dev/null < "/proc/$gpid/stat"
        [ -z "$state" ] || [ "$state" = Z ] && break
        if [ $(($(nowMs) - since)) -gt "$kBoundMs" ]; then
            kill -KILL "$gpid"
            fail "$what: the game was still running after ${kBoundMs} ms"
            break
        fi
        sleep 0.01
    done
    took=$(($(nowMs) - since))
    wait "$gpid"
    status=$?
    gpid=""
    echo "$what: ended after ${took} ms with status $status"
}

stopX() {
    kill -TERM "$xpid" 2> /dev/null
    wait "$xpid" 2> /dev/null
    xpid=""
}

# The display goes away under the running game.
if start display; then
    t0=$(nowMs)
    stopX
    awaitEnd "$t0" "display lost"
    [ "$status" -ne 0 ] || fail "display lost: exited 0"
    [ "$status" -lt 128 ] || fail "display lost: ended by signal $((status - 128)) instead of exiting"
    grep -q "lost its display" "$log" || fail "display lost: no line says why"
    checkUsers "$users" "display lost"
else
    cat "$log" 2> /dev/null
    fail "display lost: the game did not start"
fi
stopX

# Each of the signals a session sends ends it like closing the window.
for sig in TERM INT HUP; do
    if start "$sig"; then
        t0=$(nowMs)
        kill -"$sig" "$gpid"
        awaitEnd "$t0" "SIG$sig"
        [ "$status" -eq 0 ] || { cat "$log"; fail "SIG$sig: exited $status, not as a normal end"; }
        checkUsers "$users" "SIG$sig"
    else
        cat "$log" 2> /dev/null
        fail "SIG$sig: the game did not start"
    fi
    stopX
done

# A second signal while it ends cuts the shutdown short. Both are queued while
# the game is stopped so the second cannot come after a quick normal end
# (without job control, so that the shell does not take the stop for the end).
set +m
if start twice; then
    kill -STOP "$gpid"
    kill -TERM "$gpid"
    kill -HUP "$gpid"
    t0=$(nowMs)
    kill -CONT "$gpid"
    awaitEnd "$t0" "two signals"
    [ "$status" -eq 129 ] || [ "$status" -eq 143 ] || fail "two signals: exited $status, not cut short"
    grep -q "already ending" "$log" || fail "two signals: no line says why"
    checkUsers "$users" "two signals"
else
    cat "$log" 2> /dev/null
    fail "two signals: the game did not start"
fi
stopX

# The game cannot start (its levels are missing) and says so in a box, which
# the window system shows from a process of its own. The session's SIGTERM
# then ends the game at once, and no process of the box stays on the screen.
mkdir -p "$scratch/broken"
cp "$scratch/game/vellmoor" "$scratch/broken/vellmoor"
cp -r "$scratch/game/data" "$scratch/broken/data"
rm "$scratch/broken/data/vm_levels.ini"
set -m
if launch box "$scratch/broken/vellmoor"; then
    boxes=""
    until [ -n "$boxes" ] && grep -qs "vm_levels.ini" "$log"; do
        [ "$(nowMs)" -lt "$deadline" ] && kill -0 "$gpid" 2> /dev/null || break
        boxes=$(pgrep -P "$gpid")
        sleep 0.05
    done
    if [ -z "$boxes" ]; then
        cat "$log"
        fail "box: no message box came up (on Xvfb it needs the fonts of Debian's xfonts-base)"
    else
        sleep 1  # the box on the screen
        t0=$(nowMs)
        kill -TERM "$gpid"
        awaitEnd "$t0" "SIGTERM with a box up"
        [ "$status" -ne 5 ] || fail "box: the box held the game until the watchdog cut it short"
        sleep 0.2
        for pid in $boxes; do
            state=""
            read -r _ _ state _ 2> /dev/null < "/proc/$pid/stat"
            if [ -n "$state" ] && [ "$state" != Z ]; then
                fail "box: the box's process $pid outlived the game"
                kill -KILL "$pid"
            fi
        done
    fi
else
    fail "box: the game did not start"
fi
stopX

[ "$failures" -eq 0 ] || exit 1
echo "every way of leaving ended the game within ${kBoundMs} ms"

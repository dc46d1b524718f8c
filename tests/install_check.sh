#!/usr/bin/env bash
# The installed game as a packager and a user at a terminal meet it: the
# install layout (GNUInstallDirs, and Debian's games layout), the command line
# of the installed binary, the distribution's validators, and a short headless
# start from a prefix the game was not built for. Every failed check is
# listed; the exit status is 1 when there was any.
#
# Settings come from the environment (tests/install.cmake sets them):
#   VM_CMAKE VM_SOURCE_DIR VM_BUILD_DIR VM_GENERATOR VM_PREFIX VM_BIN_DIR
#   VM_DATA_DIR VM_SHARE_DIR VM_MAN_DIR VM_DOC_DIR VM_APP_ID VM_METAINFO_ID VM_VERSION
#   VM_ICON_SIZES VM_SCREENSHOTS VM_AUTOPLAY
set -u

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
skip() { echo "SKIP: $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vm-install-check.XXXXXX")
game_pid=
cleanup() {
    [[ -n "$game_pid" ]] && kill -KILL "$game_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A relative install directory is under the prefix; an absolute one stands.
under_prefix() {
    case "$2" in
        /*) echo "$2" ;;
        *) echo "$1/$2" ;;
    esac
}

png_size() {  # prints "W H" from the PNG header
    local bytes
    bytes=($(od -An -tu1 -j16 -N8 "$1"))
    echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3])) $(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}

# --- The desktop files, the icons, the manual page and the documents ---
check_shared_files() {
    local root=$1 share
    share=$(under_prefix "$root$VM_PREFIX" "$VM_SHARE_DIR")
    local desktop=$share/applications/$VM_APP_ID.desktop
    local metainfo=$share/metainfo/$VM_METAINFO_ID.metainfo.xml
    local man
    man=$(under_prefix "$root$VM_PREFIX" "$VM_MAN_DIR")/man6/vellmoor.6
    local doc
    doc=$(under_prefix "$root$VM_PREFIX" "$VM_DOC_DIR")
    for f in "$desktop" "$metainfo" "$man" "$doc/LICENSE" "$doc/THIRD-PARTY.md"; do
        [[ -f "$f" ]] || fail "missing ${f#"$root"}"
    done
    for size in $VM_ICON_SIZES; do
        local icon=$share/icons/hicolor/${size}x${size}/apps/$VM_APP_ID.png
        if [[ ! -f "$icon" ]]; then
            fail "missing icon ${icon#"$root"}"
        elif [[ "$(png_size "$icon")" != "$size $size" ]]; then
            fail "icon ${icon#"$root"} is $(png_size "$icon"), not $size x $size"
        fi
    done
    if [[ -f "$desktop" ]]; then
        grep -qx "Icon=$VM_APP_ID" "$desktop" || fail "the desktop entry does not name the icon $VM_APP_ID"
        grep -qx "Exec=vellmoor" "$desktop" || fail "the desktop entry does not start vellmoor"
    fi
    if [[ -f "$metainfo" ]]; then
        grep -q "<launchable type=\"desktop-id\">$VM_APP_ID.desktop</launchable>" "$metainfo" ||
            fail "the metainfo does not launch $VM_APP_ID.desktop"
        local newest
        newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
        [[ "$newest" == "$VM_VERSION" ]] ||
            fail "the newest release in the metainfo is '$newest', the game is $VM_VERSION"
        # Each screenshot is one the build knows how to take.
        local shots
        shots=$(grep -o '<image[^>]*>[^<]*</image>' "$metainfo" | sed 's/<[^>]*>//g')
        [[ -n "$shots" ]] || fail "the metainfo has no screenshots"
        for url in $shots; do
            [[ " $VM_SCREENSHOTS " == *" ${url##*/} "* ]] ||
                fail "the screenshot $url is not among those metainfo-screenshots takes ($VM_SCREENSHOTS )"
        done
    fi

    # The validators distributions run, when this machine has them.
    if command -v desktop-file-validate >/dev/null; then
        if out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z "$out" ]]; then
            pass "desktop-file-validate"
        else
            fail "desktop-file-validate: $out"
        fi
    else
        skip "desktop-file-validate is not installed (package desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        # Pedantic: every warning and note counts, except that validators
        # before AppStream 1.0 do not know the <developer> tag yet.
        local notes
        if ! out=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1); then
            fail "appstreamcli validate --pedantic --no-net: $out"
        elif notes=$(grep -E '^[EWIP]: ' <<<"$out" | grep -v 'unknown-tag developer$'); then
            fail "appstreamcli validate --pedantic --no-net: $notes"
        else
            pass "appstreamcli validate --pedantic --no-net"
        fi
    else
        skip "appstreamcli is not installed (package appstream)"
    fi
    if command -v groff >/dev/null; then
        if out=$(LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$man" 2>&1) && [[ -z "$out" ]]; then
            pass "groff -man -ww (manual page)"
        else
            fail "the manual page has roff problems: $out"
        fi
    else
        skip "groff is not installed (package groff-base)"
    fi
}

# --- The command line of an installed binary ---
check_command_line() {
    local game=$1 data=$2 root=$3
    local out err status
    out=$("$game" --help 2>"$work/err"); status=$?
    err=$(cat "$work/err")
    [[ $status -eq 0 ]] || fail "--help exits with $status"
    [[ "$(head -n 1 <<<"$out")" == "Usage: vellmoor [OPTION]..." ]] || fail "--help starts with '$(head -n 1 <<<"$out")'"
    [[ -z "$err" ]] || fail "--help writes to stderr: $err"
    # The data folder it names is the installed one, not the build's.
    local named
    named=$(grep -A1 '^  Game data' <<<"$out" | tail -n 1 | sed 's/^ *//')
    [[ "$named" == "$(realpath "$data")/" ]] || fail "--help names the data folder '$named', installed at $data"
    # Every option the help lists is in the manual page.
    local man
    man=$(under_prefix "$root$VM_PREFIX" "$VM_MAN_DIR")/man6/vellmoor.6
    for option in $(sed -n '/^Options:/,/^$/p' <<<"$out" | grep -o -- '--[a-z][a-z-]*'); do
        sed 's/\\-/-/g' "$man" | grep -q -- "$option" || fail "the manual page does not describe $option"
    done

    out=$("$game" --version 2>"$work/err"); status=$?
    [[ $status -eq 0 ]] || fail "--version exits with $status"
    [[ "$(head -n 1 <<<"$out")" == "vellmoor (The Vellmoor of Quorrin) $VM_VERSION" ]] ||
        fail "--version starts with '$(head -n 1 <<<"$out")'"
    [[ -s "$work/err" ]] && fail "--version writes to stderr"

    out=$("$game" --no-such-option 2>"$work/err"); status=$?
    [[ $status -eq 2 ]] || fail "an unknown option exits with $status, not 2"
    [[ -z "$out" ]] || fail "an unknown option writes to stdout"
    [[ "$(sed -n 1p "$work/err")" == "vellmoor: unknown option '--no-such-option'" ]] ||
        fail "an unknown option says '$(sed -n 1p "$work/err")'"
    [[ "$(sed -n 2p "$work/err")" == "Try 'vellmoor --help' for more information." ]] ||
        fail "an unknown option is not followed by the hint to --help"
    [[ $(wc -l < "$work/err") -eq 2 ]] || fail "an unknown option says more than its line and the hint"

    "$game" stray-argument >/dev/null 2>&1; status=$?
    [[ $status -eq 2 ]] || fail "a stray argument exits with $status, not 2"
}

# --- The FHS layout, installed under a DESTDIR ---
echo "== install with DESTDIR (prefix $VM_PREFIX)"
fhs=$work/fhs
if ! DESTDIR=$fhs "$VM_CMAKE" --install "$VM_BUILD_DIR" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install failed"
    exit 1
fi
bin=$(under_prefix "$fhs$VM_PREFIX" "$VM_BIN_DIR")
data=$(under_prefix "$fhs$VM_PREFIX" "$VM_DATA_DIR")
game=$bin/vellmoor
[[ -x "$game" ]] || fail "no executable ${game#"$fhs"}"
[[ -f "$data/vm_game.ini" && -f "$data/vm_levels.ini" && -d "$data/pic" && -d "$data/sound" ]] ||
    fail "the data folder ${data#"$fhs"} is incomplete"
# The 2x pictures go where they were built (VM_ART_SCALES), the same files as the 1x set.
if [[ -d "$VM_BUILD_DIR/data/pic/2x" ]]; then
    sharp=$(cd "$VM_BUILD_DIR/data/pic/2x" && find . -type f | sort)
    [[ "$sharp" == "$(cd "$data/pic/2x" 2>/dev/null && find . -type f | sort)" ]] ||
        fail "the 2x pictures are not installed as built"
    [[ "$sharp" == "$(cd "$data/pic" && find . -path ./2x -prune -o -type f -print | grep -v '^./window_icon.png$' | sort)" ]] ||
        fail "the 2x set does not hold the same pictures as the 1x set"
fi
# Build leftovers stay out of the package.
leftovers=$(cd "$data" && find . -name CMakeFiles -o -name '*.cmake' -o -name levels.txt -o -name '*.lock' \
    -o -name 'screenshot-*.png' -o -name campaign -o -name shapes)
[[ -z "$leftovers" ]] || fail "build files in the data folder: $leftovers"
check_shared_files "$fhs"
check_command_line "$game" "$data" "$fhs"
echo "installed files:"
(cd "$fhs" && find . -type f -not -path '*/share/*/pic/*' -not -path '*/share/*/sound/*' -not -path '*/share/*/fx/*' | sort)

# --- The installed game, started headless for a moment without sound ---
echo "== a short headless start from the relocated prefix"
run=$work/run
mkdir -p "$run/home" "$run/xdg"
players=$(XDG_DATA_HOME=$run/xdg "$game" --help | grep -A1 '^  Settings' | tail -n 1 | sed 's/^ *//')
[[ "$players" == "$run/xdg/Brandwick/Vellmoor_L/" ]] || fail "--help names the player's folder '$players'"
# SDL's ALSA driver on a device that is not there: what a machine without a
# sound card gives, ALSA's own error printing included.
env -u VELLMOOR_LOG HOME="$run/home" XDG_DATA_HOME="$run/xdg" SDL_VIDEODRIVER=offscreen \
    SDL_AUDIODRIVER=alsa AUDIODEV=vm_no_such_pcm "$game" >"$run/out" 2>"$run/err" &
game_pid=$!
started=0
for _ in $(seq 1 300); do
    kill -0 "$game_pid" 2>/dev/null || break
    if [[ -f "$players/vm_game.ini" && -f "$players/vm_users.ini" ]]; then
        started=1
        break
    fi
    sleep 0.1
done
sleep 2  # a moment of the logos and the music that is not heard
if [[ $started -eq 1 ]] && kill -0 "$game_pid" 2>/dev/null; then
    pass "the game runs from ${game#"$fhs"} with its player's folder in place"
    # Ended as the desktop ends a program: it closes down by itself.
    kill -TERM "$game_pid"
    for _ in $(seq 1 150); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$game_pid" 2>/dev/null; then
        fail "the game did not close down after SIGTERM"
    else
        wait "$game_pid"; status=$?
        ((status == 0)) || fail "a normal end exited with status $status instead of 0"
    fi
else
    wait "$game_pid"; status=$?
    fail "the game did not start (status $status): $(cat "$run/err")"
fi
game_pid=
# A clean console: the missing sound device in one line, nothing else.
if [[ "$(wc -l <"$run/err")" -eq 1 ]] && grep -Eq "^(vellmoor: )?no sound: ." "$run/err"; then
    pass "one line on the console: $(cat "$run/err")"
else
    fail "the console says more (or less) than one line about the sound:"
    sed 's/^/    /' "$run/err"
fi
[[ -s "$run/out" ]] && fail "the game writes to stdout: $(head -n 3 "$run/out")"

# --- Debian's games layout ---
# Configured with VM_GAMES_LAYOUT; the build's binary and data stand in for a
# second build. That binary looks first where its own layout puts the data
# and then in the other usual places, games/ beside share/games/ among them.
echo "== the games layout (VM_GAMES_LAYOUT=ON)"
games_build=$work/games-build
if "$VM_CMAKE" -S "$VM_SOURCE_DIR" -B "$games_build" -G "$VM_GENERATOR" -DVM_GAMES_LAYOUT=ON \
    -DVM_BUILD_TESTS=OFF -DVM_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >"$work/games-configure.log" 2>&1; then
    cp "$VM_BUILD_DIR/vellmoor" "$games_build/vellmoor"
    (cd "$VM_BUILD_DIR/data" && tar --exclude=CMakeFiles --exclude=cmake_install.cmake \
        --exclude=CTestTestfile.cmake -cf - .) | (cd "$games_build/data" && tar -xf -)
    mkdir -p "$games_build/icons"
    cp "$VM_BUILD_DIR"/icons/vellmoor-*.png "$games_build/icons/"
    mkdir -p "$games_build/desktop"
    cp "$VM_BUILD_DIR"/desktop/*.desktop "$VM_BUILD_DIR"/desktop/*.metainfo.xml "$games_build/desktop/"
    games=$work/games
    if DESTDIR=$games "$VM_CMAKE" --install "$games_build" >"$work/games-install.log" 2>&1; then
        [[ -x "$games/usr/games/vellmoor" ]] || fail "games layout: no /usr/games/vellmoor"
        [[ -f "$games/usr/share/games/vellmoor/vm_game.ini" ]] || fail "games layout: no /usr/share/games/vellmoor"
        [[ -e "$games/usr/bin" || -e "$games/usr/share/vellmoor" ]] && fail "games layout: usr/bin or usr/share/vellmoor made"
        grep -q '/usr/share/games/vellmoor' "$games/usr/share/man/man6/vellmoor.6" ||
            fail "games layout: the manual page names another data folder"
        VM_PREFIX=/usr VM_SHARE_DIR=share VM_MAN_DIR=share/man VM_DOC_DIR=share/doc/vellmoor check_shared_files "$games"
        VM_PREFIX=/usr VM_MAN_DIR=share/man \
            check_command_line "$games/usr/games/vellmoor" "$games/usr/share/games/vellmoor" "$games"
        echo "installed files:"
        (cd "$games" && find . -type f -not -path '*/vellmoor/pic/*' -not -path '*/vellmoor/sound/*' -not -path '*/vellmoor/fx/*' | sort)
    else
        cat "$work/games-install.log"
        fail "games layout: cmake --install failed"
    fi
else
    cat "$work/games-configure.log"
    fail "games layout: the configuration failed"
fi

# --- The autoplayer answers --version too ---
if [[ -n "${VM_AUTOPLAY:-}" ]]; then
    out=$("$VM_AUTOPLAY" --version); status=$?
    [[ $status -eq 0 && "$(head -n 1 <<<"$out")" == "vellmoor-autoplay (The Vellmoor of Quorrin) $VM_VERSION" ]] ||
        fail "vellmoor-autoplay --version: status $status, '$(head -n 1 <<<"$out")'"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "every check passed"
exit 0

#!/usr/bin/env bash
# Sets up a Debian 12 machine for The Vellmoor of Quorrin, builds it, and then
# plays it or runs every test:
#   ./build.sh play    install what is missing, build, start the game
#   ./build.sh test    install what is missing, build, run the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

mode="${1:-play}"
build_dir="${VM_BUILD_DIR:-build}"
jobs="${VM_JOBS:-2}"

ensure_packages() {
    local missing=()
    while read -r pkg; do
        pkg="${pkg%%#*}"; pkg="${pkg//[[:space:]]/}"
        [[ -z "$pkg" ]] && continue
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done < scripts/packages.txt
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=()
        [[ $(id -u) -ne 0 ]] && sudo=(sudo)
        "${sudo[@]}" apt-get update
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build_dir" -j "$jobs"
}

case "$mode" in
    play)
        ensure_packages
        build
        exec "$build_dir/vellmoor"
        ;;
    test)
        ensure_packages
        build
        export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
        export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}"
        ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
        ;;
    *)
        echo "usage: $0 play|test" >&2
        exit 2
        ;;
esac

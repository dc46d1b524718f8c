#!/usr/bin/env bash
# Sets up a Debian 12 machine for The Vellmoor of Quorrin, builds it, and then
# plays it or runs every test:
#   ./build.sh play    install what is missing, build, start the game
#   ./build.sh test    install what is missing, build, run the whole test suite
#   ./build.sh sanitize  build with AddressSanitizer and UndefinedBehaviorSanitizer
#                      into build-asan and let the autoplayer play the campaign
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
    sanitize)
        ensure_packages
        asan_dir="${VM_ASAN_DIR:-build-asan}"
        cmake -S . -B "$asan_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVM_SANITIZE=ON \
            -DVM_BUILD_TESTS=OFF -DVM_BUILD_BENCH=OFF
        cmake --build "$asan_dir" -j "$jobs" --target vellmoor-autoplay
        # Any report stops the run with a failure; leaks are reported at exit.
        ASAN_OPTIONS="detect_leaks=1:halt_on_error=1" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
            "$asan_dir/vellmoor-autoplay" --campaign --seed 1 | tail -n 16
        ;;
    *)
        echo "usage: $0 play|test|sanitize" >&2
        exit 2
        ;;
esac

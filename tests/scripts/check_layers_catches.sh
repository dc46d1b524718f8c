#!/usr/bin/env bash
# The layer check must refuse the includes the layering forbids and accept a
# tree that keeps to it. Usage: check_layers_catches.sh CHECK-SCRIPT
set -u
check="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

tree() {  # a fresh source tree holding the given "file:include" pairs
  rm -rf "$scratch/src"
  for pair in "$@"; do
    file="$scratch/src/${pair%%:*}"
    mkdir -p "$(dirname "$file")"
    printf '#include %s\nint x;\n' "${pair#*:}" >> "$file"
  done
}

tree 'game/game.cpp:"scene/sprite.h"' 'screens/a.cpp:"game/game.h"' \
     'gfx/gl_device.cpp:<epoxy/gl.h>' 'platform/p.cpp:<SDL.h>' \
     'frame/app.cpp:"platform/platform.h"' 'game/b.cpp:"level.h"'
"$check" "$scratch" > "$scratch/out" || { cat "$scratch/out"; fail "a clean tree was refused"; }

for bad in 'game/game.h:"screens/between_levels.h"' 'scene/input.cpp:"platform/winmsg.h"' \
           'sound/sound.cpp:<SDL.h>' 'res/r.cpp:"players/players.h"' \
           'players/p.cpp:"ui/buttons.h"' 'platform/q.cpp:"frame/log.h"' \
           'screens/s.cpp:<GL/gl.h>' 'ui/u.h:"game/hud.h"'; do
  tree 'frame/ok.cpp:"scene/actor.h"' "$bad"
  "$check" "$scratch" > "$scratch/out"
  status=$?
  [ "$status" -eq 1 ] || { cat "$scratch/out"; fail "$bad: exit $status, not 1"; }
  grep -q "${bad%%:*}" "$scratch/out" || { cat "$scratch/out"; fail "$bad: the file is not named"; }
done
echo "layer check: refuses what it must"

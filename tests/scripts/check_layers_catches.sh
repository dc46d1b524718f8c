#!/usr/bin/env bash
# The layer check must refuse the includes the layering table forbids and
# accept a tree that keeps to it. Usage: check_layers_catches.sh CHECK-SCRIPT ALLOWLIST
# (the allowlist CMake writes from src/layers.cmake: the real table is tried).
set -u
check="$1"
allow="$2"
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
     'gfx/gl/gl_device.cpp:<epoxy/gl.h>' 'platform/p.cpp:<SDL.h>' \
     'frame/app.cpp:"platform/platform.h"' 'game/b.cpp:"level.h"' \
     'scene/sprite.cpp:"frame/app.h"' 'res/picture_pack.h:"scene/sprite.h"'
"$check" --allow "$allow" "$scratch" > "$scratch/out" || { cat "$scratch/out"; fail "a clean tree was refused"; }

# Among them the four the deny list this check replaced let through.
for bad in 'gfx/renderer.cpp:"ui/buttons.h"' 'gfx/damage.cpp:"sound/sound.h"' \
           'players/players.cpp:"scene/sprite.h"' 'players/players.cpp:"game/level.h"' \
           'game/game.h:"screens/between_levels.h"' 'scene/input.cpp:"platform/event.h"' \
           'sound/sound.cpp:<epoxy/gl.h>' 'res/r.cpp:"players/players.h"' 'screens/m.cpp:<SDL.h>' \
           'ui/u.cpp:<ode/ode.h>' 'newlayer/n.cpp:"frame/app.h"' \
           'players/p.cpp:"ui/buttons.h"' 'platform/q.cpp:"frame/log.h"' \
           'screens/s.cpp:<GL/gl.h>' 'ui/u.h:"game/hud.h"' \
           'gfx/renderer.cpp:<epoxy/gl.h>' 'gfx/texture_bank.cpp:<SDL.h>' 'sound/sound.cpp:<SDL_mixer.h>' \
           'gfx/gl/g.cpp:<ode/ode.h>' 'sound/sdl/s.cpp:<epoxy/gl.h>' 'gfx/g.cpp:"gfx/gl/gl_device.h"' \
           'frame/clock.cpp:"scene/sprite.h"' 'frame/app.cpp:"gfx/gfx.h"' 'frame/f.h:"res/texts.h"' \
           'scene/sprite.cpp:"res/picture_pack.h"' 'scene/s.h:"anim/commands.h"'; do
  tree 'scene/ok.cpp:"frame/app.h"' "$bad"
  "$check" --allow "$allow" "$scratch" > "$scratch/out"
  status=$?
  [ "$status" -eq 1 ] || { cat "$scratch/out"; fail "$bad: exit $status, not 1"; }
  grep -q "${bad%%:*}" "$scratch/out" || { cat "$scratch/out"; fail "$bad: the file is not named"; }
done
# The built libraries: a game library calling into the screens' library is
# refused, the screens calling the game are not.
cxx="${CXX:-c++}"
lib() {  # lib NAME SOURCE: an archive of one object
  printf '%s\n' "$2" > "$scratch/$1.cpp"
  "$cxx" -c -o "$scratch/$1.o" "$scratch/$1.cpp" || fail "cannot compile $1"
  ar rcs "$scratch/lib$1.a" "$scratch/$1.o"
}
# refused WHAT NAMED LIBS...: the link check must exit 1 and name NAMED;
# accepted WHAT LIBS...: it must pass.
refused() {
  what="$1" named="$2"
  shift 2
  "$check" --allow "$allow" --links "$@" > "$scratch/out"
  status=$?
  [ "$status" -eq 1 ] || { cat "$scratch/out"; fail "$what: exit $status, not 1"; }
  grep -q "$named" "$scratch/out" || { cat "$scratch/out"; fail "$what: $named is not named"; }
}
accepted() {
  what="$1"
  shift
  "$check" --allow "$allow" --links "$@" > "$scratch/out" || { cat "$scratch/out"; fail "$what was refused"; }
}
lib game 'int mapScreens(); int gameLevel() { return 1; } int play() { return mapScreens(); }'
lib screens 'int gameLevel(); int mapScreens() { return gameLevel(); }'
refused "game calling the screens" 'mapScreens' game="$scratch/libgame.a" screens="$scratch/libscreens.a"
lib game 'int gameLevel() { return 1; }'
accepted "the screens calling the game" game="$scratch/libgame.a" screens="$scratch/libscreens.a"
# Inside the engine: the frame calling the scene's draw is refused; the
# scene handing the frame its parts is not.
lib frame 'void drawFrame(); void runFrame() { drawFrame(); } void setFrameParts() {}'
lib scene 'void setFrameParts(); void drawFrame() {} void connectSceneToFrame() { setFrameParts(); }'
refused "the frame calling the scene" 'frame uses drawFrame' frame="$scratch/libframe.a" scene="$scratch/libscene.a"
lib frame 'void runFrame() {} void setFrameParts() {}'
accepted "the scene handing the frame its parts" frame="$scratch/libframe.a" scene="$scratch/libscene.a"
echo "layer check: refuses what it must"

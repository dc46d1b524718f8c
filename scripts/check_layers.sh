#!/usr/bin/env bash
# Fails when a source file under src/ includes a header of a layer it may not
# use. The layers, lowest first: platform; the engine (frame at its foot,
# then gfx, sound, scene, res, anim, ui); game and players; screens.
# main.cpp sits above them all.
#
#   check_layers.sh [source-root]          check, list what breaks the rules
#   check_layers.sh --graph [source-root]  also print includes per layer pair
#   check_layers.sh --links LAYER=ARCHIVE...
#       the same rules for the built libraries: no library uses a function or
#       variable that only a layer it may not use defines
set -euo pipefail

# Which layers each layer may not use (awk: banned[from, to]). demo/ (the game
# playing itself) sits with main.cpp above every layer: nothing below uses it.
RULES='
    split("frame scene anim res gfx sound ui", e, " "); for (i in e) engine[e[i]] = 1
    # Which layers each layer may not include.
    for (l in engine) { banned[l, "game"] = banned[l, "screens"] = banned[l, "players"] = 1 }
    # Inside the engine: the frame is its lowest layer and runs the scene and
    # the renderer through the parts they hand it; a sprite asks its picture
    # through an interface the picture packs fill in.
    for (l in engine) if (l != "frame") banned["frame", l] = 1
    banned["scene", "res"] = banned["scene", "anim"] = banned["scene", "ui"] = 1
    banned["game", "screens"] = 1
    banned["players", "ui"] = banned["players", "screens"] = 1
    split("scene anim res ui game players screens", p, " ")
    for (i in p) banned[p[i], "platform"] = 1
    # The platform is the floor: it uses no other part of the game.
    split("frame scene anim res gfx sound ui game players screens", a, " ")
    for (i in a) banned["platform", a[i]] = 1
    for (i in a) banned[a[i], "demo"] = 1
    banned["platform", "demo"] = 1
  '

if [[ "${1:-}" == "--links" ]]; then
  shift
  for pair in "$@"; do
    layer="${pair%%=*}" archive="${pair#*=}"
    [[ -f "$archive" ]] || { echo "check_layers: no library $archive" >&2; exit 2; }
    # Strong definitions only: inline functions and templates are weak in
    # every library that uses them.
    nm --defined-only "$archive" | awk -v l="$layer" 'NF == 3 && $2 ~ /^[TDBRG]$/ { print "def", l, $3 }'
    nm --undefined-only "$archive" | awk -v l="$layer" 'NF == 2 && $1 == "U" { print "use", l, $2 }'
  done | awk '
    BEGIN {
      '"$RULES"'
      bad = 0
    }
    $1 == "def" { owner[$3] = $2; next }
    { uses[$2 SUBSEP $3] = 1 }
    END {
      for (k in uses) {
        split(k, p, SUBSEP); from = p[1]; sym = p[2]
        if (!(sym in owner) || owner[sym] == from) continue
        if ((from, owner[sym]) in banned) {
          printf "%s uses %s of %s\n", from, sym, owner[sym]
          if (++bad >= 50) break
        }
      }
      if (bad) { print "the libraries break the layering"; exit 1 }
      print "the libraries keep to the layering"
    }' | { command -v c++filt > /dev/null && c++filt || cat; }
  exit "${PIPESTATUS[1]}"
fi

graph=0
if [[ "${1:-}" == "--graph" ]]; then graph=1; shift; fi
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
src="$root/src"
[[ -d "$src" ]] || { echo "check_layers: no source folder at $src" >&2; exit 2; }

# One line per include of a quoted header or an SDL/GL header:
#   <file> <line> <quoted|system> <header>
scan() {
  find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
    xargs -0 awk '
      match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+"/) {
        h = substr($0, RSTART, RLENGTH); sub(/^[^"]*"/, "", h); sub(/"$/, "", h)
        print FILENAME, FNR, "quoted", h
      }
      match($0, /^[ \t]*#[ \t]*include[ \t]*<(SDL|epoxy|GL)[^>]*>/) {
        h = substr($0, RSTART, RLENGTH); sub(/^[^<]*</, "", h); sub(/>$/, "", h)
        print FILENAME, FNR, "system", h
      }'
}

scan | awk -v src="$src/" -v graph="$graph" '
  function layer_of(path,   rel, n, parts) {
    rel = substr(path, length(src) + 1)
    n = split(rel, parts, "/")
    return n > 1 ? parts[1] : "main"
  }
  BEGIN {
    '"$RULES"'
    # Only the platform and the device back ends talk to SDL and OpenGL.
    sdl_ok["gfx/gl_device.cpp"] = 1
    sdl_ok["sound/sdl_backend.cpp"] = 1
    split("platform frame scene anim res gfx sound ui game players screens demo", known, " ")
    for (i in known) is_layer[known[i]] = 1
    bad = 0
  }
  {
    file = $1; line = $2; kind = $3; header = $4
    from = layer_of(file); rel = substr(file, length(src) + 1)
    if (kind == "system") {
      if (from != "platform" && !(rel in sdl_ok)) {
        printf "%s:%s: %s includes <%s>; only platform/ and the device back ends may\n", rel, line, from, header
        bad++
      }
      next
    }
    slash = index(header, "/")
    to = slash ? substr(header, 1, slash - 1) : from
    if (!(to in is_layer)) next
    if (from != to) count[from " -> " to]++
    if ((from, to) in banned) {
      printf "%s:%s: %s includes %s (%s)\n", rel, line, from, header, to
      bad++
    }
  }
  END {
    if (graph) {
      print "includes between layers:"
      n = 0; for (k in count) keys[++n] = k
      for (i = 2; i <= n; i++) { v = keys[i]; for (j = i - 1; j >= 1 && keys[j] > v; j--) keys[j + 1] = keys[j]; keys[j + 1] = v }
      for (i = 1; i <= n; i++) printf "  %-22s %d\n", keys[i], count[keys[i]]
    }
    if (bad) { printf "%d include(s) break the layering\n", bad; exit 1 }
    print "layering holds"
  }'

#!/usr/bin/env bash
# The layering as src/layers.cmake declares it, enforced on the sources and
# the built libraries. CMake writes the table out as an allowlist
# (<build>/layers.allow); anything it does not list is refused:
#   - a source file under src/ including a header of a layer its own layer
#     does not use, or living in a folder that is no layer;
#   - a source file including the headers of an outside library (SDL, epoxy,
#     ODE, ...) its layer does not link;
#   - a layer's library using a function or variable that only a layer it
#     does not use defines.
#
#   check_layers.sh [--allow FILE] [source-root]          check the includes
#   check_layers.sh [--allow FILE] --graph [source-root]  also draw them per layer pair
#   check_layers.sh [--allow FILE] --links LAYER=ARCHIVE...
# Without --allow the list is <source-root>/build/layers.allow.
set -euo pipefail

allow=""
if [[ "${1:-}" == "--allow" ]]; then
  allow="$2"
  shift 2
fi
mode=check
case "${1:-}" in
  --graph) mode=graph; shift ;;
  --links) mode=links; shift ;;
esac
root="$(cd "$(dirname "$0")/.." && pwd)"
if [[ "$mode" != links && -n "${1:-}" ]]; then root="$1"; fi
[[ -n "$allow" ]] || allow="$root/build/layers.allow"
[[ -f "$allow" ]] || { echo "check_layers: no allowlist at $allow (configure the build first)" >&2; exit 2; }

# awk: reads the allowlist (first file) into
#   layer[name], uses[from, to], lib[layer, outside], pattern[i], outside[i] (n_outside)
READ_ALLOW='
  FNR == NR {
    if ($1 == "layer") layer[$2] = 1
    else if ($1 == "uses") uses[$2, $3] = 1
    else if ($1 == "lib") lib[$2, $3] = 1
    else if ($1 == "outside") { outside[++n_outside] = $2; pattern[n_outside] = $3 }
    next
  }
  function allowed(from, to) { return from == to || ((from, to) in uses) }
'

if [[ "$mode" == links ]]; then
  for pair in "$@"; do
    l="${pair%%=*}" archive="${pair#*=}"
    [[ -f "$archive" ]] || { echo "check_layers: no library $archive" >&2; exit 2; }
    # Strong definitions only: inline functions and templates are weak in
    # every library that uses them.
    nm --defined-only "$archive" | awk -v l="$l" 'NF == 3 && $2 ~ /^[TDBRG]$/ { print "def", l, $3 }'
    nm --undefined-only "$archive" | awk -v l="$l" 'NF == 2 && $1 == "U" { print "use", l, $2 }'
  done | awk "$READ_ALLOW"'
    $1 == "def" { owner[$3] = $2; next }
    { want[$2 SUBSEP $3] = 1 }
    END {
      bad = 0
      for (k in want) {
        split(k, p, SUBSEP); from = p[1]; sym = p[2]
        if (!(sym in owner) || allowed(from, owner[sym])) continue
        printf "%s uses %s of %s\n", from, sym, owner[sym]
        if (++bad >= 50) break
      }
      if (bad) { print "the libraries break the layering"; exit 1 }
      print "the libraries keep to the layering"
    }' "$allow" - | { command -v c++filt > /dev/null && c++filt || cat; }
  exit "${PIPESTATUS[1]}"
fi

src="$root/src"
[[ -d "$src" ]] || { echo "check_layers: no source folder at $src" >&2; exit 2; }

# One line per include: <file> <line> <quoted|system> <header>
scan() {
  find "$src" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
    xargs -0 awk '
      match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+"/) {
        h = substr($0, RSTART, RLENGTH); sub(/^[^"]*"/, "", h); sub(/"$/, "", h)
        print FILENAME, FNR, "quoted", h
      }
      match($0, /^[ \t]*#[ \t]*include[ \t]*<[^>]+>/) {
        h = substr($0, RSTART, RLENGTH); sub(/^[^<]*</, "", h); sub(/>$/, "", h)
        print FILENAME, FNR, "system", h
      }'
}

scan | awk -v src="$src/" -v graph="$([[ $mode == graph ]] && echo 1 || echo 0)" "$READ_ALLOW"'
  # The layer a path under src/ belongs to: the longest folder the table
  # names ("gfx/gl" before "gfx"); a file at the top is main.
  function layer_of(rel,   n, parts, i, name, best) {
    n = split(rel, parts, "/")
    if (n == 1) return "main"
    best = ""; name = ""
    for (i = 1; i < n; i++) {
      name = (i == 1) ? parts[1] : name "/" parts[i]
      if (name in layer) best = name
    }
    return best == "" ? "?" parts[1] : best
  }
  {
    file = $1; line = $2; kind = $3; header = $4
    rel = substr(file, length(src) + 1); from = layer_of(rel)
    if (substr(from, 1, 1) == "?") {
      if (!(rel in unlisted)) printf "%s: the folder %s is no layer of the table\n", rel, substr(from, 2)
      unlisted[rel] = 1; bad++
      next
    }
    if (kind == "system") {
      for (i = 1; i <= n_outside; i++) {
        if (header !~ pattern[i]) continue
        if (!((from, outside[i]) in lib)) {
          printf "%s:%s: %s includes <%s> of %s, which the table does not give it\n", rel, line, from, header, outside[i]
          bad++
        }
        break
      }
      next
    }
    if (index(header, "/") == 0) next  # beside the file: its own layer
    to = layer_of(header)
    if (substr(to, 1, 1) == "?") next   # not a header of the game (a tool or test header)
    if (from != to) count[from " -> " to]++
    if (!allowed(from, to)) {
      printf "%s:%s: %s includes %s (%s), a layer the table does not let it use\n", rel, line, from, header, to
      against[from " -> " to] = 1
      bad++
    }
  }
  END {
    if (graph) {
      print "includes between layers (* against the table):"
      n = 0; for (k in count) keys[++n] = k
      for (i = 2; i <= n; i++) { v = keys[i]; for (j = i - 1; j >= 1 && keys[j] > v; j--) keys[j + 1] = keys[j]; keys[j + 1] = v }
      for (i = 1; i <= n; i++) printf "  %s %-22s %d\n", (keys[i] in against) ? "*" : " ", keys[i], count[keys[i]]
    }
    if (bad) { printf "%d include(s) break the layering\n", bad; exit 1 }
    print "layering holds"
  }' "$allow" -

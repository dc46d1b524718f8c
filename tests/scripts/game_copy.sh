# Sourced by the scripts that start the real game: a copy of the game ($game)
# and its data ($data) in a scratch folder, so a test may damage them, a
# scratch home, and the headless drivers. Sets scratch and removes it at exit
# (a script that needs more at exit sets its own trap after this).
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/game" "$scratch/home"
cp "$game" "$scratch/game/vellmoor"
cp -r "$data" "$scratch/game/data"
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/share"
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-offscreen}" SDL_AUDIODRIVER=dummy

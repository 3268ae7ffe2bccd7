#!/usr/bin/env bash
# Writes the README's pictures of the demo game with the headless player: the title screen, a
# page of the story and the snowy night. The player plays a copy of the built demo with the
# scripted input docs/screenshots/input.txt and writes each picture after a fixed tick.
#   scripts/make-screenshots.sh [BUILD_DIR]     (default: build/release; built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
if [ ! -x "$BUILD/src/app/veskplay" ] || [ ! -f "$BUILD/demo/vesk.lpb" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESK_TESTS=OFF >/dev/null
    cmake --build "$BUILD" -j2 --target veskplay demo_game
fi
OUT=docs/screenshots
GAME=$(mktemp -d)
trap 'rm -rf "$GAME"' EXIT
cp -r "$BUILD/demo/." "$GAME"
# The input file's "# frames N" and "# shot TICK NAME" lines say how long to play and what to write.
frames=0
shots=()
while read -r hash word a b; do
    [ "$hash" = "#" ] || continue
    case "$word" in
        frames) frames=$a ;;
        shot) shots+=(--screenshot "$a:$OUT/$b") ;;
    esac
done < "$OUT/input.txt"
"$BUILD/src/app/veskplay" "$GAME" --headless --no-logo --frames "$frames" \
    --input "$OUT/input.txt" "${shots[@]}"
echo "wrote $((${#shots[@]} / 2)) pictures of the demo into $OUT"

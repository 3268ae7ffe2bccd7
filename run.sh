#!/usr/bin/env bash
# Installs what is missing, builds the player and runs a game (the demo game when none is given).
#   ./run.sh [GAME_FOLDER] [player options]
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESK_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2
if [ -x "$BUILD/src/app/veskplay" ]; then
  exec "$BUILD/src/app/veskplay" "$@"
fi
# The player has no window yet: show what the engine does with the demo's sources.
exec "$BUILD/tools/vesktool/vesktool" demo demo/startup.expr

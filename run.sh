#!/usr/bin/env bash
# Installs what is missing, builds the player and runs a game (the demo game when none is given).
#   ./run.sh [GAME_FOLDER] [player options]
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESK_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2
# A bare veskplay plays the demo game built into $BUILD/demo; without a display it runs
# without a window and says so.
exec "$BUILD/src/app/veskplay" "$@"

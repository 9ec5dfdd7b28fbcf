#!/usr/bin/env bash
# Builds the player and runs it: on the bundled demo game beside it, or on the game folder given.
# Usage: scripts/play.sh [PLAYER OPTIONS] [GAME_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target velkplayer demo_game
exec build/velkplayer "$@"

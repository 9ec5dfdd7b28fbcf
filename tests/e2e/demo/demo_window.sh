#!/usr/bin/env bash
# usage: demo_window.sh XVFB_RUN VELKPLAYER DEMO_CHECK BACK.png WORK_FOLDER
# Starts the player without arguments, as the README's play command does, in a window on a virtual X display; after
# 120 frames it writes what the window shows.
set -euo pipefail
xvfb=$1 player=$2 check=$3 back=$4 work=$5
rm -rf "$work" && mkdir -p "$work/run"
export XDG_RUNTIME_DIR="$work/run"
"$xvfb" -a -s "-screen 0 800x600x24" "$player" --frames 120 --screenshot "$work/shot.png"
"$check" "$work/shot.png" "$back"
echo "demo window: ok"

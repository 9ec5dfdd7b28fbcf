#!/usr/bin/env bash
# usage: demo_window.sh XVFB_RUN VELKPLAYER DEMO_CHECK ART_FOLDER WORK_FOLDER
# Starts the player without arguments, as the README's play command does, in a window on a virtual X display; after
# 120 frames it writes what the window shows.
set -euo pipefail
xvfb=$1 player=$2 check=$3 art=$4 work=$5
rm -rf "$work" && mkdir -p "$work/run"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
"$xvfb" -a -s "-screen 0 1600x1000x24" "$player" --frames 120 --screenshot "$work/shot.png"
"$check" "$work/shot.png" "5,5=$art/bg_title.png" "640,300!$art/bg_title.png"
echo "demo window: ok"

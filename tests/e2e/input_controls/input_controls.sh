#!/usr/bin/env bash
# usage: input_controls.sh VELK_BUILD VELKPLAYER CHECK GAME_SOURCE_FOLDER INPUT WORK_FOLDER [XVFB_RUN]
# Builds the game, plays it headless with the input script and checks the variables and the screenshot; with
# xvfb-run given, also starts it in a real window on a virtual display and checks what the window shows.
set -euo pipefail
build=$1 player=$2 check=$3 source=$4 input=$5 work=$6 xvfb=${7:-}
rm -rf "$work" && mkdir -p "$work/game"
"$build" "$source/game.vkp" --archive "$work/game/game.dat" >/dev/null

"$player" --headless --clock virtual --frames 120 --input "$input" --dump-vars "$work/vars.tsv" \
  --screenshot "$work/shot.png" "$work/game"
expected=$(printf '%s\n' \
  "closed	int	1" \
  "picked	string	Banana" \
  "pickedindex	int	1" \
  "typed	int	3" \
  "typedtext	string	Hello 日語")
actual=$(grep -E '^(closed|picked|pickedindex|typed|typedtext)	' "$work/vars.tsv")
if [ "$actual" != "$expected" ]; then
  echo "variables differ"; echo "expected:"; echo "$expected"; echo "actual:"; cat "$work/vars.tsv"; exit 1
fi
"$check" "$work/shot.png" played

if [ -n "$xvfb" ]; then
  mkdir -p "$work/run"
  export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
  "$xvfb" -a -s "-screen 0 800x600x24" "$player" --frames 60 --screenshot "$work/window.png" "$work/game"
  "$check" "$work/window.png" idle
fi
echo "input controls: ok"

#!/usr/bin/env bash
# usage: demo_headless.sh VELKPLAYER DEMO_CHECK BACK.png WORK_FOLDER
# Plays the demo beside the player for 4 s of virtual time with two clicks on the ball and one beside it.
set -euo pipefail
player=$1 check=$2 back=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
printf '%s\n' "60 click left 320 252" "120 click left 330 260" "150 click left 10 10" > "$work/input.txt"
"$player" --headless --clock virtual --frames 260 --input "$work/input.txt" --screenshot "$work/shot.png" \
  --dump-vars "$work/vars.tsv" "$(dirname "$player")"
grep -q "^clicks	int	2$" "$work/vars.tsv" || { echo "the ball did not count two clicks:"; cat "$work/vars.tsv"; exit 1; }
"$check" "$work/shot.png" "$back"
echo "demo headless: ok"

#!/usr/bin/env bash
# usage: headless_game.sh VELK_BUILD VELKPLAYER GAME_SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
build=$1 player=$2 source=$3 work=$4
rm -rf "$work" && mkdir -p "$work/game"
"$build" "$source/game.vkp" --archive "$work/game/game.dat" >/dev/null

# 100 frames of 15 ms: 1.5 s of game time, enough for the half-second wait.
"$player" --headless --clock virtual --frames 100 --dump-vars "$work/vars.tsv" --screenshot "$work/shot.png" \
  "$work/game"
expected=$(printf '%s\n' \
  "doubled	string	20" \
  "frames	int	1" \
  "half	float	2.5" \
  "i	int	4" \
  "state	string	summed and waited" \
  "total	int	10")
actual=$(grep -E '^(doubled|frames|half|i|state|total)	' "$work/vars.tsv")
if [ "$actual" != "$expected" ]; then
  echo "variables differ"; echo "expected:"; echo "$expected"; echo "actual:"; cat "$work/vars.tsv"; exit 1
fi
# The screenshot is a PNG of the project's screen size.
head -c 24 "$work/shot.png" | od -An -tx1 | tr -d ' \n' | grep -q '^89504e470d0a1a0a0000000d49484452000001400000' \
  || { echo "screenshot is not a 320-wide PNG"; exit 1; }

# Twice the same run gives the same variables and the same picture. The first run kept its status data (the
# project's variables) in save.dat, which the next run would start from: it goes first.
rm -f "$work/game/save.dat"
"$player" --headless --clock virtual --frames 100 --dump-vars "$work/vars2.tsv" --screenshot "$work/shot2.png" \
  "$work/game"
cmp -s "$work/vars.tsv" "$work/vars2.tsv" || { echo "variable dumps differ between runs"; exit 1; }
cmp -s "$work/shot.png" "$work/shot2.png" || { echo "screenshots differ between runs"; exit 1; }
# The status data comes back in the next run: the project's variables go on from the values the run left.
"$player" --headless --clock virtual --frames 100 --dump-vars "$work/vars3.tsv" "$work/game"
grep -q '^total	int	20$' "$work/vars3.tsv" || { echo "status data not restored:"; cat "$work/vars3.tsv"; exit 1; }

# Stopped before the wait is over, the script has not reached its end.
rm -f "$work/game/save.dat"
"$player" --headless --clock virtual --frames 10 --dump-vars "$work/early.tsv" "$work/game"
grep -q '^state	string	summed$' "$work/early.tsv" || { echo "early stop:"; cat "$work/early.tsv"; exit 1; }
echo "headless game: ok"

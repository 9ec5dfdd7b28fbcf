#!/usr/bin/env bash
# usage: functions_game.sh VELK_BUILD VELKPLAYER GAME_SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
build=$1 player=$2 source=$3 work=$4
rm -rf "$work" && mkdir -p "$work/game"
"$build" "$source/game.vkp" --archive "$work/game/game.dat" >/dev/null
"$player" --headless --clock virtual --frames 10 --dump-vars "$work/vars.tsv" "$work/game"
expected=$(printf '%s\n' \
  "chars	int	64" \
  "cheapest	string	shield" \
  "joined	string	a+b+c3" \
  "kana	string	ｶﾞﾊﾟＡ１" \
  "price	int	4" \
  "upper	string	ABC007" \
  "week	string	Sunday")
actual=$(grep -E '^(cheapest|chars|joined|kana|price|upper|week)	' "$work/vars.tsv")
if [ "$actual" != "$expected" ]; then
  echo "variables differ"; echo "expected:"; echo "$expected"; echo "actual:"; cat "$work/vars.tsv"; exit 1
fi
echo "functions game: ok"

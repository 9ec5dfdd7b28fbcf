#!/bin/bash
# usage: player_startup.sh VELK_BUILD VELKPLAYER EXAMPLE_FOLDER WORK_FOLDER
set -u
build=$1 player=$2 example=$3 work=$4
rm -rf "$work" && mkdir -p "$work/run" "$work/beside" "$work/caps" "$work/noinstall"
export XDG_RUNTIME_DIR="$work/run"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run_flags=(--headless --clock virtual --frames 60)

# The example's script counts to 3 and ends with its player name "bye".
played() { grep -q '^counter	int	3$' "$1" && grep -q '^player	string	bye$' "$1"; }

# velk-build --archive, then the player beside it, started without arguments.
"$build" "$example/game.vkp" --archive "$work/beside/game.dat" >/dev/null || fail "build --archive"
cp "$player" "$work/beside/velkplayer"
out=$("$work/beside/velkplayer" "${run_flags[@]}" --dump-vars "$work/beside.tsv" 2>&1) || fail "beside: $out"
played "$work/beside.tsv" || fail "beside: the game did not run: $out"

# Games copied from a disc spell their files in capitals.
cp "$work/beside/game.dat" "$work/caps/GAME.DAT"
cp "$work/beside/install.dat" "$work/caps/INSTALL.DAT"
cp "$player" "$work/caps/velkplayer"
out=$("$work/caps/velkplayer" "${run_flags[@]}" --dump-vars "$work/caps.tsv" 2>&1) || fail "capitals: $out"
played "$work/caps.tsv" || fail "capitals: the game did not run: $out"
mkdir -p "$work/capsarg" && cp "$work/beside/game.dat" "$work/capsarg/Game.Dat"
out=$("$player" "${run_flags[@]}" --dump-vars "$work/capsarg.tsv" "$work/capsarg" 2>&1) || fail "folder: $out"
played "$work/capsarg.tsv" || fail "folder with Game.Dat: the game did not run: $out"

# velk-build --exe: the player with the game appended runs alone.
"$build" "$example/game.vkp" --exe "$player" "$work/mygame" >/dev/null || fail "build --exe"
out=$("$work/mygame" "${run_flags[@]}" --dump-vars "$work/exe.tsv" 2>&1) || fail "exe: $out"
played "$work/exe.tsv" || fail "exe: the game did not run: $out"

# game.dat without install.dat: the installation is incomplete, and the player says so in its own words.
cp "$work/beside/game.dat" "$work/noinstall/game.dat"
cp "$player" "$work/noinstall/velkplayer"
out=$("$work/noinstall/velkplayer" "${run_flags[@]}" 2>&1)
status=$?
[[ $status -eq 1 ]] || fail "no install.dat: exit $status"
[[ "$out" == *"[情報] インストールし直してください"* ]] || fail "no install.dat: $out"

if [[ $failures -ne 0 ]]; then exit 1; fi
echo "player_startup: all checks passed"

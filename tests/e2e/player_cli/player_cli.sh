#!/bin/bash
# usage: player_cli.sh VELKPLAYER WORK_FOLDER
set -u
player=$1
work=$2
rm -rf "$work" && mkdir -p "$work/empty" "$work/run"
export XDG_RUNTIME_DIR="$work/run"
failures=0

# expect STATUS TEXT-IN-OUTPUT ARGS...: runs the player and checks its exit status and output.
expect() {
  local status=$1 text=$2
  shift 2
  local out
  out=$("$player" "$@" 2>&1)
  local got=$?
  if [[ $got -ne $status ]]; then
    echo "FAIL: velkplayer $*: exit $got, expected $status"; echo "$out"; failures=$((failures + 1)); return
  fi
  if [[ "$out" != *"$text"* ]]; then
    echo "FAIL: velkplayer $*: output lacks \"$text\""; echo "$out"; failures=$((failures + 1))
  fi
}

expect 0 "--screenshot FILE" --help
expect 0 "velkplayer 0.1.0" --version
expect 2 "unknown option --bogus" --bogus
# A bad command line is one line naming the option, not the whole usage.
lines=$("$player" --bogus 2>&1 | wc -l)
if [[ $lines -ne 1 ]]; then echo "FAIL: velkplayer --bogus printed $lines lines"; failures=$((failures + 1)); fi
expect 0 "--speed N" --help
expect 2 "--speed: bad value \"17\"" --speed 17
expect 2 "--filter: bad value \"blur\"" --filter blur
expect 1 "$work/missing: not found" --headless "$work/missing"
expect 2 "--input needs --headless" --input "$work/ok.txt" "$work/empty"
expect 2 "--scale: bad value \"0\"" --scale 0
printf '0 move 1 2\n1 jump\n' > "$work/bad.txt"
expect 2 "bad.txt:2: unknown event \"jump\"" --headless --input "$work/bad.txt" "$work/empty"
expect 2 "cannot read the input script" --headless --input "$work/missing.txt" "$work/empty"
printf '# nothing\n0 answer 1\n' > "$work/ok.txt"
expect 1 "$work/empty/: no game here" --headless --frames 5 --clock virtual --input "$work/ok.txt" \
  --dump-vars "$work/vars.tsv" "$work/empty"
# A damaged project file: the warning names the file.
mkdir -p "$work/damaged" && printf '\xe7\x03\x00\x00' > "$work/damaged/velk.kpb"
expect 1 "[警告] velk.kpb" --headless --clock virtual "$work/damaged"
expect 1 "このバージョンには対応していません" --headless --clock virtual "$work/damaged"
# Nothing is written when the game never started.
if [[ -e "$work/vars.tsv" ]]; then echo "FAIL: a variable dump was written without a game"; failures=$((failures + 1)); fi

if [[ $failures -ne 0 ]]; then exit 1; fi
echo "player_cli: all checks passed"

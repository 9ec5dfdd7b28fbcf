#!/usr/bin/env bash
# usage: demo_headless.sh VELKPLAYER DEMO_CHECK ART_FOLDER WORK_FOLDER
# Plays the demo beside the player headless on the virtual clock from the title to each ending through input
# scripts, then saves in the middle of the first scene and, in a later run, loads that save from the title and
# plays on to the end. Variables and screenshots at key points are checked.
set -euo pipefail
player=$1 check=$2 art=$3 work=$4
rm -rf "$work" && mkdir -p "$work/run"
export XDG_RUNTIME_DIR="$work/run"
game=$(dirname "$player")

# A click on the start button, clicks on the story screen (left of the characters) up to the choice, the answer
# at ANSWER_Y, and clicks on to the end.
story() {
  echo "30 click left 640 318"
  for f in $(seq 60 20 240); do echo "$f click left 100 400"; done
  echo "310 click left 640 $1"
  for f in $(seq 330 20 600); do echo "$f click left 100 400"; done
}
play() {  # NAME INPUT FRAMES [player options]
  local name=$1 input=$2 frames=$3
  shift 3
  "$player" --headless --clock virtual --frames "$frames" --save-dir "$work/saves" --input "$work/$input.txt" \
    --dump-vars "$work/$name.tsv" "$@" "$game" >"$work/$name.log" 2>&1 || { cat "$work/$name.log"; exit 1; }
}
want() {  # NAME VARIABLE TYPE VALUE
  grep -q "^$2	$3	$4$" "$work/$1.tsv" || { echo "$1: $2 is not $4:"; cat "$work/$1.tsv"; exit 1; }
}

# The title: its picture in the corners, the buttons drawn over it.
story 228 >"$work/first.txt"
play title first 20 --screenshot "$work/title.png"
"$check" "$work/title.png" "5,5=$art/bg_title.png" "1270,710=$art/bg_title.png" "640,300!$art/bg_title.png"
# Half-way through the fade into the room, a point shows neither picture.
play fade first 57 --screenshot "$work/fade.png"
"$check" "$work/fade.png" "20,20!$art/bg_title.png" "20,20!$art/bg_room.png"
# The choice: both answers over the room, the message window below.
play choice first 300 --screenshot "$work/choice.png"
"$check" "$work/choice.png" "20,20=$art/bg_room.png" "520,228!$art/bg_room.png" "520,318!$art/bg_room.png" \
  "60,600!$art/bg_room.png"
# Walking with Aki leads to the first ending, and the game is back at its title.
play first first 700 --screenshot "$work/end1.png"
want first ending int 1 && want first route int 1 && want first kindness int 1
"$check" "$work/end1.png" "5,5=$art/bg_title.png"
# Staying at home leads to the second.
story 318 >"$work/second.txt"
play second second 700
want second ending int 2 && want second route int 2 && want second kindness int 0

# Saving in the first scene: the save button, then the first slot.
{ echo "30 click left 640 318"; echo "100 click left 100 400"; echo "150 click left 1100 447"
  echo "170 click left 640 248"; } >"$work/save.txt"
play save save 200
# A later run loads it from the title (the load button, the first slot), opens the save screen again, closes it
# and plays on to the end by the first answer.
{ echo "30 click left 640 458"; echo "50 click left 640 248"; echo "80 click left 1100 447"
  echo "110 click left 640 548"
  for f in $(seq 130 20 250); do echo "$f click left 100 400"; done
  echo "300 click left 640 228"
  for f in $(seq 330 20 600); do echo "$f click left 100 400"; done; } >"$work/load.txt"
cp "$work/load.txt" "$work/slots.txt"
play slots load 100 --screenshot "$work/slots.png"
want slots place string "ハルの部屋"
# The save screen after loading: the shade over the room, the slot buttons over the shade.
"$check" "$work/slots.png" "20,20!$art/bg_room.png" "520,248!$art/bg_room.png"
play load load 700
want load ending int 1 && want load route int 1
echo "demo headless: ok"

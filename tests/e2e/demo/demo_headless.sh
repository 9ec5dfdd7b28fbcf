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
  for f in $(seq 330 20 780); do echo "$f click left 100 400"; done
}
play() {  # NAME INPUT FRAMES [player options]
  local name=$1 input=$2 frames=$3
  shift 3
  "$player" --headless --clock virtual --frames "$frames" --save-dir "$work/saves" --input "$work/$input.txt" \
    --dump-vars "$work/$name.tsv" "$@" "$game" >"$work/$name.log" 2>"$work/$name.err" ||
    { cat "$work/$name.log" "$work/$name.err"; exit 1; }
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
# Walking with Aki leads to the first ending, and the game is back at its title. The transcript holds every page
# in the order of the story, ruby and tags left out.
play first first 900 --screenshot "$work/end1.png" --print-text
want first ending int 1 && want first route int 1 && want first kindness int 1
"$check" "$work/end1.png" "5,5=$art/bg_title.png"
pages() { grep -v '^$' "$work/$1.log" | tr '\n' '|'; }
common="おはよう。今日は夕凪の日なんだって。|海の風と陸の風が入れかわる……ほんの少しだけ、風が止まる時間。|\
窓の外で、空がゆっくりと色を変えていく。|ねえ、夕方になったら一緒に見に行かない？|"
[ "$(pages first)" = "${common}あら、ハル。二人で夕凪を見に行くの？|うん。アキも一緒に行こうよ。|ふふ、じゃあ少しだけ。|\
三人で見る星も、悪くないね。|また来年も、ここで。|夕凪の約束は、三人の約束になった。|― エンディング1「三つの星」 ―|" ] ||
  { echo "first: the transcript differs:"; cat "$work/first.log"; exit 1; }
# Headless, the whole route loads neither the media decoder's libraries, the synthesiser nor SDL: the waves are read
# and converted natively, the songs go to a silent port, and no window opens.
LD_DEBUG=files play libs first 900
! grep -E 'file=lib(av[a-z]*|sw[a-z]*|fluidsynth|SDL2)' "$work/libs.err" || { echo "libs: loaded headless"; exit 1; }
# Staying at home leads to the second.
story 318 >"$work/second.txt"
play second second 900 --print-text
want second ending int 2 && want second route int 2 && want second kindness int 0
[ "$(pages second)" = "${common}そっか……じゃあ、お茶をいれて待ってるね。|\
湯気の向こうで、ハルは少しだけさびしそうに笑った。|……来年は、一緒に見ようね。|\
夜空の下、小さな約束がひとつ生まれた。|― エンディング2「ひとつの約束」 ―|" ] ||
  { echo "second: the transcript differs:"; cat "$work/second.log"; exit 1; }
# A new run with the same save folder: the read marks of the runs before came back with it, so skip mode, switched
# on at the first page, passes every page up to the choice without a click (and is switched off again there, as the
# flag outlasts the run).
{ echo "30 click left 640 318"; echo "120 click left 800 447"; echo "380 click left 800 447"; } >"$work/reread.txt"
play reread reread 400 --print-text
want reread skipping flag 0
[ "$(pages reread)" = "$common" ] || { echo "reread: the transcript differs:"; cat "$work/reread.log"; exit 1; }
# Played again in the same run with skip mode on (its button clicked once the window shows), the pages read the
# first time go by without a click up to the choice.
{ cat "$work/first.txt"; echo "830 click left 640 318"; echo "900 click left 800 447"; } >"$work/again.txt"
play again again 1000 --screenshot "$work/again.png" --print-text
want again skipping flag 1 && want again pageread flag 1
[ "$(pages again)" = "$(pages first)${common}" ] || { echo "again: the transcript differs:"; cat "$work/again.log"; exit 1; }
"$check" "$work/again.png" "520,228!$art/bg_room.png" "520,318!$art/bg_room.png"
# The wheel on the second page opens the backlog: a window that shows the first page again. The read marks of the
# runs before live in the save file, so this run starts from a fresh one where no page is read yet.
rm -rf "$work/saves"
{ grep -E '^(30|60|80|100|120|140) ' "$work/first.txt"; echo "190 move 100 400"; echo "192 wheel up"; } >"$work/backlog.txt"
play backlog backlog 220 --print-text
[ "$(pages backlog)" = "おはよう。今日は夕凪の日なんだって。|海の風と陸の風が入れかわる……ほんの少しだけ、風が止まる時間。|\
おはよう。今日は夕凪の日なんだって。|" ] || { echo "backlog: the transcript differs:"; cat "$work/backlog.log"; exit 1; }

# The settings from the title: the volume slider's knob dragged to the left, the typing speed's bar clicked.
{ echo "30 click left 640 528"; echo "60 move 853 316"; echo "62 down left"; echo "64 move 600 316"
  echo "68 up left"; echo "70 click left 913 250"; } >"$work/settings.txt"
play settings settings 80
want settings volume int 17 && want settings textspeed int 95

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
  for f in $(seq 330 20 780); do echo "$f click left 100 400"; done; } >"$work/load.txt"
cp "$work/load.txt" "$work/slots.txt"
play slots load 100 --screenshot "$work/slots.png"
want slots place string "ハルの部屋"
# The save screen after loading: the shade over the room, the slot buttons over the shade.
"$check" "$work/slots.png" "20,20!$art/bg_room.png" "520,248!$art/bg_room.png"
play load load 900
want load ending int 1 && want load route int 1
echo "demo headless: ok"

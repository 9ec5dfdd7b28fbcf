// A full scene saved in the middle of everything it does and loaded by a later run: an object of every class the
// scripts can make (pictures, an animation, tiles, a map image, a wave, labels, paused particles and fire, a message
// window typing, a button, a slider, a scroll bar, a gauge, a menu opening, a preview menu, edit boxes with the
// focus, a timer, a sound and a video playing, two cinemas running, one film in a scene of its own and one in the
// main scene, a property motion, a cabinet), a data table, the message history and the interpreter waiting inside
// a called page. The run that loads ends with the same screen
// and the same variables as the run that saved and went on.
// Sound, video and cinema do not rewind on load here. What no save record holds is left at rest when the game
// saves: a gauge's trailing bar, the caret of an edit box (a loaded box has it at the end of its text) and the
// animation of a preview menu's pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/png_writer.h"
#include "gfx/png_image.h"
#include "support/temp_dir.h"
#include "support/test_media.h"
#include "support/tools.h"

namespace velk {
namespace {

// The first run builds the scene, passes two pages to the history and calls the page that saves while it waits;
// the save's game clock goes to a status variable. A later run finds the save, builds another scene, waits for
// that same clock and loads. Both runs then read the state of every object into variables.
const char kMain[] =
    "@version 115\n"
    "calc caption = GetSaveCaption(1)\n"
    "if caption <> \"\"\n"
    "  boxnew name: \"back\"; left: 0; top: 0; width: 240; height: 180; color: 0x0000FF\n"
    "  boxnew name: \"stray\"; left: 5; top: 5; width: 20; height: 20; color: 0x00FF00; priority: 9\n"
    "  varnew name: x; type: int; value: 999\n"
    "  label hold\n"
    "  wait time: 1\n"
    "  if @TickCount < savetick\n"
    "    jump page: main.ksb; target: @hold\n"
    "  gameload slot: 1\n"
    "  wait time: 100000\n"
    "else\n"
    "  boxnew name: \"back\"; left: 0; top: 0; width: 240; height: 180; color: 0x404040\n"
    "  boxnew name: \"framed\"; left: 2; top: 2; width: 30; height: 20; color: 0x102030; borderwidth: 2; "
    "bordercolor: 0xE0E0E0; priority: 1\n"
    "  imgnew name: \"pic\"; source: \"pic.brx\"; left: 36; top: 2; alpha: 160; priority: 1\n"
    "  imgnew name: \"anim\"; source: \"anim.brx\"; left: 48; top: 2; priority: 1\n"
    "  tilenew name: \"tile\"; source: \"pic.brx\"; left: 60; top: 2; width: 30; height: 20; distancex: 2; "
    "scrollx: 3; priority: 1\n"
    "  mapimgnew name: \"map\"; source: \"pic.brx\"; left: 94; top: 2; priority: 1\n"
    "  wavenew name: \"wave\"; left: 104; top: 2; width: 40; height: 24; amp: 3; wavelen: 20; delay: 100; "
    "priority: 1\n"
    "  caption name: \"hint\"; text: \"save\"; left: 150; top: 2; fontheight: 12; fontcolor: 0xF0E0C0; priority: 5\n"
    "  cgcaption name: \"digits\"; source: \"pic.brx\"; maptext: \"ab\"; glyphwidth: 4; glyphheight: 6; "
    "text: \"abba\"; left: 190; top: 2; priority: 5\n"
    "  particlenew name: \"snow\"; source: \"pic.brx\"; left: 200; top: 10; width: 40; height: 20; appearx: 20; "
    "appeary: 10; delay: 80; partmotion: 4; param1: 2; param2: 60; param3: 0.1; paused: 1; priority: 4\n"
    "  firenew name: \"fire\"; left: 200; top: 30; width: 40; height: 10; origwidth: 20; origheight: 5; "
    "power: 100; paused: 1; priority: 3\n"
    "  btnnew name: \"ok\"; source: \"n.brx\"; hoversource: \"h.brx\"; left: 2; top: 30; priority: 1\n"
    "  slidernew name: \"vol\"; source: \"bar.brx\"; thumbsource: \"thumb.brx\"; buttonsource: \"arrows.brx\"; "
    "left: 30; top: 30; min: 0; max: 10; value: 3; priority: 1\n"
    "  scrollbarnew name: \"sb\"; source: \"bar.brx\"; thumbsource: \"thumb.brx\"; buttonsource: \"arrows.brx\"; "
    "left: 30; top: 42; min: 0; max: 10; value: 7; priority: 1\n"
    "  gaugenew name: \"hp\"; source: \"gauge.brx\"; left: 100; top: 30; min: 0; max: 20; value: 20; delay: 100; "
    "duration: 50; priority: 1\n"
    "  menu name: \"fruit\"; left: 140; top: 30; text: \"Apple\\nBanana\"; rowcount: 2; fontheight: 12; "
    "fontcolor: 0xFFFFFF; color: 0x804000; marginx: 2; marginy: 2; delay: 1500; priority: 2\n"
    "  prevmenunew name: \"pm\"; source: \"pic.brx\\npic.brx\"; left: 200; top: 44; priority: 2\n"
    "  editnew name: \"name\"; left: 2; top: 56; width: 60; height: 16; fontheight: 12; color: 0xFFFFFF; "
    "fontcolor: 0; text: \"ab\"; priority: 2\n"
    "  memonew name: \"memo\"; left: 66; top: 56; width: 60; height: 30; fontheight: 12; color: 0xC0FFC0; "
    "fontcolor: 0; text: \"one\\ntwo\"; priority: 2\n"
    "  movie name: \"mv\"; source: \"clip.avi\"; left: 130; top: 56; repeat: 1; rewindonload: 0; priority: 1\n"
    "  cinema name: \"cin\"; source: \"film.kmt\"; left: 180; top: 60; width: 60; height: 40; rewindonload: 0; "
    "priority: 1\n"
    "  cinema name: \"walk\"; source: \"walk.kmt\"; left: 150; top: 100; width: 30; height: 16; rewindonload: 0; "
    "priority: 1\n"
    "  boxnew name: \"mover\"; left: 0; top: 90; width: 10; height: 8; color: 0x00C0C0; priority: 1\n"
    "  propmotion name: \"slide\"; object: \"mover\"; property: 3; value: 200; duration: 2000\n"
    "  boxnew name: \"kept\"; parent: Chr(1); left: 0; top: 0; width: 8; height: 8; color: 0xFFFFFF\n"
    "  cabinetsave name: \"cab\"; mode: 1; names: \"kept\"\n"
    "  timer name: \"t\"; delay: 100; onnotify: \"events.ksb:tick\"\n"
    "  sound name: \"se\"; source: \"beep.ogg\"; rewindonload: 0; onplayend: \"events.ksb:ended\"\n"
    "  mesnew name: \"mes\"; left: 0; top: 120; width: 240; height: 60; fontheight: 16; fontcolor: 0xFFFFFF; "
    "priority: 6\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"いち\"\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"に\"\n"
    "  textins window: \"mes\"; read: TRUE; text: \"<WAIT VALUE=250>ゆっくりとまってね</WAIT>\"\n"
    "  varnew name: words; type: string; value: \"saved\"\n"
    "  varnew name: depth; type: int; value: 0\n"
    "  varnew name: ticks; type: int; value: 0\n"
    "  varnew name: endtick; type: int; value: 0\n"
    "  varnew name: table; type: int; value: 0\n"
    "  varnew name: typing; type: int; value: 0\n"
    "  varnew name: shown; type: string; value: \"\"\n"
    "  varnew name: hist; type: int; value: 0\n"
    "  varnew name: gauge; type: int; value: 0\n"
    "  varnew name: slider; type: int; value: 0\n"
    "  varnew name: bar; type: int; value: 0\n"
    "  varnew name: menuheight; type: int; value: 0\n"
    "  varnew name: moved; type: int; value: 0\n"
    "  varnew name: filmtick; type: int; value: 0\n"
    "  varnew name: walked; type: int; value: 0\n"
    "  varnew name: kept; type: string; value: \"\"\n"
    "  varnew name: edited; type: string; value: \"\"\n"
    "  varnew name: sounding; type: int; value: 0\n"
    "  varnew name: video; type: int; value: 0\n"
    "  varnew name: ratio; type: float; value: 0.25\n"
    "  varnew name: yes; type: flag; value: TRUE\n"
    "  varnew name: n; type: int; value: 0\n"
    "  calc n = DBCreateTable(\"t\", FALSE)\n"
    "  calc n = DBAddField(\"v\", 1)\n"
    "  calc n = DBInsert()\n"
    "  calc n = DBSetInt(\"v\", 7)\n"
    "  calc n = DBInsert()\n"
    "  calc n = DBSetInt(\"v\", 8)\n"
    "  setprop object: \"hp\"; property: 125; value: 5\n"
    "  call page: sub.ksb; target: 0; result: depth; args: 41\n"
    "  calc table = DBGetInt(\"v\")\n"
    "  calc typing = GetProp(\"mes\", 138)\n"
    "  calc shown = GetProp(\"mes\", 50)\n"
    "  calc hist = @HistoryCount\n"
    "  calc gauge = GetProp(\"hp\", 125)\n"
    "  calc slider = GetProp(\"vol\", 125)\n"
    "  calc bar = GetProp(\"sb\", 125)\n"
    "  calc menuheight = GetProp(\"fruit\", 6)\n"
    "  calc moved = GetProp(\"mover\", 3)\n"
    "  calc filmtick = GetProp(\"cin\", 44)\n"
    "  calc walked = GetProp(\"walk\", 44)\n"
    "  calc kept = GetProp(\"kept\", 1)\n"
    "  calc edited = GetProp(\"name\", 50)\n"
    "  calc sounding = GetProp(\"se\", 138)\n"
    "  calc video = GetProp(\"mv\", 138)\n"
    "  label idle\n"
    "  wait time: 1000\n"
    "  jump page: main.ksb; target: @idle\n";

const char kSub[] = "@version 115\n"
                    "@result int\n"
                    "varnew name: arg; type: int; value: @ParamStr[0]; scope: local\n"
                    "wait time: 150\n"
                    "calc savetick = @TickCount\n"
                    "gamesave slot: 1; title: \"full\"\n"
                    "wait time: 300\n"
                    "calc @Result = arg + 1\n";

const char kEvents[] = "@version 115\n"
                       "label tick\n"
                       "calc ticks = ticks + 1\n"
                       "exit\n"
                       "label ended\n"
                       "calc endtick = @TickCount\n"
                       "exit\n";

// A box crossing the cinema's screen over two seconds.
const char kFilm[] = "cinema\n"
                     "screen 60 40\n"
                     "background 0x203040\n"
                     "track box\n"
                     "  duration 121\n"
                     "  x 0 50\n"
                     "  y 5 30\n"
                     "  width 10 10\n"
                     "  height 6 6\n"
                     "  color 0x0000FF 0x00FF00\n";

// A box walking in the scene itself: the film has no screen of its own. The cinema that plays it is narrower than
// the film, and the box leaves it by the end.
const char kWalk[] = "cinema\n"
                     "screen 60 16\n"
                     "track box\n"
                     "  duration 121\n"
                     "  x 0 50\n"
                     "  y 2 8\n"
                     "  width 8 8\n"
                     "  height 6 6\n"
                     "  color 0xFF00FF 0xFF00FF\n"
                     "  priority 2\n";

// A strip of cells of w x h, each of one colour.
void write_strip(const std::string& path, int32_t w, int32_t h, const std::vector<uint32_t>& colours) {
  const int32_t width = w * static_cast<int32_t>(colours.size());
  std::vector<uint32_t> pixels;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < width; ++x) pixels.push_back(colours[size_t(x / w)] + uint32_t(3 * x + 5 * y));
  }
  WritePngFile(path, TFrameView{pixels.data(), width, h, width});
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

class SavedScene : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    write_strip(dir / "pic.png", 8, 6, {0x3060C8});
    write_strip(dir / "a1.png", 8, 6, {0xC03030});
    write_strip(dir / "a2.png", 8, 6, {0x30C030});
    write_strip(dir / "n.png", 20, 10, {0x2040A0});
    write_strip(dir / "h.png", 20, 10, {0xA02040});
    write_strip(dir / "bar.png", 50, 4, {0x101010, 0xF0F0F0});
    write_strip(dir / "thumb.png", 4, 8, {0x00FFFF, 0xFF00FF, 0xFFFF00});
    write_strip(dir / "arrows.png", 6, 8, {0x200000, 0x400000, 0x600000, 0x002000, 0x004000, 0x006000});
    write_strip(dir / "gauge.png", 30, 6, {0x30C0C0, 0xC03030});
    write_bytes(dir / "beep.ogg", test::MakeOgg(900));
    write_bytes(dir / "clip.avi", test::MakeAvMedia(test::TAvKind::Avi, 1800, 48, 32));
    test::WriteFile(dir / "film.vkf", kFilm);
    test::WriteFile(dir / "walk.vkf", kWalk);
    test::WriteFile(dir / "game.vkp",
                    "version 115\nscreen 240 180\nstart main.ksb\n"
                    "var string caption \"\"\nvar int savetick 0\n"
                    "page main.vks\npage sub.vks\npage events.vks\n"
                    "image pic.png\nimage n.png\nimage h.png\nimage bar.png\nimage thumb.png\nimage arrows.png\n"
                    "image gauge.png\nanimation anim.brx 100 a1.png a2.png\nasset beep.ogg\nasset clip.avi\n"
                    "film film.kmt film.vkf\nfilm walk.kmt walk.vkf\n");
    test::WriteFile(dir / "main.vks", kMain);
    test::WriteFile(dir / "sub.vks", kSub);
    test::WriteFile(dir / "events.vks", kEvents);
    // The first run clicks into the edit box, types and leaves the mouse where no control is.
    test::WriteFile(dir / "input.txt", "3 click left 55 60\n5 text c\n7 move 239 110\n");
  }

  // Plays the game for the frames; the screenshot's bytes and the variables' dump.
  std::pair<std::string, std::string> Play(int frames, const std::string& name, const std::string& more = {}) {
    const std::string shot = dir / (name + ".png"), vars = dir / (name + ".tsv");
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --screenshot '" + shot +
                                        "' --dump-vars '" + vars + "' " + more);
    return {test::ReadFile(shot), "\n" + test::ReadFile(vars)};
  }

  test::TempDir dir;
};

TEST_F(SavedScene, EveryClassTheInterpreterTablesAndHistoryComeBackFromALoad) {
  const auto [first_shot, first_vars] = Play(70, "first", "--input '" + (dir / "input.txt") + "'");
  ASSERT_TRUE(std::filesystem::exists(dir / "game/save.dat"));
  // The first run saved while everything was still moving, and went on.
  for (const char* line : {"\ndepth\tint\t42\n", "\ntable\tint\t8\n", "\ntyping\tint\t1\n", "\nhist\tint\t2\n",
                           "\nslider\tint\t3\n", "\nbar\tint\t7\n", "\nkept\tstring\tcab\n", "\nedited\tstring\tabc\n",
                           "\nsounding\tint\t1\n", "\nvideo\tint\t1\n"}) {
    EXPECT_NE(first_vars.find(line), std::string::npos) << line << first_vars;
  }

  const auto [second_shot, second_vars] = Play(70, "second");
  EXPECT_NE(second_vars.find("\ncaption\tstring\tfull\n"), std::string::npos) << second_vars;
  EXPECT_EQ(test::DumpWithout(second_vars, {"caption"}), test::DumpWithout(first_vars, {"caption"}));
  if (second_shot != first_shot) {
    const TDecodedImage a =
        DecodePng(reinterpret_cast<const uint8_t*>(first_shot.data()), first_shot.size(), "first.png");
    const TDecodedImage b =
        DecodePng(reinterpret_cast<const uint8_t*>(second_shot.data()), second_shot.size(), "second.png");
    ASSERT_EQ(a.Width, b.Width);
    ASSERT_EQ(a.Height, b.Height);
    // The rectangle that holds every difference.
    int32_t left = a.Width, top = a.Height, right = -1, bottom = -1;
    for (int32_t y = 0; y < a.Height; ++y) {
      for (int32_t x = 0; x < a.Width; ++x) {
        const size_t at = size_t(y) * size_t(a.Width) + size_t(x);
        if (a.Colors[at] == b.Colors[at]) continue;
        left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
      }
    }
    ADD_FAILURE() << "the screens differ in (" << left << ", " << top << ") - (" << right << ", " << bottom << ")";
  }
}

}  // namespace
}  // namespace velk

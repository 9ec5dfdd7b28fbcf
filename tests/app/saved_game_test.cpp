// Games that save and load, played by the headless player: a run that saves, and a later run that builds a
// different scene and loads the save, end with the same screen and the same variables.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/png_writer.h"
#include "support/temp_dir.h"
#include "support/tools.h"

namespace velk {
namespace {

// Fire and particles draw from the scene's random numbers, which no save holds: they are paused so that the screens
// compare exactly. The first run builds the scene, fills variables and a table and saves in the middle of a wait, with a resume
// page. A later run finds the save's caption, builds another scene and loads it.
const char kMain[] =
    "@version 115\n"
    "calc caption = GetSaveCaption(1)\n"
    "calc saved = ListSaveCaption()\n"
    "calc found = FileExists(\"save:note.ksb\")\n"
    "if caption <> \"\"\n"
    "  boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x0000FF\n"
    "  boxnew name: \"other\"; left: 5; top: 5; width: 20; height: 20; color: 0x00FF00; priority: 3\n"
    "  varnew name: x; type: int; value: 999\n"
    "  gameload slot: 1\n"
    "  wait time: 100000\n"
    "else\n"
    "  boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x808080\n"
    "  imgnew name: \"pic\"; source: \"pic.brx\"; left: 20; top: 20; priority: 1\n"
    "  imgnew name: \"half\"; source: \"pic.brx\"; left: 100; top: 50; alpha: 128; priority: 1\n"
    "  tilenew name: \"tile\"; source: \"pic.brx\"; left: 40; top: 60; width: 30; height: 20; distancex: 2; "
    "priority: 2\n"
    "  mapimgnew name: \"map\"; source: \"pic.brx\"; left: 120; top: 10; priority: 2\n"
    "  wavenew name: \"wave\"; left: 90; top: 0; width: 60; height: 40; amp: 3; wavelen: 20; delay: 100; "
    "priority: 1\n"
    "  caption name: \"hint\"; text: \"save\"; left: 10; top: 40; fontheight: 12; fontcolor: 0xF0E0C0; "
    "priority: 5\n"
    "  cgcaption name: \"digits\"; source: \"pic.brx\"; maptext: \"ab\"; glyphwidth: 4; glyphheight: 6; "
    "text: \"abba\"; left: 10; top: 80; priority: 5\n"
    "  particlenew name: \"snow\"; source: \"pic.brx\"; left: 0; top: 0; width: 160; height: 120; appearx: 80; "
    "appeary: 60; delay: 80; partmotion: 4; param1: 2; param2: 60; param3: 0.1; paused: 1; priority: 4\n"
    "  firenew name: \"fire\"; left: 0; top: 100; width: 80; height: 20; origwidth: 40; origheight: 10; "
    "power: 100; paused: 1; priority: 3\n"
    "  boxnew name: \"late\"; left: 70; top: 90; width: 20; height: 20; color: 0; priority: 2\n"
    "  varnew name: x; type: int; value: 42\n"
    "  varnew name: words; type: string; value: \"saved\"\n"
    "  varnew name: after; type: int; value: 0\n"
    "  varnew name: n; type: int; value: 0\n"
    "  calc n = DBCreateTable(\"t\", FALSE)\n"
    "  calc n = DBAddField(\"v\", 1)\n"
    "  calc n = DBInsert()\n"
    "  calc n = DBSetInt(\"v\", 7)\n"
    "  calc copied = CopyFile(\"resume.ksb\", \"save:note.ksb\")\n"
    "  gamesave slot: 1; page: \"resume.ksb\"; title: \"first\"\n"
    "  wait time: 300\n"
    "  calc after = DBGetInt(\"v\")\n"
    "  setprop object: \"late\"; property: 8; value: after * 0x10\n"
    "  label idle\n"
    "  wait time: 1000\n"
    "  jump page: main.ksb; target: @idle\n";

class SavedGame : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; ++x) pixels.push_back(uint32_t(30 * x) << 16 | uint32_t(40 * y) << 8 | 0xC8);
    }
    WritePngFile(dir / "pic.png", TFrameView{pixels.data(), 8, 6, 8});
    test::WriteFile(dir / "game.vkp",
                    "version 115\nscreen 160 120\nstart main.ksb\n"
                    "var int resumed 0\nvar string caption \"\"\nvar int saved 0\nvar flag copied false\n"
                    "var flag found false\n"
                    "page main.vks\npage resume.vks\nimage pic.png\n");
    test::WriteFile(dir / "main.vks", kMain);
    test::WriteFile(dir / "resume.vks", "@version 115\ncalc resumed = resumed + 1\nexit\n");
  }

  // Plays the game for the frames; the screenshot's bytes and the variables' dump.
  std::pair<std::string, std::string> Play(int frames, const std::string& more = {}) {
    test::BuildAndPlayHeadless(dir, "--frames " + std::to_string(frames) + " --screenshot '" + (dir / "shot.png") +
                                        "' --dump-vars '" + (dir / "vars.tsv") + "' " + more);
    return {test::ReadFile(dir / "shot.png"), "\n" + test::ReadFile(dir / "vars.tsv")};
  }

  test::TempDir dir;
};

TEST_F(SavedGame, ALaterRunLoadsTheSameScreenVariablesTablesAndWaitingScript) {
  const auto [first_shot, first_vars] = Play(40);
  EXPECT_TRUE(std::filesystem::exists(dir / "game/save.dat"));
  EXPECT_NE(first_vars.find("\nafter\tint\t7\n"), std::string::npos) << first_vars;
  EXPECT_NE(first_vars.find("\nresumed\tint\t0\n"), std::string::npos) << first_vars;

  const auto [second_shot, second_vars] = Play(40);
  // The load resumed in the wait, ran the resume page once first, and read the table after the wait.
  EXPECT_NE(second_vars.find("\nx\tint\t42\n"), std::string::npos) << second_vars;
  EXPECT_NE(second_vars.find("\nafter\tint\t7\n"), std::string::npos) << second_vars;
  EXPECT_NE(second_vars.find("\nresumed\tint\t1\n"), std::string::npos) << second_vars;
  // The project's variables are status variables: they keep what the second run found.
  EXPECT_NE(second_vars.find("\ncaption\tstring\tfirst\n"), std::string::npos) << second_vars;
  EXPECT_NE(second_vars.find("\nsaved\tint\t1\n"), std::string::npos) << second_vars;
  // A file the first run stored under a "save:" name is there in the second.
  EXPECT_NE(first_vars.find("\ncopied\tflag\t1\n"), std::string::npos) << first_vars;
  EXPECT_NE(first_vars.find("\nfound\tflag\t0\n"), std::string::npos) << first_vars;
  EXPECT_NE(second_vars.find("\nfound\tflag\t1\n"), std::string::npos) << second_vars;
  const std::vector<std::string> status = {"resumed", "caption", "saved", "found"};
  EXPECT_EQ(test::DumpWithout(second_vars, status), test::DumpWithout(first_vars, status));
  EXPECT_TRUE(second_shot == first_shot) << "the screens differ";
}

TEST_F(SavedGame, TheSaveDirOptionChoosesTheFolder) {
  Play(5, "--save-dir '" + (dir / "elsewhere/saves") + "'");
  EXPECT_TRUE(std::filesystem::exists(dir / "elsewhere/saves/save.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir / "game/save.dat"));
  const auto [shot, vars] = Play(5, "--save-dir '" + (dir / "elsewhere/saves") + "'");
  EXPECT_NE(vars.find("\ncaption\tstring\tfirst\n"), std::string::npos) << vars;
}

TEST_F(SavedGame, AnUnreadableSaveFileStaysAndTheGameGoesOn) {
  std::filesystem::create_directories(dir / "game");
  const std::string junk(3000, 'j');
  test::WriteFile(dir / "game/save.dat", junk);
  const auto [shot, vars] = Play(40);
  EXPECT_EQ(test::ReadFile(dir / "game/save.dat"), junk);
  EXPECT_NE(vars.find("\nafter\tint\t7\n"), std::string::npos) << vars;
}


// The first run reads a short message to its end (a read mark), passes two pages to the history and saves while a
// third message types slowly, its text holding a game variable. A later run finds the first message read, empties
// the history, changes the variable and loads: the history, the window typing on and the variable's saved value are
// back.
const char kMessageMain[] =
    "@version 115\n"
    "calc caption = GetSaveCaption(1)\n"
    "mesnew name: \"mes\"; left: 0; top: 0; width: 160; height: 60; fontheight: 16; fontcolor: 0xFFFFFF; "
    "onplaystart: \"events.ksb:started\"\n"
    "textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"いち\"\n"
    "if caption <> \"\"\n"
    "  varnew name: words; type: string; value: \"いいえ\"\n"
    "  calc first_read = last_read\n"
    "  clrhist\n"
    "  calc cleared = @HistoryCount\n"
    "  gameload slot: 1\n"
    "  wait time: 100000\n"
    "else\n"
    "  varnew name: words; type: string; value: \"はい\"\n"
    "  varnew name: hist; type: int; value: 0\n"
    "  varnew name: playing; type: int; value: 0\n"
    "  varnew name: shown; type: string; value: \"\"\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"に\"\n"
    "  textins window: \"mes\"; read: TRUE; text: \"<WAIT VALUE=400><VAR NAME=words>をまってね</WAIT>\"\n"
    "  wait time: 100\n"
    "  gamesave slot: 1; title: \"typing\"\n"
    "  wait time: 50\n"
    "  calc hist = @HistoryCount\n"
    "  calc playing = GetProp(\"mes\", 138)\n"
    "  calc shown = GetProp(\"mes\", 50)\n"
    "  label idle\n"
    "  wait time: 1000\n"
    "  jump page: main.ksb; target: @idle\n";

TEST(SavedMessages, HistoryReadMarksAndATypingWindowSurviveSaveLoadAndANewRun) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 160 120\nstart main.ksb\n"
                  "var string caption \"\"\nvar int last_read 9\nvar int first_read 9\nvar int cleared 9\n"
                  "page main.vks\npage events.vks\n");
  test::WriteFile(dir / "main.vks", kMessageMain);
  test::WriteFile(dir / "events.vks", "@version 115\nlabel started\ncalc last_read = @ParamStr[0]\nexit\n");
  const auto play = [&] {
    test::BuildAndPlayHeadless(dir, "--frames 200 --dump-vars '" + (dir / "vars.tsv") + "'");
    return "\n" + test::ReadFile(dir / "vars.tsv");
  };
  const std::string first = play();
  EXPECT_NE(first.find("\nhist\tint\t2\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\nplaying\tint\t1\n"), std::string::npos) << first;
  EXPECT_NE(first.find("\nfirst_read\tint\t9\n"), std::string::npos) << first;

  const std::string second = play();
  // The read mark came through the status record: the first message starts as read.
  EXPECT_NE(second.find("\nfirst_read\tint\t1\n"), std::string::npos) << second;
  EXPECT_NE(second.find("\ncleared\tint\t0\n"), std::string::npos) << second;
  // After the load the history holds the two saved pages and the window types on, its text laid out with the
  // loaded variable.
  EXPECT_NE(second.find("\nhist\tint\t2\n"), std::string::npos) << second << test::ReadFile(dir / "tool.log");
  EXPECT_NE(second.find("\nplaying\tint\t1\n"), std::string::npos) << second;
  EXPECT_NE(second.find("\nwords\tstring\tはい\n"), std::string::npos) << second;
  const size_t at = second.find("\nshown\tstring\t");
  ASSERT_NE(at, std::string::npos) << second;
  const std::string shown = second.substr(at, second.find('\n', at + 1) - at);
  EXPECT_EQ(shown.find("いいえ"), std::string::npos) << shown;
  EXPECT_EQ(shown, first.substr(first.find("\nshown\tstring\t"), shown.size()));
}


// A window shows the history laid out as one scrolling page; its first row names the speaker through a history
// variable that the project keeps outside saves. The first run saves while the history is shown; a later run names
// another speaker and loads: the window shows the speaker of the save.
const char kHistoryMain[] =
    "@version 115\n"
    "calc caption = GetSaveCaption(1)\n"
    "boxnew name: \"back\"; left: 0; top: 0; width: 160; height: 120; color: 0x402000\n"
    "mesnew name: \"mes\"; left: 8; top: 8; width: 144; height: 40; fontheight: 16; fontcolor: 0xFFFFFF; "
    "priority: 1\n"
    "mesnew name: \"hist\"; left: 8; top: 56; width: 144; height: 56; fontheight: 16; fontcolor: 0xFFFFFF; "
    "priority: 1\n"
    "if caption <> \"\"\n"
    "  calc who = \"ハル\"\n"
    "  calc shown = \"\"\n"
    "  gameload slot: 1\n"
    "  wait time: 100000\n"
    "else\n"
    "  entryhist object: \"hist\"\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"<HISTCHAR VALUE=who>「はい。」<BR>二行目。\"\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"三行目。\"\n"
    "  textins window: \"mes\"; read: TRUE; wait: TRUE; text: \"四\"\n"
    "  callhist window: \"hist\"; first: 0; count: 48; layout: TRUE\n"
    "  gamesave slot: 1; title: \"history\"\n"
    "  wait time: 50\n"
    "  calc shown = GetProp(\"hist\", 50)\n"
    "  label idle\n"
    "  wait time: 1000\n"
    "  jump page: main.ksb; target: @idle\n";

TEST(SavedMessages, AWindowShowingTheLaidOutHistoryShowsTheSameAfterALoad) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  test::WriteFile(dir / "game.vkp",
                  "version 115\nscreen 160 120\nstart main.ksb\n"
                  "var string caption \"\"\nvar string who \"アキ\"\nvar string shown \"\"\npage main.vks\n");
  test::WriteFile(dir / "main.vks", kHistoryMain);
  const auto play = [&] {
    test::BuildAndPlayHeadless(dir, "--frames 200 --screenshot '" + (dir / "shot.png") + "' --dump-vars '" +
                                        (dir / "vars.tsv") + "'");
    return std::pair{test::ReadFile(dir / "shot.png"), "\n" + test::ReadFile(dir / "vars.tsv")};
  };
  const auto [first_shot, first_vars] = play();
  // The dump writes a line feed as \n and keeps the carriage return.
  const std::string shown = "\nshown\tstring\tアキ「はい。」\r\\n二行目。\r\\n\r\\n三行目。\n";
  EXPECT_NE(first_vars.find(shown), std::string::npos) << first_vars;
  const auto [second_shot, second_vars] = play();
  // The loaded script reads the window's text again after the save.
  EXPECT_NE(second_vars.find("\nwho\tstring\tハル\n"), std::string::npos) << second_vars;
  EXPECT_NE(second_vars.find(shown), std::string::npos) << second_vars;
  EXPECT_TRUE(second_shot == first_shot) << "the screens differ";
}

}  // namespace
}  // namespace velk

#include "app/input_script.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace velk {
namespace {

TScriptEvent Ev(int32_t frame, TScriptKind kind) {
  TScriptEvent e;
  e.Frame = frame;
  e.Kind = kind;
  return e;
}

TEST(InputScript, ParsesEveryEventKind) {
  TInputScript s = TInputScript::Parse("# a comment line\n"
                                       "\n"
                                       "3 move 10 20   # trailing comment\n"
                                       "4 down left\r\n"
                                       "5 up right\n"
                                       "6 click right 7 8\n"
                                       "2 wheel down\n"
                                       "8 keydown 0x41\n"
                                       "9 keyup 65\n"
                                       "10 key 13\n"
                                       "12 text こんにちは # not a comment\n"
                                       "13 answer 2\n"
                                       "14 quit\n"
                                       "15 choose /home/u/my file.txt\n"
                                       "15 choose\n",
                                       "in.txt");
  std::vector<TScriptEvent> expected;
  TScriptEvent e = Ev(2, TScriptKind::Wheel);
  e.WheelDown = true;
  expected.push_back(e);
  e = Ev(3, TScriptKind::Move);
  e.X = 10;
  e.Y = 20;
  expected.push_back(e);
  expected.push_back(Ev(4, TScriptKind::Down));
  e = Ev(5, TScriptKind::Up);
  e.Button = TMouseButton::Right;
  expected.push_back(e);
  for (auto [frame, kind] : {std::pair{6, TScriptKind::Move}, {6, TScriptKind::Down}, {7, TScriptKind::Up}}) {
    e = Ev(frame, kind);
    e.Button = TMouseButton::Right;
    e.X = 7;
    e.Y = 8;
    expected.push_back(e);
  }
  for (auto [frame, kind, key] : {std::tuple{8, TScriptKind::KeyDown, 0x41u},
                                  {9, TScriptKind::KeyUp, 65u},
                                  {10, TScriptKind::KeyDown, 13u},
                                  {11, TScriptKind::KeyUp, 13u}}) {
    e = Ev(frame, kind);
    e.Key = key;
    expected.push_back(e);
  }
  e = Ev(12, TScriptKind::Text);
  e.Text = "こんにちは # not a comment";
  expected.push_back(e);
  e = Ev(13, TScriptKind::Answer);
  e.Answer = 2;
  expected.push_back(e);
  expected.push_back(Ev(14, TScriptKind::Quit));
  e = Ev(15, TScriptKind::Choose);
  e.Text = "/home/u/my file.txt";
  expected.push_back(e);
  expected.push_back(Ev(15, TScriptKind::Choose));
  EXPECT_EQ(s.Events(), expected);
}

TEST(InputScript, BadLinesNameTheFileAndLine) {
  struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"x move 1 2", "in.txt:1: bad frame \"x\""},
      {"\n1 jump", "in.txt:2: unknown event \"jump\""},
      {"1 move 1", "in.txt:1: missing Y"},
      {"1 down middle", "in.txt:1: bad button \"middle\" (left or right)"},
      {"1 wheel left", "in.txt:1: bad direction \"left\" (up or down)"},
      {"1 key 256", "in.txt:1: bad key code \"256\""},
      {"1 key 0x-1", "in.txt:1: bad key code \"0x-1\""},
      {"-1 quit", "in.txt:1: bad frame \"-1\""},
      {"1 quit now", "in.txt:1: unexpected \"now\""},
      {"1 answer 0", "in.txt:1: bad button number \"0\""},
      {"99999999999 quit", "in.txt:1: bad frame \"99999999999\""},
      {"1", "in.txt:1: missing event"},
  };
  for (const auto& c : cases) {
    try {
      TInputScript::Parse(c.text, "in.txt");
      ADD_FAILURE() << c.text;
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
  }
  EXPECT_THROW(TInputScript::Load("/nonexistent/input.txt"), EVelkError);
}

}  // namespace
}  // namespace velk

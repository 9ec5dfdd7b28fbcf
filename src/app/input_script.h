#pragma once
// The input script of headless runs: one event per line, "<frame> <what> ...", "#" starts a comment.
//   move X Y | down left|right | up left|right | click left|right X Y | wheel up|down
//   keydown VK | keyup VK | key VK | text UTF-8-TEXT | answer N | choose [UTF-8-PATH] | quit
// choose answers the next file or folder dialog with the path (nothing after it: the dialog is cancelled).
// click and key press on their frame and release on the next. VK is decimal or 0x hex.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velk {

enum class TScriptKind { Move, Down, Up, Wheel, KeyDown, KeyUp, Text, Answer, Quit, Choose };

struct TScriptEvent {
  int32_t Frame = 0;
  TScriptKind Kind = TScriptKind::Move;
  int32_t X = 0;
  int32_t Y = 0;
  TMouseButton Button = TMouseButton::Left;
  bool WheelDown = false;
  uint32_t Key = 0;
  std::string Text;    // UTF-8; Choose: the path, empty for a cancel
  int32_t Answer = 1;  // 1-based button number
  bool operator==(const TScriptEvent&) const = default;
};

class TInputScript {
 public:
  // Parses a script; a bad line fails with EVelkError "<file>:<line>: <what is wrong>".
  static TInputScript Parse(const std::string& text, const std::string& file_name);
  static TInputScript Load(const std::string& path);

  // Every event in frame order (events of one frame in the order written, releases of click and key after).
  const std::vector<TScriptEvent>& Events() const { return events_; }

 private:
  std::vector<TScriptEvent> events_;
};

}  // namespace velk

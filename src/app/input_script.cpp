#include "app/input_script.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/error.h"

namespace velk {

namespace {

// Frame numbers and coordinates are bounded so that "frame + 1" and scene offsets cannot overflow.
constexpr long long kMaxFrame = 1LL << 30;
constexpr long long kMaxCoordinate = 1LL << 20;

struct TLineReader {
  const std::string& file;
  int line;
  std::istringstream in;

  [[noreturn]] void fail(const std::string& what) const {
    throw EVelkError(file + ":" + std::to_string(line) + ": " + what, file);
  }
  std::string word(const char* what) {
    std::string w;
    if (!(in >> w)) fail(std::string("missing ") + what);
    return w;
  }
  long long number(const char* what, long long lo, long long hi) {
    std::string w = word(what);
    errno = 0;
    char* end = nullptr;
    bool hex = w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X');
    long long n = std::strtoll(w.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (w.empty() || errno != 0 || *end != '\0' || (hex && w[2] == '-') || n < lo || n > hi) {
      fail(std::string("bad ") + what + " \"" + w + "\"");
    }
    return n;
  }
  TMouseButton button() {
    std::string w = word("button");
    if (w == "left") return TMouseButton::Left;
    if (w == "right") return TMouseButton::Right;
    fail("bad button \"" + w + "\" (left or right)");
  }
  void end() {
    std::string extra;
    if (in >> extra) fail("unexpected \"" + extra + "\"");
  }
};

}  // namespace

TInputScript TInputScript::Parse(const std::string& text, const std::string& file_name) {
  TInputScript script;
  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  while (std::getline(lines, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    size_t hash = raw.find('#');
    std::string body = raw;
    TLineReader r{file_name, number, std::istringstream()};
    // A text event keeps everything after its keyword (a "#" inside the text included).
    r.in.str(body);
    std::string first;
    if (!(r.in >> first) || first[0] == '#') continue;
    r.in.str(body);
    r.in.clear();
    TScriptEvent e;
    e.Frame = static_cast<int32_t>(r.number("frame", 0, kMaxFrame));
    std::string what = r.word("event");
    if (what == "text" || what == "choose") {
      std::string rest;
      std::getline(r.in, rest);
      size_t start = rest.find_first_not_of(' ');
      e.Kind = what == "text" ? TScriptKind::Text : TScriptKind::Choose;
      e.Text = start == std::string::npos ? std::string() : rest.substr(start);
      script.events_.push_back(e);
      continue;
    }
    if (hash != std::string::npos) {
      r.in.str(body.substr(0, hash));
      r.in.clear();
      r.number("frame", 0, kMaxFrame);
      r.word("event");
    }
    if (what == "move" || what == "click") {
      if (what == "click") e.Button = r.button();
      e.Kind = TScriptKind::Move;
      e.X = static_cast<int32_t>(r.number("X", -kMaxCoordinate, kMaxCoordinate));
      e.Y = static_cast<int32_t>(r.number("Y", -kMaxCoordinate, kMaxCoordinate));
      r.end();
      script.events_.push_back(e);
      if (what == "click") {
        e.Kind = TScriptKind::Down;
        script.events_.push_back(e);
        e.Kind = TScriptKind::Up;
        e.Frame += 1;
        script.events_.push_back(e);
      }
    } else if (what == "down" || what == "up") {
      e.Kind = what == "down" ? TScriptKind::Down : TScriptKind::Up;
      e.Button = r.button();
      r.end();
      script.events_.push_back(e);
    } else if (what == "wheel") {
      std::string dir = r.word("direction");
      if (dir != "up" && dir != "down") r.fail("bad direction \"" + dir + "\" (up or down)");
      e.Kind = TScriptKind::Wheel;
      e.WheelDown = dir == "down";
      r.end();
      script.events_.push_back(e);
    } else if (what == "keydown" || what == "keyup" || what == "key") {
      e.Key = static_cast<uint32_t>(r.number("key code", 0, 255));
      r.end();
      e.Kind = what == "keyup" ? TScriptKind::KeyUp : TScriptKind::KeyDown;
      script.events_.push_back(e);
      if (what == "key") {
        e.Kind = TScriptKind::KeyUp;
        e.Frame += 1;
        script.events_.push_back(e);
      }
    } else if (what == "answer") {
      e.Kind = TScriptKind::Answer;
      e.Answer = static_cast<int32_t>(r.number("button number", 1, 3));
      r.end();
      script.events_.push_back(e);
    } else if (what == "quit") {
      e.Kind = TScriptKind::Quit;
      r.end();
      script.events_.push_back(e);
    } else {
      r.fail("unknown event \"" + what + "\"");
    }
  }
  std::stable_sort(script.events_.begin(), script.events_.end(),
                   [](const TScriptEvent& a, const TScriptEvent& b) { return a.Frame < b.Frame; });
  return script;
}

TInputScript TInputScript::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EVelkError(path + ": cannot read the input script", path);
  std::stringstream ss;
  ss << in.rdbuf();
  return Parse(ss.str(), path);
}

}  // namespace velk

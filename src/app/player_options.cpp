#include "app/player_options.h"

#include <cerrno>
#include <cstdlib>

#include "app/fast_forward.h"
#include "base/error.h"

namespace velk {

namespace {

// Scales beyond this make no sense on any screen; the bound keeps the window size far from overflow.
constexpr long kMaxScale = 16;

long parse_count(const std::string& option, const std::string& value, long lo, long hi) {
  errno = 0;
  char* end = nullptr;
  long n = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || errno != 0 || *end != '\0' || n < lo || n > hi) {
    throw EVelkError(option + ": bad value \"" + value + "\"");
  }
  return n;
}

}  // namespace

TPlayerOptions ParsePlayerOptions(const std::vector<std::string>& argv) {
  TPlayerOptions o;
  bool headless_only = false;
  std::string headless_option;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= argv.size()) throw EVelkError(a + " needs a value");
      return argv[++i];
    };
    auto mark_headless = [&] {
      headless_only = true;
      if (headless_option.empty()) headless_option = a;
    };
    if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else if (a == "--headless") {
      o.Headless = true;
    } else if (a == "--fullscreen") {
      o.FullScreen = true;
    } else if (a == "--scale") {
      const std::string& v = value();
      o.Scale = v == "fit" ? 0 : static_cast<int32_t>(parse_count(a, v, 1, kMaxScale));
      o.ScaleSet = true;
    } else if (a == "--frames") {
      o.Frames = static_cast<int32_t>(parse_count(a, value(), 0, 0x7FFFFFFF));
    } else if (a == "--clock") {
      mark_headless();
      const std::string& v = value();
      if (v != "virtual" && v != "real") throw EVelkError(a + ": bad value \"" + v + "\" (virtual or real)");
      o.VirtualClock = v == "virtual";
    } else if (a == "--input") {
      mark_headless();
      o.InputFile = value();
    } else if (a == "--screenshot") {
      o.Screenshot = value();
    } else if (a == "--dump-vars") {
      mark_headless();
      o.DumpVars = value();
    } else if (a == "--speed") {
      o.Speed = static_cast<int32_t>(parse_count(a, value(), 1, kMaxSpeed));
    } else if (a == "--filter") {
      const std::string& v = value();
      if (v != "nearest" && v != "smooth") throw EVelkError(a + ": bad value \"" + v + "\" (nearest or smooth)");
      o.Smooth = v == "smooth";
    } else if (a == "--mute-only-when-inactive") {
      o.MuteOnlyWhenInactive = true;
    } else if (a == "--print-text") {
      o.PrintText = true;
    } else if (a == "--trace") {
      o.Trace = true;
    } else if (a == "--save-dir") {
      o.SaveDir = value();
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw EVelkError("unknown option " + a);
    } else {
      o.Args.push_back(a);
    }
  }
  if (headless_only && !o.Headless && !o.Help && !o.Version) {
    throw EVelkError(headless_option + " needs --headless");
  }
  return o;
}

}  // namespace velk

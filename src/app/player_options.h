#pragma once
// The player's command line.
#include <cstdint>
#include <string>
#include <vector>

namespace velk {

struct TPlayerOptions {
  bool Help = false;
  bool Version = false;
  bool Headless = false;
  bool FullScreen = false;
  int32_t Scale = 1;      // a whole factor, or 0 (kScaleFit): the largest size that fits
  bool ScaleSet = false;  // --scale was given (else the window's remembered scale applies)
  // In a window too: stop after this many frames and write what the screen (or the window) shows.
  int32_t Frames = -1;  // -1: until the game ends
  std::string Screenshot;
  // The game clock runs this many times faster than real time (Alt+F switches to 8 and back).
  int32_t Speed = 1;
  // Scaled pictures are filtered smoothly instead of with sharp pixels.
  bool Smooth = false;
  // Losing the focus only mutes the sound: the game runs on, even when it asks to pause.
  bool MuteOnlyWhenInactive = false;
  // Headless runs only.
  bool VirtualClock = false;
  std::string InputFile;
  std::string DumpVars;
  bool Trace = false;
  // Where save.dat goes instead of the usual place; empty: the usual place.
  std::string SaveDir;
  // Every message page shown goes to standard output in UTF-8, one block per page.
  bool PrintText = false;
  // The game folder and archives, or "/config".
  std::vector<std::string> Args;
};

// Parses the arguments (without the program name). A bad command line fails with EVelkError carrying a one-line
// message for the user (UTF-8) that names the option.
TPlayerOptions ParsePlayerOptions(const std::vector<std::string>& argv);

}  // namespace velk

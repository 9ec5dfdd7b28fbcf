#pragma once
// The process-wide values. One instance lives in the application object; it is handed to whoever reads them.
#include <cstdint>
#include <string>
#include <vector>

namespace velk {

struct TProcessValues {
  bool QuitFlag = false;               // the player must stop
  int32_t GameClock = 0;               // sum of all accepted tick intervals, ms
  int32_t FrameDelta = 0;              // length of the last accepted tick interval, ms
  uint32_t LastTickTime = 0;           // time stamp of the last accepted tick, ms
  int32_t FrameCount = 0;              // frames in which the scene was updated
  int32_t FrameDivisor = 1;            // 1: every frame is drawn
  int32_t FrameWait = 16;              // read by the particle components
  bool Switching = false;              // set while the display mode changes; ticks are ignored meanwhile
  uint32_t RandSeed = 0;               // state of the process pseudo-random generator
  std::vector<std::string> TempFiles;  // files the system functions created; deleted at process end
};

}  // namespace velk

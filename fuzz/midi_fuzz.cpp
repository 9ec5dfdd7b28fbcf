// Feeds arbitrary bytes to the MIDI song reader, then plays what it read on a virtual clock through a port that
// takes everything, with a chase into the middle and a repeat, so that every time and message meets the player too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "media/midi_player.h"
#include "platform/headless/headless_clock.h"
#include "vfs/stream.h"

namespace {

class TSilentPort : public velk::IMidiOut {
 public:
  std::vector<velk::TMidiDevice> Devices() override { return {}; }
  bool Open(int32_t, velk::TMidiLongDone done) override {
    done_ = std::move(done);
    return true;
  }
  void Reset() override {}
  void Close() override {}
  void ShortMsg(uint32_t) override {}
  void LongMsg(uint32_t id, const std::vector<uint8_t>&) override { done_(id); }

 private:
  velk::TMidiLongDone done_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSilentPort port;
  velk::TVirtualClock clock;
  velk::TMidiPlayV player(port, clock, false);
  velk::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  try {
    player.LoadFromStream(stream);
  } catch (const velk::EVelkError&) {
    return 0;
  }
  player.Open(-1);
  player.SetAutoRepeat(size % 2 == 0);
  player.PlayFrom(player.Length() / 2);
  for (int i = 0; i < 200; ++i) {
    clock.Advance(997);
    player.Tick();
  }
  player.PlayFrom(0);
  player.Stop();
  player.Close();
  return 0;
}

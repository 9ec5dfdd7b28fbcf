#pragma once
// The MIDI output port the player sends to: short messages (a status byte and up to two data bytes, packed as
// status | data1 << 8 | data2 << 16) and long messages (system exclusive). A long message is pending from its send
// until the port reports it done.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk {

// One output device as the port describes it.
struct TMidiDevice {
  uint16_t Mid = 0;           // manufacturer id
  uint16_t Pid = 0;           // product id
  std::string DriverVersion;  // "%2.2d.%2.2d", major and minor
  std::string Name;           // up to 32 characters
  uint16_t Technology = 0;
  uint16_t Voices = 0;
  uint16_t Notes = 0;
  uint16_t ChannelMask = 0;
  uint32_t Support = 0;
};

// Called by the port with the id of each long message it has finished, from any thread.
using TMidiLongDone = std::function<void(uint32_t id)>;

class IMidiOut {
 public:
  virtual ~IMidiOut() = default;
  // The devices that answered, in device order.
  virtual std::vector<TMidiDevice> Devices() = 0;
  // Opens the port (-1: the default device, else the device index); false when it does not open. done receives the
  // ids of finished long messages until Close.
  virtual bool Open(int32_t port, TMidiLongDone done) = 0;
  // Silences the port and reports every pending long message done.
  virtual void Reset() = 0;
  virtual void Close() = 0;
  virtual void ShortMsg(uint32_t message) = 0;
  // Sends bytes (starting with 0xF0) as a long message; the port reports id done once it has sent them.
  virtual void LongMsg(uint32_t id, const std::vector<uint8_t>& bytes) = 0;
};

}  // namespace velk

// Feeds arbitrary bytes to every read primitive. The first byte of each step chooses the primitive; every value read
// is written back and read again, which must give the same value. Format errors are expected; crashes, sanitizer
// reports, oversized allocations and mismatches are not.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/error.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace {

using namespace velk;

template <class T, class Write, class Read> void round_trip(const T& value, Write write, Read read) {
  TMemoryStream m;
  write(m, value);
  m.SetPosition(0);
  if (!(read(m) == value)) std::abort();
}

void check_extended(TStream& s) {
  uint8_t b[10] = {};
  s.Read(b, 10);
  double v = DecodeExtended(b);
  if (std::isnan(v)) return;
  uint8_t again[10];
  EncodeExtended(v, again);
  double w = DecodeExtended(again);
  if (w != v || std::signbit(w) != std::signbit(v)) std::abort();
}

// One primitive chosen by op; returns false when the stream is exhausted.
void step(TStream& s, uint8_t op) {
  switch (op % 12) {
    case 0: round_trip(ReadInt(s), WriteInt, ReadInt); break;
    case 1: round_trip(ReadInt64(s), WriteInt64, ReadInt64); break;
    case 2: round_trip(ReadByte(s), WriteByte, ReadByte); break;
    case 3: round_trip(ReadBool(s), WriteBool, ReadBool); break;
    case 4: round_trip(ReadString(s), WriteString, ReadString); break;
    case 5: round_trip(ReadStrings(s), WriteStrings, ReadStrings); break;
    case 6: round_trip(ReadIntArray(s), WriteIntArray, ReadIntArray); break;
    case 7: ReadExtendedArray(s); break;
    case 8: round_trip(ReadByteArray(s), WriteByteArray, ReadByteArray); break;
    case 9: ReadExtended(s); break;
    case 10: check_extended(s); break;
    case 11: {
      TMemoryStream target;
      int64_t count = ReadByte(s);
      int64_t copied = CopyStream(target, s, count);
      if (copied < 0 || copied > (count == 0 ? s.GetSize() : count) || copied != target.GetSize()) std::abort();
      break;
    }
  }
}

void run(TStream& s) {
  while (s.Remaining() > 0) {
    uint8_t op = ReadByte(s);
    int32_t before = s.GetPosition();
    try {
      step(s, op);
    } catch (const EFormatError&) {
      // A count beyond the bytes left: skip past the byte that was read as its start.
      s.SetPosition(before + 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  // Once through a memory stream (direct memory access) and once through a stream that is not one.
  TMemoryStream memory(bytes);
  run(memory);
  TResourceStream resource(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
  run(resource);
  return 0;
}

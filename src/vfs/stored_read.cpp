#include "vfs/stored_read.h"

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/stream_io.h"

namespace velk {

void NeedBytes(TStream& s, int64_t n) {
  if (n > s.Remaining()) throw EFormatError(Utf8ToCp932("データが壊れています (ファイルの終わり)"));
}

int32_t ReadIntExact(TStream& s) {
  NeedBytes(s, 4);
  return ReadInt(s);
}

uint8_t ReadByteExact(TStream& s) {
  NeedBytes(s, 1);
  return ReadByte(s);
}

long double ReadExtendedExact(TStream& s) {
  NeedBytes(s, 10);
  return ReadExtended(s);
}

std::string ReadStringExact(TStream& s) {
  NeedBytes(s, 4);
  return ReadString(s);
}

int32_t ReadCount(TStream& s, int64_t min_element_size) {
  int32_t n = ReadIntExact(s);
  CheckCount(s, n, min_element_size);
  return n;
}

}  // namespace velk

#pragma once
// The stream primitives: the one encoding of integers, booleans, strings, 10-byte extended floats and lists that
// every file format of the player uses. All integers are little-endian.
//
// Readers treat the stream as hostile: a length or count that exceeds the bytes left in the stream throws
// EFormatError instead of allocating; a value cut off by the end of the stream reads as zero in its missing bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

void WriteInt(TStream& s, int32_t value);
int32_t ReadInt(TStream& s);
void WriteInt64(TStream& s, int64_t value);
int64_t ReadInt64(TStream& s);
void WriteByte(TStream& s, uint8_t value);
uint8_t ReadByte(TStream& s);
void WriteBool(TStream& s, bool value);
bool ReadBool(TStream& s);  // any non-zero byte is true

// int32 length n, then n bytes; the empty string is the length alone.
void WriteString(TStream& s, const std::string& value);
// A length of zero or less yields the empty string and reads nothing more.
std::string ReadString(TStream& s);

// 10 bytes, x87 80-bit extended precision as stored in memory (little-endian mantissa, then sign and exponent).
void WriteExtended(TStream& s, long double value);
long double ReadExtended(TStream& s);
// The 10-byte form, converted portably (no reliance on the host's long double layout).
void EncodeExtended(double value, uint8_t out[10]);
double DecodeExtended(const uint8_t in[10]);

// int32 count c, then c strings.
void WriteStrings(TStream& s, const std::vector<std::string>& values);
std::vector<std::string> ReadStrings(TStream& s);

// int32 element count c, then c elements back to back.
void WriteIntArray(TStream& s, const std::vector<int32_t>& values);
std::vector<int32_t> ReadIntArray(TStream& s);
void WriteExtendedArray(TStream& s, const std::vector<long double>& values);
std::vector<long double> ReadExtendedArray(TStream& s);
void WriteByteArray(TStream& s, const std::vector<uint8_t>& values);
std::vector<uint8_t> ReadByteArray(TStream& s);

// Throws EFormatError when fewer than count * element_size bytes remain (count < 0 is an error too).
void CheckCount(TStream& s, int64_t count, int64_t element_size);

// Copies count bytes from the source's position to the target; count 0 means the whole source from its start.
// Returns the number of bytes actually copied, which is less than asked when the source ends early or the target
// takes fewer bytes.
int64_t CopyStream(TStream& target, TStream& source, int64_t count);

// A string list with stream save and load (exactly WriteStrings / ReadStrings).
class TArrayString {
 public:
  void Add(const std::string& s) { items_.push_back(s); }
  void Assign(const TArrayString& other) { items_ = other.items_; }
  void Clear() { items_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const std::string& operator[](int32_t i) const { return items_.at(static_cast<size_t>(i)); }
  std::string& operator[](int32_t i) { return items_.at(static_cast<size_t>(i)); }
  const std::vector<std::string>& Items() const { return items_; }
  void SaveToStream(TStream& s) const { WriteStrings(s, items_); }
  void LoadFromStream(TStream& s) { items_ = ReadStrings(s); }

 private:
  std::vector<std::string> items_;
};

}  // namespace velk

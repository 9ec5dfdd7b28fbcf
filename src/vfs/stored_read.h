#pragma once
// Exact reads for the script files: a field cut off by the end of the file is a damaged file, never a zero. Counts
// read from a file are checked against the bytes left before anything is allocated.
#include <cstdint>
#include <string>

#include "vfs/stream.h"

namespace velk {

// Throws EFormatError ("データが壊れています") when fewer than n bytes remain.
void NeedBytes(TStream& s, int64_t n);
int32_t ReadIntExact(TStream& s);
uint8_t ReadByteExact(TStream& s);
long double ReadExtendedExact(TStream& s);
std::string ReadStringExact(TStream& s);
// A count that must be >= 0 and leave at least min_element_size bytes per element.
int32_t ReadCount(TStream& s, int64_t min_element_size);

}  // namespace velk

#pragma once
// zlib streams of archive entries and save data: deflate at level 1 (best speed), capped inflation, CRC-32.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vfs/stream.h"

namespace velk {

// No entry of the player inflates to more than this; a larger result is a damaged or hostile stream. Entries the
// writer deflates are below 5 MiB; media of any size are stored raw.
constexpr size_t kMaxInflatedSize = size_t{256} << 20;

// A complete zlib stream (RFC 1950) of the bytes at compression level 1.
std::vector<uint8_t> DeflateBytes(const uint8_t* data, size_t size);
// Inflates a complete zlib stream. expected is the inflated size when the caller knows it (or a close upper bound),
// 0 when not. Throws EFormatError when the stream is damaged, ends early or would inflate to more than limit bytes.
std::vector<uint8_t> InflateBytes(const uint8_t* data, size_t size, size_t limit = kMaxInflatedSize,
                                  size_t expected = 0);
// Inflates a complete zlib stream into out, which holds capacity bytes; returns the bytes produced. Throws
// EFormatError when the stream is damaged, ends early or would inflate to more than capacity bytes.
size_t InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t capacity);
// Replaces the stream's contents by their inflation and rewinds it; on failure the stream keeps its bytes.
void InflateInPlace(TMemoryStream& s, size_t limit = kMaxInflatedSize);

// CRC-32 of ISO 3309 (reflected polynomial 0xEDB88320, initial all ones, final complement); crc continues a
// previous value.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
// The CRC-32 of a whole stream from position 0.
uint32_t StreamCrc32(TStream& s);

}  // namespace velk

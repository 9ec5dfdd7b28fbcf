#include "vfs/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

std::vector<uint8_t> DeflateBytes(const uint8_t* data, size_t size) {
  uLongf out_size = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(out_size);
  if (compress2(out.data(), &out_size, data, static_cast<uLong>(size), 1) != Z_OK) {
    throw EStreamError(Utf8ToCp932("データを圧縮できません"));
  }
  out.resize(out_size);
  return out;
}

std::vector<uint8_t> InflateBytes(const uint8_t* data, size_t size, size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EStreamError(Utf8ToCp932("データを展開できません"));
  // Inflates straight into the result, which grows geometrically up to one byte past the limit.
  std::vector<uint8_t> out(std::min(limit + 1, std::max<size_t>(size * 4, 65536)));
  size_t produced = 0;
  size_t left = size;
  const uint8_t* next = data;
  int rc = Z_OK;
  for (;;) {
    if (produced == out.size()) {
      if (out.size() > limit) {
        inflateEnd(&z);
        throw EFormatError(Utf8ToCp932("展開後のデータが大きすぎます"));
      }
      out.resize(out.size() + std::min(out.size(), limit + 1 - out.size()));
    }
    if (z.avail_in == 0 && left > 0) {
      const size_t k = std::min<size_t>(left, UINT_MAX);
      z.next_in = const_cast<Bytef*>(next);
      z.avail_in = static_cast<uInt>(k);
      next += k;
      left -= k;
    }
    z.next_out = out.data() + produced;
    z.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, UINT_MAX));
    rc = inflate(&z, Z_NO_FLUSH);
    produced = static_cast<size_t>(z.next_out - out.data());
    if (rc != Z_OK) break;  // the end, damage, or no progress: the stream ended early
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) throw EFormatError(Utf8ToCp932("圧縮データが壊れています"));
  if (produced > limit) throw EFormatError(Utf8ToCp932("展開後のデータが大きすぎます"));
  out.resize(produced);
  return out;
}

void InflateInPlace(TMemoryStream& s, size_t limit) {
  std::vector<uint8_t> out = InflateBytes(s.Memory(), s.Bytes().size(), limit);
  s.Clear();
  s.Bytes() = std::move(out);
  s.SetPosition(0);
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  uLong c = crc;
  while (size > 0) {
    const auto k = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
    c = crc32(c, data, k);
    data += k;
    size -= k;
  }
  return static_cast<uint32_t>(c);
}

uint32_t StreamCrc32(TStream& s) {
  if (TMemoryStream* m = s.AsMemory()) return Crc32(m->Memory(), m->Bytes().size());
  s.SetPosition(0);
  std::vector<uint8_t> buffer(1 << 20);
  uint32_t crc = 0;
  for (;;) {
    int32_t got = s.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (got <= 0) break;
    crc = Crc32(buffer.data(), static_cast<size_t>(got), crc);
  }
  return crc;
}

}  // namespace velk

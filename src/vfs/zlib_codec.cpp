#include "vfs/zlib_codec.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

std::vector<uint8_t> DeflateBytes(const uint8_t* data, size_t size) {
  // One compressor per thread, reset for each stream: setting one up allocates and clears its tables, which costs
  // more than deflating a save's small entries. A reset stream deflates exactly as a fresh one.
  struct TDeflater {
    z_stream z{};
    bool ready = deflateInit(&z, 1) == Z_OK;
    ~TDeflater() {
      if (ready) deflateEnd(&z);
    }
  };
  thread_local TDeflater deflater;
  if (!deflater.ready || size > UINT_MAX || deflateReset(&deflater.z) != Z_OK)
    throw EStreamError(Utf8ToCp932("データを圧縮できません"));
  z_stream& z = deflater.z;
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(size)));
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw EStreamError(Utf8ToCp932("データを圧縮できません"));
  out.resize(z.total_out);
  return out;
}

namespace {

// One decompressor per thread: it holds only tables, and allocating it costs more than a small entry's inflation.
libdeflate_decompressor* decompressor() {
  struct Holder {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Holder() { libdeflate_free_decompressor(d); }
  };
  thread_local Holder holder;
  if (holder.d == nullptr) throw EStreamError(Utf8ToCp932("データを展開できません"));
  return holder.d;
}

[[noreturn]] void ThrowDamaged() { throw EFormatError(Utf8ToCp932("圧縮データが壊れています")); }
[[noreturn]] void ThrowTooLarge() { throw EFormatError(Utf8ToCp932("展開後のデータが大きすぎます")); }

}  // namespace

std::vector<uint8_t> InflateBytes(const uint8_t* data, size_t size, size_t limit, size_t expected) {
  // The whole stream is inflated in one call into a buffer of the expected size (a guess from the packed size when
  // the caller does not know it); a buffer that proves too small is enlarged fourfold, never past the limit, and the
  // stream inflated again from its start.
  size_t capacity = expected > 0 ? expected : std::max(size * 4, size_t{65536});
  capacity = std::min(capacity, limit);
  std::vector<uint8_t> out;
  for (;;) {
    out.resize(capacity);
    size_t produced = 0;
    const libdeflate_result rc =
        libdeflate_zlib_decompress_ex(decompressor(), data, size, out.data(), out.size(), nullptr, &produced);
    if (rc == LIBDEFLATE_SUCCESS) {
      out.resize(produced);
      return out;
    }
    if (rc != LIBDEFLATE_INSUFFICIENT_SPACE) ThrowDamaged();
    if (capacity >= limit) ThrowTooLarge();
    capacity = capacity > limit / 4 ? limit : std::max(capacity * 4, size_t{65536});
  }
}

size_t InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
  size_t produced = 0;
  const libdeflate_result rc =
      libdeflate_zlib_decompress_ex(decompressor(), data, size, out, capacity, nullptr, &produced);
  if (rc == LIBDEFLATE_INSUFFICIENT_SPACE) ThrowTooLarge();
  if (rc != LIBDEFLATE_SUCCESS) ThrowDamaged();
  return produced;
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

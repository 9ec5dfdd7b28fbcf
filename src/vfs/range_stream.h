#pragma once
// Range streams: read-only byte streams that show a window of a big stream, so that a decoder thread can read an
// archive entry in place. Each range stream owns its inner big stream and a lock that serialises every operation,
// so two range streams over the same archive never share a file position.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "vfs/big_stream.h"
#include "vfs/stream.h"

namespace velk {

class TRangeStream : public TStream {
 public:
  // The window [start, start + length) of inner; length kWholeStream is the inner stream's whole size. Negative
  // starts clamp to 0 and a window never reaches past the end of the inner stream.
  TRangeStream(std::unique_ptr<TBigStream> inner, int64_t length, int64_t start);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;  // writes nothing
  // Positions clamp to the window; returns the position within the window.
  int32_t Seek(int32_t offset, int origin) override;
  int32_t GetSize() override;  // the window length

  int64_t Start() const { return start_; }
  int64_t Length() const { return length_; }

 private:
  int64_t start_;
  int64_t length_;
  std::unique_ptr<TBigStream> inner_;
  std::mutex lock_;
};

class TFileRangeStream : public TRangeStream {
 public:
  // Opens file_name (a disk path) for reading with deny-write.
  TFileRangeStream(const std::string& file_name, int64_t length, int64_t start,
                   int64_t segment_size = TBigFileStream::kDefaultSegmentSize);
};

class TResourceRangeStream : public TRangeStream {
 public:
  TResourceRangeStream(IResources* resources, const std::string& module, const std::string& resource_name,
                       int64_t length, int64_t start, const std::string& resource_type);
};

}  // namespace velk

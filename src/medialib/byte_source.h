#pragma once
// What a decoder reads its compressed data from: a player stream through the stream callbacks, the bytes of a whole
// file handed to the library, or a file on disk. Positions are bytes from the start of the data.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "medialib/velk_media.h"

namespace velk {

class IByteSource {
 public:
  virtual ~IByteSource() = default;
  // Reads up to count bytes; 0 at the end.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Moves to position (clamped to the data) and answers the new position.
  virtual int64_t Seek(int64_t position) = 0;
  virtual int64_t Tell() = 0;
  virtual int64_t Size() = 0;
};

// A player stream read through the stream callbacks (which take the media lock themselves).
class TCallbackSource : public IByteSource {
 public:
  TCallbackSource(const TVelkStreamCallbacks& callbacks, void* stream) : cb_(callbacks), stream_(stream) {}
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t position) override;
  int64_t Tell() override;
  int64_t Size() override;

 private:
  TVelkStreamCallbacks cb_;
  void* stream_;
};

class TMemorySource : public IByteSource {
 public:
  explicit TMemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t position) override;
  int64_t Tell() override { return position_; }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

class TDiskSource : public IByteSource {
 public:
  // Throws nothing: an unopened file reads as empty.
  explicit TDiskSource(const std::string& path);
  ~TDiskSource() override;
  TDiskSource(const TDiskSource&) = delete;
  TDiskSource& operator=(const TDiskSource&) = delete;
  bool IsOpen() const { return file_ != nullptr; }
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t position) override;
  int64_t Tell() override;
  int64_t Size() override { return size_; }

 private:
  std::FILE* file_ = nullptr;
  int64_t size_ = 0;
};

}  // namespace velk

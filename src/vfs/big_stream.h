#pragma once
// The big streams: streams with 64-bit sizes and positions for archive files that may exceed the 32-bit range. The
// file kind spreads one logical file over numbered segment files (name.dat, name.001, name.002, ...).
//
// Counts of the copy operations: kWholeStream copies the whole source from its start; 0 or any other negative count
// copies nothing. Positions below 0 clamp to 0.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

class IResources;

// The count (or range length) that stands for "the whole stream".
constexpr int64_t kWholeStream = -1;

class TBigStream {
 public:
  virtual ~TBigStream() = default;
  TBigStream() = default;
  TBigStream(const TBigStream&) = delete;
  TBigStream& operator=(const TBigStream&) = delete;

  virtual int64_t GetSize() { return 0; }
  virtual int64_t GetPosition() { return 0; }
  virtual void SetPosition(int64_t) {}
  // Both return the bytes actually moved, which may be fewer than asked.
  virtual int64_t Write(const void*, int64_t) { return 0; }
  virtual int64_t Read(void*, int64_t) { return 0; }
  // Appends count bytes of another big stream at the position; returns the bytes copied.
  virtual int64_t CopyFrom(TBigStream&, int64_t) { return 0; }
  // Writes count bytes from a byte stream's position; returns the bytes copied.
  virtual int64_t CopyFromStream(TStream&, int64_t) { return 0; }
  // Reads count bytes into a byte stream; returns the bytes copied.
  virtual int64_t CopyToStream(TStream&, int64_t) { return 0; }
};

// One logical file over segment files of a fixed size.
class TBigFileStream : public TBigStream {
 public:
  static constexpr int64_t kDefaultSegmentSize = int64_t{1} << 30;
  static constexpr int32_t kCopyBufferSize = 1048576;

  // mode is a file-open mode word (vfs/stream.h). Access read (0) or read-write (2) opens every existing segment
  // up to the first missing one; any other access deletes the existing segments and creates them on first write.
  // A segment that cannot be opened is an invalid handle that fails on first use. segment_size is at most 2^30.
  TBigFileStream(const std::string& file_name, uint16_t mode, int64_t segment_size = kDefaultSegmentSize);
  ~TBigFileStream() override;

  int64_t GetSize() override;
  int64_t GetPosition() override { return position_; }
  void SetPosition(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t CopyFrom(TBigStream& source, int64_t count) override;
  int64_t CopyFromStream(TStream& source, int64_t count) override;
  int64_t CopyToStream(TStream& target, int64_t count) override;

  const std::string& FileName() const { return file_name_; }
  int64_t SegmentSize() const { return segment_size_; }
  int32_t SegmentCount() const { return static_cast<int32_t>(segments_.size()); }
  // The name of segment k: the file name itself for 0, else the name without its extension plus ".%.3d".
  static std::string SegmentName(const std::string& file_name, int32_t k);

 private:
  THandleStream& segment(size_t i);
  THandleStream& segment_for_write(size_t i);
  // Moves count bytes through the segments: move(segment, k) transfers up to k bytes at the segment's position and
  // returns how many it moved. Reading stops at the last segment; writing creates segments.
  template <class Move> int64_t transfer(int64_t count, bool writing, Move move);

  std::string file_name_;
  uint16_t mode_;
  int64_t segment_size_;
  int64_t position_ = 0;
  std::vector<std::unique_ptr<THandleStream>> segments_;
};

// A big stream over one owned memory stream.
class TBigMemoryStream : public TBigStream {
 public:
  TBigMemoryStream() : memory_(std::make_unique<TSaveMemoryStream>()) {}

  int64_t GetSize() override { return memory_->GetSize(); }
  int64_t GetPosition() override { return memory_->GetPosition(); }
  void SetPosition(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t CopyFrom(TBigStream& source, int64_t count) override;
  int64_t CopyFromStream(TStream& source, int64_t count) override;
  int64_t CopyToStream(TStream& target, int64_t count) override;

  void LoadFromFile(const std::string& path) { memory_->LoadFromFile(path); }
  void SaveToFile(const std::string& path) { memory_->SaveToFile(path); }
  TMemoryStream& Memory() { return *memory_; }

 private:
  std::unique_ptr<TMemoryStream> memory_;
};

// A read-only big stream over a named resource of a module. The module, name and type are kept so that range
// streams over the same resource can be opened again.
class TBigResourceStream : public TBigStream {
 public:
  // module: a file path, empty for the running executable. A missing resource reads as an empty stream.
  TBigResourceStream(IResources* resources, const std::string& module, const std::string& type,
                     const std::string& name);

  int64_t GetSize() override { return stream_->GetSize(); }
  int64_t GetPosition() override { return stream_->GetPosition(); }
  void SetPosition(int64_t position) override;
  int64_t Write(const void* buffer, int64_t count) override;  // fails as the resource stream does
  int64_t Read(void* buffer, int64_t count) override;
  int64_t CopyFrom(TBigStream& source, int64_t count) override;
  int64_t CopyFromStream(TStream& source, int64_t count) override;
  int64_t CopyToStream(TStream& target, int64_t count) override;

  IResources* Resources() const { return resources_; }
  const std::string& Module() const { return module_; }
  const std::string& ResourceName() const { return name_; }
  const std::string& ResourceType() const { return type_; }

 private:
  IResources* resources_;
  std::string module_;
  std::string name_;
  std::string type_;
  std::unique_ptr<TResourceStream> stream_;
};

// A read-ahead reader over a big stream (not owned), 100 KiB at a time. Destroying it moves the inner stream back
// by the bytes still buffered, so that the inner position is again the logical reading position.
class TBuffBigStream {
 public:
  static constexpr int32_t kChunkSize = 102400;

  explicit TBuffBigStream(TBigStream& inner) : inner_(inner) {}
  ~TBuffBigStream();
  TBuffBigStream(const TBuffBigStream&) = delete;
  TBuffBigStream& operator=(const TBuffBigStream&) = delete;

  // Returns the bytes copied; fewer than count when the inner stream ends.
  int64_t Read(void* buffer, int64_t count);

 private:
  TBigStream& inner_;
  TMemoryStream buffer_;
};

}  // namespace velk

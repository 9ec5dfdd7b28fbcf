#pragma once
// The byte streams: the conventional abstract stream with 32-bit signed size and position, and its concrete kinds
// (memory, file, handle over an open descriptor, read-only resource). Reads may return fewer bytes than asked;
// ReadBuffer and WriteBuffer are the checking forms that throw on a short transfer.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velk {

// Seek origins.
constexpr int soBeginning = 0;
constexpr int soCurrent = 1;
constexpr int soEnd = 2;

// File-open mode words: the low nibble is the access, bits 4 to 7 the sharing.
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmCreate = 0xFFFF;  // low nibble 15: create afresh, read-write
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TMemoryStream;

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to count bytes; returns how many were read (0 at the end or for count <= 0).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position (origin soBeginning, soCurrent or soEnd) and returns the new position.
  virtual int32_t Seek(int32_t offset, int origin) = 0;
  virtual int32_t GetSize();
  // Truncates or extends the stream; kinds that cannot change size throw EStreamError.
  virtual void SetSize(int32_t size);
  // The stream as a memory stream (direct access to its bytes), or null.
  virtual TMemoryStream* AsMemory() { return nullptr; }

  int32_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(int32_t position) { Seek(position, soBeginning); }
  // Bytes between the position and the end, never negative.
  int32_t Remaining();
  // Reads or writes exactly count bytes or throws EStreamError.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
};

// A growable in-memory stream.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;
  int32_t GetSize() override { return static_cast<int32_t>(bytes_.size()); }
  void SetSize(int32_t size) override;
  TMemoryStream* AsMemory() override { return this; }

  uint8_t* Memory() { return bytes_.data(); }
  const uint8_t* Memory() const { return bytes_.data(); }
  std::vector<uint8_t>& Bytes() { return bytes_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  void Clear();
  void LoadFromFile(const std::string& path);  // path on disk, UTF-8
  void SaveToFile(const std::string& path);
  void LoadFromStream(TStream& source);  // the whole source from its start
  void SaveToStream(TStream& target);

 private:
  std::vector<uint8_t> bytes_;
  int32_t position_ = 0;
};

// The memory stream used wherever the system holds data in memory (memory archive entries, save data).
class TSaveMemoryStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
};

// A stream over an open file descriptor. Owns the descriptor when told to.
class THandleStream : public TStream {
 public:
  // fd < 0 is an invalid handle: every operation fails with EStreamError.
  THandleStream(int fd, bool owns);
  ~THandleStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;
  // A regular file's size is asked of the system in one call, without moving the position.
  int32_t GetSize() override;
  void SetSize(int32_t size) override;
  int Handle() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Flushes written data to the device.
  void Flush();

 protected:
  int fd_;
  bool owns_;
};

// A file opened by name (UTF-8 path on disk) and mode word.
class TFileStream : public THandleStream {
 public:
  // Throws EStreamError naming the file when it cannot be opened or created.
  TFileStream(const std::string& path, uint16_t mode);
  const std::string& FileName() const { return path_; }

  // Opens the file without throwing: an invalid descriptor (-1) when it cannot be opened.
  static int OpenHandle(const std::string& path, uint16_t mode);

 private:
  std::string path_;
};

// A read-only view of resource bytes (a named resource of a module). Writing fails.
class TResourceStream : public TStream {
 public:
  explicit TResourceStream(std::shared_ptr<const std::vector<uint8_t>> bytes);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int32_t Seek(int32_t offset, int origin) override;
  int32_t GetSize() override { return static_cast<int32_t>(bytes_->size()); }

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  int32_t position_ = 0;
};

// Whether a file exists on disk (UTF-8 path), and is a regular file.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace velk

#include "vfs/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

// ---- TStream

int32_t TStream::GetSize() {
  int32_t pos = Seek(0, soCurrent);
  int32_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int32_t) { throw EStreamError(Utf8ToCp932("ストリームのサイズを変更できません")); }

int32_t TStream::Remaining() {
  int32_t left = GetSize() - GetPosition();
  return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw EStreamError(Utf8ToCp932("ストリームの読み込みエラー"));
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EStreamError(Utf8ToCp932("ストリームの書き込みエラー"));
}

// ---- TMemoryStream

namespace {

// The target of a seek, clamped to [0, INT32_MAX] in 64 bits so that no offset overflows.
int32_t seek_target(int64_t position, int64_t size, int32_t offset, int origin) {
  int64_t target = origin == soBeginning ? offset : origin == soCurrent ? position + offset : size + offset;
  return static_cast<int32_t>(std::clamp<int64_t>(target, 0, INT32_MAX));
}

}  // namespace

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= GetSize()) return 0;
  int32_t n = std::min(count, GetSize() - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (static_cast<int64_t>(position_) + count > INT32_MAX) count = INT32_MAX - position_;
  size_t end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int32_t TMemoryStream::Seek(int32_t offset, int origin) {
  // A memory stream may be positioned past its end (a later write fills the gap with zeros).
  position_ = seek_target(position_, GetSize(), offset, origin);
  return position_;
}

void TMemoryStream::SetSize(int32_t size) {
  bytes_.resize(static_cast<size_t>(std::max(size, 0)));
  if (position_ > GetSize()) position_ = GetSize();
}

void TMemoryStream::Clear() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& path) {
  TFileStream f(path, fmCreate);
  SaveToStream(f);
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int32_t size = source.GetSize();
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(size, 0)));
  source.ReadBuffer(bytes.data(), size);
  bytes_ = std::move(bytes);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& target) { target.WriteBuffer(bytes_.data(), GetSize()); }

// ---- THandleStream

THandleStream::THandleStream(int fd, bool owns) : fd_(fd), owns_(owns) {}

THandleStream::~THandleStream() {
  if (owns_ && fd_ >= 0) ::close(fd_);
}

static EStreamError invalid_handle() { return EStreamError(Utf8ToCp932("無効なファイルハンドルです")); }

int32_t THandleStream::Read(void* buffer, int32_t count) {
  if (fd_ < 0) throw invalid_handle();
  if (count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(buffer);
  int32_t total = 0;
  while (total < count) {
    ssize_t r = ::read(fd_, p + total, static_cast<size_t>(count - total));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    total += static_cast<int32_t>(r);
  }
  return total;
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  if (fd_ < 0) throw invalid_handle();
  if (count <= 0) return 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  int32_t total = 0;
  while (total < count) {
    ssize_t r = ::write(fd_, p + total, static_cast<size_t>(count - total));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    total += static_cast<int32_t>(r);
  }
  return total;
}

int32_t THandleStream::Seek(int32_t offset, int origin) {
  if (fd_ < 0) throw invalid_handle();
  // Positions before the start clamp to 0, as in every other stream kind.
  int64_t base = 0;
  if (origin == soCurrent) base = ::lseek(fd_, 0, SEEK_CUR);
  if (origin == soEnd) base = ::lseek(fd_, 0, SEEK_END);
  int64_t target = std::clamp<int64_t>(base + offset, 0, INT32_MAX);
  off_t r = ::lseek(fd_, static_cast<off_t>(target), SEEK_SET);
  if (r < 0) r = ::lseek(fd_, 0, SEEK_CUR);
  return static_cast<int32_t>(std::clamp<off_t>(r, 0, INT32_MAX));
}

int32_t THandleStream::GetSize() {
  if (fd_ < 0) throw invalid_handle();
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return TStream::GetSize();
  return static_cast<int32_t>(std::clamp<off_t>(st.st_size, 0, INT32_MAX));
}

void THandleStream::SetSize(int32_t size) {
  if (fd_ < 0) throw invalid_handle();
  if (::ftruncate(fd_, std::max(size, 0)) != 0) throw EStreamError(Utf8ToCp932("ストリームのサイズを変更できません"));
}

void THandleStream::Flush() {
  if (fd_ >= 0) ::fdatasync(fd_);
}

// ---- TFileStream

int TFileStream::OpenHandle(const std::string& path, uint16_t mode) {
  int flags = O_CLOEXEC;
  if (mode == fmCreate || (mode & 0x0F) == 0x0F) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (mode & 0x03) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return -1;
    }
  }
  return fd;
}

TFileStream::TFileStream(const std::string& path, uint16_t mode)
    : THandleStream(OpenHandle(path, mode), true), path_(path) {
  if (fd_ < 0) {
    const bool create = mode == fmCreate || (mode & 0x0F) == 0x0F;
    std::string text = create ? "ファイルを作成できません" : "ファイルを開けません";
    throw EStreamError(Utf8ToCp932(text), Utf8ToCp932(path));
  }
}

// ---- TResourceStream

TResourceStream::TResourceStream(std::shared_ptr<const std::vector<uint8_t>> bytes)
    : bytes_(bytes ? std::move(bytes) : std::make_shared<const std::vector<uint8_t>>()) {}

int32_t TResourceStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= GetSize()) return 0;
  int32_t n = std::min(count, GetSize() - position_);
  std::memcpy(buffer, bytes_->data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TResourceStream::Write(const void*, int32_t) { throw EStreamError(Utf8ToCp932("リソースには書き込めません")); }

int32_t TResourceStream::Seek(int32_t offset, int origin) {
  position_ = std::min(seek_target(position_, GetSize(), offset, origin), GetSize());
  return position_;
}

// ---- files on disk

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace velk

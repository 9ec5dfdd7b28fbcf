#include "medialib/byte_source.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace velk {

int32_t TCallbackSource::Read(void* buffer, int32_t count) {
  if (count <= 0 || !cb_.Read) return 0;
  return std::clamp(cb_.Read(stream_, buffer, count), 0, count);
}

int64_t TCallbackSource::Seek(int64_t position) {
  if (!cb_.Seek) return 0;
  position = std::clamp<int64_t>(position, 0, std::numeric_limits<int32_t>::max());
  return cb_.Seek(stream_, static_cast<int32_t>(position));
}

int64_t TCallbackSource::Tell() { return cb_.Position ? cb_.Position(stream_) : 0; }

int64_t TCallbackSource::Size() { return cb_.Size ? std::max(cb_.Size(stream_), 0) : 0; }

int32_t TMemorySource::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t n = std::min<int64_t>(count, Size() - position_);
  if (n <= 0) return 0;
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int64_t TMemorySource::Seek(int64_t position) {
  position_ = std::clamp<int64_t>(position, 0, Size());
  return position_;
}

TDiskSource::TDiskSource(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return;
  if (std::fseek(file_, 0, SEEK_END) == 0) size_ = std::max<int64_t>(std::ftell(file_), 0);
  std::fseek(file_, 0, SEEK_SET);
}

TDiskSource::~TDiskSource() {
  if (file_ != nullptr) std::fclose(file_);
}

int32_t TDiskSource::Read(void* buffer, int32_t count) {
  if (file_ == nullptr || count <= 0) return 0;
  return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TDiskSource::Seek(int64_t position) {
  if (file_ == nullptr) return 0;
  position = std::clamp<int64_t>(position, 0, size_);
  std::fseek(file_, static_cast<long>(position), SEEK_SET);
  return Tell();
}

int64_t TDiskSource::Tell() { return file_ != nullptr ? std::ftell(file_) : 0; }

}  // namespace velk

#include "vfs/big_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "vfs/disk_name.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// CopyStream with the big streams' count rule: kWholeStream is the whole source, other counts below 1 are nothing.
int64_t copy_count(TStream& target, TStream& source, int64_t count) {
  if (count == kWholeStream) return CopyStream(target, source, 0);
  if (count <= 0) return 0;
  return CopyStream(target, source, count);
}

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

}  // namespace

// ---- TBigFileStream

std::string TBigFileStream::SegmentName(const std::string& file_name, int32_t k) {
  if (k == 0) return file_name;
  char digits[16];
  std::snprintf(digits, sizeof digits, ".%.3d", k);
  return ChangeDiskFileExt(file_name, digits);
}

TBigFileStream::TBigFileStream(const std::string& file_name, uint16_t mode, int64_t segment_size)
    : file_name_(file_name), mode_(mode), segment_size_(std::clamp<int64_t>(segment_size, 1, kDefaultSegmentSize)) {
  const int access = mode & 0x0F;
  for (int32_t k = 0; FileExists(SegmentName(file_name, k)); ++k) {
    std::string name = SegmentName(file_name, k);
    if (access == 0 || access == 2) {
      segments_.push_back(std::make_unique<THandleStream>(TFileStream::OpenHandle(name, mode), true));
    } else {
      ::unlink(name.c_str());  // created afresh: the old segments go before anything is written
    }
  }
}

TBigFileStream::~TBigFileStream() {
  const int access = mode_ & 0x0F;
  if (access == 1 || access == 2 || access == 15) {
    for (auto& s : segments_) {
      if (s && s->Valid()) s->Flush();
    }
  }
}

THandleStream& TBigFileStream::segment_for_write(size_t i) {
  while (segments_.size() <= i) {
    std::string name = SegmentName(file_name_, static_cast<int32_t>(segments_.size()));
    segments_.push_back(std::make_unique<THandleStream>(TFileStream::OpenHandle(name, fmCreate), true));
  }
  return *segments_[i];
}

int64_t TBigFileStream::GetSize() {
  int64_t size = 0;
  for (auto& s : segments_) size += s->GetSize();
  return size;
}

void TBigFileStream::SetPosition(int64_t position) {
  position_ = std::clamp<int64_t>(position, 0, GetSize());  // no seeking past the end
}

template <class Move> int64_t TBigFileStream::transfer(int64_t count, bool writing, Move move) {
  int64_t total = 0;
  auto i = static_cast<size_t>(position_ / segment_size_);
  while (count > 0) {
    if (!writing && i >= segments_.size()) break;
    THandleStream& seg = writing ? segment_for_write(i) : *segments_[i];
    const int64_t offset = position_ - static_cast<int64_t>(i) * segment_size_;
    seg.Seek(static_cast<int32_t>(offset), soBeginning);
    const int64_t room = writing ? segment_size_ - offset : seg.GetSize() - offset;
    const int64_t k = std::min(room, count);
    if (k <= 0) break;
    const int64_t moved = move(seg, total, static_cast<int32_t>(k));
    if (moved <= 0) break;
    total += moved;
    position_ += moved;
    count -= moved;
    if (moved < k) break;  // short transfer: report what was moved
    ++i;
  }
  return total;
}

int64_t TBigFileStream::Read(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  return transfer(count, false, [p](THandleStream& seg, int64_t done, int32_t k) { return seg.Read(p + done, k); });
}

int64_t TBigFileStream::Write(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  return transfer(count, true, [p](THandleStream& seg, int64_t done, int32_t k) { return seg.Write(p + done, k); });
}

int64_t TBigFileStream::CopyToStream(TStream& target, int64_t count) {
  if (count == kWholeStream) {
    SetPosition(0);
    count = GetSize();
  }
  return transfer(count, false,
                  [&target](THandleStream& seg, int64_t, int32_t k) { return CopyStream(target, seg, k); });
}

int64_t TBigFileStream::CopyFromStream(TStream& source, int64_t count) {
  if (count == kWholeStream) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  return transfer(count, true,
                  [&source](THandleStream& seg, int64_t, int32_t k) { return CopyStream(seg, source, k); });
}

int64_t TBigFileStream::CopyFrom(TBigStream& source, int64_t count) {
  if (count == kWholeStream) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count <= 0) return 0;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBufferSize)));
  int64_t total = 0;
  while (count > 0) {
    int64_t got = source.Read(buffer.data(), std::min<int64_t>(count, static_cast<int64_t>(buffer.size())));
    if (got <= 0) break;
    int64_t written = Write(buffer.data(), got);
    total += written;
    count -= got;
    if (written < got) break;
  }
  return total;
}

// ---- TBigMemoryStream

void TBigMemoryStream::SetPosition(int64_t position) { memory_->SetPosition(clamp32(position)); }

int64_t TBigMemoryStream::Write(const void* buffer, int64_t count) { return memory_->Write(buffer, clamp32(count)); }

int64_t TBigMemoryStream::Read(void* buffer, int64_t count) { return memory_->Read(buffer, clamp32(count)); }

int64_t TBigMemoryStream::CopyFrom(TBigStream& source, int64_t count) {
  auto* other = dynamic_cast<TBigMemoryStream*>(&source);
  return other != nullptr ? copy_count(*memory_, *other->memory_, count) : 0;
}

int64_t TBigMemoryStream::CopyFromStream(TStream& source, int64_t count) { return copy_count(*memory_, source, count); }

int64_t TBigMemoryStream::CopyToStream(TStream& target, int64_t count) { return copy_count(target, *memory_, count); }

// ---- TBigResourceStream

TBigResourceStream::TBigResourceStream(IResources* resources, const std::string& module, const std::string& type,
                                       const std::string& name)
    : resources_(resources), module_(module), name_(name), type_(type),
      stream_(std::make_unique<TResourceStream>(resources != nullptr ? resources->Find(module, type, name) : nullptr)) {
}

void TBigResourceStream::SetPosition(int64_t position) { stream_->SetPosition(clamp32(position)); }

int64_t TBigResourceStream::Write(const void* buffer, int64_t count) { return stream_->Write(buffer, clamp32(count)); }

int64_t TBigResourceStream::Read(void* buffer, int64_t count) { return stream_->Read(buffer, clamp32(count)); }

int64_t TBigResourceStream::CopyFrom(TBigStream& source, int64_t count) {
  auto* other = dynamic_cast<TBigResourceStream*>(&source);
  return other != nullptr ? copy_count(*stream_, *other->stream_, count) : 0;
}

int64_t TBigResourceStream::CopyFromStream(TStream& source, int64_t count) {
  return copy_count(*stream_, source, count);
}

int64_t TBigResourceStream::CopyToStream(TStream& target, int64_t count) { return copy_count(target, *stream_, count); }

// ---- TBuffBigStream

TBuffBigStream::~TBuffBigStream() {
  int64_t unread = buffer_.GetSize() - buffer_.GetPosition();
  if (unread > 0) inner_.SetPosition(inner_.GetPosition() - unread);
}

int64_t TBuffBigStream::Read(void* buffer, int64_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t total = 0;
  while (count > 0) {
    if (buffer_.GetPosition() >= buffer_.GetSize()) {
      buffer_.Clear();
      int64_t left = inner_.GetSize() - inner_.GetPosition();
      if (left <= 0) break;
      int64_t got = inner_.CopyToStream(buffer_, std::min<int64_t>(left, kChunkSize));
      buffer_.SetPosition(0);
      if (got <= 0) break;
    }
    int32_t k = buffer_.Read(p + total, static_cast<int32_t>(std::min<int64_t>(count, buffer_.Remaining())));
    total += k;
    count -= k;
  }
  return total;
}

}  // namespace velk

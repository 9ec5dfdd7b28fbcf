#include "vfs/range_stream.h"

#include <algorithm>

namespace velk {

TRangeStream::TRangeStream(std::unique_ptr<TBigStream> inner, int64_t length, int64_t start)
    : inner_(std::move(inner)) {
  const int64_t size = inner_->GetSize();
  start_ = std::clamp<int64_t>(start, 0, size);
  length_ = length == kWholeStream ? size - start_ : std::clamp<int64_t>(length, 0, size - start_);
  inner_->SetPosition(start_);
}

int32_t TRangeStream::Read(void* buffer, int32_t count) {
  std::lock_guard<std::mutex> hold(lock_);
  const int64_t left = start_ + length_ - inner_->GetPosition();
  const int64_t n = std::min<int64_t>(count, left);
  return n > 0 ? static_cast<int32_t>(inner_->Read(buffer, n)) : 0;
}

int32_t TRangeStream::Write(const void*, int32_t) { return 0; }

int32_t TRangeStream::Seek(int32_t offset, int origin) {
  std::lock_guard<std::mutex> hold(lock_);
  const int64_t here = inner_->GetPosition();
  int64_t target = origin == soBeginning ? start_ + offset
                   : origin == soCurrent ? here + offset
                   : origin == soEnd     ? start_ + length_ + offset
                                         : here;
  target = std::clamp(target, start_, start_ + length_);
  inner_->SetPosition(target);
  return static_cast<int32_t>(std::min<int64_t>(inner_->GetPosition() - start_, INT32_MAX));
}

int32_t TRangeStream::GetSize() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int32_t>(std::min<int64_t>(length_, INT32_MAX));
}

TFileRangeStream::TFileRangeStream(const std::string& file_name, int64_t length, int64_t start, int64_t segment_size)
    : TRangeStream(std::make_unique<TBigFileStream>(file_name, fmOpenRead | fmShareDenyWrite, segment_size), length,
                   start) {}

TResourceRangeStream::TResourceRangeStream(IResources* resources, const std::string& module,
                                           const std::string& resource_name, int64_t length, int64_t start,
                                           const std::string& resource_type)
    : TRangeStream(std::make_unique<TBigResourceStream>(resources, module, resource_type, resource_name), length,
                   start) {}

}  // namespace velk

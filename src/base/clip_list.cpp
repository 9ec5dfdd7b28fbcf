#include "base/clip_list.h"

namespace velk {

bool TClipList::Near(const TRect& e, const TRect& n) {
  // In 64 bits: coordinates near the int32 limits must not overflow.
  const int64_t d = kMergeDistance;
  return !(int64_t{e.Right} + d < n.Left || int64_t{e.Bottom} + d < n.Top || int64_t{n.Right} < e.Left - d ||
           int64_t{n.Bottom} < e.Top - d);
}

void TClipList::Add(const TRect& rect) {
  if (rect.IsEmpty()) return;
  TRect n = rect;
  for (size_t i = 0; i < rects_.size();) {
    const TRect& e = rects_[i];
    if (!Near(e, n)) {
      ++i;
      continue;
    }
    if (e.Contains(n)) return;
    n = Union(n, e);
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(i));
    i = 0;  // start again with the union
  }
  rects_.push_back(n);
}

}  // namespace velk

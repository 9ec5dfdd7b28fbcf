#pragma once
// The changed-rectangle list of a base. Rectangles that lie within 20 pixels of each other are merged into their
// union, so that a frame repaints a few larger areas instead of many small ones.
#include <cstdint>
#include <vector>

#include "base/rect.h"

namespace velk {

class TClipList {
 public:
  // The distance within which two rectangles count as near.
  static constexpr int32_t kMergeDistance = 20;

  // Adds a rectangle: an empty one is ignored; one inside the first near stored rectangle is dropped; otherwise the
  // first near stored rectangle is removed and the union is added again (merging repeats); with none near it is
  // appended.
  void Add(const TRect& rect);
  void Clear() { rects_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(rects_.size()); }
  const TRect& operator[](int32_t index) const { return rects_.at(static_cast<size_t>(index)); }
  const std::vector<TRect>& Rects() const { return rects_; }
  auto begin() const { return rects_.begin(); }
  auto end() const { return rects_.end(); }

  // Whether a and b lie within kMergeDistance pixels of each other.
  static bool Near(const TRect& a, const TRect& b);

 private:
  std::vector<TRect> rects_;
};

}  // namespace velk

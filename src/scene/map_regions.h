#pragma once
// The named hot regions of a map image, read from its region file: a count, then per region its name, a shape byte
// (0 rectangle, 1 ellipse, anything else a polygon) and the shape. Rectangles and ellipses are given by four
// inclusive coordinates (the region covers its right column and bottom row); polygons by their vertices, filled with
// the winding rule. Coordinates are relative to the map image's top-left corner; regions are numbered from 0 in file
// order and the lowest number wins where they overlap.
#include <cstdint>
#include <string>
#include <vector>

#include "base/rect.h"

namespace velk {

class TStream;

struct TMapRegion {
  enum class TShape : uint8_t { Rectangle, Ellipse, Polygon };

  std::string Name;
  uint8_t ShapeCode = 0;                             // as stored: 0 rectangle, 1 ellipse, other values polygon
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // rectangle and ellipse, inclusive
  std::vector<TPoint> Points;                        // polygon

  TShape Shape() const;
  bool Contains(int32_t x, int32_t y) const;
  // The smallest rectangle (right and bottom outside) holding every point of the region.
  TRect BoundingBox() const;
};

class TMapRegions {
 public:
  // Replaces the regions by those of the stream. Damaged data (a count, a name or a vertex list that does not fit
  // in the bytes left) raises EFormatError and leaves the regions empty.
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s) const;

  void Clear() { regions_.clear(); }
  void Add(TMapRegion region) { regions_.push_back(std::move(region)); }
  int32_t Count() const { return static_cast<int32_t>(regions_.size()); }
  const TMapRegion& Region(int32_t i) const { return regions_.at(static_cast<size_t>(i)); }
  // The lowest-numbered region containing the point, or -1.
  int32_t RegionAt(int32_t x, int32_t y) const;
  // The bounding box of region i, empty for an index outside the list.
  TRect BoundingBox(int32_t i) const;

 private:
  std::vector<TMapRegion> regions_;
};

}  // namespace velk

#include "scene/map_regions.h"

#include <algorithm>
#include <new>
#include <limits>

#include "base/error.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// The fewest bytes a region takes: name length, shape byte and an empty vertex list.
constexpr int64_t kMinRegionBytes = 4 + 1 + 4;

int32_t ClampedEnd(int32_t v) { return v == std::numeric_limits<int32_t>::max() ? v : v + 1; }

// Non-zero winding number of the polygon around the pixel centre (x + 0.5, y + 0.5). Coordinates are doubled so
// that the centre is an odd point and never lies on a vertex's scan line.
int32_t Winding(const std::vector<TPoint>& points, int32_t x, int32_t y) {
  const int64_t px = 2 * int64_t{x} + 1, py = 2 * int64_t{y} + 1;
  int32_t winding = 0;
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % n];
    const int64_t ax = 2 * int64_t{a.X}, ay = 2 * int64_t{a.Y}, bx = 2 * int64_t{b.X}, by = 2 * int64_t{b.Y};
    // Which side of the edge the point lies on; long double keeps the products of 34-bit differences.
    const auto side = [&] {
      return static_cast<long double>(bx - ax) * static_cast<long double>(py - ay) -
             static_cast<long double>(px - ax) * static_cast<long double>(by - ay);
    };
    if (ay < py) {
      if (by > py && side() > 0) ++winding;
    } else if (by < py && side() < 0) {
      --winding;
    }
  }
  return winding;
}

}  // namespace

TMapRegion::TShape TMapRegion::Shape() const {
  switch (ShapeCode) {
    case 0: return TShape::Rectangle;
    case 1: return TShape::Ellipse;
    default: return TShape::Polygon;
  }
}

bool TMapRegion::Contains(int32_t x, int32_t y) const {
  switch (Shape()) {
    case TShape::Rectangle: return x >= Left && x <= Right && y >= Top && y <= Bottom;
    case TShape::Ellipse: {
      if (x < Left || x > Right || y < Top || y > Bottom) return false;
      // The ellipse inscribed in the cells Left .. Right and Top .. Bottom, tested at the cell's centre.
      const double rx = (static_cast<double>(Right) - Left + 1) / 2, ry = (static_cast<double>(Bottom) - Top + 1) / 2;
      const double dx = (x + 0.5 - Left - rx) / rx, dy = (y + 0.5 - Top - ry) / ry;
      return dx * dx + dy * dy <= 1.0;
    }
    case TShape::Polygon: return Points.size() >= 3 && Winding(Points, x, y) != 0;
  }
  return false;
}

TRect TMapRegion::BoundingBox() const {
  if (Shape() != TShape::Polygon) {
    if (Right < Left || Bottom < Top) return TRect{};
    return TRect{Left, Top, ClampedEnd(Right), ClampedEnd(Bottom)};
  }
  if (Points.size() < 3) return TRect{};
  TRect r{Points[0].X, Points[0].Y, Points[0].X, Points[0].Y};
  for (const TPoint& p : Points) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  // Pixels are taken by their centres, so the column of the rightmost vertex lies outside; one more keeps the box
  // on the safe side for redrawing.
  r.Right = ClampedEnd(r.Right);
  r.Bottom = ClampedEnd(r.Bottom);
  return r;
}

void TMapRegions::LoadFromStream(TStream& s) try {
  regions_.clear();
  std::vector<TMapRegion> regions;
  const int32_t count = ReadInt(s);
  CheckCount(s, count, kMinRegionBytes);
  regions.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    TMapRegion r;
    CheckCount(s, 1, 4);
    r.Name = ReadString(s);
    CheckCount(s, 1, 1);
    r.ShapeCode = ReadByte(s);
    if (r.Shape() == TMapRegion::TShape::Polygon) {
      CheckCount(s, 1, 4);
      const int32_t n = ReadInt(s);
      CheckCount(s, n, 8);
      r.Points.resize(static_cast<size_t>(n));
      for (TPoint& p : r.Points) {
        p.X = ReadInt(s);
        p.Y = ReadInt(s);
      }
    } else {
      CheckCount(s, 4, 4);
      r.Left = ReadInt(s);
      r.Top = ReadInt(s);
      r.Right = ReadInt(s);
      r.Bottom = ReadInt(s);
    }
    regions.push_back(std::move(r));
  }
  regions_ = std::move(regions);
} catch (const std::bad_alloc&) {
  // Counts in the data asked for more memory than there is: the data is damaged.
  throw EFormatError("region file: too large to hold in memory");
}

void TMapRegions::SaveToStream(TStream& s) const {
  WriteInt(s, Count());
  for (const TMapRegion& r : regions_) {
    WriteString(s, r.Name);
    WriteByte(s, r.ShapeCode);
    if (r.Shape() == TMapRegion::TShape::Polygon) {
      WriteInt(s, static_cast<int32_t>(r.Points.size()));
      for (const TPoint& p : r.Points) {
        WriteInt(s, p.X);
        WriteInt(s, p.Y);
      }
    } else {
      for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) WriteInt(s, v);
    }
  }
}

int32_t TMapRegions::RegionAt(int32_t x, int32_t y) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (regions_[static_cast<size_t>(i)].Contains(x, y)) return i;
  }
  return -1;
}

TRect TMapRegions::BoundingBox(int32_t i) const {
  if (i < 0 || i >= Count()) return TRect{};
  return regions_[static_cast<size_t>(i)].BoundingBox();
}

}  // namespace velk

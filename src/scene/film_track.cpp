#include "scene/film_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "base/paths.h"
#include "scene/base_list.h"
#include "scene/film_manager.h"
#include "scene/velk_control.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Nearest integer, halves to even, limited to the int32 range.
int64_t RoundEven(double v) {
  if (!std::isfinite(v)) return 0;
  v = std::clamp(v, -9.0e18, 9.0e18);
  return static_cast<int64_t>(std::nearbyint(v));
}

// Older films counted 30 ticks a second: their tick values are doubled.
int32_t Doubled(int32_t v) { return Saturate(int64_t{v} * 2); }

}  // namespace

// ---- interpolation ------------------------------------------------------------------------------------------

int32_t FilmInterpolate(int32_t s, int32_t e, uint8_t mode, int64_t d, int64_t n) {
  if (s == e) return s;
  if (d >= n - 1) return e;
  if (d <= 0) return s;
  const int64_t span = int64_t{e} - s;
  constexpr double kQuarter = std::numbers::pi / 2;
  switch (mode) {
    case 0:
      return Saturate(s + span * d / (n - 1));
    case 1:
      return Saturate(e - RoundEven(std::sin(static_cast<double>(n - d - 1) * kQuarter / static_cast<double>(n)) *
                                    static_cast<double>(span)));
    default:
      return Saturate(s + RoundEven(std::sin(static_cast<double>(d) * kQuarter / static_cast<double>(n)) *
                                    static_cast<double>(span)));
  }
}

double FilmInterpolateReal(double s, double e, uint8_t mode, int64_t d, int64_t n) {
  if (s == e) return s;
  if (d >= n - 1) return e;
  if (d <= 0) return s;
  const double dd = static_cast<double>(d), nn = static_cast<double>(n);
  constexpr double kQuarter = std::numbers::pi / 2;
  switch (mode) {
    case 0:
      return s + (e - s) * dd / nn;
    case 1:
      return e - std::sin((nn - dd - 1) * kQuarter / nn) * (e - s);
    default:
      return s + std::sin(dd * kQuarter / nn) * (e - s);
  }
}

int32_t FilmInterpolateColor(int32_t s, int32_t e, int64_t d, int64_t n) {
  if (s == e) return s;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const auto a = static_cast<int32_t>((static_cast<uint32_t>(s) >> shift) & 0xFF);
    const auto b = static_cast<int32_t>((static_cast<uint32_t>(e) >> shift) & 0xFF);
    out |= static_cast<uint32_t>(FilmInterpolate(a, b, 0, d, n) & 0xFF) << shift;
  }
  return static_cast<int32_t>(out);
}

int32_t FilmAngle(double degrees) {
  const int64_t a = RoundEven(degrees * 256.0 / 360.0);
  if (a >= 0) return static_cast<int32_t>(a % 256);
  return static_cast<int32_t>((256 - ((-a) % 256)) % 256);
}

int32_t FilmOpacity(int32_t s, int32_t e, int64_t d, int64_t n) {
  if (s == 0 && e == 0) return 255;
  const int32_t v = FilmInterpolate(s == 0 ? 255 : s, e == 0 ? 255 : e, 0, d, n);
  return v < 0 ? 256 + Saturate(-int64_t{v}) : v;
}

int32_t FilmCoord(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxFilmCoord, kMaxFilmCoord)); }

int32_t FilmZoom(double factor) {
  const double v = std::trunc(factor * 256.0);
  if (!(v > -kMaxFilmZoom)) return -kMaxFilmZoom;
  if (!(v < kMaxFilmZoom)) return kMaxFilmZoom;
  return static_cast<int32_t>(v);
}

// ---- stored fields ------------------------------------------------------------------------------------------

void ReadFilmPoint(TStream& s, TFilmPoint& p) {
  p.X = ReadIntExact(s);
  p.Y = ReadIntExact(s);
}

void WriteFilmPoint(TStream& s, const TFilmPoint& p) {
  WriteInt(s, p.X);
  WriteInt(s, p.Y);
}

double ReadFilmReal(TStream& s) {
  NeedBytes(s, 8);
  uint8_t bytes[8];
  s.ReadBuffer(bytes, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
  double v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void WriteFilmReal(TStream& s, double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof v);
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  s.WriteBuffer(bytes, 8);
}

std::string FilmFileName(const std::string& folder, const std::string& name) {
  if (name.empty() || name[0] == '\\' || IsAbsolutePath(name)) return name;
  return ResolveRelativePath(folder, name);
}

// ---- the track ----------------------------------------------------------------------------------------------

TCustomFrameList::~TCustomFrameList() { Hide(); }

int32_t TCustomFrameList::FrameIndexAt(int64_t t) const {
  const int32_t count = FrameCount();
  if (count <= 0) return -1;
  int64_t rest = t % std::max(1, FrameCycle);
  if (rest < 0) rest = 0;
  for (int32_t i = 0; i < count; ++i) {
    rest -= FrameTicks(i);
    if (rest < 0) return i;
  }
  return count - 1;
}

void TCustomFrameList::LoadFromStream(TStream& s, const std::string& folder, int32_t version) {
  PredecessorIndex = ReadIntExact(s);
  Duration = ReadIntExact(s);
  Reserved = ReadIntExact(s);
  StartTick = ReadIntExact(s);
  FrameCycle = ReadIntExact(s);
  Priority = ReadIntExact(s);
  MirrorH = ReadByteExact(s) != 0;
  MirrorV = ReadByteExact(s) != 0;
  OtherBase = ReadByteExact(s) != 0;
  if (version <= 106) {
    StartTick = Doubled(StartTick);
    Duration = Doubled(Duration);
    FrameCycle = Doubled(FrameCycle);
  }
  LoadOwn(s, folder, version);
}

void TCustomFrameList::SaveToStream(TStream& s, int32_t version, int32_t predecessor_index) const {
  const bool halve = version <= 106;
  WriteInt(s, predecessor_index);
  WriteInt(s, halve ? Duration / 2 : Duration);
  WriteInt(s, Reserved);
  WriteInt(s, halve ? StartTick / 2 : StartTick);
  WriteInt(s, halve ? FrameCycle / 2 : FrameCycle);
  WriteInt(s, Priority);
  WriteByte(s, MirrorH);
  WriteByte(s, MirrorV);
  WriteByte(s, OtherBase);
  SaveOwn(s, version);
}

TVelkControl* TCustomFrameList::Control() const {
  if (film_.MotionMode()) return film_.Controlled();
  TVelkBaseList* scene = film_.Scene();
  TVelkObject* o = scene ? scene->Resolve(control_) : nullptr;
  return o ? o->AsControl() : nullptr;
}

TVelkControl* TCustomFrameList::Target() {
  if (TVelkControl* c = Control()) return c;
  TVelkBaseList* scene = film_.Scene();
  if (!scene) return nullptr;
  std::unique_ptr<TVelkControl> made = NewControl(scene);
  if (!made) return nullptr;
  TVelkObject* o = scene->Adopt(std::move(made));
  o->SetName(scene->UniqueName(film_.NamePrefix()));
  control_ = o->Handle();
  TVelkControl* c = o->AsControl();
  TVelkControl* parent = film_.PlacedUnder();
  if (!parent) parent = scene->BaseAt(0);
  c->SetParent(parent);
  return c;
}

bool TCustomFrameList::Apply(int32_t tick) {
  if (!Contains(tick)) {
    Hide();
    return false;
  }
  TVelkControl* c = Target();
  if (!c) return true;
  const int64_t d = tick - AbsoluteStart();
  // The base in front after the transitions that ended by the track's start; a scene of the film's own only.
  if (!film_.MotionMode() && !film_.PlacedUnder() && film_.Scene()) {
    const int32_t base = film_.FrontAt(AbsoluteStart()) ^ (OtherBase ? 1 : 0);
    TVelkControl* parent = film_.Scene()->BaseAt(base);
    if (c->Parent() != parent) c->SetParent(parent);
  }
  Show(*c, d);
  return true;
}

void TCustomFrameList::Hide() {
  if (film_.MotionMode()) return;
  TVelkBaseList* scene = film_.Scene();
  TVelkObject* o = scene ? scene->Resolve(control_) : nullptr;
  control_ = {};
  if (o) scene->DestroyObject(o);
}

void TCustomFrameList::PlaceAt(TVelkControl& control, int32_t x, int32_t y) const {
  x = FilmCoord(film_.ShiftX(x));
  y = FilmCoord(film_.ShiftY(y));
  if (film_.MotionMode()) {
    if (control.MotionX != x || control.MotionY != y) {
      control.Invalidate();
      control.MotionX = x;
      control.MotionY = y;
      control.Invalidate();
    }
    control.SetMotionPriority(Priority);
    return;
  }
  if (control.Left != x) control.SetLeft(x);
  if (control.Top != y) control.SetTop(y);
  control.SetPriority(Saturate(int64_t{Priority} + film_.BasePriority()));
}

void TCustomFrameList::SetClip(TVelkControl& control, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (width < 1 || height < 1) left = top = width = height = 0;
  control.SetClipLeft(FilmCoord(left));
  control.SetClipTop(FilmCoord(top));
  control.SetClipWidth(FilmCoord(width));
  control.SetClipHeight(FilmCoord(height));
}

}  // namespace velk

#include "scene/velk_tile.h"

#include "gfx/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using T = TVelkTile;
using P = TProps<T>;

const TPropTable<T> kTileProps = {
    P::Custom<&T::ScrollX, &T::SetScrollX>(PR_SCROLLX),
    P::Custom<&T::ScrollY, &T::SetScrollY>(PR_SCROLLY),
    P::Visual<&T::DistanceX>(PR_DISTANCEX),
    P::Visual<&T::DistanceY>(PR_DISTANCEY),
    P::Plain<&T::OnIdle>(PR_ONIDLE),
    // Tiles read PR_REPEAT (never set) and keep the size they are given.
    {PR_REPEAT, [](const T&, TPropValue& v) { v.B = false; }, nullptr},
    P::Visual<&T::Width>(PR_WIDTH),
    P::Visual<&T::Height>(PR_HEIGHT),
};

}  // namespace

bool TVelkTile::GetProp(int32_t id, TPropValue& value) const {
  return kTileProps.Get(*this, id, value) || TVelkCustomImages::GetProp(id, value);
}

bool TVelkTile::SetProp(int32_t id, const TPropValue& value) {
  return kTileProps.Set(*this, id, value) || TVelkCustomImages::SetProp(id, value);
}

void TVelkTile::SetScrollX(int32_t v) {
  SetVisualInt(scroll_x_, v);
  GeometryChanged();
}

void TVelkTile::SetScrollY(int32_t v) {
  SetVisualInt(scroll_y_, v);
  GeometryChanged();
}

void TVelkTile::DrawTiles() {
  TCustomDIBX* target = Surface();
  TCustomDIBX* image = ImageSurface();
  const int32_t zx = PictureZoomX(), zy = PictureZoomY();
  if (!target || !image || image->IsEmpty() || Alpha <= 0 || Width <= 0 || Height <= 0 || zx <= 0 || zy <= 0) return;
  TCustomDIBX* mask = CurrentMask();
  const bool fh = PictureFlipH(), fv = PictureFlipV();
  const int32_t w = image->Width(), h = image->Height();
  const TRect dst = PictureRect();
  const bool packed = (DistanceX < 1 || DistanceX <= w) && (DistanceY < 1 || DistanceY <= h);
  if (packed) {
    if (zx == 256 && zy == 256 && image->TransparentValue == -1 && !mask && Alpha == 255) {
      target->ScrollTile(dst, image, scroll_x_, scroll_y_, fh, fv);
    } else if (mask) {
      target->ScrollTileScaledMask(dst, zx, zy, image, scroll_x_, scroll_y_, fh, fv, mask, Alpha);
    } else {
      target->ScrollTileScaled(dst, zx, zy, image, scroll_x_, scroll_y_, true, fh, fv, Alpha);
    }
    return;
  }
  // Copies every distance, the first one shifted by the scroll offset.
  const int64_t step_x = DistanceX < 1 || DistanceX <= w ? w : DistanceX;
  const int64_t step_y = DistanceY < 1 || DistanceY <= h ? h : DistanceY;
  // The copies stay inside the tile: the clip narrows to it while they are drawn.
  const TRect area = Intersect(target->ClipBounds(), dst);
  if (area.IsEmpty()) return;
  const TRect kept = target->ClipRect;
  target->ClipRect = area;
  // The first copy that reaches into the visible span lo ..: copies before it are skipped by count, so that a
  // tile far outside the screen costs nothing.
  const auto first = [](int64_t edge, int64_t scroll, int64_t step, int64_t size, int64_t lo) {
    int64_t r = scroll % step;
    if (r < 0) r += step;
    const int64_t origin = edge - r;
    if (origin + size > lo) return origin;
    return origin + ((lo - size - origin) / step + 1) * step;
  };
  const TRect src{0, 0, w, h};
  for (int64_t y = first(dst.Top, scroll_y_, step_y, h, area.Top); y < dst.Bottom && y < area.Bottom; y += step_y) {
    for (int64_t x = first(dst.Left, scroll_x_, step_x, w, area.Left); x < dst.Right && x < area.Right; x += step_x) {
      DrawPictureAt(*target, static_cast<int32_t>(x), static_cast<int32_t>(y), image, src, mask, fh, fv, Alpha);
    }
  }
  target->ClipRect = kept;
}

void TVelkTile::Draw() {
  DrawTiles();
  DrawChildren();
}

TVelkCustomImage* TVelkTile::NewAfterimage() {
  auto* blur = Owner()->New<TVelkBlurTile>();
  blur->Begin(*this);
  return blur;
}

void TVelkTile::SaveOwnFields(TStream& s) const {
  TVelkCustomImages::SaveOwnFields(s);
  WriteInt(s, scroll_x_);
  WriteInt(s, scroll_y_);
  WriteString(s, source_);
  WriteString(s, OnIdle);
  WriteInt(s, DistanceX);
  WriteInt(s, DistanceY);
}

void TVelkTile::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomImages::LoadOwnFields(s, version);
  scroll_x_ = ReadInt(s);
  scroll_y_ = ReadInt(s);
  const std::string source = ReadString(s);
  source_.clear();
  SetSource(source);
  OnIdle = ReadString(s);
  DistanceX = ReadInt(s);
  DistanceY = ReadInt(s);
}

// ---- afterimage ------------------------------------------------------------------------------------------------

TVelkBlurTile::~TVelkBlurTile() { picture_.Release(); }

void TVelkBlurTile::Begin(const TVelkTile& source) {
  source.CopyPictureState(*this);
  SetScrollX(source.ScrollX());
  SetScrollY(source.ScrollY());
  DistanceX = source.DistanceX;
  DistanceY = source.DistanceY;
  picture_.Take(source, *this);
  Fade.StartAlpha = TAfterimageFade::StartOf(source.Alpha);
  Fade.Delay = source.BlurDelay;
  Alpha = Fade.StartAlpha;
  Invalidate();
}

bool TVelkBlurTile::Update() {
  TVelkBaseList* scene = Owner();
  int32_t alpha = Alpha;
  if (Fade.Advance(scene ? scene->FrameMs() : 0, alpha)) return true;
  SetAlpha(alpha);
  return false;
}

void TVelkBlurTile::ReleaseSurfaces() {
  picture_.Release();
  SharedSurface = nullptr;
  Mask = nullptr;
  OwnSurface.reset();
}

}  // namespace velk

#include "scene/custom_image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/error.h"
#include "gfx/dibx.h"
#include "gfx/dibx_wave.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/blur_image.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using CI = TVelkCustomImage;

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The size of a picture side at a zoom: side x zoom / 256.
int32_t Zoomed(int32_t side, int32_t zoom) { return Clamp32(int64_t{side} * zoom / 256); }

using P = TProps<CI>;

int32_t PictureWidth(const CI& c) {
  const TCustomDIBX* s = c.ImageSurface();
  return s ? s->Width() : 0;
}
int32_t PictureHeight(const CI& c) {
  const TCustomDIBX* s = c.ImageSurface();
  return s ? s->Height() : 0;
}

// An explicit size stretches the picture: the zoom of that axis becomes 0. A motion keeps its zoom.
template <bool Vertical> void SetExplicitSize(CI& c, const TPropValue& v) {
  if (!c.MotionAttached()) {
    c.StoreExplicitSize(Vertical, v.I);
  } else if (Vertical) {
    c.SetHeight(v.I);
  } else {
    c.SetWidth(v.I);
  }
}

const TPropTable<CI> kCustomImageProps = {
    P::Visual<&CI::Alpha>(PR_ALPHA),
    P::Custom<&CI::PictureZoomX, &CI::SetZoomX>(PR_ZOOMX),
    P::Custom<&CI::PictureZoomY, &CI::SetZoomY>(PR_ZOOMY),
    P::Visual<&CI::Angle>(PR_ANGLE),
    P::Custom<&CI::PictureFlipH, &CI::SetFlipH>(PR_FLIPH),
    P::Custom<&CI::PictureFlipV, &CI::SetFlipV>(PR_FLIPV),
    P::Plain<&CI::CaptureMask>(PR_CAPTUREMASK),
    P::Custom<&CI::Index, &CI::SetIndex>(PR_INDEX),
    P::Plain<&CI::BlurSpan>(PR_BLURSPAN),
    P::Plain<&CI::BlurDelay>(PR_BLURDELAY),
    {PR_ORIGWIDTH, [](const CI& c, TPropValue& v) { v.I = PictureWidth(c); }, nullptr},
    {PR_ORIGHEIGHT, [](const CI& c, TPropValue& v) { v.I = PictureHeight(c); }, nullptr},
    {PR_WIDTH, nullptr, SetExplicitSize<false>},
    {PR_HEIGHT, nullptr, SetExplicitSize<true>},
    // The size follows the zoom of positions too.
    {PR_POSZOOMED, nullptr,
     [](CI& c, const TPropValue& v) {
       const bool changed = v.B != c.PosZoomed;
       c.SetPosZoomed(v.B);
       if (changed) c.MarkSizeDirty();
     }},
};

}  // namespace

void DrawPictureAt(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX* image, const TRect& src, TCustomDIBX* mask,
                   bool fh, bool fv, int32_t alpha) {
  if (alpha >= 256) {
    const int amount = std::min(alpha - 256, 255);
    if (mask)
      target.DrawAddMask(x, y, image, src, fh, fv, mask, amount);
    else
      target.DrawAdd(x, y, image, src, true, fh, fv, amount);
  } else if (alpha == 255) {
    if (mask)
      target.DrawMask(x, y, image, src, fh, fv, mask);
    else
      target.Draw(x, y, image, src, true, fh, fv);
  } else {
    if (mask)
      target.DrawAlphaMask(x, y, image, src, fh, fv, mask, alpha);
    else
      target.DrawAlpha(x, y, image, src, true, fh, fv, alpha);
  }
}

TVelkCustomImage::TVelkCustomImage(TVelkBaseList* owner) : TVelkControl(owner) {}

TVelkCustomImage::~TVelkCustomImage() = default;

bool TVelkCustomImage::GetProp(int32_t id, TPropValue& value) const {
  return kCustomImageProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkCustomImage::SetProp(int32_t id, const TPropValue& value) {
  return kCustomImageProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

TCustomDIBX* TVelkCustomImage::ImageSurface() const { return SharedSurface ? SharedSurface : OwnSurface.get(); }

// ---- size ------------------------------------------------------------------------------------------------------

void TVelkCustomImage::SetZoomX(int32_t v) {
  v = std::max(v, 1);
  if (v == zoom_x_) return;
  Invalidate();
  zoom_x_ = v;
  Invalidate();
  MarkSizeDirty();
}

void TVelkCustomImage::SetZoomY(int32_t v) {
  v = std::max(v, 1);
  if (v == zoom_y_) return;
  Invalidate();
  zoom_y_ = v;
  Invalidate();
  MarkSizeDirty();
}

void TVelkCustomImage::SetFlipH(bool v) {
  if (v == flip_h_) return;
  Invalidate();
  flip_h_ = v;
  Invalidate();
  MarkSizeDirty();
}

void TVelkCustomImage::SetFlipV(bool v) {
  if (v == flip_v_) return;
  Invalidate();
  flip_v_ = v;
  Invalidate();
  MarkSizeDirty();
}

void TVelkCustomImage::StoreExplicitSize(bool vertical, int32_t v) {
  Invalidate();
  (vertical ? zoom_y_ : zoom_x_) = 0;
  (vertical ? Height : Width) = v;
  Invalidate();
}

void TVelkCustomImage::MarkSizeDirty() {
  SizeDirty = true;
  for (TVelkControl* child : Children()) {
    if (!child->PosZoomed) continue;
    if (auto* picture = dynamic_cast<TVelkCustomImage*>(child)) picture->SizeDirty = true;
  }
}

void TVelkCustomImage::UpdateSize() {
  if (!SizeDirty || MotionAttached()) return;
  SizeDirty = false;
  const TCustomDIBX* image = ImageSurface();
  const int32_t w = image ? image->Width() : 0, h = image ? image->Height() : 0;
  const int32_t width = zoom_x_ == 0 && image ? Width : Zoomed(w, zoom_x_);
  const int32_t height = zoom_y_ == 0 && image ? Height : Zoomed(h, zoom_y_);
  if (width == Width && height == Height) return;
  Invalidate();
  Width = width;
  Height = height;
  Invalidate();
}

void TVelkCustomImage::FollowPictureSize() {
  SizeDirty = true;
  UpdateSize();
}

// ---- drawing ---------------------------------------------------------------------------------------------------

namespace {

// The anchor in picture pixels, mirrored with the flips: the pivot of rotated draws.
TPoint Pivot(const TVelkCustomImage& c, const TCustomDIBX& image) {
  return {c.PictureFlipH() ? image.Width() - c.OffsetX - 1 : c.OffsetX,
          c.PictureFlipV() ? image.Height() - c.OffsetY - 1 : c.OffsetY};
}

}  // namespace

TRect TVelkCustomImage::ScreenRect() const {
  const TCustomDIBX* image = ImageSurface();
  if (!Rotated() || !image) return PictureRect();
  // The bounding box of the rotated, zoomed picture, as the rotated draw covers it.
  const TPoint o = ScreenOrigin();
  const TPoint pivot = Pivot(*this, *image);
  const double sx = zoom_x_ / 256.0, sy = zoom_y_ / 256.0;
  const double theta = (Angle & 0xFF) * 2.0 * std::numbers::pi / 256.0;
  const double c = std::cos(theta), s = std::sin(theta);
  const double w = image->Width() * sx, h = image->Height() * sy, px = pivot.X * sx, py = pivot.Y * sy;
  double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
  for (double dx : {-px, w - px}) {
    for (double dy : {-py, h - py}) {
      const double x = o.X + dx * c - dy * s, y = o.Y + dx * s + dy * c;
      min_x = std::min(min_x, x), max_x = std::max(max_x, x);
      min_y = std::min(min_y, y), max_y = std::max(max_y, y);
    }
  }
  const auto to_int = [](double v) { return static_cast<int32_t>(std::clamp(std::trunc(v), -1e9, 1e9)); };
  return TRect{to_int(min_x), to_int(min_y), to_int(max_x + 1), to_int(max_y + 1)};
}

void TVelkCustomImage::DrawPicture() {
  TCustomDIBX* target = Surface();
  TCustomDIBX* image = ImageSurface();
  if (!target || !image || image->IsEmpty() || Width <= 0 || Height <= 0 || Alpha < 1) return;
  TCustomDIBX* mask = CurrentMask();
  const TRect src{0, 0, image->Width(), image->Height()};
  if (Rotated()) {
    const TPoint o = ScreenOrigin();
    const TPoint pivot = Pivot(*this, *image);
    const int32_t angle = Angle & 0xFF;
    if (mask) {
      target->DrawRotateMask(o.X, o.Y, zoom_x_, zoom_y_, image, src, pivot.X, pivot.Y, angle, flip_h_, flip_v_, mask,
                             Alpha);
    } else {
      target->DrawRotate(o.X, o.Y, zoom_x_, zoom_y_, image, src, pivot.X, pivot.Y, angle, true, flip_h_, flip_v_,
                         Alpha);
    }
    return;
  }
  const TRect r = PictureRect();
  if (src.Width() == Width && src.Height() == Height) {
    if (image->ContentRects.empty() || dynamic_cast<TDIBXWave*>(target)) {
      DrawPictureAt(*target, r.Left, r.Top, image, src, mask, flip_h_, flip_v_, Alpha);
      return;
    }
    // Only the pieces the frame holds, each where it lands with the mirroring.
    const TRect clip = target->ClipBounds();
    for (const TRect& piece : image->ContentRects) {
      const TRect part = Intersect(piece, src);
      if (part.IsEmpty()) continue;
      const int32_t x = r.Left + (flip_h_ ? src.Width() - part.Right : part.Left);
      const int32_t y = r.Top + (flip_v_ ? src.Height() - part.Bottom : part.Top);
      if (Intersect(Bounds(x, y, part.Width(), part.Height()), clip).IsEmpty()) continue;
      DrawPictureAt(*target, x, y, image, part, mask, flip_h_, flip_v_, Alpha);
    }
    return;
  }
  if (Alpha >= 256) {
    const int amount = std::min(Alpha - 256, 255);
    if (mask)
      target->StretchDrawAddMask(r, image, src, flip_h_, flip_v_, mask, amount);
    else
      target->StretchDrawAdd(r, image, src, true, flip_h_, flip_v_, amount);
  } else if (mask) {
    target->StretchDrawMask(r, image, src, flip_h_, flip_v_, mask, Alpha);
  } else {
    target->StretchDraw(r, image, src, true, flip_h_, flip_v_, Alpha);
  }
}

bool TVelkCustomImage::PictureCoversOpaquely(const TRect& area) const {
  const TCustomDIBX* image = ImageSurface();
  const TCustomDIBX* target = const_cast<TVelkCustomImage*>(this)->Surface();
  if (!image || !target || image->IsEmpty() || Alpha != 255 || CurrentMask() || image->TransparentValue >= 0 ||
      Rotated() || image->Width() != Width || image->Height() != Height || dynamic_cast<const TDIBXWave*>(target)) {
    return false;
  }
  const TRect whole{0, 0, Width, Height};
  if (!image->ContentRects.empty() &&
      std::none_of(image->ContentRects.begin(), image->ContentRects.end(),
                   [&](const TRect& piece) { return Intersect(piece, whole) == whole; })) {
    return false;
  }
  TRect covered = PictureRect();
  const TRect clip = ClipScreenRect();
  if (!clip.IsEmpty()) covered = Intersect(covered, clip);
  return Intersect(covered, area) == area;
}

void TVelkCustomImage::Draw() {
  DrawPicture();
  DrawChildren();
}

// ---- hit test --------------------------------------------------------------------------------------------------

TVelkControl* TVelkCustomImage::HitTest(TPoint p, TMouseAllowed allowed) {
  if (!Visible || !ScreenRect().Contains(p.X, p.Y)) return nullptr;
  const std::vector<TVelkControl*>& children = Children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if ((*it)->IsPendingDelete()) continue;
    if (TVelkControl* hit = (*it)->HitTest(p, allowed)) return hit;
  }
  if (!allowed.Has(IgnoreMouse)) return nullptr;
  TPoint q = p;
  if (Rotated()) {
    // Turned back around the anchor.
    const TPoint a = ScreenOrigin();
    const double theta = -(Angle & 0xFF) * 2.0 * std::numbers::pi / 256.0;
    const double dx = double(p.X) - a.X, dy = double(p.Y) - a.Y;
    q.X = Clamp32(int64_t{a.X} + std::llround(dx * std::cos(theta) - dy * std::sin(theta)));
    q.Y = Clamp32(int64_t{a.Y} + std::llround(dx * std::sin(theta) + dy * std::cos(theta)));
  }
  const TRect r = PictureRect();
  if (!r.Contains(q.X, q.Y)) return nullptr;
  TCustomDIBX* mask = CurrentMask();
  if (!CaptureMask || !mask) return this;
  // Picture coordinates: by the zoom, or for an explicit size (zoom 0) by the ratio of picture and control size.
  const TCustomDIBX* image = ImageSurface();
  const auto map = [](int64_t d, int32_t zoom, int32_t picture, int32_t size) -> int64_t {
    if (zoom > 0) return d * 256 / zoom;
    return size > 0 ? d * picture / size : 0;
  };
  const int32_t pw = image ? image->Width() : mask->Width(), ph = image ? image->Height() : mask->Height();
  int64_t mx = map(int64_t{q.X} - r.Left, zoom_x_, pw, Width);
  int64_t my = map(int64_t{q.Y} - r.Top, zoom_y_, ph, Height);
  if (flip_h_) mx = int64_t{pw} - mx - 1;
  if (flip_v_) my = int64_t{ph} - my - 1;
  if (mx < 0 || my < 0 || mx >= mask->Width() || my >= mask->Height()) return nullptr;
  return mask->GetPixel(static_cast<int32_t>(mx), static_cast<int32_t>(my)) > 127 ? this : nullptr;
}

// ---- update and afterimages ------------------------------------------------------------------------------------

bool TVelkCustomImage::Update() {
  UpdateSize();
  UpdateAfterimages();
  return false;
}

void TVelkCustomImage::ReleaseSurfaces() { OwnSurface.reset(); }

void TVelkCustomImage::RestoreSurfaces() {
  const TBrixCollection* cache = Owner() ? Owner()->Services.Images : nullptr;
  OwnSurface = std::make_unique<TDIBX>();
  OwnSurface->SetSize(1, 1, cache ? cache->Depth() : 32);
}

TVelkCustomImage* TVelkCustomImage::NewAfterimage() {
  auto* blur = Owner()->New<TVelkBlurImage>();
  blur->Begin(*this);
  return blur;
}

void TVelkCustomImage::CopyPictureState(TVelkCustomImage& to) const {
  TVelkBaseList* scene = Owner();
  to.SetName(scene->UniqueName(Name()));
  to.SetParent(Parent());
  to.SetPriority(Clamp32(int64_t{Priority()} - 1));
  to.Left = Left;
  to.Top = Top;
  to.Width = Width;
  to.Height = Height;
  to.OffsetX = OffsetX;
  to.OffsetY = OffsetY;
  to.MotionX = MotionX;
  to.MotionY = MotionY;
  to.PlusX = PlusX;
  to.PlusY = PlusY;
  to.PosZoomed = PosZoomed;
  to.ClipLeft = ClipLeft;
  to.ClipTop = ClipTop;
  to.ClipWidth = ClipWidth;
  to.ClipHeight = ClipHeight;
  to.Angle = Angle;
  to.zoom_x_ = zoom_x_;
  to.zoom_y_ = zoom_y_;
  to.flip_h_ = flip_h_;
  to.flip_v_ = flip_v_;
  to.Index = Index;
}

void TVelkCustomImage::UpdateAfterimages() {
  TVelkBaseList* scene = Owner();
  if (!scene) return;
  // Left, Top, Index, Angle, ZoomX, ZoomY, ScrollX, ScrollY since the last afterimage.
  const std::vector<int32_t> now = {Left, Top, Index, Angle, zoom_x_, zoom_y_, ScrollX(), ScrollY()};
  const TCustomDIBX* image = ImageSurface();
  if (blur_clock_.Due(scene->FrameMs(), BlurSpan, BlurDelay, now, image && !image->IsEmpty())) NewAfterimage();
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkCustomImage::SaveOwnFields(TStream& s) const {
  WriteInt(s, Alpha);
  WriteInt(s, zoom_x_);
  WriteInt(s, Angle);
  WriteByte(s, flip_h_);
  WriteByte(s, flip_v_);
  WriteByte(s, CaptureMask);
  WriteInt(s, zoom_y_);
  WriteInt(s, BlurSpan);
  WriteInt(s, BlurDelay);
}

void TVelkCustomImage::LoadOwnFields(TStream& s, int32_t version) {
  Alpha = ReadInt(s);
  // A zoom of 0 is an explicit size; anything below is stored as 1, as the setter does.
  const auto zoom = [](int32_t v) { return v < 0 ? 1 : v; };
  zoom_x_ = zoom(ReadInt(s));
  Angle = ReadInt(s);
  flip_h_ = ReadByte(s) != 0;
  flip_v_ = ReadByte(s) != 0;
  CaptureMask = ReadByte(s) != 0;
  if (version > 103) zoom_y_ = zoom(ReadInt(s));
  if (version >= 140) {
    BlurSpan = ReadInt(s);
    BlurDelay = ReadInt(s);
  }
}

// ---- single picture --------------------------------------------------------------------------------------------

TBrixItem* AcquirePicture(TVelkBaseList* scene, const void* owner, const std::string& name) {
  TBrixCollection* cache = scene ? scene->Services.Images : nullptr;
  if (!cache || name.empty()) return nullptr;
  if (scene->Services.Exists && !scene->Services.Exists(name)) return nullptr;
  try {
    return cache->Acquire(owner, name);
  } catch (const EVelkError&) {
    return nullptr;
  }
}

void ApplyBrightness(TCustomDIBX& surface, int32_t brightness) {
  if (brightness >= 255 || surface.IsEmpty()) return;
  const int32_t d = 255 - std::max(brightness, 0);
  const int32_t t = surface.TransparentValue;
  // Pixels of the transparent value stay as they are, so that the picture keeps its holes.
  std::vector<TPoint> holes;
  if (t != -1) {
    for (int32_t y = 0; y < surface.Height(); ++y)
      for (int32_t x = 0; x < surface.Width(); ++x)
        if (surface.GetPixel(x, y) == static_cast<uint32_t>(t)) holes.push_back({x, y});
  }
  const TRect kept = surface.ClipRect;
  surface.ResetClip();
  surface.FillRectSub(TRect{0, 0, surface.Width(), surface.Height()},
                      static_cast<uint32_t>(surface.ColorToPixel(d | d << 8 | d << 16)));
  surface.ClipRect = kept;
  for (const TPoint& h : holes) surface.SetPixel(h.X, h.Y, static_cast<uint32_t>(t));
}

TVelkImage::~TVelkImage() { Release(); }

namespace {

const TPropTable<TVelkImage> kImageProps = {
    TProps<TVelkImage>::Custom<&TVelkImage::Source, &TVelkImage::SetSource>(PR_SOURCE),
    TProps<TVelkImage>::Custom<&TVelkImage::Brightness, &TVelkImage::SetBrightness>(PR_BRIGHTNESS),
};

}  // namespace

bool TVelkImage::GetProp(int32_t id, TPropValue& value) const {
  return kImageProps.Get(*this, id, value) || TVelkCustomImage::GetProp(id, value);
}

bool TVelkImage::SetProp(int32_t id, const TPropValue& value) {
  return kImageProps.Set(*this, id, value) || TVelkCustomImage::SetProp(id, value);
}

void TVelkImage::Release() {
  TBrixCollection* cache = Owner() ? Owner()->Services.Images : nullptr;
  if (item_ && cache) cache->Release(item_, this);
  item_ = nullptr;
  DefaultMask = nullptr;
  Mask = nullptr;
}

void TVelkImage::SetSource(const std::string& name) {
  if (name == source_) return;
  Invalidate();
  Release();
  source_ = name;
  OwnSurface.reset();
  item_ = AcquirePicture(Owner(), this, name);
  Rebuild();
}

void TVelkImage::Rebuild() {
  OwnSurface.reset();
  TBrixItemFrame* frame = item_ && item_->Count() > 0 ? &item_->Frame(0) : nullptr;
  if (frame && frame->Surface) {
    OwnSurface = std::make_unique<TDIBX>();
    OwnSurface->SetSize(frame->Surface->Width(), frame->Surface->Height(), frame->Surface->BitCount());
    OwnSurface->Assign(frame->Surface.get());
    OwnSurface->TransparentValue = frame->Surface->TransparentValue;
    OwnSurface->ContentRects = frame->Surface->ContentRects;
    ApplyBrightness(*OwnSurface, brightness_);
    DefaultMask = frame->Mask.get();
  }
  // Width = picture size x zoom / 256, rounded towards negative infinity.
  const auto floor_zoom = [](int32_t side, int32_t zoom) {
    int64_t p = int64_t{side} * zoom;
    if (p < 0) p -= 255;
    return Clamp32(p / 256);
  };
  const int32_t w = OwnSurface ? OwnSurface->Width() : 0, h = OwnSurface ? OwnSurface->Height() : 0;
  SetBounds(Left, Top, floor_zoom(w, ZoomX()), floor_zoom(h, ZoomY()));
}

void TVelkImage::SetBrightness(int32_t value) {
  value = std::clamp(value, 0, 255);
  if (value == brightness_) return;
  brightness_ = value;
  Invalidate();
  Rebuild();
  Invalidate();
}

void TVelkImage::ReleaseSurfaces() {
  OwnSurface.reset();
  DefaultMask = nullptr;
}

void TVelkImage::RestoreSurfaces() { Rebuild(); }

void TVelkImage::SaveOwnFields(TStream& s) const {
  TVelkCustomImage::SaveOwnFields(s);
  WriteString(s, source_);
  WriteInt(s, brightness_);
}

void TVelkImage::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomImage::LoadOwnFields(s, version);
  const std::string source = ReadString(s);
  const int32_t brightness = ReadInt(s);
  source_.clear();
  SetSource(source);
  SetBrightness(brightness);
}

}  // namespace velk

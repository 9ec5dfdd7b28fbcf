#include "scene/velk_map_image.h"

#include <algorithm>

#include "base/error.h"
#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using M = TVelkMapImage;

constexpr int32_t kKeyEnter = 13, kKeyEscape = 27, kKeySpace = 32;
constexpr int32_t kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40;

using P = TProps<M>;

const TPropTable<M> kMapProps = {
    P::Custom<&M::Source, &M::SetSource>(PR_SOURCE),
    P::Custom<&M::HoverSource, &M::SetHoverSource>(PR_HOVERSOURCE),
    P::Custom<&M::MapSource, &M::SetMapSource>(PR_MAPSOURCE),
    P::Visual<&M::Alpha>(PR_ALPHA),
    P::Custom<&M::Brightness, &M::SetBrightness>(PR_BRIGHTNESS),
    P::Plain<&M::OnMapIn>(PR_ONMAPIN),
    P::Plain<&M::OnMapOut>(PR_ONMAPOUT),
    P::Plain<&M::OnSelect>(PR_ONSELECT),
    P::Plain<&M::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&M::RClickScrap>(PR_RCLICKSCRAP),
    P::Plain<&M::PausedFlag>(PR_PAUSED),
    P::Plain<&M::OnIdle>(PR_ONIDLE),
};

void DrawPicture(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX* picture, TCustomDIBX* mask, int32_t alpha) {
  if (picture && !picture->IsEmpty()) {
    DrawPictureAt(target, x, y, picture, TRect{0, 0, picture->Width(), picture->Height()}, mask, false, false, alpha);
  }
}

}  // namespace

// ---- map image -------------------------------------------------------------------------------------------------

TVelkMapImage::TVelkMapImage(TVelkBaseList* owner) : TVelkControl(owner) {
  if (owner) owner->AddRightClickCloser(this);
}

// The right-click list holds handles: the entry of a destroyed map image resolves to nothing and is skipped.
TVelkMapImage::~TVelkMapImage() = default;

bool TVelkMapImage::GetProp(int32_t id, TPropValue& value) const {
  return kMapProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkMapImage::SetProp(int32_t id, const TPropValue& value) {
  return kMapProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

void TVelkMapImage::SetSource(const std::string& name) {
  if (name == picture_.Source()) return;
  Invalidate();
  picture_.Load(Owner(), name, brightness_);
  const TCustomDIBX* s = picture_.Surface();
  Width = s ? s->Width() : 0;
  Height = s ? s->Height() : 0;
  Invalidate();
}

void TVelkMapImage::SetHoverSource(const std::string& name) {
  if (name == hover_.Source()) return;
  hover_.Load(Owner(), name, brightness_);
  coverage_dirty_ = true;
  InvalidateRegion(current_);
}

void TVelkMapImage::SetMapSource(const std::string& name) {
  if (name == map_source_) return;
  Invalidate();
  map_source_ = name;
  regions_.Clear();
  current_ = -1;
  coverage_dirty_ = true;
  const TVelkBaseList* scene = Owner();
  if (!scene || !scene->Services.ReadFile || name.empty()) return;
  try {
    TMemoryStream s;
    if (scene->Services.ReadFile(s, name)) {
      s.SetPosition(0);
      regions_.LoadFromStream(s);
    }
  } catch (const EVelkError&) {
    // A damaged region file is treated as a missing one: the map image has no regions.
    regions_.Clear();
  }
}

void TVelkMapImage::SetBrightness(int32_t value) {
  if (value == brightness_) return;
  brightness_ = value;
  picture_.SetBrightness(value);
  hover_.SetBrightness(value);
  coverage_dirty_ = true;
  Invalidate();
}

void TVelkMapImage::InvalidateRegion(int32_t region) {
  TVelkBase* base = Base();
  if (region < 0 || !Visible || !base) return;
  const TRect box = regions_.BoundingBox(region);
  TRect r = Intersect(Bounds(ScreenLeft() + box.Left, ScreenTop() + box.Top, box.Width(), box.Height()), ScreenRect());
  if (TVelkControl* parent = Parent()) r = Intersect(r, parent->ScreenRect());
  if (r.IsEmpty()) return;
  if (TVelkControl* parent = Parent()) parent->ChildInvalidated(r);
  base->AddDirtyRect(r);
}

void TVelkMapImage::QueueRegionEvent(int32_t id, int32_t region, bool unique) {
  QueueOwnEvent(id, {regions_.Region(region).Name, std::to_string(region)}, unique);
}

void TVelkMapImage::SetCurrentRegion(int32_t region) {
  if (region < -1 || region >= regions_.Count()) region = -1;
  if (region == current_) return;
  if (current_ >= 0) QueueRegionEvent(PR_ONMAPOUT, current_, false);
  InvalidateRegion(current_);
  current_ = region;
  hover_.Restart();
  coverage_dirty_ = true;
  InvalidateRegion(current_);
  if (current_ >= 0) QueueRegionEvent(PR_ONMAPIN, current_, false);
}

void TVelkMapImage::Select(int32_t region) {
  if (region < 0 || region >= regions_.Count()) return;
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.SetSelection) scene->Services.SetSelection(regions_.Region(region).Name, region);
  // Queued only while no such record waits; QueueOwnEvent also refuses while the events are blocked.
  QueueRegionEvent(PR_ONSELECT, region, true);
  if (AutoScrap) StartClosing();
}

void TVelkMapImage::Cancel() {
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.SetSelection) scene->Services.SetSelection("", -1);
  StartClosing();
}

void TVelkMapImage::StartClosing() {
  if (closing_ == 0) closing_ = 1;
}

void TVelkMapImage::MouseMove() {
  if (!EventsBlocked()) {
    const TVelkBase* base = Base();
    if (base) SetCurrentRegion(regions_.RegionAt(base->MouseX - ScreenLeft(), base->MouseY - ScreenTop()));
  }
  TVelkControl::MouseMove();
}

void TVelkMapImage::MouseLeftDown() {
  TVelkControl::MouseLeftDown();
  const TVelkBase* base = Base();
  if (!base || EventsBlocked() || Paused() || closing_ != 0) return;
  const int32_t region = regions_.RegionAt(base->MouseX - ScreenLeft(), base->MouseY - ScreenTop());
  if (region >= 0) Select(region);
}

bool TVelkMapImage::CloseOnRightClick() {
  if (!RClickScrap || closing_ != 0) return false;
  Cancel();
  return true;
}

void TVelkMapImage::KeyDown() {
  TVelkControl::KeyDown();
  const TVelkBaseList* scene = Owner();
  if (!scene || EventsBlocked() || Paused() || closing_ != 0) return;
  for (int32_t code : scene->KeysDown()) {
    if ((code == kKeyEnter || code == kKeySpace) && current_ >= 0) {
      Select(current_);
      return;
    }
  }
}

void TVelkMapImage::KeyRepeat() {
  TVelkControl::KeyRepeat();
  const TVelkBaseList* scene = Owner();
  if (!scene || EventsBlocked() || Paused() || closing_ != 0) return;
  const int32_t count = regions_.Count();
  for (int32_t code : scene->KeysRepeated()) {
    if (code == kKeyUp || code == kKeyLeft) {
      if (count > 0) SetCurrentRegion(current_ <= 0 ? count - 1 : current_ - 1);
    } else if (code == kKeyDown || code == kKeyRight) {
      if (count > 0) SetCurrentRegion(current_ < 0 || current_ >= count - 1 ? 0 : current_ + 1);
    } else if (code == kKeyEscape && RClickScrap) {
      Cancel();
      return;
    }
  }
}

bool TVelkMapImage::Update() {
  if (closing_ == 2) return true;
  if (closing_ == 1) {
    closing_ = 2;
    return false;
  }
  if (AniPaused) return false;
  const int32_t ms = Owner() ? Owner()->FrameMs() : 0;
  if (picture_.Advance(ms)) Invalidate();
  if (hover_.Advance(ms)) {
    coverage_dirty_ = true;
    InvalidateRegion(current_);
  }
  return false;
}

TCustomDIBX* TVelkMapImage::HoverCoverage() {
  TCustomDIBX* hover = hover_.Surface();
  if (!hover || current_ < 0) return nullptr;
  if (!coverage_dirty_ && coverage_) return coverage_.get();
  const int32_t w = hover->Width(), h = hover->Height();
  if (!coverage_) coverage_ = std::make_unique<TDIBX>();
  coverage_->SetSize(w, h, 8);
  TCustomDIBX* mask = hover_.Mask();
  const TMapRegion& region = regions_.Region(current_);
  const TRect box = Intersect(region.BoundingBox(), TRect{0, 0, w, h});
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint32_t c = 0;
      if (box.Contains(x, y) && region.Contains(x, y)) {
        if (mask) {
          c = mask->GetPixel(x, y);
        } else {
          c = hover->TransparentValue != -1 && hover->GetPixel(x, y) == static_cast<uint32_t>(hover->TransparentValue)
                  ? 0
                  : 255;
        }
      }
      coverage_->SetPixel(x, y, c);
    }
  }
  coverage_dirty_ = false;
  return coverage_.get();
}

void TVelkMapImage::Draw() {
  if (TCustomDIBX* target = Surface()) {
    const int32_t x = ScreenLeft(), y = ScreenTop();
    if (Alpha >= 1 && Alpha <= 511) {
      DrawPicture(*target, x, y, picture_.Surface(), picture_.Mask(), Alpha);
      if (TCustomDIBX* coverage = HoverCoverage()) DrawPicture(*target, x, y, hover_.Surface(), coverage, Alpha);
    }
  }
  DrawChildren();
}

void TVelkMapImage::SaveOwnFields(TStream& s) const {
  WriteString(s, picture_.Source());
  WriteString(s, hover_.Source());
  WriteString(s, map_source_);
  WriteInt(s, Alpha);
  WriteInt(s, brightness_);
  WriteString(s, OnMapIn);
  WriteString(s, OnMapOut);
  WriteByte(s, AutoScrap);
  WriteByte(s, RClickScrap);
  WriteString(s, OnIdle);
  WriteByte(s, PausedFlag);
  WriteString(s, OnSelect);
  WriteInt(s, closing_);
}

void TVelkMapImage::LoadOwnFields(TStream& s, int32_t version) {
  const std::string source = ReadString(s);
  const std::string hover = ReadString(s);
  const std::string map = ReadString(s);
  Alpha = ReadInt(s);
  // The brightness first, so that the pictures load darkened at once.
  brightness_ = ReadInt(s);
  SetSource(source);
  SetHoverSource(hover);
  SetMapSource(map);
  OnMapIn = ReadString(s);
  OnMapOut = ReadString(s);
  AutoScrap = ReadByte(s) != 0;
  RClickScrap = ReadByte(s) != 0;
  if (version > 103) {
    OnIdle = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    OnSelect = ReadString(s);
  }
  if (version > 114) closing_ = std::clamp(ReadInt(s), 0, 2);
}

}  // namespace velk

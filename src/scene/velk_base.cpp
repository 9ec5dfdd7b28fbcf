#include "scene/velk_base.h"

#include "gfx/dibx.h"
#include "scene/base_list.h"

namespace velk {

TVelkBase::TVelkBase(TVelkBaseList* owner, const std::string& name)
    : TVelkControl(owner), base_surface_(std::make_unique<TDIBX>()) {
  AssignName(*this, name);
}

TVelkBase::~TVelkBase() = default;

bool TVelkBase::SetProp(int32_t id, const TPropValue& value) {
  switch (id) {
    case PR_NAME:
    case PR_PARENT: return true;
    case PR_WIDTH: Resize(value.I, Height); return true;
    case PR_HEIGHT: Resize(Width, value.I); return true;
    default: return TVelkControl::SetProp(id, value);
  }
}

void TVelkBase::AddDirtyRect(const TRect& rect) {
  const TRect r = Intersect(rect, TRect{0, 0, Width, Height});
  if (r.IsEmpty()) return;
  DirtyRects.Add(r);
}

TCustomDIBX* TVelkBase::Surface() {
  TVelkBaseList* scene = Owner();
  if (scene && scene->ActiveBaseObject() == this && !scene->TransitionRunning()) return scene->PresentationSurface();
  return base_surface_.get();
}

void TVelkBase::Resize(int32_t width, int32_t height) {
  Width = width;
  Height = height;
  if (Width > 0 && Height > 0) base_surface_->SetSize(Width, Height, 32);
  AddWholeRect();
}

void TVelkBase::Draw() {
  TCustomDIBX* surface = Surface();
  if (!Visible || !surface || surface->IsEmpty()) return;
  for (const TRect& d : DirtyRects) {
    surface->ResetClip();
    surface->AddClip(d);
    if (Color >= 0) {
      TRect r = ScreenRect();
      const TRect clip = ClipScreenRect();
      if (!clip.IsEmpty()) r = Intersect(r, clip);
      // A background picture over the whole area hides the colour.
      if (!ChildCovers(Intersect(r, d))) surface->FillRect(r, static_cast<uint32_t>(surface->ColorToPixel(Color)));
    }
    DrawChildren();
  }
  surface->ResetClip();
}

void TVelkBase::ReleaseSurfaces() { base_surface_->Clear(); }

void TVelkBase::RestoreSurfaces() { Resize(Width, Height); }

}  // namespace velk

#include "scene/custom_images.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "vfs/stream_io.h"

namespace velk {

int32_t TImageList::Count() const { return Item ? Item->Count() : 0; }

TBrixItemFrame* TImageList::Frame(int32_t index) const {
  return Item && index >= 0 && index < Item->Count() ? &Item->Frame(index) : nullptr;
}

namespace {

using CS = TVelkCustomImages;

const std::array<TPropRow<TVelkCustomImages>, 6> kCustomImagesRows = {{
    {PR_SOURCE, [](const CS& c, TPropValue& v) { v.S = c.Source(); },
     [](CS& c, const TPropValue& v) { c.SetSource(v.S); }},
    {PR_INDEX, [](const CS& c, TPropValue& v) { v.I = c.Motion() ? c.Motion()->Frame() : c.Index; },
     [](CS& c, const TPropValue& v) { c.SetIndex(v.I); }},
    {PR_COUNT, [](const CS& c, TPropValue& v) { v.I = c.Motion() ? c.Motion()->Length() : c.FrameCount(); }, nullptr},
    {PR_BRIGHTNESS, [](const CS& c, TPropValue& v) { v.I = c.Brightness; },
     [](CS& c, const TPropValue& v) { c.SetBrightness(v.I); }},
    {PR_PAUSED, [](const CS& c, TPropValue& v) { v.B = c.PausedFlag; },
     [](CS& c, const TPropValue& v) { c.SetPausedFlag(v.B); }},
    {PR_PLAYING, [](const CS& c, TPropValue& v) { v.B = c.Playing(); }, nullptr},
}};

// The extension of a file name, lower-cased, with its dot ("" without one).
std::string LowerExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return {};
  std::string ext = name.substr(dot);
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return ext;
}

}  // namespace

TVelkCustomImages::TVelkCustomImages(TVelkBaseList* owner, int32_t states)
    : TVelkCustomImage(owner), lists_(static_cast<size_t>(std::max(states, 1))) {
  Index = -1;
}

TVelkCustomImages::~TVelkCustomImages() { DropFrames(); }

bool TVelkCustomImages::GetProp(int32_t id, TPropValue& value) const {
  const auto* row = FindPropRow(kCustomImagesRows, id);
  if (row && row->Get) {
    row->Get(*this, value);
    return true;
  }
  return TVelkCustomImage::GetProp(id, value);
}

bool TVelkCustomImages::SetProp(int32_t id, const TPropValue& value) {
  const auto* row = FindPropRow(kCustomImagesRows, id);
  if (row && row->Set) {
    row->Set(*this, value);
    return true;
  }
  if (row) return true;  // read-only
  return TVelkCustomImage::SetProp(id, value);
}

TBrixItem* TVelkCustomImages::SurfaceItem() const { return SharedSurface ? Frames().Item : nullptr; }

// ---- sources ---------------------------------------------------------------------------------------------------

bool TVelkCustomImages::LoadFrames(int32_t state, const std::string& name) {
  TImageList& list = Frames(state);
  TBrixCollection* cache = Owner() ? Owner()->Services.Images : nullptr;
  if (list.Item && cache) cache->Release(list.Item, this);
  list.Item = AcquirePicture(Owner(), this, name);
  return list.Count() > 0;
}

void TVelkCustomImages::DropFrames() {
  TBrixCollection* cache = Owner() ? Owner()->Services.Images : nullptr;
  for (TImageList& list : lists_) {
    if (list.Item && cache) cache->Release(list.Item, this);
    list.Item = nullptr;
  }
  SharedSurface = nullptr;
  Mask = nullptr;
  DefaultMask = nullptr;
  OwnSurface.reset();
}

void TVelkCustomImages::DetachMotion() {
  if (!motion_) return;
  motion_.reset();
  TVelkMotion::ResetMotionValues(*this);
}

void TVelkCustomImages::SetSource(const std::string& name) {
  if (name == source_) return;
  Invalidate();
  DropFrames();
  DetachMotion();
  Index = -1;
  FrameTime = 0;
  end_reported_ = false;
  source_ = name;
  const std::string ext = LowerExtension(name);
  if (ext == ".kmt") {
    motion_ = TVelkMotion::Load(*this, name);
    if (motion_ && motion_->Step(0, Repeats())) ReachedEnd();
  } else if (ext == ".brx" || ext == ".png" || ext == ".bmp") {
    if (LoadFrames(0, name)) ShowFrame(0);
  }
  FollowPictureSize();
  Invalidate();
}

// ---- frames ----------------------------------------------------------------------------------------------------

void TVelkCustomImages::ApplyFrameSurface(int32_t index) {
  TBrixItemFrame* frame = Frames().Frame(index);
  SharedSurface = nullptr;
  OwnSurface.reset();
  Mask = nullptr;
  if (!frame || !frame->Surface) return;
  if (Brightness < 255) {
    // A darkened copy of the frame; the cache's frame stays as it is for its other users.
    OwnSurface = std::make_unique<TDIBX>();
    OwnSurface->SetSize(frame->Surface->Width(), frame->Surface->Height(), frame->Surface->BitCount());
    OwnSurface->Assign(frame->Surface.get());
    OwnSurface->TransparentValue = frame->Surface->TransparentValue;
    OwnSurface->ContentRects = frame->Surface->ContentRects;
    ApplyBrightness(*OwnSurface, Brightness);
  } else {
    SharedSurface = frame->Surface.get();
  }
  Mask = frame->Mask.get();
}

void TVelkCustomImages::ShowFrame(int32_t index) {
  TBrixItemFrame* frame = Frames().Frame(index);
  Invalidate();
  Index = index;
  ApplyFrameSurface(index);
  if (frame) {
    FrameTime += frame->DisplayTime;
    const int32_t count = FrameCount();
    const auto& evaluate = Owner()->Services.EvaluateInt;
    if (index == count - 1 && count > 1 && evaluate && LastFrameWait.Count() > 0) {
      FrameTime += evaluate(LastFrameWait);
    }
  }
  FollowPictureSize();
  Invalidate();
}

void TVelkCustomImages::SetIndex(int32_t v) {
  end_reported_ = false;
  if (motion_) {
    motion_->MoveToTime(static_cast<int32_t>(std::llround(v * kFilmTickMs)));
    return;
  }
  ShowFrame(v);
}

void TVelkCustomImages::SetVisible(bool v) {
  if (v && !Visible) FrameTime = 0;
  TVelkCustomImage::SetVisible(v);
}

void TVelkCustomImages::SetPausedFlag(bool v) {
  if (v != PausedFlag) FrameTime = 0;
  PausedFlag = v;
}

void TVelkCustomImages::SetBrightness(int32_t v) {
  if (v == Brightness) return;
  Brightness = v;
  Invalidate();
  ApplyFrameSurface(Index);
  Invalidate();
}

bool TVelkCustomImages::Playing() const {
  if (motion_) return !PausedFlag && !AniPaused;
  const int32_t count = FrameCount();
  if (PausedFlag || count == 0) return false;
  return Repeats() || !(Index == count - 1 && FrameTime < 1);
}

bool TVelkCustomImages::ReachedEnd() {
  if (AutoScraps()) return true;
  if (!end_reported_) {
    end_reported_ = true;
    QueueOwnEvent(PR_ONPLAYEND, {}, false);
  }
  return false;
}

bool TVelkCustomImages::AnimateFrames() {
  const int32_t count = FrameCount();
  if (motion_ || Index < 0 || Index >= count || !Visible || PausedFlag || AniPaused) return false;
  if (FrameTime > 0) FrameTime -= Owner() ? Owner()->FrameMs() : 0;
  // Frames without display time would turn a repeating picture forever: one lap per update at most.
  for (int32_t steps = 0; FrameTime < 1 && steps <= count; ++steps) {
    if (Index < count - 1) {
      if (count <= 2) FrameTime = 0;
      ShowFrame(Index + 1);
      continue;
    }
    if (Repeats()) {
      FrameTime = 0;
      ShowFrame(0);
      continue;
    }
    return ReachedEnd();
  }
  return false;
}

bool TVelkCustomImages::Update() {
  TVelkControl::Update();
  UpdateSize();
  bool done = false;
  if (motion_) {
    if (motion_->Step(Owner() ? Owner()->FrameMs() : 0, Repeats())) done = ReachedEnd();
  } else {
    done = AnimateFrames();
  }
  UpdateAfterimages();
  return done;
}

void TVelkCustomImages::ReleaseSurfaces() {
  SharedSurface = nullptr;
  Mask = nullptr;
  OwnSurface.reset();
}

void TVelkCustomImages::RestoreSurfaces() {
  ApplyFrameSurface(Index);
  FollowPictureSize();
}

// ---- save record -----------------------------------------------------------------------------------------------

void TVelkCustomImages::SaveOwnFields(TStream& s) const {
  TVelkCustomImage::SaveOwnFields(s);
  WriteInt(s, FrameTime);
  WriteInt(s, Index);
  WriteInt(s, Brightness);
  WriteByte(s, PausedFlag);
  LastFrameWait.SaveToStream(s);
}

void TVelkCustomImages::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomImage::LoadOwnFields(s, version);
  FrameTime = ReadInt(s);
  Index = ReadInt(s);
  Brightness = ReadInt(s);
  PausedFlag = ReadByte(s) != 0;
  LastFrameWait.LoadFromStream(s);
}

}  // namespace velk

#include "scene/custom_images.h"

#include <algorithm>
#include <cmath>

#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

int32_t TImageList::Count() const { return Item ? Item->Count() : 0; }

TBrixItemFrame* TImageList::Frame(int32_t index) const {
  return Item && index >= 0 && index < Item->Count() ? &Item->Frame(index) : nullptr;
}

namespace {

using CS = TVelkCustomImages;
using P = TProps<CS>;

const TPropTable<CS> kCustomImagesProps = {
    P::Custom<&CS::Source, &CS::SetSource>(PR_SOURCE),
    {PR_INDEX, [](const CS& c, TPropValue& v) { v.I = c.Motion() ? c.Motion()->Frame() : c.Index; },
     P::CallSetter<&CS::SetIndex>},
    {PR_COUNT, [](const CS& c, TPropValue& v) { v.I = c.Motion() ? c.Motion()->Length() : c.FrameCount(); }, nullptr},
    P::Custom<&CS::Brightness, &CS::SetBrightness>(PR_BRIGHTNESS),
    P::Custom<&CS::PausedFlag, &CS::SetPausedFlag>(PR_PAUSED),
    P::ReadOnly<&CS::Playing>(PR_PLAYING),
};

}  // namespace

TVelkCustomImages::TVelkCustomImages(TVelkBaseList* owner, int32_t states)
    : TVelkCustomImage(owner), lists_(static_cast<size_t>(std::max(states, 1))) {
  Index = -1;
}

TVelkCustomImages::~TVelkCustomImages() { DropFrames(); }

bool TVelkCustomImages::GetProp(int32_t id, TPropValue& value) const {
  return kCustomImagesProps.Get(*this, id, value) || TVelkCustomImage::GetProp(id, value);
}

bool TVelkCustomImages::SetProp(int32_t id, const TPropValue& value) {
  return kCustomImagesProps.Set(*this, id, value) || TVelkCustomImage::SetProp(id, value);
}

TBrixItem* TVelkCustomImages::SurfaceItem() const { return SharedSurface ? Frames(shown_list_).Item : nullptr; }

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

void TVelkCustomImages::SetSource(const std::string& name) {
  if (name == source_) return;
  Invalidate();
  DropFrames();
  DetachMotion();
  Index = -1;
  FrameTime = 0;
  ResetRunEnd();
  source_ = name;
  if (HasExtension(name, ".kmt")) {
    LoadMotion(name);
  } else if (IsPictureFile(name)) {
    if (LoadFrames(0, name)) ShowFrame(0);
  }
  FollowPictureSize();
  Invalidate();
}

// ---- frames ----------------------------------------------------------------------------------------------------

void TVelkCustomImages::ApplyFrameSurface(int32_t index) {
  TBrixItemFrame* frame = Frames(shown_list_).Frame(index);
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
  TBrixItemFrame* frame = Frames(shown_list_).Frame(index);
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
  ResetRunEnd();
  if (TVelkMotion* motion = Motion()) {
    motion->MoveToTime(static_cast<int32_t>(std::llround(v * kFilmTickMs)));
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
  if (MotionAttached()) return MotionPlaying();
  const int32_t count = FrameCount();
  if (PausedFlag || count == 0) return false;
  return Repeats() || !(Index == count - 1 && FrameTime < 1);
}

bool TVelkCustomImages::AnimateFrames() {
  const int32_t count = FrameCount();
  if (MotionAttached() || Index < 0 || Index >= count || !Visible || PausedFlag || AniPaused) return false;
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
  UpdateSize();
  bool done = TVelkControl::Update();
  if (!MotionAttached()) done = AnimateFrames() || done;
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

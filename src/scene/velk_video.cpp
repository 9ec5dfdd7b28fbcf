#include "scene/velk_video.h"

#include "gfx/dibx.h"
#include "media/video_manager.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using V = TVelkVideo;
using P = TProps<V>;

const TPropTable<V> kVideoProps = {
    P::Custom<&V::Source, &V::SetSource>(PR_SOURCE),
    P::Plain<&V::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&V::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&V::OnIdle>(PR_ONIDLE),
    P::Plain<&V::RewindOnLoad>(PR_REWINDONLOAD),
    P::Plain<&V::MuteOnLoad>(PR_MUTEONLOAD),
    P::Plain<&V::Overlay>(PR_OVERLAY),
    {PR_VOLUME, [](const V& o, TPropValue& v) { v.I = o.Playback.Volume(); },
     [](V& o, const TPropValue& v) { o.Playback.SetVolume(v.I); }},
    {PR_BALANCE, [](const V& o, TPropValue& v) { v.I = o.Playback.Balance(); },
     [](V& o, const TPropValue& v) { o.Playback.SetBalance(v.I); }},
    {PR_REPEAT, [](const V& o, TPropValue& v) { v.B = o.Playback.Repeat(); },
     [](V& o, const TPropValue& v) { o.Playback.SetRepeat(v.B); }},
    {PR_PAUSED, [](const V& o, TPropValue& v) { v.B = o.Playback.Paused(); },
     [](V& o, const TPropValue& v) { o.Playback.SetPaused(v.B); }},
    {PR_DELAY, [](const V& o, TPropValue& v) { v.I = o.Playback.Delay; },
     [](V& o, const TPropValue& v) { o.Playback.Delay = v.I; }},
    {PR_PLAYING, [](const V& o, TPropValue& v) { v.B = o.Playback.Playing(); }, nullptr},
};

int32_t game_clock(const TVelkObject& o) { return o.Owner() ? o.Owner()->Services.GameClock() : 0; }

// Two points packed as the video window takes them: x in the low half, y in the high half.
int32_t packed(int32_t x, int32_t y) {
  return static_cast<int32_t>((static_cast<uint32_t>(y) << 16) | (static_cast<uint32_t>(x) & 0xFFFF));
}

}  // namespace

TVelkVideo::~TVelkVideo() { Playback.Release(); }

bool TVelkVideo::GetProp(int32_t id, TPropValue& value) const {
  return kVideoProps.Get(*this, id, value) || TVelkCustomImage::GetProp(id, value);
}

bool TVelkVideo::SetProp(int32_t id, const TPropValue& value) {
  return kVideoProps.Set(*this, id, value) || TVelkCustomImage::SetProp(id, value);
}

TVideoItem* TVelkVideo::Video() const { return dynamic_cast<TVideoItem*>(Playback.Item()); }

void TVelkVideo::SetSource(const std::string& source) {
  source_ = source;
  Playback.Release();
  shown_serial_ = 0;
  window_ = {};
  TVelkBaseList* scene = Owner();
  TVideoManager* manager = scene && scene->Services.VideoManager ? scene->Services.VideoManager() : nullptr;
  if (!manager || !scene->Services.FileExists(source)) return;
  TVideoItem* item = manager->Add(source, false);
  Playback.Attach(item, false, [manager](TDMediaItem* i) { manager->Remove(static_cast<TVideoItem*>(i)); });
  item->SetVisible(true);
  // The picture is black at the film's size until the first frame arrives.
  const int32_t w = item->GetSourceWidth(), h = item->GetSourceHeight();
  if (w > 0 && h > 0) {
    OwnSurface = std::make_unique<TDIBX>();
    OwnSurface->SetSize(w, h, 32);
    MarkSizeDirty();
  }
}

void TVelkVideo::show_frame() {
  auto* item = dynamic_cast<TDsVideoItem*>(Playback.Item());
  if (!item || item->Frame().Serial == 0 || item->Frame().Serial == shown_serial_) return;
  if (!OwnSurface) OwnSurface = std::make_unique<TDIBX>();
  const int32_t w = OwnSurface->Width(), h = OwnSurface->Height();
  if (!item->PaintInto(*OwnSurface)) return;
  shown_serial_ = item->Frame().Serial;
  if (OwnSurface->Width() != w || OwnSurface->Height() != h) MarkSizeDirty();
  Invalidate();
}

void TVelkVideo::place_window() {
  TVideoItem* item = Video();
  if (!item) return;
  const TRect r = PictureRect();
  if (r == window_) return;
  window_ = r;
  item->SetRect(packed(r.Left, r.Top), packed(r.Right, r.Bottom));
}

bool TVelkVideo::Update() {
  show_frame();
  const bool scrap = TVelkCustomImage::Update();
  place_window();
  switch (Playback.Update(game_clock(*this))) {
    case TMediaPlayback::TEvent::Vanished: return true;
    case TMediaPlayback::TEvent::Ended:
      if (AutoScrap) return true;
      QueueOwnEvent(PR_ONPLAYEND, {}, false);
      break;
    case TMediaPlayback::TEvent::None: break;
  }
  return scrap;
}

void TVelkVideo::RestoreSurfaces() {
  TVelkCustomImage::RestoreSurfaces();
  // The next update copies the current frame again.
  shown_serial_ = 0;
}

void TVelkVideo::SetPlayState(int32_t state) { SetMediaPlayState(*this, Playback, state, game_clock(*this)); }

void TVelkVideo::Play() { Playback.Restart(game_clock(*this)); }

void TVelkVideo::SaveOwnFields(TStream& s) const {
  TVelkCustomImage::SaveOwnFields(s);
  WriteString(s, source_);
  WriteBool(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteString(s, OnIdle);
  WriteBool(s, RewindOnLoad);
  WriteBool(s, MuteOnLoad);
  WriteBool(s, Overlay);
  Playback.Save(s);
}

void TVelkVideo::LoadOwnFields(TStream& s, int32_t version) {
  TVelkCustomImage::LoadOwnFields(s, version);
  const std::string source = ReadString(s);
  AutoScrap = ReadBool(s);
  OnPlayEnd = ReadString(s);
  OnIdle = ReadString(s);
  RewindOnLoad = ReadBool(s);
  MuteOnLoad = ReadBool(s);
  Overlay = ReadBool(s);
  Playback.Load(s);
  SetSource(source);
  Playback.ResumeLoaded(RewindOnLoad, MuteOnLoad, game_clock(*this));
}

}  // namespace velk

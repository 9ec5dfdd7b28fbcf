#include "scene/velk_sound.h"

#include "media/media_managers.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using S = TVelkSound;
using P = TProps<S>;

const TPropTable<S> kSoundProps = {
    P::Custom<&S::Source, &S::SetSource>(PR_SOURCE),
    P::Plain<&S::Index>(PR_INDEX),
    P::Plain<&S::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&S::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&S::RewindOnLoad>(PR_REWINDONLOAD),
    P::Plain<&S::MuteOnLoad>(PR_MUTEONLOAD),
    {PR_VOLUME, [](const S& o, TPropValue& v) { v.I = o.Playback.Volume(); },
     [](S& o, const TPropValue& v) { o.Playback.SetVolume(v.I); }},
    {PR_BALANCE, [](const S& o, TPropValue& v) { v.I = o.Playback.Balance(); },
     [](S& o, const TPropValue& v) { o.Playback.SetBalance(v.I); }},
    {PR_REPEAT, [](const S& o, TPropValue& v) { v.B = o.Playback.Repeat(); },
     [](S& o, const TPropValue& v) { o.Playback.SetRepeat(v.B); }},
    {PR_REPEATPOS, [](const S& o, TPropValue& v) { v.I = o.Playback.RepeatPos(); },
     [](S& o, const TPropValue& v) { o.Playback.SetRepeatPos(v.I); }},
    {PR_PAUSED, [](const S& o, TPropValue& v) { v.B = o.Playback.Paused(); },
     [](S& o, const TPropValue& v) { o.Playback.SetPaused(v.B); }},
    {PR_DELAY, [](const S& o, TPropValue& v) { v.I = o.Playback.Delay; },
     [](S& o, const TPropValue& v) { o.Playback.Delay = v.I; }},
    {PR_PLAYING, [](const S& o, TPropValue& v) { v.B = o.Playback.Playing(); }, nullptr},
};

}  // namespace

bool TVelkSound::GetProp(int32_t id, TPropValue& value) const {
  return kSoundProps.Get(*this, id, value) || TVelkComponent::GetProp(id, value);
}

bool TVelkSound::SetProp(int32_t id, const TPropValue& value) {
  return kSoundProps.Set(*this, id, value) || TVelkComponent::SetProp(id, value);
}

void TVelkSound::SetSource(const std::string& source) {
  source_ = source;
  Playback.Release();
  TVelkBaseList* scene = Owner();
  if (!scene || !scene->Services.SoundManager) return;
  const TSoundKind kind = SoundKindOf(source);
  if (kind != TSoundKind::Cdda && !scene->Services.FileExists(source)) return;
  TMediaManager* manager = scene->Services.SoundManager(source);
  if (!manager) return;
  TDMediaItem* item = manager->Add(source);
  Playback.Attach(item, kind == TSoundKind::Midi, [manager](TDMediaItem* i) { manager->Remove(i); });
}

void TVelkSound::SetPlayState(int32_t state) {
  SetMediaPlayState(*this, Playback, state, Owner() ? Owner()->Services.GameClock() : 0);
}

void TVelkSound::Play() { Playback.Restart(Owner() ? Owner()->Services.GameClock() : 0); }

bool TVelkSound::Update() {
  const int32_t now = Owner() ? Owner()->Services.GameClock() : 0;
  switch (Playback.Update(now)) {
    case TMediaPlayback::TEvent::Vanished: return true;
    case TMediaPlayback::TEvent::Ended:
      if (AutoScrap) return true;
      QueueOwnEvent(PR_ONPLAYEND, {}, false);
      return false;
    case TMediaPlayback::TEvent::None: return false;
  }
  return false;
}

void TVelkSound::SaveToStream(TStream& s) const {
  TVelkComponent::SaveToStream(s);
  WriteString(s, source_);
  WriteInt(s, Index);
  WriteBool(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteBool(s, RewindOnLoad);
  WriteBool(s, MuteOnLoad);
  Playback.Save(s);
}

void TVelkSound::LoadFromStream(TStream& s, int32_t version, int32_t depth) {
  TVelkComponent::LoadFromStream(s, version, depth);
  const std::string source = ReadString(s);
  Index = ReadInt(s);
  AutoScrap = ReadBool(s);
  OnPlayEnd = ReadString(s);
  RewindOnLoad = ReadBool(s);
  MuteOnLoad = ReadBool(s);
  Playback.Load(s);
  SetSource(source);
  Playback.ResumeLoaded(RewindOnLoad, MuteOnLoad, Owner() ? Owner()->Services.GameClock() : 0);
}

}  // namespace velk

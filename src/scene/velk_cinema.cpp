#include "scene/velk_cinema.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/prop_table.h"
#include "scene/velk_film.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using C = TVelkCinema;

using P = TProps<C>;

const TPropTable<C> kCinemaProps = {
    P::Custom<&C::Source, &C::SetSource>(PR_SOURCE),
    P::Plain<&C::Repeat>(PR_REPEAT),
    P::Plain<&C::PausedFlag>(PR_PAUSED),
    P::Plain<&C::AutoScrap>(PR_AUTOSCRAP),
    P::Plain<&C::OnPlayEnd>(PR_ONPLAYEND),
    P::Plain<&C::OnIdle>(PR_ONIDLE),
    P::Custom<&C::Index, &C::SetIndex>(PR_INDEX),
    P::ReadOnly<&C::Count>(PR_COUNT),
    P::Custom<&C::Volume, &C::SetVolume>(PR_VOLUME),
    P::Plain<&C::RewindOnLoad>(PR_REWINDONLOAD),
    P::Plain<&C::MuteOnLoad>(PR_MUTEONLOAD),
    P::ReadOnly<&C::Playing>(PR_PLAYING),
};

TRect Moved(const TRect& r, int32_t dx, int32_t dy) {
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// Whether a stored rectangle holds r (an empty r needs nothing).
bool Covered(const TClipList& list, const TRect& r) {
  return r.IsEmpty() || std::any_of(list.begin(), list.end(), [&r](const TRect& d) { return d.Contains(r); });
}

}  // namespace

TVelkCinema::TVelkCinema(TVelkBaseList* owner) : TVelkControl(owner), scene_(std::make_unique<TVelkBaseList>()) {}

TVelkCinema::~TVelkCinema() = default;

bool TVelkCinema::GetProp(int32_t id, TPropValue& value) const {
  return kCinemaProps.Get(*this, id, value) || TVelkControl::GetProp(id, value);
}

bool TVelkCinema::SetProp(int32_t id, const TPropValue& value) {
  return kCinemaProps.Set(*this, id, value) || TVelkControl::SetProp(id, value);
}

TVelkBaseList* TVelkCinema::PrivateScene() const { return film_ && film_->HasOwnScene() ? scene_.get() : nullptr; }

void TVelkCinema::SetSource(const std::string& source) {
  Source = source;
  film_.reset();
  TVelkBaseList* scene = Owner();
  if (scene && scene->Services.LoadFilm && scene->Services.FileExists(source)) {
    film_ = scene->Services.LoadFilm(*this, source);
  }
  if (film_) {
    film_->SetVolume(Volume);
    if (film_->HasOwnScene()) {
      scene_->Services = scene->Services;
      film_->SetScene(scene_.get());
    } else {
      film_->SetScene(scene);
      SetWidth(film_->Width());
      SetHeight(film_->Height());
    }
  }
  elapsed_ = 0;
  ended_ = false;
  countdown_ = 2;
  Invalidate();
}

int32_t TVelkCinema::Index() const { return film_ ? film_->CurrentTick() : -1; }

void TVelkCinema::SetIndex(int32_t tick) {
  if (!film_) return;
  tick = std::clamp(tick, 0, std::max(film_->Length() - 1, 0));
  film_->MoveTo(tick);
  elapsed_ = tick * kFilmTickMs;
}

int32_t TVelkCinema::Count() const { return film_ ? film_->Length() : 0; }

void TVelkCinema::SetVolume(int32_t volume) {
  Volume = volume;
  if (film_) film_->SetVolume(volume);
}

bool TVelkCinema::Playing() const { return film_ && !ended_ && !PausedFlag && !AniPaused; }

bool TVelkCinema::Update() {
  if (!film_) return false;
  film_->SetPlaying(!PausedFlag && !AniPaused);
  if (!PausedFlag && StepClock()) return true;
  if (film_->HasOwnScene()) PassOnPrivateChanges();
  return false;
}

bool TVelkCinema::StepClock() {
  if (!ended_ && !AniPaused && countdown_ == 0) elapsed_ += Owner() ? Owner()->FrameMs() : 0;
  const int32_t length = film_->Length();
  const int32_t last = std::max(length - 1, 0);  // a film of no ticks shows tick 0
  auto frame = static_cast<int32_t>(std::lround(elapsed_ / kFilmTickMs));
  if (frame >= length) {
    if (!Repeat) {
      if (AutoScrap) return true;
      if (!ended_) QueueOwnEvent(PR_ONPLAYEND);
      ended_ = true;
      frame = last;
    } else {
      frame = std::min(frame % std::max(length, 1) + film_->LoopStart(), last);
      frame = std::max(frame, 0);
      elapsed_ = frame * kFilmTickMs;
    }
  }
  if (countdown_ == 2 || frame != film_->CurrentTick()) film_->MoveTo(frame);
  if (countdown_ > 0) --countdown_;
  return false;
}

void TVelkCinema::PassOnPrivateChanges() {
  scene_->SetFrameMs(Owner() ? Owner()->FrameMs() : 0);
  scene_->UpdateAll();
  TVelkBase* base = Base();
  if (base) {
    for (const TRect& r : late_reports_) base->AddDirtyRect(r);
  }
  late_reports_.clear();
  if (scene_->TransitionRunning()) {
    Invalidate();
    return;
  }
  if (!base) return;
  const int32_t x = ScreenLeft(), y = ScreenTop();
  for (const TRect& r : scene_->ActiveBaseObject()->DirtyRects) base->AddDirtyRect(Moved(r, x, y));
}

void TVelkCinema::Draw() {
  TCustomDIBX* target = Surface();
  if (target && PrivateScene()) {
    const int32_t x = ScreenLeft(), y = ScreenTop();
    TVelkBase* base = Base();
    TVelkBase* inner = scene_->ActiveBaseObject();
    if (base) {
      for (const TRect& r : base->DirtyRects) inner->AddDirtyRect(Moved(r, -x, -y));
    }
    scene_->DrawAll();
    for (const TRect& r : inner->DirtyRects) {
      target->Draw(x + r.Left, y + r.Top, scene_->PresentationSurface(), r, false, false, false);
      // The base walks its own list while it draws, so a rectangle that list does not already cover waits for
      // the next update instead of changing the list under the walk.
      const TRect moved = Moved(r, x, y);
      if (base && !Covered(base->DirtyRects, Intersect(moved, TRect{0, 0, base->Width, base->Height})))
        late_reports_.push_back(moved);
    }
    scene_->ClearDirty();
  }
  DrawChildren();
}

void TVelkCinema::ReleaseSurfaces() {
  TVelkControl::ReleaseSurfaces();
  scene_->ReleaseSurfaces();
}

void TVelkCinema::RestoreSurfaces() {
  TVelkControl::RestoreSurfaces();
  scene_->RestoreSurfaces();
}

void TVelkCinema::SaveOwnFields(TStream& s) const {
  WriteString(s, Source);
  WriteByte(s, Repeat);
  WriteByte(s, PausedFlag);
  WriteByte(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteString(s, OnIdle);
  WriteInt(s, Index());
  WriteByte(s, RewindOnLoad);
  WriteInt(s, Volume);
  WriteByte(s, MuteOnLoad);
  WriteBool(s, ended_);
}

void TVelkCinema::LoadOwnFields(TStream& s, int32_t version) {
  const std::string source = ReadString(s);
  Repeat = ReadByte(s) != 0;
  PausedFlag = ReadByte(s) != 0;
  AutoScrap = ReadByte(s) != 0;
  OnPlayEnd = ReadString(s);
  if (version > 103) OnIdle = ReadString(s);
  int32_t frame = -1;
  if (version > 116) {
    frame = ReadInt(s);
    RewindOnLoad = ReadByte(s) != 0;
  }
  if (version > 128) {
    Volume = ReadInt(s);
    MuteOnLoad = ReadByte(s) != 0;
  }
  const bool ended = version > 132 && ReadBool(s);
  // The film loads with the saved volume, then takes the saved frame unless it rewinds. The stored size stays: a
  // film that runs in the main scene would give the cinema its own size, which the script may have changed since.
  const int32_t w = Width, h = Height;
  SetSource(source);
  SetWidth(w);
  SetHeight(h);
  if (version > 116 && !RewindOnLoad && frame >= 0) {
    SetIndex(frame);
    // A film that had started to run goes on at once; one still at its first frame keeps the countdown of a start.
    if (film_ && frame > 0) countdown_ = 0;
  }
  ended_ = ended;
}

}  // namespace velk

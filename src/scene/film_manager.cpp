#include "scene/film_manager.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "base/error.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "scene/base_list.h"
#include "scene/film_tracks.h"
#include "scene/velk_control.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

constexpr char kCinemaHeader[] = "VelkCinema";
constexpr char kMotionHeader[] = "VelkMotion";
// The kind byte and the base record: the least a track takes in a file.
constexpr int64_t kMinTrackBytes = 1 + 6 * 4 + 3;

[[noreturn]] void Damaged(const std::string& name) {
  throw EFormatError(Utf8ToCp932("データが壊れています"), name);
}

// Ticks of a film of the version: older films counted 30 ticks a second.
int32_t TicksOf(int32_t stored, int32_t version) {
  if (version > 106) return stored;
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{stored} * 2, INT32_MIN, INT32_MAX));
}

}  // namespace

TFilmManager::TFilmManager() = default;

TFilmManager::~TFilmManager() { Clear(); }

void TFilmManager::Clear() {
  // Tracks free their objects; later tracks may chain to earlier ones, so they go last to first.
  while (!tracks_.empty()) tracks_.pop_back();
  transition_ = nullptr;
  failed_ = nullptr;
  length_ = 0;
  tick_ = -1;
}

int32_t TFilmManager::IndexOf(const TCustomFrameList* track) const {
  for (size_t i = 0; i < tracks_.size(); ++i) {
    if (tracks_[i].get() == track) return static_cast<int32_t>(i);
  }
  return -1;
}

void TFilmManager::Load(TVelkBaseList& scene, const std::string& name) {
  files_ = &scene;
  TMemoryStream s;
  if (!scene.Services.ReadFile || !scene.Services.ReadFile(s, name)) {
    throw EStreamError(Utf8ToCp932("ファイルが見つかりません"), name);
  }
  s.SetPosition(0);
  LoadFromStream(s, name);
}

void TFilmManager::LoadFromStream(TStream& s, const std::string& name) {
  Clear();
  FilmKind = kFilmNone;
  uint8_t header[13] = {};
  if (s.Remaining() < 13) return;
  s.ReadBuffer(header, 13);
  const std::string title(reinterpret_cast<const char*>(header), 10);
  uint8_t kind = kFilmNone;
  if (title == kCinemaHeader) kind = kFilmCinema;
  if (title == kMotionHeader) kind = kFilmMotion;
  if (kind == kFilmNone) return;
  int32_t version = 0;
  for (int i = 10; i < 13; ++i) {
    if (header[i] < '0' || header[i] > '9') {
      throw EFormatError(Utf8ToCp932("'") + std::string(reinterpret_cast<const char*>(header) + 10, 3) +
                             Utf8ToCp932("' は整数ではありません"),
                         name);
    }
    version = version * 10 + (header[i] - '0');
  }
  Version = version;
  SceneWidth = ReadIntExact(s);
  SceneHeight = ReadIntExact(s);
  BackgroundColor = ReadIntExact(s);
  RelativeFlag = version > 101 && ReadByteExact(s) != 0;
  OriginX = OriginY = 0;
  if (version > 103) {
    OriginX = ReadIntExact(s);
    OriginY = ReadIntExact(s);
  }
  LoopStartTick = version > 105 ? TicksOf(ReadIntExact(s), version) : 0;
  const int32_t count = ReadCount(s, kMinTrackBytes);
  if (count > kMaxTracks) Damaged(name);
  const std::string folder = ExtractFilePath(name);
  try {
    for (int32_t i = 0; i < count; ++i) tracks_.push_back(ReadFilmTrack(*this, s, folder, version));
  } catch (const EVelkError&) {
    // A film cut short shows nothing: none of its tracks stays.
    Clear();
    throw;
  }
  for (auto& t : tracks_) {
    const int32_t p = t->PredecessorIndex;
    t->Predecessor = p >= 0 && p < count ? tracks_[static_cast<size_t>(p)].get() : nullptr;
  }
  // A chain that comes back to itself has no start: such a film is damaged.
  for (auto& t : tracks_) {
    int32_t steps = 0;
    for (const TCustomFrameList* q = t->Predecessor; q != nullptr; q = q->Predecessor) {
      if (++steps > count) {
        for (auto& u : tracks_) u->Predecessor = nullptr;
        tracks_.clear();
        Damaged(name);
      }
    }
  }
  FilmKind = kind;
  Resolve();
  for (auto& t : tracks_) t->Init();
}

void TFilmManager::Resolve() {
  std::unordered_map<const TCustomFrameList*, size_t> index;
  for (size_t i = 0; i < tracks_.size(); ++i) index[tracks_[i].get()] = i;
  // Absolute starts: each chain is walked once from its first unknown track back to a known one (or its start).
  std::vector<bool> done(tracks_.size(), false);
  std::vector<TCustomFrameList*> path;
  for (size_t i = 0; i < tracks_.size(); ++i) {
    path.clear();
    TCustomFrameList* t = tracks_[i].get();
    while (t != nullptr && !done[index.at(t)]) {
      path.push_back(t);
      t = t->Predecessor;
    }
    if (path.empty()) continue;
    int64_t start = t ? t->AbsoluteStart() + t->Duration : path.back()->StartTick;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      (*it)->SetAbsoluteStart(start);
      start += (*it)->Duration;
      done[index.at(*it)] = true;
    }
  }
  for (auto& t : tracks_) t->HasSuccessor = false;
  for (auto& t : tracks_) {
    if (t->Predecessor) t->Predecessor->HasSuccessor = true;
  }
  switches_.clear();
  int64_t length = 0;
  for (auto& t : tracks_) {
    length = std::max(length, t->AbsoluteEnd());
    // A transition of no ticks switches at its start instead of the tick before it.
    if (t->Kind() == kTrackWipe) switches_.push_back(t->AbsoluteStart() + std::max(t->Duration, 1) - 1);
  }
  std::sort(switches_.begin(), switches_.end());
  // Sound chains: the first sound track of a chain plays until the last track of its chain ends.
  for (auto& t : tracks_) {
    if (auto* s = dynamic_cast<TSoundFrameList*>(t.get())) s->SetChain(s, s->AbsoluteEnd());
  }
  for (auto& t : tracks_) {
    auto* s = dynamic_cast<TSoundFrameList*>(t.get());
    if (!s) continue;
    TSoundFrameList* root = s;
    while (auto* prev = dynamic_cast<TSoundFrameList*>(root->Predecessor)) root = prev;
    if (root == s) continue;
    s->SetChain(root, s->AbsoluteEnd());
    root->SetChain(root, std::max(root->ChainEnd(), s->AbsoluteEnd()));
  }
  length_ = static_cast<int32_t>(std::min<int64_t>(length, std::numeric_limits<int32_t>::max()));
}

void TFilmManager::SaveToStream(TStream& s, int32_t version) const {
  version = std::clamp(version, 100, 999);
  const std::string header = std::string(FilmKind == kFilmMotion ? kMotionHeader : kCinemaHeader) +
                             std::to_string(version);
  s.WriteBuffer(header.data(), 13);
  WriteInt(s, SceneWidth);
  WriteInt(s, SceneHeight);
  WriteInt(s, BackgroundColor);
  if (version > 101) WriteByte(s, RelativeFlag);
  if (version > 103) {
    WriteInt(s, OriginX);
    WriteInt(s, OriginY);
  }
  if (version > 105) WriteInt(s, version <= 106 ? LoopStartTick / 2 : LoopStartTick);
  WriteInt(s, static_cast<int32_t>(tracks_.size()));
  for (const auto& t : tracks_) {
    WriteByte(s, t->Kind());
    t->SaveToStream(s, version, IndexOf(t->Predecessor));
  }
}

int32_t TFilmManager::Shifted(int32_t v, int32_t offset, int32_t origin) const {
  if (!RelativeFlag || !MotionMode()) return v;
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} + offset - origin, INT32_MIN, INT32_MAX));
}

TVelkBaseList* TFilmManager::MainScene() const {
  if (controlled_) return controlled_->Owner();
  return cinema_ ? cinema_->Owner() : scene_;
}

std::string TFilmManager::NamePrefix() const {
  const TVelkControl* cinema = MotionMode() ? nullptr : cinema_;
  return cinema ? std::string("\x01") + cinema->Name() + "\x01" : std::string("\x01");
}

bool TFilmManager::HasOwnScene() const {
  if (BackgroundColor != -1) return true;
  return std::any_of(tracks_.begin(), tracks_.end(),
                     [](const auto& t) { return t->Kind() == kTrackWipe || t->OtherBase; });
}

int32_t TFilmManager::FrontAt(int64_t tick) const {
  const auto ended = std::upper_bound(switches_.begin(), switches_.end(), tick) - switches_.begin();
  return static_cast<int32_t>(ended & 1);
}

void TFilmManager::SetScene(TVelkBaseList* scene) {
  scene_ = scene;
  if (!scene_ || MotionMode() || !HasOwnScene()) return;
  const int32_t w = std::clamp(SceneWidth, 1, TVelkBaseList::kMaxScreenSide);
  const int32_t h = std::clamp(SceneHeight, 1, TVelkBaseList::kMaxScreenSide);
  scene_->SetSize(w, h);
  for (int32_t i = 0; i < 2; ++i) scene_->BaseAt(i)->SetColor(BackgroundColor);
}

void TFilmManager::SetSoundEnabled(bool flag) {
  sound_enabled_ = flag;
  for (auto& t : tracks_) t->SetPaused(paused_ || !sound_enabled_);
}

void TFilmManager::SetPlaying(bool playing) {
  if (paused_ == !playing) return;
  paused_ = !playing;
  for (auto& t : tracks_) t->SetPaused(paused_ || !sound_enabled_);
}

void TFilmManager::Seek(int32_t tick) {
  if (tick < tick_) {
    for (auto& t : tracks_) {
      if (t->Kind() == kTrackSound) static_cast<TSoundFrameList&>(*t).StopSound();
    }
  }
  for (auto& t : tracks_) t->Apply(tick);
  if (!MotionMode() && !PlacedUnder() && scene_) SeekTransition(tick);
  tick_ = tick;
}

void TFilmManager::SeekTransition(int32_t tick) {
  const TWipeFrameList* active = nullptr;
  for (const auto& t : tracks_) {
    // A transition of no ticks never runs: it only switches the bases.
    if (t->Kind() == kTrackWipe && t->Duration > 0 && t->Contains(tick) && t.get() != failed_) {
      active = static_cast<const TWipeFrameList*>(t.get());
    }
  }
  const int32_t front = FrontAt(tick);
  const bool changed = active != transition_ || front != front_;
  if (active) {
    const bool fresh = active != transition_;
    scene_->Flip(front, active->Type, active->Reverse ? 1 : 0, fresh,
                 static_cast<int32_t>(tick - active->AbsoluteStart()), active->Duration);
    if (fresh) {
      if (TCustomWipe* wipe = scene_->Transition()) {
        // Transition parameters are sizes and speeds in pixels: bounded like the film's other coordinates.
        wipe->SetParam(0, FilmCoord(active->Param0));
        wipe->SetParam(1, FilmCoord(active->Param1));
        wipe->SetRuleFile(active->MaskFile);
        try {
          wipe->Prepare();
        } catch (const EVelkError&) {
          // Parameters the transition cannot work with (a mask larger than memory allows): the track shows no
          // transition, and is not tried again.
          failed_ = active;
          active = nullptr;
          scene_->Flip(front, 0, 0, true, 0, 0);
        }
      }
    }
  } else if (changed) {
    scene_->Flip(front, 0, 0, true, 0, 0);
  }
  if (changed || active) scene_->ActiveBaseObject()->AddWholeRect();
  transition_ = active;
  front_ = front;
}

std::unique_ptr<IVelkFilm> LoadFilmFor(TVelkControl& target, const std::string& source) {
  TVelkBaseList* scene = target.Owner();
  if (!scene || !scene->Services.FileExists(source)) return nullptr;
  auto film = std::make_unique<TFilmManager>();
  if (target.ComponentType() == VT_CINEMA) {
    film->SetCinema(&target);
  } else {
    film->SetMotionTarget(&target);
  }
  try {
    film->Load(*scene, source);
  } catch (const EVelkError&) {
    return nullptr;
  }
  if (film->FilmKind == kFilmNone) return nullptr;
  if (film->MotionMode()) film->SetScene(scene);
  return film;
}

}  // namespace velk

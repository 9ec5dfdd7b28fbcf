#pragma once
// The film manager: a film read from a cinema or motion file, shown at any tick. Seeking runs every track for the
// tick (each creates, moves or removes its scene object), then turns the transition track of the tick into the
// scene's running transition and chooses the base in front. A cinema plays a film in a scene of its own when the
// film switches bases or has a background, otherwise directly under the cinema; a motion drives one control.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/film_track.h"
#include "scene/velk_film.h"

namespace velk {

class TStream;
class TVelkControl;
class TVelkBaseList;

enum : uint8_t { kFilmCinema = 0, kFilmMotion = 1, kFilmNone = 2 };

class TFilmManager : public IVelkFilm {
 public:
  TFilmManager();
  ~TFilmManager() override;

  // Bounds of a film file: more tracks than this is a damaged file.
  static constexpr int32_t kMaxTracks = 4096;
  // The newest layout, which the writer uses unless told otherwise.
  static constexpr int32_t kVersion = 109;

  // The film of a game file through the scene's files; a header of neither kind loads nothing. Damaged data raises
  // EFormatError.
  void Load(TVelkBaseList& scene, const std::string& name);
  // name: the film's own name; its folder resolves the relative file names inside.
  void LoadFromStream(TStream& s, const std::string& name);
  // Writes the film in the layout of the version (101 .. 999).
  void SaveToStream(TStream& s, int32_t version = kVersion) const;
  // Frees the tracks (and their objects).
  void Clear();

  // Fields of the film.
  int32_t SceneWidth = 0, SceneHeight = 0;
  int32_t BackgroundColor = -1;
  uint8_t FilmKind = kFilmNone;
  bool RelativeFlag = false;
  int32_t OriginX = 0, OriginY = 0;
  int32_t LoopStartTick = 0;
  int32_t Version = 0;

  std::vector<std::unique_ptr<TCustomFrameList>>& Tracks() { return tracks_; }
  const std::vector<std::unique_ptr<TCustomFrameList>>& Tracks() const { return tracks_; }
  int32_t IndexOf(const TCustomFrameList* track) const;
  // After tracks are added or chained by hand (without cycles): absolute starts, successors, the ticks at which
  // the transitions switch the bases, the sound chains and the length.
  void Resolve();

  // Where the film lives. A motion's film writes into the controlled control; a cinema's film places its objects
  // in the scene (its own, or the cinema's scene under the cinema).
  void SetMotionTarget(TVelkControl* control) { controlled_ = control; }
  void SetCinema(TVelkControl* cinema) { cinema_ = cinema; }
  bool MotionMode() const { return controlled_ != nullptr; }
  TVelkControl* Controlled() const { return controlled_; }
  TVelkBaseList* Scene() const { return scene_; }
  // The scene whose image cache lends the track pictures: the film's scene, else the one it was loaded through.
  TVelkBaseList* FilesScene() const { return scene_ ? scene_ : files_; }
  // The cinema the objects are placed under (null in a scene of the film's own and for motions).
  TVelkControl* PlacedUnder() const { return HasOwnScene() || MotionMode() ? nullptr : cinema_; }
  // The scene sounds are made in: the scene of the cinema or of the moved control.
  TVelkBaseList* MainScene() const;
  // The name prefix of the film's objects: 0x01, the cinema's name and 0x01, or 0x01 alone.
  std::string NamePrefix() const;
  // A stored position moved by the control's position less the film's origin, for a relative motion.
  int32_t ShiftX(int32_t x) const { return Shifted(x, offset_x_, OriginX); }
  int32_t ShiftY(int32_t y) const { return Shifted(y, offset_y_, OriginY); }
  int32_t BasePriority() const { return base_priority_; }
  // The base (0 or 1) that the transitions select at a tick: each transition track that has ended by then
  // toggles it.
  int32_t FrontAt(int64_t tick) const;
  bool Paused() const { return paused_; }
  bool SoundEnabled() const { return sound_enabled_; }
  void SetSoundEnabled(bool flag);
  int32_t MasterVolume() const { return master_volume_; }
  // The transition track of the last seek.
  const TCustomFrameList* TransitionTrack() const { return transition_; }

  // Shows the film at the tick.
  void Seek(int32_t tick);

  // IVelkFilm.
  int32_t Length() const override { return length_; }
  int32_t LoopStart() const override { return LoopStartTick; }
  void MoveTo(int32_t tick) override { Seek(tick); }
  int32_t CurrentTick() const override { return tick_; }
  bool Relative() const override { return RelativeFlag; }
  void SetOrigin(int32_t x, int32_t y) override {
    offset_x_ = x;
    offset_y_ = y;
  }
  void SetBasePriority(int32_t priority) override { base_priority_ = priority; }
  // A film with a transition track, a track on the other base or a background colour.
  bool HasOwnScene() const override;
  // Gives the film its scene and starts it: the scene size and background go to a scene of the film's own.
  void SetScene(TVelkBaseList* scene) override;
  int32_t Width() const override { return SceneWidth; }
  int32_t Height() const override { return SceneHeight; }
  void SetPlaying(bool playing) override;
  void SetVolume(int32_t volume) override { master_volume_ = volume; }

 private:
  void SeekTransition(int32_t tick);
  int32_t Shifted(int32_t v, int32_t offset, int32_t origin) const;

  std::vector<std::unique_ptr<TCustomFrameList>> tracks_;
  // Sorted ticks at which a transition track counts as ended.
  std::vector<int64_t> switches_;
  TVelkBaseList* scene_ = nullptr;
  TVelkBaseList* files_ = nullptr;
  TVelkControl* cinema_ = nullptr;
  TVelkControl* controlled_ = nullptr;
  int32_t tick_ = -1;
  int32_t length_ = 0;
  const TCustomFrameList* transition_ = nullptr;
  // A transition track whose transition could not be prepared.
  const TCustomFrameList* failed_ = nullptr;
  int32_t front_ = -1;
  bool sound_enabled_ = true;
  bool paused_ = false;
  int32_t master_volume_ = 1000;
  int32_t offset_x_ = 0, offset_y_ = 0;
  int32_t base_priority_ = 0;
};

// The scene's film loader: the film of a game file for a cinema, or the motion of another control. Null when the
// file is missing, is not a film, or is damaged (the control then stays without film and the script goes on).
std::unique_ptr<IVelkFilm> LoadFilmFor(TVelkControl& target, const std::string& source);

}  // namespace velk

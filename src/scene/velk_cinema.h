#pragma once
// A control that plays a film at 60 ticks a second. A film with a screen of its own runs in the cinema's private
// scene, whose changed rectangles the cinema copies onto its own base; any other film places its objects under the
// cinema in the cinema's scene, and the cinema takes the film's size.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/velk_control.h"

namespace velk {

class IVelkFilm;

class TVelkCinema : public TVelkControl {
 public:
  explicit TVelkCinema(TVelkBaseList* owner);
  ~TVelkCinema() override;

  uint8_t ComponentType() const override { return VT_CINEMA; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // Advances the clock, moves the film and passes the private scene's changes on; true when the film has ended
  // and the cinema scraps itself.
  bool Update() override;
  void Draw() override;
  // The private scene's surfaces go and come back with the display's.
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // Loads the film of an existing file (none otherwise) and restarts the clock.
  void SetSource(const std::string& source);
  // The film's current tick, -1 without a film; writing moves the film and sets the clock to that tick.
  int32_t Index() const;
  void SetIndex(int32_t tick);
  // The film's length in ticks, 0 without a film.
  int32_t Count() const;
  void SetVolume(int32_t volume);
  bool Playing() const;

  IVelkFilm* Film() const { return film_.get(); }
  // The scene the film runs in when it has one of its own, else null.
  TVelkBaseList* PrivateScene() const;
  bool Ended() const { return ended_; }
  double ElapsedMs() const { return elapsed_; }

  std::string Source;
  bool Repeat = false;
  bool PausedFlag = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  std::string OnIdle;
  int32_t Volume = 0;
  bool RewindOnLoad = true;
  bool MuteOnLoad = false;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // Advances the clock and moves the film (unless PR_PAUSED); true when the cinema scraps itself.
  bool StepClock();
  // Updates the private scene and adds its changes, at the cinema's screen position, to the cinema's base.
  void PassOnPrivateChanges();

  // The film refers to the private scene, so it is declared after it and destroyed before it.
  std::unique_ptr<TVelkBaseList> scene_;
  std::unique_ptr<IVelkFilm> film_;
  double elapsed_ = 0;
  int32_t countdown_ = 2;
  bool ended_ = false;
  // Rectangles copied during a draw that the cinema's base could not take while it was drawing its own list.
  std::vector<TRect> late_reports_;
};

}  // namespace velk

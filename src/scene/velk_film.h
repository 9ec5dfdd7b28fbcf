#pragma once
// A film as the scene components drive it: a timeline of 60 ticks a second that moves scene objects. Motion players
// drive one control with it; cinemas play it in a scene of their own or directly under themselves. The film
// manager of the films layer implements this; components only move it to ticks and read its shape.
#include <cstdint>

namespace velk {

class TVelkBaseList;

// Milliseconds per film tick.
constexpr double kFilmTickMs = 16.666666666666668;

class IVelkFilm {
 public:
  virtual ~IVelkFilm() = default;
  // Total length in ticks, and where a repeating run continues after its end.
  virtual int32_t Length() const = 0;
  virtual int32_t LoopStart() const = 0;
  // Shows the tick: writes the driven objects' animated values.
  virtual void MoveTo(int32_t tick) = 0;
  virtual int32_t CurrentTick() const = 0;

  // Motions: positions relative to the driven control's own position.
  virtual bool Relative() const = 0;
  virtual void SetOrigin(int32_t x, int32_t y) = 0;
  // Added to the priorities of the film's objects.
  virtual void SetBasePriority(int32_t priority) = 0;

  // Cinemas.
  // True when the film runs in a scene list of its own (the cinema's private scene).
  virtual bool HasOwnScene() const = 0;
  // Gives the film the scene its objects live in; called once before the first tick.
  virtual void SetScene(TVelkBaseList* scene) = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual void SetPlaying(bool playing) = 0;
  // Master volume, per mille.
  virtual void SetVolume(int32_t volume) = 0;
};

}  // namespace velk

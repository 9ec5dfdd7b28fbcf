#pragma once
// One track of a film (a frame list): a span of ticks on the film's timeline in which it drives one scene object,
// interpolating the object's values between a start and an end state. A track either starts at its own start tick
// or right after its predecessor ends, and then takes its start values from the predecessor's end values, so that
// a chain of tracks moves on smoothly. The track kinds (pictures, labels, boxes, transitions, sounds, tiles,
// particles, fire) build on this base and its stored record.
#include <cstdint>
#include <memory>
#include <string>

#include "scene/velk_control.h"

namespace velk {

class TStream;
class TFilmManager;
class TVelkControl;
class TVelkBaseList;

// The track kinds as stored in a film file.
enum : uint8_t {
  kTrackImage = 0,
  kTrackLabel = 1,
  kTrackBox = 2,
  kTrackWipe = 3,
  kTrackSound = 4,
  kTrackTile = 5,
  kTrackParticle = 6,
  kTrackFire = 7,
};

// ---- interpolation ------------------------------------------------------------------------------------------
// Step d of n steps between s and e with easing mode m: 0 linear, 1 slow start, 2 (and any other value) slow end.
// The last step (d = n - 1) gives the end value, the first (d = 0) the start value; the last step wins when a
// track has a single step. Integers round to the nearest, halves to even.
int32_t FilmInterpolate(int32_t s, int32_t e, uint8_t mode, int64_t d, int64_t n);
// The same in floating point; the linear mode divides by n instead of n - 1.
double FilmInterpolateReal(double s, double e, uint8_t mode, int64_t d, int64_t n);
// Colours 0x00BBGGRR channel by channel, linear.
int32_t FilmInterpolateColor(int32_t s, int32_t e, int64_t d, int64_t n);
// Degrees as 256ths of a turn folded into 0 .. 255 (the unit of the drawing and of PR_ANGLE).
int32_t FilmAngle(double degrees);
// The opacity code of an alpha pair: 255 when both are 0; otherwise linear with 0 read as 255, and a negative
// result -k is additive drawing with amount k (code 256 + k).
int32_t FilmOpacity(int32_t s, int32_t e, int64_t d, int64_t n);

// Positions and sizes a track writes stay within a million pixels, and zooms within 256 times, so that no hostile
// film makes the layout and drawing arithmetic overflow.
constexpr int32_t kMaxFilmCoord = 1 << 20;
constexpr int32_t kMaxFilmZoom = 256 * 256;
int32_t FilmCoord(int64_t v);
// A zoom factor in 256ths, truncated.
int32_t FilmZoom(double factor);

// A start and an end value.
template <class V> struct TAnimated {
  V Start{};
  V End{};
};

struct TFilmPoint {
  int32_t X = 0, Y = 0;
  friend bool operator==(const TFilmPoint&, const TFilmPoint&) = default;
};

// Stored fields shared by the track records.
void ReadFilmPoint(TStream& s, TFilmPoint& p);
void WriteFilmPoint(TStream& s, const TFilmPoint& p);
double ReadFilmReal(TStream& s);
void WriteFilmReal(TStream& s, double v);
// A file name of a track: made absolute against the film's folder unless it starts with "\" or a drive.
std::string FilmFileName(const std::string& folder, const std::string& name);

class TCustomFrameList {
 public:
  explicit TCustomFrameList(TFilmManager& film) : film_(film) {}
  virtual ~TCustomFrameList();
  TCustomFrameList(const TCustomFrameList&) = delete;
  TCustomFrameList& operator=(const TCustomFrameList&) = delete;

  virtual uint8_t Kind() const = 0;

  int32_t Duration = 1;
  int32_t Reserved = 0;
  int32_t StartTick = 0;
  int32_t FrameCycle = 0;
  int32_t Priority = 0;
  bool MirrorH = false;
  bool MirrorV = false;
  bool OtherBase = false;
  TCustomFrameList* Predecessor = nullptr;
  // The stored predecessor index until the film resolves it.
  int32_t PredecessorIndex = -1;
  // Some track continues after this one: its last step is then the successor's first.
  bool HasSuccessor = false;

  // A chained track starts where its predecessor ends (computed by the film's Resolve).
  int64_t AbsoluteStart() const { return absolute_start_; }
  void SetAbsoluteStart(int64_t tick) { absolute_start_ = tick; }
  int64_t AbsoluteEnd() const { return AbsoluteStart() + Duration; }
  bool Contains(int64_t tick) const { return tick >= AbsoluteStart() && tick < AbsoluteEnd(); }
  // The steps the interpolation spans: the duration, plus 1 when a track chains after this one.
  int64_t Steps() const { return int64_t{Duration} + (HasSuccessor ? 1 : 0); }
  // The frame shown t ticks into the track: the frame sequence repeats every frame cycle.
  int32_t FrameIndexAt(int64_t t) const;

  // The record: the base fields, then the kind's own (file names resolved against the folder).
  void LoadFromStream(TStream& s, const std::string& folder, int32_t version);
  void SaveToStream(TStream& s, int32_t version, int32_t predecessor_index) const;
  // Loads the track's files again (after the whole film is read).
  virtual void Init() {}
  // Shows the state at the tick; true when the tick lies in the track's span. Outside it the object goes.
  virtual bool Apply(int32_t tick);
  // Removes the track's scene object.
  virtual void Hide();
  // Sound tracks pause their sound.
  virtual void SetPaused(bool /*paused*/) {}

  // The object the track drives: its own, or the controlled control of a motion; null when none exists.
  TVelkControl* Control() const;

 protected:
  virtual void LoadOwn(TStream& s, const std::string& folder, int32_t version) = 0;
  virtual void SaveOwn(TStream& s, int32_t version) const = 0;
  // The values at step d of the track.
  virtual void Show(TVelkControl& control, int64_t d) = 0;
  // A new scene object of the kind's class, or null for kinds without one.
  virtual std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const = 0;
  // Frames of the track and their durations in ticks; one frame of one tick unless the kind has pictures.
  virtual int32_t FrameCount() const { return 1; }
  virtual int32_t FrameTicks(int32_t /*index*/) const { return 1; }

  // The start value of an animated field: the predecessor's end value when the predecessor is of the class that
  // declares the field.
  template <class C, class V> V StartOf(TAnimated<V> C::*field) const {
    const C* self = dynamic_cast<const C*>(this);
    const C* prev = dynamic_cast<const C*>(Predecessor);
    return prev ? (prev->*field).End : (self->*field).Start;
  }
  template <class C> int32_t Step(TAnimated<int32_t> C::*field, uint8_t ease, int64_t d) const {
    return FilmInterpolate(StartOf(field), (dynamic_cast<const C*>(this)->*field).End, ease, d, Steps());
  }
  template <class C> double StepReal(TAnimated<double> C::*field, uint8_t ease, int64_t d) const {
    return FilmInterpolateReal(StartOf(field), (dynamic_cast<const C*>(this)->*field).End, ease, d, Steps());
  }
  template <class C> int32_t StepOpacity(TAnimated<int32_t> C::*field, int64_t d) const {
    return FilmOpacity(StartOf(field), (dynamic_cast<const C*>(this)->*field).End, d, Steps());
  }

  // Position and priority, as every visual track sets them: the film's relative shift applied, written into
  // MotionX/MotionY/MotionPriority of a motion's control, else into Left/Top/Priority.
  void PlaceAt(TVelkControl& control, int32_t x, int32_t y) const;
  // The clip window of a control from the clip block (an empty size clips nothing).
  static void SetClip(TVelkControl& control, int32_t left, int32_t top, int32_t width, int32_t height);

  TFilmManager& film_;

 private:
  TVelkControl* Target();

  TObjectHandle control_;
  int64_t absolute_start_ = 0;
};

// Reads one track record of the kind (the low 7 bits of the kind byte); a kind without a class is a damaged file.
std::unique_ptr<TCustomFrameList> ReadFilmTrack(TFilmManager& film, TStream& s, const std::string& folder,
                                                int32_t version);
// A new track of a kind, null for kinds without a class.
std::unique_ptr<TCustomFrameList> NewFilmTrack(TFilmManager& film, uint8_t kind);

}  // namespace velk

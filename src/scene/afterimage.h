#pragma once
// The afterimages boxes, pictures and tiles leave behind while they move: when one is made, and how it fades.
#include <cstdint>
#include <vector>

namespace velk {

// The fade of an afterimage: start opacity s, fade time f and age t.
struct TAfterimageFade {
  int32_t StartAlpha = 0;
  int32_t Delay = 0;
  int32_t Age = 0;
  // s = (alpha div 256) x 256 + (alpha mod 256) div 2.
  static int32_t StartOf(int32_t source_alpha);
  // Ages by the frame's milliseconds; true when the fade is over, else alpha = s - round(t / f x (s mod 256)).
  bool Advance(int32_t elapsed_ms, int32_t& alpha);
};

// When a control leaves an afterimage: every span milliseconds, when one of the watched values (position and look)
// changed since the last afterimage. The first comparison is with the values the control had when afterimages were
// switched on, so a control that never changes leaves none.
class TAfterimageClock {
 public:
  // Advances by the frame's milliseconds; true when an afterimage is due now (the values are remembered then).
  // Span or delay below 1 switch afterimages off; without a picture to show none is made.
  bool Due(int32_t elapsed_ms, int32_t span, int32_t delay, const std::vector<int32_t>& now, bool has_picture);

 private:
  bool started_ = false;
  int32_t timer_ = 0;
  std::vector<int32_t> last_;
};

}  // namespace velk

#include "scene/afterimage.h"

#include <algorithm>
#include <cmath>

namespace velk {

int32_t TAfterimageFade::StartOf(int32_t source_alpha) { return source_alpha / 256 * 256 + source_alpha % 256 / 2; }

bool TAfterimageFade::Advance(int32_t elapsed_ms, int32_t& alpha) {
  Age += elapsed_ms;
  if (Age >= Delay) return true;
  alpha = StartAlpha - static_cast<int32_t>(std::lround(static_cast<double>(Age) / Delay * (StartAlpha % 256)));
  return false;
}

bool TAfterimageClock::Due(int32_t elapsed_ms, int32_t span, int32_t delay, const std::vector<int32_t>& now,
                           bool has_picture) {
  if (span <= 0 || delay <= 0) {
    started_ = false;
    return false;
  }
  if (!started_) {
    started_ = true;
    timer_ = 0;
    last_ = now;
  }
  timer_ = static_cast<int32_t>(std::min<int64_t>(int64_t{timer_} + std::max(elapsed_ms, 0), INT32_MAX));
  if (timer_ < span) return false;
  timer_ = 0;
  if (now == last_ || !has_picture) return false;
  last_ = now;
  return true;
}

}  // namespace velk

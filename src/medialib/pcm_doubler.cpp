#include "medialib/pcm_doubler.h"

#include <algorithm>
#include <array>

#include "platform/audio.h"

namespace velk {

namespace {

// Taps of the odd output samples, for the inputs 15 before to 16 after the even sample's own.
constexpr int kTapsBefore = 15;
constexpr std::array<int32_t, 32> kHalfTaps = {-2,   6,     -17,  36,    -71,   126,   -212,  338,  -519,  774,  -1132,
                                               1646, -2427, 3759, -6699, 20774, 20774, -6699, 3759, -2427, 1646, -1132,
                                               774,  -519,  338,  -212,  126,   -71,   36,    -17,  6,     -2};
constexpr int32_t kCentreTap = 32767;
// Inputs needed before the first output, and inputs held back until more come.
constexpr int64_t kFirstInputs = 33;
constexpr int64_t kHeldBack = 16;

int16_t rounded(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>((v + 16384) >> 15, -32768, 32767)); }

}  // namespace

int32_t TPcmDoubler::at(int side, int64_t m) const {
  if (m < 0) m = -m;
  if (end_ >= 0 && m >= end_) m = 2 * end_ - 1 - m;
  return held_[side][static_cast<size_t>(m - base_)];
}

void TPcmDoubler::Convert(const int16_t* samples, int32_t count, std::vector<int16_t>& out) {
  if (count <= 0 || end_ >= 0) return;
  for (int32_t i = 0; i < count; ++i) {
    if (channels_ == 1) {
      const int16_t side = MonoToSide(samples[i]);
      held_[0].push_back(side);
      held_[1].push_back(side);
    } else {
      held_[0].push_back(samples[2 * i]);
      held_[1].push_back(samples[2 * i + 1]);
    }
  }
  total_ += count;
  if (total_ >= kFirstInputs) emit(total_ - kHeldBack, out);
}

void TPcmDoubler::Flush(std::vector<int16_t>& out) {
  if (end_ >= 0) return;
  if (total_ < kFirstInputs) {
    // Data too short to have started: its mirrored second half is appended as if it were data, and what that
    // starts is played, up to the held-back tail.
    const int64_t extra = (total_ + 1) / 2;
    for (auto& h : held_) {
      for (int64_t j = 0; j < extra; ++j) {
        const int16_t v = h[static_cast<size_t>(total_ - 1 - j)];
        h.push_back(v);
      }
    }
    total_ += extra;
    end_ = total_;
    if (total_ >= kFirstInputs) emit(total_ - kHeldBack, out);
    return;
  }
  end_ = total_;
  emit(total_, out);
}

void TPcmDoubler::Reset() {
  held_[0].clear();
  held_[1].clear();
  base_ = total_ = next_ = 0;
  end_ = -1;
}

void TPcmDoubler::emit(int64_t end, std::vector<int16_t>& out) {
  if (end <= next_) return;
  out.reserve(out.size() + static_cast<size_t>(end - next_) * 2 * kAudioChannels);
  for (; next_ < end; ++next_) {
    int16_t even[2], odd[2];
    for (int side = 0; side < 2; ++side) {
      even[side] = rounded(int64_t{kCentreTap} * at(side, next_));
      // The sum is taken modulo 2^32 as the converter takes it: full-scale sound that follows the taps' signs wraps
      // there, and must wrap here too.
      uint32_t sum = 16384;
      for (size_t t = 0; t < kHalfTaps.size(); ++t) {
        const int64_t m = next_ - kTapsBefore + static_cast<int64_t>(t);
        sum += static_cast<uint32_t>(kHalfTaps[t] * at(side, m));
      }
      odd[side] = static_cast<int16_t>(std::clamp(static_cast<int32_t>(sum) >> 15, -32768, 32767));
    }
    out.insert(out.end(), {even[0], even[1], odd[0], odd[1]});
  }
  // Later outputs reach back at most kTapsBefore inputs (the start's mirror only while next_ is that close to it).
  const int64_t keep = std::max<int64_t>(0, next_ - kTapsBefore);
  if (keep > base_) {
    for (auto& h : held_) h.erase(h.begin(), h.begin() + (keep - base_));
    base_ = keep;
  }
}

}  // namespace velk

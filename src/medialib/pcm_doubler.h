#pragma once
// Sound at half the mixer's rate (22.05 kHz, mono or stereo, 16-bit) brought to the mixer's 44.1 kHz stereo by the
// same arithmetic as the general converter (TPcmResampler) uses for it, sample for sample, so that the waves most
// games ship play without loading the converter's libraries:
// - mono is first spread to both sides (MonoToSide);
// - each even output sample is the input sample times 32767/32768, each odd one a 32-tap half-sample interpolation,
//   both rounded and clipped to 16 bits;
// - the data is mirrored at its start and at its end, so the first and the last samples have neighbours;
// - nothing comes out until 33 input samples are in, then all but the last 16 inputs' worth; the rest at the end.
//   Data of fewer than 33 samples is lengthened by its mirrored second half, and played if that makes 33.
#include <cstdint>
#include <vector>

namespace velk {

// A mono sample as either side of the mixer's stereo, as the converter spreads it: 23170/32768 (-3 dB), rounded.
inline int16_t MonoToSide(int16_t v) { return static_cast<int16_t>((int32_t{v} * 23170 + 16384) >> 15); }

class TPcmDoubler {
 public:
  // channels: 1 or 2.
  explicit TPcmDoubler(int32_t channels) : channels_(channels) {}

  // Appends the output of count input frames (interleaved 16-bit samples) to out (interleaved stereo).
  void Convert(const int16_t* samples, int32_t count, std::vector<int16_t>& out);
  // Appends what is held back (at the end of the data).
  void Flush(std::vector<int16_t>& out);
  // Drops what it holds (after a seek): the next data starts afresh.
  void Reset();

 private:
  // Input sample m of a side, mirrored before the start and (once the end is known) after it.
  int32_t at(int side, int64_t m) const;
  // Emits the output frames of input positions next_ .. end - 1.
  void emit(int64_t end, std::vector<int16_t>& out);

  int32_t channels_;
  std::vector<int16_t> held_[2];  // per side, input positions base_ .. total_ - 1 (after the spread to both sides)
  int64_t base_ = 0;
  int64_t total_ = 0;
  int64_t next_ = 0;  // the next input position whose two output samples are due
  int64_t end_ = -1;  // the data's length once flushed
};

}  // namespace velk

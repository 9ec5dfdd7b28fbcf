#pragma once
// The random numbers of the scene's effects: one generator that every particle emitter of the scene draws from, so
// that twin effects do not move in lock-step. The game session seeds it once per run; a run on the virtual clock
// seeds it with a fixed value so that the run repeats exactly.
#include <cstdint>
#include <random>

namespace velk {

class TSceneRandom {
 public:
  // The value runs on the virtual clock (and scenes nobody seeds) start from.
  static constexpr uint32_t kFixedSeed = 0x5EED5u;

  void Seed(uint32_t seed) { engine_.seed(seed); }
  // A uniform number in [0, 1).
  double Uniform() { return std::generate_canonical<double, 32>(engine_) * (1.0 - 1e-12); }

 private:
  std::mt19937 engine_{kFixedSeed};
};

}  // namespace velk

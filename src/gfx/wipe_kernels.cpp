#include "gfx/wipe_kernels.h"

#include "gfx/blend_kernels.h"

namespace velk {

// Defined by the AVX-512 kernel file.
void FillAvx512WipeKernels(TWipeKernels& k);

const TWipeKernels& ScalarWipeKernels() {
  static const TWipeKernels k{
      "scalar", RippleRunScalar<uint32_t>, TwistRunScalar<uint32_t>, FadeRowScalar, MixRowScalar, LevelRowScalar, FlashRowScalar,
                                   LevelMixRowScalar};
  return k;
}

const TWipeKernels* Avx512WipeKernels() {
  static const TWipeKernels* k = []() -> const TWipeKernels* {
    if (!Avx512Kernels()) return nullptr;
    static TWipeKernels set = ScalarWipeKernels();
    set.Name = "avx512";
    FillAvx512WipeKernels(set);
    return &set;
  }();
  return k;
}

const TWipeKernels& WipeKernelsFor(const TRowKernels& row_kernels) {
  const TWipeKernels* wide = Avx512WipeKernels();
  return wide && &row_kernels == Avx512Kernels() ? *wide : ScalarWipeKernels();
}

const TWipeKernels& ActiveWipeKernels() {
  static const TWipeKernels& k = WipeKernelsFor(ActiveKernels());
  return k;
}

}  // namespace velk

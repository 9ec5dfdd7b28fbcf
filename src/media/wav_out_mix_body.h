// The SIMD mixing kernel, written once over a vector abstraction V (SSE2 or AVX2 registers). Included inside an
// anonymous namespace by each kernel file after it has switched the compiler's target.
//
// (s * volume) >> 8 is taken from the two halves of the 32-bit product: the high 16 bits shifted up by 8 and the low
// 16 bits shifted down by 8 give exactly the low 16 bits of the arithmetic shift, which is the scalar result. The
// saturating addition of 16-bit lanes is the scalar clamp.

template <class V> void MixWavBody(int16_t* dst, const int16_t* src, size_t n, int32_t volume) {
  using R = typename V::R;
  constexpr size_t kLanes = V::kBytes / 2;
  size_t i = 0;
  if (volume < kWavFullVolume) {
    const R v = V::Set16(static_cast<int16_t>(volume));
    for (; i + kLanes <= n; i += kLanes) {
      R s = V::Load(src + i);
      R scaled = V::Or(V::Sll16_8(V::MulHi16(s, v)), V::Srl16_8(V::MulLo16(s, v)));
      V::Store(dst + i, V::AddS16(V::Load(dst + i), scaled));
    }
  } else {
    for (; i + kLanes <= n; i += kLanes) V::Store(dst + i, V::AddS16(V::Load(dst + i), V::Load(src + i)));
  }
  MixWavTail(dst + i, src + i, n - i, volume);
}

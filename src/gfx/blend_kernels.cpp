#include "gfx/blend_kernels.h"

#include <cstdlib>
#include <cstring>

namespace velk {
namespace {

template <class T> struct Scalar {
  static void CopyTransparent(void* dv, const void* sv, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    if (!p.HasTransparent) {
      std::memmove(d, s, sizeof(T) * static_cast<size_t>(n));
      return;
    }
    const T t = static_cast<T>(p.Transparent);
    for (int i = 0; i < n; ++i)
      if (s[i] != t) d[i] = s[i];
  }
  static void Alpha(void* dv, const void* sv, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    const T t = static_cast<T>(p.Transparent);
    for (int i = 0; i < n; ++i) {
      if ((p.HasTransparent && s[i] == t) || s[i] == d[i]) continue;
      d[i] = static_cast<T>(BlendPixel(d[i], s[i], p.Alpha, p.Masks));
    }
  }
  static void Add(void* dv, const void* sv, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    const T t = static_cast<T>(p.Transparent);
    for (int i = 0; i < n; ++i) {
      if (p.HasTransparent && s[i] == t) continue;
      d[i] = static_cast<T>(AddPixel(d[i], s[i], p.Alpha, p.Masks));
    }
  }
  static void Mask(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    for (int i = 0; i < n; ++i) {
      if (m[i] == 255)
        d[i] = s[i];
      else if (m[i] != 0)
        d[i] = static_cast<T>(BlendPixel(d[i], s[i], m[i], p.Masks));
    }
  }
  static void AlphaMask(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    for (int i = 0; i < n; ++i)
      if (m[i] != 0) d[i] = static_cast<T>(BlendPixel(d[i], s[i], (p.Alpha * m[i]) >> 8, p.Masks));
  }
  static void AddMask(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T* s = static_cast<const T*>(sv);
    for (int i = 0; i < n; ++i) {
      if (m[i] == 0) continue;
      uint32_t k = m[i] == 255 ? p.Alpha : (m[i] * p.Alpha) / 256;
      d[i] = static_cast<T>(AddPixel(d[i], s[i], k, p.Masks));
    }
  }
  static void FillAlpha(void* dv, const void*, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T c = static_cast<T>(p.Color);
    for (int i = 0; i < n; ++i)
      if (d[i] != c) d[i] = static_cast<T>(BlendPixel(d[i], c, p.Alpha, p.Masks));
  }
  static void FillAdd(void* dv, const void*, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const TPixelMasks& k = p.Masks;
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(AddColorPixel(d[i], p.Color, k));
  }
  static void FillSub(void* dv, const void*, const uint8_t*, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const TPixelMasks& k = p.Masks;
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(SubColorPixel(d[i], p.Color, k));
  }
  static void ColorMask(void* dv, const void*, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    const T c = static_cast<T>(p.Color);
    for (int i = 0; i < n; ++i) {
      if (m[i] == 0 || d[i] == c) continue;
      uint32_t a = p.Alpha == 255 ? m[i] : (p.Alpha * m[i]) >> 8;
      d[i] = static_cast<T>(BlendPixel(d[i], c, a, p.Masks));
    }
  }
  static void AddGrey(void* dv, const void*, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(AddColorPixel(d[i], GreyToNative(m[i], p.Masks), p.Masks));
  }
  static void SubGrey(void* dv, const void*, const uint8_t* m, int n, const TKernelParams& p) {
    T* d = static_cast<T*>(dv);
    for (int i = 0; i < n; ++i) d[i] = static_cast<T>(SubColorPixel(d[i], GreyToNative(m[i], p.Masks), p.Masks));
  }
};

template <class T> constexpr void FillTable(TRowKernel (&row)[kRowOpCount]) {
  row[static_cast<int>(TRowOp::CopyTransparent)] = Scalar<T>::CopyTransparent;
  row[static_cast<int>(TRowOp::Alpha)] = Scalar<T>::Alpha;
  row[static_cast<int>(TRowOp::Add)] = Scalar<T>::Add;
  row[static_cast<int>(TRowOp::Mask)] = Scalar<T>::Mask;
  row[static_cast<int>(TRowOp::AlphaMask)] = Scalar<T>::AlphaMask;
  row[static_cast<int>(TRowOp::AddMask)] = Scalar<T>::AddMask;
  row[static_cast<int>(TRowOp::FillAlpha)] = Scalar<T>::FillAlpha;
  row[static_cast<int>(TRowOp::FillAdd)] = Scalar<T>::FillAdd;
  row[static_cast<int>(TRowOp::FillSub)] = Scalar<T>::FillSub;
  row[static_cast<int>(TRowOp::ColorMask)] = Scalar<T>::ColorMask;
  row[static_cast<int>(TRowOp::AddGrey)] = Scalar<T>::AddGrey;
  row[static_cast<int>(TRowOp::SubGrey)] = Scalar<T>::SubGrey;
}

TRowKernels MakeScalar() {
  TRowKernels k{"scalar", {}, {}};
  FillTable<uint16_t>(k.Row16);
  FillTable<uint32_t>(k.Row32);
  return k;
}

bool ScalarForced() {
  const char* v = std::getenv("VELK_SCALAR");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

}  // namespace

// Defined by the SIMD kernel files; each fills the slots it has kernels for.
void FillSse2Kernels(TRowKernels& k);
void FillAvx2Kernels(TRowKernels& k);
void FillAvx512Kernels(TRowKernels& k);
void FillAvx512MaskKernels(TRowKernels& k);  // needs the vector-length and byte-permute extensions too

const TRowKernels& ScalarKernels() {
  static const TRowKernels k = MakeScalar();
  return k;
}

const TRowKernels* Sse2Kernels() {
  static const TRowKernels* k = []() -> const TRowKernels* {
    if (!__builtin_cpu_supports("sse2")) return nullptr;
    static TRowKernels set = ScalarKernels();
    set.Name = "sse2";
    FillSse2Kernels(set);
    return &set;
  }();
  return k;
}

const TRowKernels* Avx2Kernels() {
  static const TRowKernels* k = []() -> const TRowKernels* {
    if (!__builtin_cpu_supports("avx2")) return nullptr;
    static TRowKernels set = ScalarKernels();
    set.Name = "avx2";
    FillAvx2Kernels(set);
    return &set;
  }();
  return k;
}

const TRowKernels* Avx512Kernels() {
  static const TRowKernels* k = []() -> const TRowKernels* {
    if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512bw") ||
        !__builtin_cpu_supports("avx512dq"))
      return nullptr;
    static TRowKernels set = ScalarKernels();
    set.Name = "avx512";
    FillAvx512Kernels(set);
    FillAvx512MaskKernels(set);
    return &set;
  }();
  return k;
}

const TRowKernels& ActiveKernels() {
  static const TRowKernels* k = [] {
    if (ScalarForced()) return &ScalarKernels();
    if (const TRowKernels* w = Avx512Kernels()) return w;
    if (const TRowKernels* a = Avx2Kernels()) return a;
    if (const TRowKernels* s = Sse2Kernels()) return s;
    return &ScalarKernels();
  }();
  return *k;
}

}  // namespace velk

// The SIMD row kernels, written once over a vector abstraction V (SSE2, AVX2 or AVX-512 registers). Included
// inside an anonymous namespace by each kernel file, after that file has switched the compiler's target, so every
// instantiation is private to its file and never runs on a processor without the instructions.
//
// 32-bit pixels are split into their even and odd bytes in 16-bit lanes (d * (255 - a) + s * a never exceeds
// 65025), shifted by 8 and put back; a blend with one alpha for the whole run uses the multiply-add of bytes
// instead where V has it. 15/16-bit pixels are split into their three channels with the masks, each channel shifted
// down into 16-bit lanes, computed the same way and shifted back. Runs shorter than a register go through the
// scalar kernels; every result is the scalar result. The loops work on registers aligned with the destination and
// fetch the rows a little ahead of use: a blend reads two rows and writes one, and without the hint its loads wait
// on memory.

template <class V> struct SimdKernels {
  using R = typename V::R;
  static constexpr int N32 = V::kBytes / 4;
  static constexpr int N16 = V::kBytes / 2;
  static constexpr uintptr_t kAheadBytes = 1024;

  // Stores step(i), the result for the register of pixels from i on, over a run of at least one register; returns
  // how many pixels it covered (all, or none for a shorter run). The registers are aligned with the destination:
  // when it does not start on a boundary, the first register is done unaligned and the rest from the next boundary
  // on; a run that does not end on one ends with the register that ends with it. Each result is a function of the
  // pixels of its own register, and registers that share pixels are computed from the untouched rows before either
  // is stored, so shared pixels get the same value twice.
  template <class P, class StepFn> static int Run(P* d, const std::type_identity_t<P>* s, int n, StepFn step) {
    constexpr int kLane = static_cast<int>(sizeof(P)), kStep = V::kBytes / kLane;
    if (n < kStep) return 0;
    const uintptr_t misalign = reinterpret_cast<uintptr_t>(d) & (V::kBytes - 1);
    const int head = misalign % kLane != 0 ? 0 : static_cast<int>((V::kBytes - misalign) & (V::kBytes - 1)) / kLane;
    const R last = step(n - kStep);
    int i = 0;
    if (head != 0 && head + kStep <= n) {
      const R first = step(0), next = step(head);
      V::Store(d, first);
      V::Store(d + head, next);
      i = head + kStep;
    }
    for (; i + kStep <= n; i += kStep) {
      if (((i * kLane) & 63) < V::kBytes) {  // once per cache line
        if (s) Ahead(s + i);
        Ahead(d + i);
      }
      V::Store(d + i, step(i));
    }
    if (i < n) V::Store(d + n - kStep, last);
    return n;
  }
  // What Run left (a run shorter than one register) goes through the scalar kernel.
  static void Tail(TRowOp op, int bits, void* d, const void* s, const uint8_t* m, int n, const TKernelParams& p,
                   int done) {
    if (done >= n) return;
    const int size = bits / 8;
    ScalarKernels().Kernel(op, bits)(static_cast<uint8_t*>(d) + done * size,
                                     s ? static_cast<const uint8_t*>(s) + done * size : nullptr, m ? m + done : nullptr,
                                     n - done, p);
  }
  // Asks for the cache line kAheadBytes beyond p.
  static void Ahead(const void* p) {
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + kAheadBytes));
  }

  // ---- 32-bit pixels ----

  static R Rgb32() { return V::Set32(0x00FFFFFF); }
  // Every byte of a 32-bit lane set to the lane's low byte.
  static R Broadcast(R v) {
    R t = V::Or(v, V::Sll32_8(v));
    return V::Or(t, V::Sll32_16(t));
  }
  static R Blend16(R d, R s, R a) {
    R inv = V::Sub16(V::Set16(255), a);
    return V::Srl16_8(V::Add16(V::Mul16(d, inv), V::Mul16(s, a)));
  }
  // Blend of whole pixels with a per-byte alpha (a holds the alpha in every byte of its pixel).
  // The even bytes of each 16-bit lane are computed in place of the lane, the odd ones after a shift down; no
  // shuffles are needed. The alpha holds its value in every byte of its pixel, so its low byte serves both.
  static R Blend32(R d, R s, R a) {
    const R low = V::Set32(0x00FF00FF), high = V::Set32(0xFF00FF00);
    const R a16 = V::And(a, low);
    const R even = V::Srl16_8(Blend16Raw(V::And(d, low), V::And(s, low), a16));
    const R odd = V::And(Blend16Raw(V::Srl16_8(d), V::Srl16_8(s), a16), high);
    return V::And(V::Or(even, odd), Rgb32());
  }
  // d * (255 - a) + s * a per 16-bit lane, before the shift.
  static R Blend16Raw(R d, R s, R a) { return V::Add16(V::Mul16(d, V::Sub16(V::Set16(255), a)), V::Mul16(s, a)); }
  // (s * k) >> 8 per byte, k given per byte.
  static R Scale32(R s, R k) {
    const R low = V::Set32(0x00FF00FF), high = V::Set32(0xFF00FF00);
    const R k16 = V::And(k, low);
    const R even = V::Srl16_8(V::Mul16(V::And(s, low), k16));
    const R odd = V::And(V::Mul16(V::Srl16_8(s), k16), high);
    return V::Or(even, odd);
  }
  static R Select(R keep, R a, R b) { return V::Select(keep, a, b); }
  // Calls fn with the two flags as std::true_type or std::false_type, so that the loops inside are compiled once
  // per combination and test nothing per pixel.
  template <class Fn> static void WithFlags(bool a, bool b, Fn fn) {
    if (a) {
      b ? fn(std::true_type{}, std::true_type{}) : fn(std::true_type{}, std::false_type{});
    } else {
      b ? fn(std::false_type{}, std::true_type{}) : fn(std::false_type{}, std::false_type{});
    }
  }
  // A blend with one alpha for every pixel of a run, with the multiply-add of unsigned bytes by signed ones where
  // V has it: the destination and source bytes are interleaved and weighted in one step. d * (255 - a) + s * a is
  // 256 * d + (s * a - d * (a + 1)) and also 256 * s + (d * (255 - a) - s * (256 - a)); the first form has weights
  // that fit signed bytes for a < 128, the second for a >= 128, and the bracket fits 16 bits either way. Its
  // arithmetic shift by 8 is a signed byte that, added to d or s, gives the blended byte. The reserved byte has
  // weights 0 and is cleared at the end as in the scalar formula.
  struct ConstAlpha {
    R a, w, rgb = Rgb32();
    bool from_source;
    explicit ConstAlpha(uint32_t alpha) : a(V::Set32(alpha * 0x01010101u)), from_source(alpha >= 128) {
      const uint32_t wd = from_source ? 255 - alpha : (0x100 - (alpha + 1)) & 0xFF;
      const uint32_t ws = from_source ? (0x100 - (256 - alpha)) & 0xFF : alpha;
      w = V::Set64((wd | ws << 8) * 0x0000000100010001ull);
    }
  };
  // kFromSource is k.from_source, fixed for the loop.
  template <bool kFromSource> static R BlendConst32(R d, R s, const ConstAlpha& k) {
    if constexpr (V::kMulAddBytes) {
      const R lo = V::Sra16_8(V::MulAddBytes(V::Lo8(d, s), k.w));
      const R hi = V::Sra16_8(V::MulAddBytes(V::Hi8(d, s), k.w));
      return V::And(V::Add8(kFromSource ? s : d, V::PackS16(lo, hi)), k.rgb);
    } else {
      return Blend32(d, s, k.a);
    }
  }

  static void CopyTransparent32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    if (!p.HasTransparent) {
      std::memmove(dv, sv, 4 * static_cast<size_t>(n));
      return;
    }
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const R t = V::Set32(p.Transparent);
    const int done = Run(d, s, n, [&](int i) {
      R sv4 = V::Load(s + i), dv4 = V::Load(d + i);
      return Select(V::Eq32(sv4, t), dv4, sv4);
    });
    Tail(TRowOp::CopyTransparent, 32, dv, sv, m, n, p, done);
  }
  static void Alpha32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const ConstAlpha a(p.Alpha);
    const R t = V::Set32(p.Transparent);
    int done = 0;
    WithFlags(a.from_source, p.HasTransparent, [&](auto from_source, auto transparent) {
      done = Run(d, s, n, [&](int i) {
        R x = V::Load(s + i), y = V::Load(d + i);
        R r = V::SelectEq32(x, y, y, BlendConst32<decltype(from_source)::value>(y, x, a));
        if constexpr (decltype(transparent)::value) r = V::SelectEq32(x, t, y, r);
        return r;
      });
    });
    Tail(TRowOp::Alpha, 32, dv, sv, m, n, p, done);
  }
  static void Add32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const R k = V::Set32(p.Alpha * 0x01010101u), rgb = Rgb32();
    const R t = V::Set32(p.Transparent);
    int done = 0;
    WithFlags(p.HasTransparent, false, [&](auto transparent, auto) {
      done = Run(d, s, n, [&](int i) {
        R x = V::Load(s + i), y = V::Load(d + i);
        R sum = V::And(V::AddsU8(y, Scale32(x, k)), rgb);
        if constexpr (decltype(transparent)::value) sum = Select(V::Eq32(x, t), y, sum);
        return sum;
      });
    });
    Tail(TRowOp::Add, 32, dv, sv, m, n, p, done);
  }
  static void Mask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const R full = V::Set32(255), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask32(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      R none = V::Eq32(mm, z), whole = V::Eq32(mm, full);
      // Registers wholly inside or outside the mask (most of a picture with an alpha channel) need no blend.
      if (V::AllOnes(V::Or(none, whole))) return Select(whole, x, y);
      return Select(whole, x, Select(none, y, Blend32(y, x, Broadcast(mm))));
    });
    Tail(TRowOp::Mask, 32, dv, sv, m, n, p, done);
  }
  static void AlphaMask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const R a = V::Set32(p.Alpha), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask32(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      R am = V::Srl32_8(V::Mul16(mm, a));  // (alpha * m) >> 8; the product fits the low 16 bits of the lane
      return Select(V::Eq32(mm, z), y, Blend32(y, x, Broadcast(am)));
    });
    Tail(TRowOp::AlphaMask, 32, dv, sv, m, n, p, done);
  }
  static void AddMask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    auto* s = static_cast<const uint32_t*>(sv);
    const R a = V::Set32(p.Alpha), full = V::Set32(255), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask32(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      R k = Select(V::Eq32(mm, full), a, V::Srl32_8(V::Mul16(mm, a)));
      R sum = V::And(V::AddsU8(y, Scale32(x, Broadcast(k))), Rgb32());
      return Select(V::Eq32(mm, z), y, sum);
    });
    Tail(TRowOp::AddMask, 32, dv, sv, m, n, p, done);
  }
  static void FillAlpha32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const ConstAlpha a(p.Alpha);
    const R c = V::Set32(p.Color);
    int done = 0;
    WithFlags(a.from_source, false, [&](auto from_source, auto) {
      done = Run(d, nullptr, n, [&](int i) {
        R y = V::Load(d + i);
        return V::SelectEq32(y, c, y, BlendConst32<decltype(from_source)::value>(y, c, a));
      });
    });
    Tail(TRowOp::FillAlpha, 32, dv, sv, m, n, p, done);
  }
  static void FillAdd32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const R c = V::Set32(p.Color);
    const int done = Run(d, nullptr, n, [&](int i) { return V::And(V::AddsU8(V::Load(d + i), c), Rgb32()); });
    Tail(TRowOp::FillAdd, 32, dv, sv, m, n, p, done);
  }
  static void FillSub32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const R c = V::Set32(p.Color);
    const int done = Run(d, nullptr, n, [&](int i) { return V::And(V::SubsU8(V::Load(d + i), c), Rgb32()); });
    Tail(TRowOp::FillSub, 32, dv, sv, m, n, p, done);
  }
  // Grey levels of 32-bit pixels are the level in every channel.
  static void AddGrey32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const int done = Run(d, nullptr, n, [&](int i) {
      return V::And(V::AddsU8(V::Load(d + i), Broadcast(V::LoadMask32(m + i))), Rgb32());
    });
    Tail(TRowOp::AddGrey, 32, dv, sv, m, n, p, done);
  }
  static void SubGrey32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const int done = Run(d, nullptr, n, [&](int i) {
      return V::And(V::SubsU8(V::Load(d + i), Broadcast(V::LoadMask32(m + i))), Rgb32());
    });
    Tail(TRowOp::SubGrey, 32, dv, sv, m, n, p, done);
  }
  static void ColorMask32(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint32_t*>(dv);
    const R a = V::Set32(p.Alpha), c = V::Set32(p.Color), z = V::Zero();
    const bool full = p.Alpha == 255;
    const int done = Run(d, nullptr, n, [&](int i) {
      R mm = V::LoadMask32(m + i);
      R y = V::Load(d + i);
      R am = full ? mm : V::Srl32_8(V::Mul16(mm, a));
      R skip = V::Or(V::Eq32(mm, z), V::Eq32(y, c));
      return Select(skip, y, Blend32(y, c, Broadcast(am)));
    });
    Tail(TRowOp::ColorMask, 32, dv, sv, m, n, p, done);
  }

  // ---- 15/16-bit pixels ----

  struct Channels {
    R mask[3];
    R max[3];  // the channel's largest value, shifted down
    int shift[3];
  };
  static Channels MakeChannels(const TPixelMasks& k) {
    Channels c;
    const uint32_t masks[3] = {k.Red, k.Green, k.Blue};
    for (int j = 0; j < 3; ++j) {
      c.mask[j] = V::Set16(static_cast<uint16_t>(masks[j]));
      c.shift[j] = MaskShift(masks[j]);
      c.max[j] = V::Set16(static_cast<uint16_t>(masks[j] >> c.shift[j]));
    }
    return c;
  }
  static R Down(R v, const Channels& c, int j) { return V::Srl16(V::And(v, c.mask[j]), c.shift[j]); }
  static R Up(R v, const Channels& c, int j) { return V::And(V::Sll16(v, c.shift[j]), c.mask[j]); }
  // Blend with a per-pixel alpha in 16-bit lanes.
  static R Blend565(R d, R s, R a, const Channels& c) {
    R r = V::Zero();
    for (int j = 0; j < 3; ++j) r = V::Or(r, Up(Blend16(Down(d, c, j), Down(s, c, j), a), c, j));
    return r;
  }
  // Add of s scaled by k (per-pixel, 16-bit lanes), saturating per channel.
  static R Add565(R d, R s, R k, const Channels& c) {
    R r = V::Zero();
    for (int j = 0; j < 3; ++j) {
      R sum = V::Add16(Down(d, c, j), V::Srl16_8(V::Mul16(Down(s, c, j), k)));
      r = V::Or(r, Up(V::Min16(sum, c.max[j]), c, j));
    }
    return r;
  }

  static void CopyTransparent16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    if (!p.HasTransparent) {
      std::memmove(dv, sv, 2 * static_cast<size_t>(n));
      return;
    }
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const R t = V::Set16(static_cast<uint16_t>(p.Transparent));
    const int done = Run(d, s, n, [&](int i) {
      R x = V::Load(s + i), y = V::Load(d + i);
      return Select(V::Eq16(x, t), y, x);
    });
    Tail(TRowOp::CopyTransparent, 16, dv, sv, m, n, p, done);
  }
  static void Alpha16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const Channels c = MakeChannels(p.Masks);
    const R a = V::Set16(static_cast<uint16_t>(p.Alpha));
    const R t = V::Set16(static_cast<uint16_t>(p.Transparent));
    const R use_t = p.HasTransparent ? V::Set32(0xFFFFFFFF) : V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R x = V::Load(s + i), y = V::Load(d + i);
      R skip = V::Or(V::Eq16(x, y), V::And(use_t, V::Eq16(x, t)));
      return Select(skip, y, Blend565(y, x, a, c));
    });
    Tail(TRowOp::Alpha, 16, dv, sv, m, n, p, done);
  }
  static void Add16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const Channels c = MakeChannels(p.Masks);
    const R k = V::Set16(static_cast<uint16_t>(p.Alpha));
    const R t = V::Set16(static_cast<uint16_t>(p.Transparent));
    const R use_t = p.HasTransparent ? V::Set32(0xFFFFFFFF) : V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R x = V::Load(s + i), y = V::Load(d + i);
      return Select(V::And(use_t, V::Eq16(x, t)), y, Add565(y, x, k, c));
    });
    Tail(TRowOp::Add, 16, dv, sv, m, n, p, done);
  }
  static void Mask16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const Channels c = MakeChannels(p.Masks);
    const R full = V::Set16(255), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask16(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      R r = Select(V::Eq16(mm, z), y, Blend565(y, x, mm, c));
      return Select(V::Eq16(mm, full), x, r);
    });
    Tail(TRowOp::Mask, 16, dv, sv, m, n, p, done);
  }
  static void AlphaMask16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const Channels c = MakeChannels(p.Masks);
    const R a = V::Set16(static_cast<uint16_t>(p.Alpha)), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask16(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      return Select(V::Eq16(mm, z), y, Blend565(y, x, V::Srl16_8(V::Mul16(mm, a)), c));
    });
    Tail(TRowOp::AlphaMask, 16, dv, sv, m, n, p, done);
  }
  static void AddMask16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    auto* s = static_cast<const uint16_t*>(sv);
    const Channels c = MakeChannels(p.Masks);
    const R a = V::Set16(static_cast<uint16_t>(p.Alpha)), full = V::Set16(255), z = V::Zero();
    const int done = Run(d, s, n, [&](int i) {
      R mm = V::LoadMask16(m + i);
      R x = V::Load(s + i), y = V::Load(d + i);
      R k = Select(V::Eq16(mm, full), a, V::Srl16_8(V::Mul16(mm, a)));
      return Select(V::Eq16(mm, z), y, Add565(y, x, k, c));
    });
    Tail(TRowOp::AddMask, 16, dv, sv, m, n, p, done);
  }
  static void FillAlpha16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    const Channels c = MakeChannels(p.Masks);
    const R a = V::Set16(static_cast<uint16_t>(p.Alpha)), col = V::Set16(static_cast<uint16_t>(p.Color));
    const int done = Run(d, nullptr, n, [&](int i) {
      R y = V::Load(d + i);
      return Select(V::Eq16(y, col), y, Blend565(y, col, a, c));
    });
    Tail(TRowOp::FillAlpha, 16, dv, sv, m, n, p, done);
  }
  static void FillAdd16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    const Channels c = MakeChannels(p.Masks);
    const R col = V::Set16(static_cast<uint16_t>(p.Color));
    const int done = Run(d, nullptr, n, [&](int i) {
      R y = V::Load(d + i), r = V::Zero();
      for (int j = 0; j < 3; ++j) r = V::Or(r, Up(V::Min16(V::Add16(Down(y, c, j), Down(col, c, j)), c.max[j]), c, j));
      return r;
    });
    Tail(TRowOp::FillAdd, 16, dv, sv, m, n, p, done);
  }
  static void FillSub16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    const Channels c = MakeChannels(p.Masks);
    const R col = V::Set16(static_cast<uint16_t>(p.Color));
    const int done = Run(d, nullptr, n, [&](int i) {
      R y = V::Load(d + i), r = V::Zero();
      for (int j = 0; j < 3; ++j) r = V::Or(r, Up(V::SubsU16(Down(y, c, j), Down(col, c, j)), c, j));
      return r;
    });
    Tail(TRowOp::FillSub, 16, dv, sv, m, n, p, done);
  }
  static void ColorMask16(void* dv, const void* sv, const uint8_t* m, int n, const TKernelParams& p) {
    auto* d = static_cast<uint16_t*>(dv);
    const Channels c = MakeChannels(p.Masks);
    const R a = V::Set16(static_cast<uint16_t>(p.Alpha)), col = V::Set16(static_cast<uint16_t>(p.Color));
    const R z = V::Zero();
    const bool full = p.Alpha == 255;
    const int done = Run(d, nullptr, n, [&](int i) {
      R mm = V::LoadMask16(m + i);
      R y = V::Load(d + i);
      R am = full ? mm : V::Srl16_8(V::Mul16(mm, a));
      R skip = V::Or(V::Eq16(mm, z), V::Eq16(y, col));
      return Select(skip, y, Blend565(y, col, am, c));
    });
    Tail(TRowOp::ColorMask, 16, dv, sv, m, n, p, done);
  }

  static void Fill(TRowKernels& k) {
    auto set = [&k](TRowOp op, TRowKernel k16, TRowKernel k32) {
      k.Row16[static_cast<int>(op)] = k16;
      k.Row32[static_cast<int>(op)] = k32;
    };
    set(TRowOp::CopyTransparent, CopyTransparent16, CopyTransparent32);
    set(TRowOp::Alpha, Alpha16, Alpha32);
    set(TRowOp::Add, Add16, Add32);
    set(TRowOp::Mask, Mask16, Mask32);
    set(TRowOp::AlphaMask, AlphaMask16, AlphaMask32);
    set(TRowOp::AddMask, AddMask16, AddMask32);
    set(TRowOp::FillAlpha, FillAlpha16, FillAlpha32);
    set(TRowOp::FillAdd, FillAdd16, FillAdd32);
    set(TRowOp::FillSub, FillSub16, FillSub32);
    set(TRowOp::ColorMask, ColorMask16, ColorMask32);
    // Grey levels of 15/16-bit pixels stay with the scalar kernels.
    k.Row32[static_cast<int>(TRowOp::AddGrey)] = AddGrey32;
    k.Row32[static_cast<int>(TRowOp::SubGrey)] = SubGrey32;
  }
};

// Rule-image transitions: the order in which pixels change is the grey level of a rule image, bright first.
#include <algorithm>
#include <array>
#include <exception>

#include <type_traits>

#include "gfx/draw_support.h"
#include "gfx/wipe_pixels.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_types.h"

namespace velk {
namespace {

// The colour 0x00BBGGRR of a pixel of any format.
uint32_t ColourAt(TCustomDIBX& picture, int32_t x, int32_t y) {
  const uint32_t v = picture.GetPixel(x, y);
  switch (picture.BitCount()) {
    case 1:
    case 4:
    case 8: {
      uint8_t e[4] = {};
      picture.GetPaletteEntries(e, static_cast<int>(v & 0xFF), 1);
      return uint32_t{e[2]} | uint32_t{e[1]} << 8 | uint32_t{e[0]} << 16;
    }
    case 24: return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
    default: return NativeToColor(v, TPixelMasks{picture.RedMask(), picture.GreenMask(), picture.BlueMask()});
  }
}

// The rule image of a transition, or null when it has none or it cannot be read.
std::unique_ptr<TDIBX> LoadRuleOf(const std::string& name, const TWipeServices& services) {
  if (name.empty() || !services.LoadRule) return nullptr;
  try {
    return services.LoadRule(name);
  } catch (const std::exception&) {
    return nullptr;  // a damaged rule image is no rule image
  }
}

}  // namespace

std::vector<uint8_t> RuleGreys(TCustomDIBX* rule, int32_t w, int32_t h, bool reverse) {
  std::vector<uint8_t> greys(static_cast<size_t>(std::max(w, 0)) * static_cast<size_t>(std::max(h, 0)), 255);
  if (!rule || rule->IsEmpty()) return greys;
  const int32_t rw = rule->Width(), rh = rule->Height();
  // The rule's own levels first, then tiled from the top-left over the screen.
  std::vector<uint8_t> levels(static_cast<size_t>(rw) * static_cast<size_t>(rh));
  for (int32_t y = 0; y < rh; ++y) {
    for (int32_t x = 0; x < rw; ++x) {
      uint32_t c = ColourAt(*rule, x, y);
      if (reverse) c ^= 0x00FFFFFF;
      levels[static_cast<size_t>(y) * rw + x] = NearestGrey(c);
    }
  }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      greys[static_cast<size_t>(y) * w + x] = levels[static_cast<size_t>(y % rh) * rw + x % rw];
  return greys;
}

void TWipeShadow::Prepare() {
  TWipeMask::Prepare();
  greys_ = RuleGreys(LoadRuleOf(rule_file_, services_).get(), W(), H(), reverse_);
}

int32_t TWipeShadow::Shift(int64_t q) {
  // q is below 512, so the shift q - 256 lies in -256 .. 255, and -256 clears the mask as -255 does.
  return static_cast<int32_t>(std::max<int64_t>(q - 256, -255));
}

void TWipeShadow::DrawStep() {
  const TWipeKernels& one_pass = ActiveWipeKernels();
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (&one_pass == &ScalarWipeKernels() || !rows.Valid() || rows.Old().Bits() != 32 ||
      rows.Old().Masks() != kMasks888 || !mask_ || mask_->Width() != W() ||
      greys_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) {
    TWipeMask::DrawStep();
    return;
  }
  const int64_t q = 512 * t() / T();
  if (q == last_progress_) return;
  last_progress_ = q;
  const int32_t shift = Shift(q);
  for (int32_t y = 0; y < H(); ++y)
    one_pass.LevelMix32(reinterpret_cast<uint32_t*>(rows.Row(y)), reinterpret_cast<const uint32_t*>(rows.Old().Row(y)),
                        reinterpret_cast<const uint32_t*>(rows.New().Row(y)), &greys_[static_cast<size_t>(y) * W()],
                        W(), shift);
}

bool TWipeShadow::UpdateMask() {
  const int64_t q = 512 * t() / T();
  if (q == last_progress_) return false;
  last_progress_ = q;
  const int32_t shift = Shift(q);
  const TLevelKernel level = ActiveWipeKernels().Level;
  for (int32_t y = 0; y < H(); ++y) level(MaskRow(y), &greys_[static_cast<size_t>(y) * W()], W(), shift);
  return true;
}

void TWipeShadowWhite::Prepare() {
  TCustomWipe::Prepare();
  greys_ = RuleGreys(LoadRuleOf(rule_file_, services_).get(), W(), H(), reverse_);
}

void TWipeShadowWhite::DrawStep() {
  if (greys_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const int64_t q = 768 * t() / T();
  const TWipeKernels& one_pass = ActiveWipeKernels();
  if (rows.Old().Bits() == 32 && rows.Old().Masks() == kMasks888 && &one_pass != &ScalarWipeKernels()) {
    // 32-bit pixels of 8-bit channels in one pass per row. q is below 768, so the shift q - 256 lies in
    // -256 .. 511; lower shifts would give the same levels as -256.
    const auto shift = static_cast<int32_t>(std::max<int64_t>(q - 256, -256));
    for (int32_t y = 0; y < H(); ++y)
      one_pass.Flash32(reinterpret_cast<uint32_t*>(rows.Row(y)), reinterpret_cast<const uint32_t*>(rows.Old().Row(y)),
                       reinterpret_cast<const uint32_t*>(rows.New().Row(y)), &greys_[static_cast<size_t>(y) * W()],
                       W(), shift, subtract_);
    return;
  }
  // Per grey level g: l = q + g - 256 held to 0 .. 511; up to 255 the old picture lightened by l, above it the new
  // one lightened by 511 - l.
  std::array<bool, 256> shows_new;
  std::array<uint8_t, 256> level;
  for (int32_t g = 0; g < 256; ++g) {
    const auto l = static_cast<uint32_t>(std::clamp<int64_t>(q + g - 256, 0, 511));
    shows_new[g] = l > 255;
    level[g] = static_cast<uint8_t>(l > 255 ? 511 - l : l);
  }
  levels_.resize(static_cast<size_t>(W()));
  for (int32_t y = 0; y < H(); ++y) {
    const uint8_t* g = &greys_[static_cast<size_t>(y) * W()];
    auto pick = [&](auto* drow, const auto* orow, const auto* nrow) {
      for (int32_t x = 0; x < W(); ++x) {
        drow[x] = shows_new[g[x]] ? nrow[x] : orow[x];
        levels_[static_cast<size_t>(x)] = level[g[x]];
      }
    };
    if (rows.Old().Bits() == 32)
      pick(reinterpret_cast<uint32_t*>(rows.Row(y)), reinterpret_cast<const uint32_t*>(rows.Old().Row(y)),
           reinterpret_cast<const uint32_t*>(rows.New().Row(y)));
    else
      pick(reinterpret_cast<uint16_t*>(rows.Row(y)), reinterpret_cast<const uint16_t*>(rows.Old().Row(y)),
           reinterpret_cast<const uint16_t*>(rows.New().Row(y)));
    rows.AddGrey(y, 0, levels_.data(), W(), subtract_);
  }
}

}  // namespace velk

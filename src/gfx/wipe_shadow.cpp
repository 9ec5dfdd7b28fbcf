// Rule-image transitions: the order in which pixels change is the grey level of a rule image, bright first.
#include <algorithm>
#include <array>
#include <exception>

#include "gfx/draw_support.h"
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

bool TWipeShadow::UpdateMask() {
  const int64_t q = 512 * t() / T();
  if (q == last_progress_) return false;
  last_progress_ = q;
  std::array<uint8_t, 256> level;
  for (int32_t g = 0; g < 256; ++g) level[g] = static_cast<uint8_t>(std::clamp<int64_t>(q + g - 256, 0, 255));
  const uint8_t* g = greys_.data();
  for (int32_t y = 0; y < H(); ++y) {
    uint8_t* m = MaskRow(y);
    for (int32_t x = 0; x < W(); ++x) m[x] = level[*g++];
  }
  return true;
}

void TWipeShadowWhite::Prepare() {
  TCustomWipe::Prepare();
  greys_ = RuleGreys(LoadRuleOf(rule_file_, services_).get(), W(), H(), reverse_);
}

void TWipeShadowWhite::DrawStep() {
  TPixels d(dest_), o(old_), n(new_);
  if (!d.Valid() || !o.Valid() || !n.Valid() || (d.Bits() != 16 && d.Bits() != 32) || !d.SameFormat(o) ||
      !d.SameFormat(n) || greys_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H()))
    return;
  const TPixelMasks& m = d.Masks();
  const int64_t q = 768 * t() / T();
  // Per grey level: the picture it shows and the grey it takes.
  std::array<bool, 256> shows_new;
  std::array<uint32_t, 256> grey;
  for (int32_t g = 0; g < 256; ++g) {
    const auto l = static_cast<uint32_t>(std::clamp<int64_t>(q + g - 256, 0, 511));
    shows_new[g] = l > 255;
    const uint32_t v = l > 255 ? 511 - l : l;
    grey[g] = ColorToNative(v * 0x010101u, m);
  }
  auto mix = [this, &m](uint32_t px, uint32_t c) {
    if (subtract_)
      return SubColorChannel(px, c, m.Red) | SubColorChannel(px, c, m.Green) | SubColorChannel(px, c, m.Blue);
    return AddColorChannel(px, c, m.Red) | AddColorChannel(px, c, m.Green) | AddColorChannel(px, c, m.Blue);
  };
  const uint8_t* g = greys_.data();
  for (int32_t y = 0; y < H(); ++y) {
    uint8_t* drow = d.Row(y);
    const uint8_t *orow = o.Row(y), *nrow = n.Row(y);
    for (int32_t x = 0; x < W(); ++x, ++g)
      StorePixel(drow, x, d.Bits(), mix(LoadPixel(shows_new[*g] ? nrow : orow, x, d.Bits()), grey[*g]));
  }
}

}  // namespace velk

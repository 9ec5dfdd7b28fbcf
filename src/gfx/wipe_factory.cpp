// The factory of the screen transitions: one row per type number with its class and default parameters.
#include <array>

#include "gfx/wipe_types.h"

namespace velk {
namespace {

using TMaker = std::unique_ptr<TCustomWipe> (*)(TCustomDIBX*, TCustomDIBX*, TCustomDIBX*);
template <class C> std::unique_ptr<TCustomWipe> make(TCustomDIBX* d, TCustomDIBX* o, TCustomDIBX* n) {
  return std::make_unique<C>(d, o, n);
}

struct TWipeRow {
  TMaker Make;
  int32_t Param0, Param1;
  // Type 30 takes its defaults from the zoom centre instead.
  bool CentreDefaults = false;
};

// Index: type number - 1.
constexpr std::array<TWipeRow, kWipeTypeCount> kWipes{{
    {make<TWipeFade>, 0, 0},          // 1
    {make<TWipeBlindH>, 20, 1},       // 2
    {make<TWipeBlindV>, 20, 1},       // 3
    {make<TWipeCurtainH>, 30, 1},     // 4
    {make<TWipeCurtainV>, 30, 1},     // 5
    {make<TWipeScrollH>, 0, 0},       // 6
    {make<TWipeScrollV>, 0, 0},       // 7
    {make<TWipeGrid>, 80, 30},        // 8
    {make<TWipeGridH>, 80, 30},       // 9
    {make<TWipeGridV>, 80, 30},       // 10
    {make<TWipeDither>, 0, 0},        // 11
    {make<TWipeWhite>, 0, 0},         // 12
    {make<TWipeBlack>, 0, 0},         // 13
    {make<TWipeFlash>, 0, 0},         // 14
    {make<TWipeMosaic>, 0, 0},        // 15
    {make<TWipeSudareH>, 0, 0},       // 16
    {make<TWipeSudareV>, 0, 0},       // 17
    {make<TWipeSpot>, 0, 0},          // 18
    {make<TWipeShadow>, 0, 0},        // 19
    {make<TWipeShadowWhite>, 0, 0},   // 20
    {make<TWipeShadowBlack>, 0, 0},   // 21
    {make<TWipeSmall>, 0, 0},         // 22
    {make<TWipeBig>, 0, 0},           // 23
    {make<TWipeRipple>, 5, 0},        // 24
    {make<TWipeBlurWhite>, 0, 0},     // 25
    {make<TWipeBlurBlack>, 0, 0},     // 26
    {make<TWipeTwistH>, 0, 0},        // 27
    {make<TWipeTwistV>, 0, 0},        // 28
    {make<TWipeCrack>, 64, 3},        // 29
    {make<TWipeZoomin>, 0, 0, true},  // 30
    {make<TWipeClockhand>, 0, 0},     // 31
    {make<TWipeRubberH>, 0, 0},       // 32
    {make<TWipeRubberV>, 0, 0},       // 33
    {make<TWipeFan>, 0, 0},           // 34
    {make<TWipeWFan>, 0, 0},          // 35
    {make<TWipeCircle>, 0, 0},        // 36
    {make<TWipeBlockCoil>, 60, 0},    // 37
    {make<TWipeBlockRandom>, 60, 0},  // 38
}};

}  // namespace

std::unique_ptr<TCustomWipe> CreateWipe(int32_t type, TCustomDIBX* dest, TCustomDIBX* old_picture,
                                        TCustomDIBX* new_picture, const TWipeServices& services) {
  // Numbers below 1 or above the last type, negative ones included, make no transition.
  if (type < 1 || type > kWipeTypeCount || !dest || !old_picture || !new_picture) return nullptr;
  const TWipeRow& row = kWipes[static_cast<size_t>(type - 1)];
  std::unique_ptr<TCustomWipe> wipe = row.Make(dest, old_picture, new_picture);
  wipe->SetServices(services);
  wipe->SetParam(0, row.CentreDefaults ? services.ZoomCentre.X : row.Param0);
  wipe->SetParam(1, row.CentreDefaults ? services.ZoomCentre.Y : row.Param1);
  return wipe;
}

}  // namespace velk

#include "scene/component_factory.h"

#include "scene/cabinet.h"
#include "scene/velk_box.h"
#include "scene/velk_button.h"
#include "scene/velk_edit.h"
#include "scene/velk_cg_label.h"
#include "scene/velk_cinema.h"
#include "scene/velk_fire.h"
#include "scene/velk_gauge.h"
#include "scene/velk_http.h"
#include "scene/velk_images.h"
#include "scene/velk_label.h"
#include "scene/velk_map_image.h"
#include "scene/velk_mes.h"
#include "scene/velk_menu.h"
#include "scene/velk_particle.h"
#include "scene/velk_prev_menu.h"
#include "scene/velk_prop_motion.h"
#include "scene/velk_slider.h"
#include "scene/velk_sound.h"
#include "scene/velk_tile.h"
#include "scene/velk_timer.h"
#include "scene/velk_video.h"
#include "scene/velk_wave.h"

namespace velk {

namespace {

template <class T> std::unique_ptr<TVelkObject> Make(TVelkBaseList* scene) { return std::make_unique<T>(scene); }

struct TFactoryRow {
  uint8_t Code;
  std::unique_ptr<TVelkObject> (*Create)(TVelkBaseList*);
};

// One row per type code that has a class in this player.
// Kept in type-code order; the array takes its size from the rows.
const TFactoryRow kFactory[] = {
    {VT_BOX, Make<TVelkBox>},
    {VT_BUTTON, Make<TVelkButton>},
    {VT_CINEMA, Make<TVelkCinema>},
    {VT_EDIT, Make<TVelkEdit>},
    {VT_FIRE, Make<TVelkFire>},
    {VT_HTTP, Make<TVelkHttp>},
    {VT_IMAGES, Make<TVelkImages>},
    {VT_LABEL, Make<TVelkLabel>},
    {VT_MES, Make<TVelkMes>},
    {VT_MEMO, Make<TVelkMemo>},
    {VT_MENU, Make<TVelkMenu>},
    {VT_PARTICLE, Make<TVelkParticle>},
    {VT_TIMER, Make<TVelkTimer>},
    {VT_VIDEO, Make<TVelkVideo>},
    {VT_SOUND, Make<TVelkSound>},
    {VT_MAPIMG, Make<TVelkMapImage>},
    {VT_WAVE, Make<TVelkWave>},
    {VT_TILE, Make<TVelkTile>},
    {VT_SLIDER, Make<TVelkSlider>},
    {VT_SCROLLBAR, Make<TVelkScrollbar>},
    {VT_GAUGE, Make<TVelkGauge>},
    {VT_CGLABEL, Make<TVelkCGLabel>},
    {VT_PREVMENU, Make<TVelkPrevMenu>},
    {VT_PROPMOTION, Make<TVelkPropMotion>},
    {VT_CABINET, Make<TVelkCabinet>},
};

}  // namespace

std::unique_ptr<TVelkObject> NewComponent(uint8_t code, TVelkBaseList* scene) {
  for (const TFactoryRow& row : kFactory) {
    if (row.Code == code) return row.Create(scene);
  }
  return nullptr;
}

}  // namespace velk

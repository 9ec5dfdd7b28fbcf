// Reads arbitrary bytes as a cinema or motion file, writes what was read and reads it back, then plays it in a small
// scene of its own: every tick near the tracks' starts and ends is seeked, forwards and backwards, and the scene is
// updated and drawn, so that any value that passes the reader also meets the interpolation, the scene objects, the
// transitions and the drawing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "scene/base_list.h"
#include "scene/film_manager.h"
#include "scene/film_tracks.h"
#include "vfs/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  velk::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  // The scene outlives the film, whose tracks remove their objects from it.
  velk::TVelkBaseList scene;
  velk::TFilmManager film;
  try {
    film.LoadFromStream(stream, "f\\film.kmt");
  } catch (const velk::EVelkError&) {
    return 0;
  }
  velk::TMemoryStream copy;
  film.SaveToStream(copy, film.Version);
  copy.SetPosition(0);
  velk::TFilmManager again;
  again.LoadFromStream(copy, "f\\film.kmt");

  // A small screen keeps each input quick; the film's own size is bounded by the scene.
  film.SceneWidth = std::clamp(film.SceneWidth, 1, 48);
  film.SceneHeight = std::clamp(film.SceneHeight, 1, 32);
  scene.SetSize(48, 32);
  for (auto& t : film.Tracks()) {
    // Labels are read and written but not shown: the font library keeps process-wide caches that the leak checker
    // reports at exit.
    if (t->Kind() == velk::kTrackLabel) t->Duration = 0;
    // Particles may run ahead for a long time.
    if (auto* particle = dynamic_cast<velk::TParticleFrameList*>(t.get())) {
      particle->ImageIndex = std::clamp(particle->ImageIndex, 0, 100);
    }
    // Fire fields cost their area every frame; the fire control's own bound is far above what keeps an input quick.
    if (auto* fire = dynamic_cast<velk::TFireFrameList*>(t.get())) {
      for (auto* side : {&fire->W, &fire->H}) {
        side->Start = std::clamp(side->Start, -64, 64);
        side->End = std::clamp(side->End, -64, 64);
      }
    }
  }
  film.Resolve();
  film.SetScene(&scene);
  std::vector<int64_t> ticks{0, 1, film.Length() - 1, film.Length()};
  for (const auto& t : film.Tracks()) {
    for (int64_t d : {-1, 0, 1}) {
      ticks.push_back(t->AbsoluteStart() + d);
      ticks.push_back(t->AbsoluteEnd() + d);
    }
  }
  std::sort(ticks.begin(), ticks.end());
  ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
  if (ticks.size() > 32) ticks.resize(32);
  for (bool backwards : {false, true}) {
    if (backwards) std::reverse(ticks.begin(), ticks.end());
    for (int64_t tick : ticks) {
      film.Seek(static_cast<int32_t>(std::clamp<int64_t>(tick, INT32_MIN, INT32_MAX)));
      scene.SetFrameMs(16);
      scene.UpdateAll();
      scene.DrawAll();
      scene.ClearDirty();
    }
  }
  return 0;
}

// The effect controls travel through the scene's save data: the factory makes them again from their type codes,
// and the particles (internal names) stay behind.
#include <gtest/gtest.h>

#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "scene/velk_fire.h"
#include "scene/velk_map_image.h"
#include "scene/velk_particle.h"
#include "scene/velk_wave.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

template <class T> T* Put(TVelkBaseList& scene, const std::string& name, TVelkControl* parent) {
  auto* o = scene.New<T>();
  o->SetName(name);
  o->SetParent(parent);
  return o;
}

TEST(EffectsSave, EffectControlsComeBackThroughTheFactory) {
  for (uint8_t code : {VT_FIRE, VT_PARTICLE, VT_MAPIMG, VT_WAVE}) {
    TVelkBaseList scene;
    TVelkObject* o = scene.CreateComponent(code);
    ASSERT_NE(o, nullptr) << int(code);
    EXPECT_EQ(o->ComponentType(), code);
    EXPECT_EQ(o->Name(), "object0");
  }

  TVelkBaseList scene;
  scene.SetSize(64, 48);
  TVelkBase* base = scene.ActiveBaseObject();
  Put<TVelkFire>(scene, "fire", base)->SetPower(77);
  auto* wave = Put<TVelkWave>(scene, "wave", base);
  wave->SetAmp(3);
  Put<TVelkBox>(scene, "inside", wave);
  auto* emitter = Put<TVelkParticle>(scene, "sparks", base);
  emitter->SetBounds(0, 0, 50, 40);
  emitter->Param = {1, 0, 0};
  Put<TVelkMapImage>(scene, "map", base)->OnSelect = "sel";
  scene.ProcessInput(16);
  scene.UpdateAll();
  ASSERT_GT(emitter->ParticleCount(), 0);

  TMemoryStream s;
  scene.SaveToStream(s);
  s.SetPosition(0);
  TVelkBaseList loaded;
  loaded.LoadFromStream(s, 140);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  std::vector<std::string> names;
  for (const TVelkControl* c : loaded.ActiveBaseObject()->Children()) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"fire", "map", "sparks", "wave"}));
  EXPECT_EQ(dynamic_cast<TVelkFire*>(loaded.FindObject("fire"))->Power(), 77);
  auto* wave2 = dynamic_cast<TVelkWave*>(loaded.FindObject("wave"));
  ASSERT_NE(wave2, nullptr);
  EXPECT_EQ(wave2->Amp(), 3);
  ASSERT_EQ(wave2->ChildCount(), 1);
  EXPECT_EQ(wave2->ChildAt(0)->Name(), "inside");
  auto* sparks = dynamic_cast<TVelkParticle*>(loaded.FindObject("sparks"));
  ASSERT_NE(sparks, nullptr);
  EXPECT_EQ(sparks->ChildCount(), 0);
  EXPECT_EQ(dynamic_cast<TVelkMapImage*>(loaded.FindObject("map"))->OnSelect, "sel");
}

}  // namespace
}  // namespace velk

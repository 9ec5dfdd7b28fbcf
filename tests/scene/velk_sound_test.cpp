#include "scene/velk_sound.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/process_values.h"
#include "media/media_managers.h"
#include "scene/base_list.h"
#include "scene/velk_http.h"
#include "scene/velk_timer.h"
#include "vfs/stream.h"

namespace velk {
namespace {

// An item that plays on command and ends when the test says so.
class TFakeItem : public TDMediaItem {
 public:
  bool GetAutoRepeat() override { return repeat; }
  void SetAutoRepeat(bool r) override { repeat = r; }
  int32_t GetRepeatPos() override { return repeat_pos; }
  void SetRepeatPos(int32_t p) override { repeat_pos = p; }
  int32_t GetPan() override { return pan; }
  void SetPan(int32_t p) override { pan = p; }
  int32_t GetVolume() override { return volume; }
  void SetVolume(int32_t v) override { volume = v; }
  int32_t GetPosition() override { return position; }
  void SetPosition(int32_t p) override { position = p; }
  bool IsEnd() override { return ended; }
  bool IsPlaying() override { return playing && !ended; }
  bool IsPaused() override { return paused; }
  void Play() override {
    playing = true;
    paused = false;
    ended = false;
    ++plays;
  }
  void Pause() override { paused = true; }

  bool repeat = false, playing = false, paused = false, ended = false;
  int32_t repeat_pos = 0, pan = 0, volume = 0, position = 0, plays = 0;
};

class TFakeManager : public TMediaManager {
 public:
  TFakeItem* last = nullptr;

 protected:
  std::unique_ptr<TDMediaItem> CreateItem(const std::string&) override {
    auto item = std::make_unique<TFakeItem>();
    last = item.get();
    return item;
  }
};

class VelkSound : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.Services.Process = &process;
    scene.Services.Exists = [](const std::string& name) { return name != "gone.ogg"; };
    scene.Services.SoundManager = [this](const std::string& name) -> TMediaManager* {
      asked.push_back(name);
      return SoundKindOf(name) == TSoundKind::None ? nullptr : &manager;
    };
  }
  TVelkSound* NewSound(const std::string& source, int32_t volume = 1000) {
    auto* s = dynamic_cast<TVelkSound*>(scene.CreateComponent(VT_SOUND));
    s->Playback.SetVolume(volume);
    s->SetSource(source);
    return s;
  }
  // One frame of ms milliseconds of game time.
  void Frame(int32_t ms = 15) {
    process.GameClock += ms;
    scene.ProcessInput(ms);
    scene.UpdateAll();
  }

  // The manager outlives the scene, as in the player (the scene is freed first and hands its items back).
  TFakeManager manager;
  TProcessValues process;
  TVelkBaseList scene;
  std::vector<std::string> asked;
};

TEST_F(VelkSound, SourceMakesAnItemWithTheSettingsOnlyForFilesAManagerPlays) {
  TVelkSound* s = NewSound("bgm.ogg", 500);
  ASSERT_EQ(manager.Count(), 1u);
  EXPECT_EQ(s->Playback.Item(), manager.last);
  EXPECT_EQ(manager.last->volume, -2500);
  s->Playback.SetVolume(1000);
  EXPECT_EQ(manager.last->volume, 0);
  s->Playback.SetVolume(0);
  EXPECT_EQ(manager.last->volume, -10000);
  s->Playback.SetBalance(20000);
  EXPECT_EQ(manager.last->pan, 10000);
  // MIDI items take their own scale.
  TVelkSound* midi = NewSound("song.mid", 500);
  EXPECT_EQ(manager.last->volume, -5000);
  // A missing file, a name no manager plays: no item. A CD track needs no file.
  NewSound("gone.ogg");
  NewSound("picture.png");
  NewSound("CD_2");
  EXPECT_EQ(asked, (std::vector<std::string>{"bgm.ogg", "song.mid", "picture.png", "CD_2"}));
  EXPECT_EQ(manager.Count(), 3u);
  // A new source hands the old item back.
  midi->SetSource("other.wav");
  scene.DestroyObject(s);
  EXPECT_EQ(manager.Count(), 2u);
}

TEST_F(VelkSound, EndRaisesPlayEndOnceOrScrapsUnlessRepeating) {
  TVelkSound* s = NewSound("a.ogg");
  s->OnPlayEnd = "p.ksb:end";
  s->SetPlayState(TMediaPlayback::kPlay);
  TFakeItem* item = manager.last;
  EXPECT_EQ(item->plays, 1);
  Frame();
  EXPECT_EQ(scene.Events.Count(), 0);
  item->ended = true;
  Frame();
  Frame();
  EXPECT_EQ(scene.Events.Count(), 1);
  EXPECT_EQ(scene.Events.Item(0)->EventId, PR_ONPLAYEND);
  // Played again from the start, it may end again.
  s->Play();
  EXPECT_EQ(item->position, 0);
  item->ended = true;
  Frame();
  EXPECT_EQ(scene.Events.Count(), 2);

  TVelkSound* looped = NewSound("b.ogg");
  looped->Playback.SetRepeat(true);
  EXPECT_TRUE(manager.last->repeat);
  looped->SetPlayState(TMediaPlayback::kPlay);
  manager.last->ended = true;
  TVelkSound* scrapped = NewSound("c.ogg");
  scrapped->AutoScrap = true;
  scrapped->SetPlayState(TMediaPlayback::kPlay);
  const TObjectHandle h = scrapped->Handle(), l = looped->Handle();
  manager.last->ended = true;
  Frame();
  EXPECT_EQ(scene.Resolve(h), nullptr);
  EXPECT_NE(scene.Resolve(l), nullptr);
  EXPECT_EQ(manager.Count(), 2u);
}

TEST_F(VelkSound, FadesInOnPlayAndVanishesAfterFadingOut) {
  TVelkSound* s = NewSound("a.ogg", 1000);
  s->SetName("bgm");
  s->Playback.Delay = 300;
  process.GameClock = 1000;
  s->SetPlayState(TMediaPlayback::kFadeIn);
  TFakeItem* item = manager.last;
  EXPECT_EQ(item->plays, 1);
  EXPECT_EQ(item->volume, -10000);
  Frame(150);
  EXPECT_EQ(item->volume, -5000);
  Frame(150);
  EXPECT_EQ(item->volume, 0);
  EXPECT_TRUE(s->Playback.Playing());

  // Stop and vanish: renamed at once, destroyed when the fade-out is over, the item handed back.
  s->Playback.Delay = 100;
  const TObjectHandle h = s->Handle();
  s->SetPlayState(TMediaPlayback::kVanish);
  EXPECT_EQ(s->Name(), std::string("\x01SCRAP_bgm"));
  EXPECT_EQ(scene.FindObject("bgm"), nullptr);
  Frame(50);
  EXPECT_EQ(item->volume, -5000);
  ASSERT_NE(scene.Resolve(h), nullptr);
  Frame(50);
  EXPECT_EQ(scene.Resolve(h), nullptr);
  EXPECT_EQ(manager.Count(), 0u);

  // A fade of no time ends at the next frame, also for a paused sound; without an item the sound goes at once.
  TVelkSound* quick = NewSound("b.ogg");
  quick->Playback.SetPaused(true);
  quick->SetPlayState(TMediaPlayback::kVanish);
  TVelkSound* none = NewSound("gone.ogg");
  none->SetPlayState(TMediaPlayback::kVanish);
  const TObjectHandle q = quick->Handle(), n = none->Handle();
  Frame();
  EXPECT_EQ(scene.Resolve(q), nullptr);
  EXPECT_EQ(scene.Resolve(n), nullptr);
}

TEST_F(VelkSound, SaveRecordResumesAtItsPositionOrRewindsAndLoadsMuted) {
  TVelkSound* s = NewSound("a.ogg", 800);
  s->SetName("bgm");
  s->Playback.SetRepeat(true);
  s->Playback.SetRepeatPos(1200);
  s->Playback.SetBalance(-300);
  s->OnPlayEnd = "p.ksb:end";
  s->RewindOnLoad = false;
  s->SetPlayState(TMediaPlayback::kPlay);
  manager.last->position = 4321;
  TMemoryStream data;
  s->SaveToStream(data);

  for (const bool rewind : {false, true}) {
    for (const bool mute : {false, true}) {
      data.SetPosition(0);
      TVelkBaseList other;
      other.Services = scene.Services;
      TVelkSound loaded(&other);
      loaded.LoadFromStream(data, 140);
      // The flags themselves come from the record; the test swaps them before the item is resumed.
      EXPECT_EQ(loaded.Name(), "bgm");
      EXPECT_EQ(loaded.OnPlayEnd, "p.ksb:end");
      EXPECT_FALSE(loaded.RewindOnLoad);
      TFakeItem* item = manager.last;
      EXPECT_TRUE(item->repeat);
      EXPECT_EQ(item->repeat_pos, 1200);
      EXPECT_EQ(item->pan, -300);
      EXPECT_EQ(item->position, 4321);
      EXPECT_TRUE(item->playing);
      EXPECT_EQ(item->volume, -1000);
      item->position = 0;
      item->playing = false;
      loaded.Playback.ResumeLoaded(rewind, mute, 0);
      EXPECT_EQ(item->position, rewind ? 0 : 4321);
      EXPECT_TRUE(item->playing);
      EXPECT_EQ(item->volume, mute ? -10000 : -1000);
    }
  }
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

TEST_F(VelkSound, SceneSaveBringsBackSoundsTimersAndRequestsByTheirTypeCodes) {
  scene.SetSize(160, 120);
  TVelkSound* s = NewSound("bgm.ogg", 700);
  s->SetName("bgm");
  s->SetPlayState(TMediaPlayback::kPlay);
  auto* timer = dynamic_cast<TVelkTimer*>(scene.CreateComponent(VT_TIMER));
  timer->SetName("clock");
  timer->Interval = 250;
  auto* http = dynamic_cast<TVelkHttp*>(scene.CreateComponent(VT_HTTP));
  http->SetName("news");
  http->OnPlayEnd = "p.ksb:got";
  // A vanishing sound is not saved.
  NewSound("gone-soon.ogg")->SetPlayState(TMediaPlayback::kVanish);
  TMemoryStream data;
  scene.SaveToStream(data);

  TVelkBaseList loaded;
  loaded.Services = scene.Services;
  data.SetPosition(0);
  loaded.LoadFromStream(data, 140);
  auto* s2 = dynamic_cast<TVelkSound*>(loaded.FindObject("bgm"));
  ASSERT_NE(s2, nullptr);
  EXPECT_EQ(s2->Source(), "bgm.ogg");
  EXPECT_EQ(s2->Playback.Volume(), 700);
  ASSERT_NE(s2->Playback.Item(), nullptr);
  EXPECT_TRUE(s2->Playback.Playing());
  auto* t2 = dynamic_cast<TVelkTimer*>(loaded.FindObject("clock"));
  ASSERT_NE(t2, nullptr);
  EXPECT_EQ(t2->Interval, 250);
  auto* h2 = dynamic_cast<TVelkHttp*>(loaded.FindObject("news"));
  ASSERT_NE(h2, nullptr);
  EXPECT_EQ(h2->OnPlayEnd, "p.ksb:got");
  EXPECT_FALSE(h2->Running());
  int32_t sounds = 0;
  for (int32_t i = 0; i < loaded.ObjectCount(); ++i) sounds += loaded.ObjectAt(i)->ComponentType() == VT_SOUND;
  EXPECT_EQ(sounds, 1);
}

}  // namespace
}  // namespace velk

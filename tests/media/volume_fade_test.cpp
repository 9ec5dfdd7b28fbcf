#include "media/volume_fade.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

class TRecordingItem : public TDMediaItem {
 public:
  int32_t GetVolume() override { return volume; }
  void SetVolume(int32_t v) override { volume = v; }
  void Play() override { ++plays; }
  int32_t volume = -1200;
  int plays = 0;
};

TEST(VolumeFade, ComponentVolumesMapToDecibels) {
  EXPECT_EQ(ItemVolumeOf(1000, false), 0);
  EXPECT_EQ(ItemVolumeOf(500, false), -2500);
  EXPECT_EQ(ItemVolumeOf(1, false), -4995);
  EXPECT_EQ(ItemVolumeOf(0, false), -10000);
  EXPECT_EQ(ItemVolumeOf(-5, false), -10000);
  EXPECT_EQ(ItemVolumeOf(5000, false), 0);
  EXPECT_EQ(ItemVolumeOf(500, true), -5000);
  EXPECT_EQ(ItemVolumeOf(1000, true), 0);
}

TEST(VolumeFade, FadesInterpolateOverTheirTimeAndEndAtTheirVolume) {
  TRecordingItem item;
  TVelkMixerFadein in(item, -1000, 1000);
  EXPECT_FALSE(in.Step(5000));  // records the start, silences and starts the item
  EXPECT_EQ(item.volume, -10000);
  EXPECT_EQ(item.plays, 1);
  EXPECT_FALSE(in.Step(5500));
  EXPECT_EQ(item.volume, -5500);
  EXPECT_TRUE(in.Step(6000));
  EXPECT_EQ(item.volume, -1000);

  TVelkMixerFadeout out(item, 400);
  EXPECT_FALSE(out.Step(100));
  EXPECT_EQ(item.volume, -1000);  // the first step only records the start
  EXPECT_FALSE(out.Step(200));
  EXPECT_EQ(item.volume, -3250);
  EXPECT_TRUE(out.Step(700));
  EXPECT_EQ(item.volume, -10000);

  // No duration: done at the next step, at the end volume, with nothing divided by zero.
  TVelkMixerFadein instant(item, -300, 0);
  EXPECT_FALSE(instant.Step(10));
  EXPECT_TRUE(instant.Step(10));
  EXPECT_EQ(item.volume, -300);
  TVelkMixerFadeout negative(item, -50);
  negative.Step(0);
  EXPECT_TRUE(negative.Step(0));
  EXPECT_EQ(item.volume, -10000);
}

}  // namespace
}  // namespace velk

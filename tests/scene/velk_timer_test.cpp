#include "scene/velk_timer.h"

#include <gtest/gtest.h>

#include "base/process_values.h"
#include "scene/base_list.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

class VelkTimer : public ::testing::Test {
 protected:
  void SetUp() override { scene.Services.Process = &process; }
  TVelkTimer* NewTimer(int32_t interval) {
    auto* t = dynamic_cast<TVelkTimer*>(scene.CreateComponent(VT_TIMER));
    t->Interval = interval;
    t->SetOnNotify("p.ksb:tick");
    return t;
  }
  // Frames of 15 ms; the number of records the timer queued in them.
  int32_t Frames(int32_t count) {
    const int32_t before = scene.Events.Count();
    for (int32_t i = 0; i < count; ++i) {
      process.GameClock += 15;
      scene.ProcessInput(15);
      scene.UpdateAll();
    }
    return scene.Events.Count() - before;
  }
  // The interpreter ran the handler of the first record.
  void Handle() {
    scene.Events.Item(0)->State = 1;
    scene.Events.RemoveLevel(1);
  }

  TProcessValues process;
  TVelkBaseList scene;
};

TEST_F(VelkTimer, RaisesOncePerIntervalWithoutASecondRecordWaiting) {
  NewTimer(1000);
  EXPECT_EQ(Frames(66), 0);  // 990 ms
  EXPECT_EQ(Frames(1), 1);
  EXPECT_EQ(scene.Events.Item(0)->EventId, PR_ONNOTIFY);
  // A second interval passes while the first record waits: nothing more is queued.
  EXPECT_EQ(Frames(70), 0);
  Handle();
  // The interval that passed while the record waited is skipped; the times stay on the planned grid (3000 ms).
  EXPECT_EQ(Frames(62), 0);  // 2985 ms
  EXPECT_EQ(Frames(1), 1);
  Handle();

  // Interval 0: every frame in which none waits; negative: stopped.
  TVelkTimer* every = NewTimer(0);
  EXPECT_EQ(Frames(1), 1);
  EXPECT_EQ(Frames(1), 0);
  every->Interval = -1;
  Handle();
  EXPECT_EQ(Frames(3), 0);
}

TEST_F(VelkTimer, AutoScrapGoesAfterItsFirstEventWasHandled) {
  TVelkTimer* t = NewTimer(30);
  t->AutoScrap = true;
  const TObjectHandle h = t->Handle();
  EXPECT_EQ(Frames(2), 1);
  EXPECT_EQ(Frames(5), 0);
  EXPECT_NE(scene.Resolve(h), nullptr);
  Handle();
  Frames(1);
  EXPECT_EQ(scene.Resolve(h), nullptr);
}

TEST_F(VelkTimer, NewHandlerDropsWaitingRecordsAndRestartsTheInterval) {
  TVelkTimer* t = NewTimer(100);
  EXPECT_EQ(Frames(7), 1);
  t->SetOnNotify("p.ksb:other");
  EXPECT_EQ(scene.Events.Count(), 0);
  EXPECT_EQ(Frames(6), 0);
  EXPECT_EQ(Frames(1), 1);
}

TEST_F(VelkTimer, SaveRecordHasTheScrapFlagsAboveVersion103) {
  process.GameClock = 5000;
  for (const int32_t version : {103, 120}) {
    // The object record of the version, then the timer's fields.
    test::TBytes record;
    record.str("t").i32(0);
    if (version > 103) record.i32(0).str("");
    record.str("p.ksb:tick").i32(250).u8(1);
    if (version > 103) record.u8(1).u8(1);
    TMemoryStream data;
    data.Write(record.b.data(), static_cast<int32_t>(record.b.size()));
    data.SetPosition(0);
    TVelkTimer t(&scene);
    t.LoadFromStream(data, version);
    EXPECT_EQ(data.GetPosition(), static_cast<int32_t>(record.b.size()));
    EXPECT_EQ(t.Name(), "t");
    EXPECT_EQ(t.OnNotify, "p.ksb:tick");
    EXPECT_EQ(t.Interval, 250);
    EXPECT_TRUE(t.PausedFlag);
    EXPECT_EQ(t.AutoScrap, version > 103);
    EXPECT_EQ(t.Fired, version > 103);
    EXPECT_EQ(t.NextTime, 5000);
    if (version == 120) {
      TMemoryStream again;
      t.SaveToStream(again);
      std::vector<uint8_t> bytes(static_cast<size_t>(again.GetSize()));
      again.SetPosition(0);
      again.Read(bytes.data(), static_cast<int32_t>(bytes.size()));
      EXPECT_EQ(bytes, record.b);
    }
  }
}

}  // namespace
}  // namespace velk

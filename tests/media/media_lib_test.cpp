#include "media/media_lib.h"

#include <gtest/gtest.h>

#include <thread>

#include "medialib/null_media.h"
#include "platform/headless/headless_message_boxes.h"
#include "vfs/stream.h"

namespace velk {
namespace {

TEST(VelkLib, StreamCallbacksReadPlayerStreamsUnderTheMediaLock) {
  THeadlessMessageBoxes boxes(nullptr);
  TVelkLib lib;
  ASSERT_TRUE(lib.Bind([] { return std::make_unique<TNullVelkMedia>(); }, boxes));
  TVelkStreamCallbacks cb = lib.StreamCallbacks();
  TMemoryStream s(std::vector<uint8_t>{1, 2, 3, 4, 5});
  EXPECT_EQ(cb.Size(&s), 5);
  EXPECT_EQ(cb.Seek(&s, 3), 3);
  uint8_t buf[4] = {};
  EXPECT_EQ(cb.Read(&s, buf, 4), 2);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(cb.Position(&s), 5);
  // A null stream answers 0 everywhere.
  EXPECT_EQ(cb.Size(nullptr), 0);
  EXPECT_EQ(cb.Read(nullptr, buf, 4), 0);
  EXPECT_EQ(cb.Position(nullptr), 0);
  EXPECT_EQ(cb.Seek(nullptr, 1), 0);

  // While the player holds the media lock, a callback from another thread waits.
  std::unique_lock<std::mutex> held(lib.MediaLock());
  std::atomic<bool> done{false};
  std::thread t([&] {
    cb.Size(&s);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(done);
  held.unlock();
  t.join();
  EXPECT_TRUE(done);
}

TEST(NullVelkMedia, AcceptsEveryCallAndPlaysNothing) {
  TNullVelkMedia m;
  VelkHandle once = m.velkOggmanAdd(nullptr, -1);
  VelkHandle loop = m.velkOggmanAdd(nullptr, -1);
  EXPECT_NE(once, loop);
  m.Ogg().SetAutoRepeat(loop, -1);
  m.Ogg().Play(once);
  m.Ogg().Play(loop);
  // A single play ends at once; a repeating one plays on, so scripts waiting for either never hang or miss an end.
  EXPECT_NE(m.Ogg().IsEnd(once), 0);
  EXPECT_EQ(m.Ogg().IsPlaying(once), 0);
  EXPECT_EQ(m.Ogg().IsEnd(loop), 0);
  EXPECT_NE(m.Ogg().IsPlaying(loop), 0);
  m.Ogg().SetVol(loop, -2500);
  EXPECT_EQ(m.Ogg().GetVol(loop), -2500);
  m.velkOggmanDel(loop);
  EXPECT_EQ(m.Ogg().GetVol(loop), 0);  // unknown handles answer defaults
  VelkHandle str = m.velkOggStrmanAdd(nullptr, -1);
  TVelkWaveFormat f;
  EXPECT_NE(m.velkOggStrGetFormat(str, f), 0);
  EXPECT_EQ(f.SamplesPerSec, 44100u);
  EXPECT_EQ(m.velkOggStrGetFormat(str + 100, f), 0);
}

}  // namespace
}  // namespace velk

#include "platform/headless/headless_window.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(HeadlessWindow, PresentCopiesOnlyTheChangedRectangles) {
  THeadlessWindow w;
  w.Create("t", 4, 3);
  std::vector<uint32_t> frame(12, 0x112233);
  TFrameView view{frame.data(), 4, 3, 4};
  w.Present(view, {TRect{1, 1, 3, 2}});
  std::vector<uint32_t> expected(12, 0);
  expected[5] = expected[6] = 0x112233;
  EXPECT_EQ(w.Pixels(), expected);
  EXPECT_EQ(w.UploadedPixels(), 2);
  // Rectangles outside the frame are clipped, empty ones ignored.
  w.Present(view, {TRect{-5, -5, 1, 1}, TRect{3, 2, 10, 10}, TRect{2, 2, 2, 3}});
  expected[0] = expected[11] = 0x112233;
  EXPECT_EQ(w.Pixels(), expected);
  EXPECT_EQ(w.UploadedPixels(), 4);
  EXPECT_EQ(w.PresentCount(), 2);
  // A window that keeps no pixels still counts what it is given; keeping them again starts from black.
  w.SetKeepsPixels(false);
  w.Present(view, {TRect{0, 0, 2, 1}});
  EXPECT_TRUE(w.Pixels().empty());
  EXPECT_EQ(w.UploadedPixels(), 6);
  EXPECT_EQ(w.PresentCount(), 3);
  w.SetKeepsPixels(true);
  EXPECT_EQ(w.Pixels(), std::vector<uint32_t>(12, 0));
}

TEST(HeadlessWindow, FullScreenModesAndEvents) {
  THeadlessWindow w;
  ASSERT_EQ(w.DisplayModes().size(), 3u);
  EXPECT_TRUE(w.SetFullScreen(true, 1));
  EXPECT_EQ(w.CurrentModeIndex(), 1);
  EXPECT_FALSE(w.SetFullScreen(true, 7));
  EXPECT_FALSE(w.FullScreen());
  w.SetModeSwitchFails(true);
  EXPECT_FALSE(w.SetFullScreen(true, 0));
  EXPECT_EQ(w.CurrentModeIndex(), -1);

  TInputEvent e;
  EXPECT_FALSE(w.PollEvent(e));
  TInputEvent k;
  k.Kind = TInputKind::KeyDown;
  k.Key = 0x41;
  w.Push(k);
  TInputEvent q;
  q.Kind = TInputKind::Close;
  w.Push(q);
  ASSERT_TRUE(w.WaitEvent(e, 10));
  EXPECT_EQ(e.Key, 0x41u);
  ASSERT_TRUE(w.PollEvent(e));
  EXPECT_EQ(e.Kind, TInputKind::Close);
  EXPECT_FALSE(w.PollEvent(e));
}

}  // namespace
}  // namespace velk

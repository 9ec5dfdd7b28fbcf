// The player's own message boxes in the window: drawn over the game's frame with Japanese texts and buttons,
// answered by mouse and keys, the frame shown again afterwards; before a window exists the fallback answers.
#include "app/window_message_boxes.h"

#include <gtest/gtest.h>

#include "app/png_writer.h"
#include "base/sjis.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/headless_window.h"

namespace velk {
namespace {

TInputEvent event(TInputKind kind, int32_t x = 0, int32_t y = 0, uint32_t key = 0) {
  TInputEvent e;
  e.Kind = kind;
  e.X = x;
  e.Y = y;
  e.Key = key;
  return e;
}

TEST(WindowMessageBoxes, DrawnOverTheFrameAndAnsweredByMouseAndKeys) {
  THeadlessMessageBoxes fallback{nullptr};
  TWindowMessageBoxes boxes(fallback);
  const std::string text = Utf8ToCp932("ディスク2を入れてから[OK]をクリックしてください\r\n終了します");
  const std::string caption = Utf8ToCp932("情報");
  // No window yet: the fallback shows it.
  fallback.QueueAnswer(2);
  EXPECT_EQ(boxes.Show(text, caption, MB_OKCANCEL), IDCANCEL);
  ASSERT_EQ(fallback.Shown().size(), 1u);

  THeadlessWindow window;
  TPixelBuffer frame;
  frame.Resize(400, 240, 0x336699);
  window.Create("game", 400, 240);
  boxes.SetWindow(&window, &frame);

  // Drawn: the box lies inside the frame, its text and buttons in dark ink on the face, the rest untouched.
  TPixelBuffer shown = frame;
  boxes.Paint(shown, text, caption, MB_OKCANCEL, 0);
  WritePngFile(testing::TempDir() + "window_message_box.png", shown.View());
  const TWindowMessageBoxes::TLayout layout = boxes.Layout(MessageLines(text), 2, 400, 240);
  ASSERT_EQ(layout.Buttons.size(), 2u);
  EXPECT_TRUE(Intersect(layout.Box, frame.Bounds()) == layout.Box);
  int32_t ink = 0;
  for (int32_t y = layout.Box.Top + 24; y < layout.Buttons[0].Top; ++y) {
    for (int32_t x = layout.Box.Left; x < layout.Box.Right; ++x)
      ink += (shown.Pixel(x, y) & 0x808080) == 0 ? 1 : 0;  // dark ink
  }
  EXPECT_GT(ink, 200);  // two lines of Japanese text
  EXPECT_EQ(shown.Pixel(0, 0), 0x336699u);
  // Both lines fit: the box is as wide as the longer one.
  EXPECT_EQ(MessageLines(text).size(), 2u);

  // A click on the first button: OK; the frame is shown again.
  const TRect ok = layout.Buttons[0];
  window.Push(event(TInputKind::MouseDown, ok.Left + 5, ok.Top + 5));
  window.Push(event(TInputKind::MouseUp, ok.Left + 5, ok.Top + 5));
  EXPECT_EQ(boxes.Show(text, caption, MB_OKCANCEL), IDOK);
  EXPECT_EQ(window.Pixels()[static_cast<size_t>(120 * 400 + 200)], 0x336699u);
  // Pressed on one button and released on the other: nothing; then Escape answers Cancel.
  window.Push(event(TInputKind::MouseDown, ok.Left + 5, ok.Top + 5));
  window.Push(event(TInputKind::MouseUp, layout.Buttons[1].Left + 5, ok.Top + 5));
  window.Push(event(TInputKind::KeyDown, 0, 0, 0x1B));
  EXPECT_EQ(boxes.Show(text, caption, MB_OKCANCEL), IDCANCEL);
  // Enter answers the focused button; the right arrow moves the focus.
  window.Push(event(TInputKind::KeyDown, 0, 0, 0x27));
  window.Push(event(TInputKind::KeyDown, 0, 0, 0x0D));
  EXPECT_EQ(boxes.Show(text, caption, MB_YESNO), IDNO);
  // Closing the window answers No.
  window.Push(event(TInputKind::Close));
  EXPECT_EQ(boxes.Show(text, caption, MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(fallback.Shown().size(), 1u);
}

}  // namespace
}  // namespace velk

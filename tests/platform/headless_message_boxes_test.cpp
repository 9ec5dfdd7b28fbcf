#include "platform/headless/headless_message_boxes.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

TEST(HeadlessMessageBoxes, AnswersWithTheScriptedButtonOrTheFirst) {
  THeadlessMessageBoxes boxes(nullptr);
  boxes.QueueAnswer(2);
  boxes.QueueAnswer(3);
  boxes.QueueAnswer(9);
  EXPECT_EQ(boxes.Show("q", "c", MB_YESNO), IDNO);
  EXPECT_EQ(boxes.Show("q", "c", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(boxes.Show("q", "c", MB_ABORTRETRYIGNORE), IDIGNORE);        // past the last button: the last
  EXPECT_EQ(boxes.Show("q", "c", MB_OKCANCEL | MB_ICONQUESTION), IDOK);  // queue empty: the first button
  ASSERT_EQ(boxes.Shown().size(), 4u);
  EXPECT_EQ(boxes.Shown()[3].Style, MB_OKCANCEL | MB_ICONQUESTION);
}

}  // namespace
}  // namespace velk

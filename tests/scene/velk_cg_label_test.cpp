#include "scene/velk_cg_label.h"

#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "base/sjis.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "gfx/dibx.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/velk_label.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

constexpr int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// A 4 × 4 glyph picture of four 2 × 2 cells, row by row; the second frame has the cells in reverse order.
std::vector<uint8_t> GlyphPicture() {
  const int32_t cells[2][4] = {{kRed, kGreen, kBlue, kWhite}, {kWhite, kBlue, kGreen, kRed}};
  TBrixFrameList list;
  for (const auto& colours : cells) {
    TBrixFrame& f = list.AddFrame();
    SetDibSize(f.Picture, 4, 4, 24);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x)
        SetDibPixel(f.Picture, x, y, DibColorToNative(f.Picture, uint32_t(colours[(y / 2) * 2 + x / 2])));
    f.TransparentValue = 0;
    f.DisplayTime = 10;
    f.ContentRects = {TRect{0, 0, 4, 4}};
  }
  TMemoryStream s;
  WriteBrix(s, list, TBrixWriteOptions{});
  return s.Bytes();
}

struct CGLabel : ::testing::Test {
  std::map<std::string, std::vector<uint8_t>> files{{"glyphs.brx", GlyphPicture()}};
  TBrixCollection cache{[this](TStream& t, const std::string& name) {
                          auto it = files.find(name);
                          if (it == files.end()) throw EStreamError("missing", name);
                          t.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
                        },
                        0};
  TVelkBaseList scene;
  TVelkCGLabel* label = nullptr;

  void SetUp() override {
    scene.Services.Images = &cache;
    scene.SetSize(12, 10);
    scene.ActiveBaseObject()->SetColor(0);
    label = scene.New<TVelkCGLabel>();
    label->SetName("cg");
    label->SetParent(scene.ActiveBaseObject());
    label->SetLeft(1);
    label->SetTop(1);
    test::Set(*label, PR_SOURCE, "glyphs.brx");
    test::Set(*label, PR_MAPTEXT, Utf8ToCp932("ABあC"));
    test::SetInt(*label, PR_GLYPHWIDTH, 2);
    test::SetInt(*label, PR_GLYPHHEIGHT, 2);
    test::Set(*label, PR_TEXT, Utf8ToCp932("BA\r\nあCZ"));
  }

  // The screen as one letter per pixel: r, g, b, w for the cell colours, '.' for black, '?' otherwise.
  std::vector<std::string> Screen() {
    scene.DrawAll();
    TDIBX* s = scene.PresentationSurface();
    std::vector<std::string> rows;
    for (int32_t y = 0; y < s->Height(); ++y) {
      std::string row;
      for (int32_t x = 0; x < s->Width(); ++x) {
        const uint32_t p = s->GetPixel(x, y);
        char c = '?';
        for (const auto& [colour, letter] : {std::pair{0, '.'}, std::pair{kRed, 'r'}, std::pair{kGreen, 'g'},
                                             std::pair{kBlue, 'b'}, std::pair{kWhite, 'w'}})
          if (p == static_cast<uint32_t>(s->ColorToPixel(colour))) c = letter;
        row += c;
      }
      rows.push_back(row);
    }
    return rows;
  }
};

TEST_F(CGLabel, CharactersBecomeTheirCellsInTheMapText) {
  EXPECT_EQ(label->ComponentType(), VT_CGLABEL);
  EXPECT_EQ(label->Cells(), (std::vector<std::vector<int32_t>>{{1, 0}, {2, 3, -1}}));
  // First occurrence wins; a double-byte character is one character.
  label->SetMapText(Utf8ToCp932("あBAB"));
  EXPECT_EQ(label->Cells(), (std::vector<std::vector<int32_t>>{{1, 2}, {0, -1, -1}}));
  EXPECT_EQ(test::Prop(*label, PR_MAPTEXT), Utf8ToCp932("あBAB"));
  EXPECT_EQ(test::Prop(*label, PR_GLYPHWIDTH), "2");
}

TEST_F(CGLabel, SizeComesFromTheTextNotThePicture) {
  EXPECT_EQ(label->Width, 6);
  EXPECT_EQ(label->Height, 4);
  label->SetLineSpace(3);
  EXPECT_EQ(label->Height, 7);
  label->SetText("A");
  EXPECT_EQ(label->Width, 2);
  EXPECT_EQ(label->Height, 2);
  label->SetText("");
  EXPECT_EQ(label->Width, 0);
  EXPECT_EQ(label->Height, 0);
  // A frame change keeps the text's size.
  label->SetText("AB");
  scene.ProcessInput(17);
  label->Update();
  ASSERT_EQ(label->Index(), 1);
  EXPECT_EQ(label->Width, 4);
  EXPECT_EQ(label->Height, 2);
}

TEST_F(CGLabel, DrawsEachCellAlignedPerLine) {
  EXPECT_EQ(Screen(), (std::vector<std::string>{
                          "............",
                          ".ggrr.......",
                          ".ggrr.......",
                          ".bbww.......",
                          ".bbww.......",
                          "............",
                          "............",
                          "............",
                          "............",
                          "............",
                      }));
  label->SetText("A\nBAC");
  label->SetHAlign(1);
  label->SetLineSpace(1);
  EXPECT_EQ(Screen()[1], "...rr.......");
  EXPECT_EQ(Screen()[4], ".ggrrww.....");
  label->SetHAlign(2);
  EXPECT_EQ(Screen()[1], ".....rr.....");
  EXPECT_EQ(Screen()[5], ".ggrrww.....");
  EXPECT_EQ(Screen()[3], "............");
}

TEST_F(CGLabel, OpacityCodesChooseTheDraw) {
  test::SetInt(*label, PR_ALPHA, 0);
  EXPECT_EQ(Screen()[1], "............");
  test::SetInt(*label, PR_ALPHA, 384);
  TDIBX* s = scene.PresentationSurface();
  Screen();
  EXPECT_EQ(s->GetPixel(1, 1), static_cast<uint32_t>(s->ColorToPixel(0x007F00)));
  test::SetInt(*label, PR_ALPHA, 128);
  Screen();
  EXPECT_EQ(s->GetPixel(3, 1), static_cast<uint32_t>(s->ColorToPixel(0x00007F)));
}

TEST_F(CGLabel, FramesAnimateAsForImages) {
  scene.ProcessInput(17);
  label->Update();
  EXPECT_EQ(label->Index(), 1);
  EXPECT_EQ(Screen()[1], ".bbww.......");
  EXPECT_EQ(label->Width, 6);
}

TEST_F(CGLabel, DegenerateGlyphSizesDrawNothingOutsideThePicture) {
  label->SetGlyphWidth(0);
  EXPECT_EQ(label->Width, 0);
  EXPECT_EQ(Screen()[1], "............");
  // Wider than the picture: no column fits.
  label->SetGlyphWidth(5);
  EXPECT_EQ(label->Width, 15);
  TRect cell;
  EXPECT_FALSE(label->CellRect(0, cell));
  EXPECT_EQ(Screen()[1], "............");
  label->SetGlyphWidth(-2);
  EXPECT_EQ(label->Width, 0);
  EXPECT_EQ(Screen()[1], "............");
  // Cells below the last whole row are skipped; the first row still draws.
  label->SetGlyphWidth(2);
  label->SetGlyphHeight(3);
  EXPECT_TRUE(label->CellRect(1, cell));
  EXPECT_EQ(cell, (TRect{2, 0, 4, 3}));
  EXPECT_FALSE(label->CellRect(2, cell));
  const std::vector<std::string> rows = Screen();
  EXPECT_EQ(rows[1], ".ggrr.......");
  EXPECT_EQ(rows[3], ".wwbb.......");  // the third picture row belongs to the cells below
  EXPECT_EQ(rows[4], "............");
  label->SetGlyphHeight(0);
  EXPECT_EQ(label->Height, 0);
  label->SetGlyphHeight(1 << 30);
  label->SetLineSpace(1 << 30);
  EXPECT_EQ(label->Height, INT32_MAX);
}

TEST_F(CGLabel, SaveRecordRoundTrips) {
  label->SetLineSpace(2);
  label->SetHAlign(2);
  label->OnIdle = "idle";
  test::SetInt(*label, PR_ALPHA, 200);
  test::Set(*label, PR_PAUSED, "TRUE");
  TMemoryStream s;
  label->SaveToStream(s);
  s.SetPosition(0);
  auto* copy = scene.New<TVelkCGLabel>();
  copy->LoadFromStream(s, 140);
  EXPECT_EQ(s.Remaining(), 0);
  for (int32_t id : {PR_SOURCE, PR_TEXT, PR_MAPTEXT, PR_GLYPHWIDTH, PR_GLYPHHEIGHT, PR_LINESPACE, PR_HALIGN, PR_ALPHA,
                     PR_PAUSED, PR_WIDTH, PR_HEIGHT, PR_ONIDLE})
    EXPECT_EQ(test::Prop(*copy, id), test::Prop(*label, id)) << PropInfo(id).Name;
  EXPECT_EQ(copy->Cells(), label->Cells());
  EXPECT_EQ(copy->FrameCount(), 2);
}

// The label's own fields alone, as the save record appends them.
struct TOpenCGLabel : TVelkCGLabel {
  using TVelkCGLabel::LoadOwnFields;
  using TVelkCGLabel::SaveOwnFields;
  using TVelkCGLabel::TVelkCGLabel;
};

TEST_F(CGLabel, RecordsUpTo124HaveNoIdleHandler) {
  TOpenCGLabel open(&scene);
  open.SetText("A");
  open.OnIdle = "idle";
  TMemoryStream s;
  open.SaveOwnFields(s);
  s.SetPosition(0);
  TOpenCGLabel early(&scene);
  early.LoadOwnFields(s, 124);
  EXPECT_EQ(early.OnIdle, "");
  EXPECT_EQ(early.Text(), "A");
  EXPECT_EQ(s.Remaining(), 8);
}

// Both label kinds come back through the scene's factory by their type codes.
TEST_F(CGLabel, SceneRecordRecreatesBothLabelKinds) {
  auto* text = scene.New<TVelkLabel>();
  text->SetName("text");
  text->SetParent(label);
  text->SetText("hi");
  TMemoryStream s;
  scene.SaveToStream(s);
  s.SetPosition(0);
  TVelkBaseList loaded;
  loaded.Services.Images = &cache;
  loaded.SetSize(12, 10);
  loaded.LoadFromStream(s, 140);
  auto* cg = dynamic_cast<TVelkCGLabel*>(loaded.FindObject("cg"));
  ASSERT_NE(cg, nullptr);
  EXPECT_EQ(cg->Cells(), label->Cells());
  auto* child = dynamic_cast<TVelkLabel*>(loaded.FindObject("text"));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Parent(), cg);
  EXPECT_EQ(child->Text(), "hi");
  EXPECT_EQ(child->Width, text->Width);
}

}  // namespace
}  // namespace velk

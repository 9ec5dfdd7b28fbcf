// The game builder, run as the tool it is: it builds the documented example and hand-written sources, and the
// player's own readers load what it wrote.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gfx/brix.h"
#include "gfx/dib_pixels.h"
#include "gfx/dibx.h"
#include "gfx/gfx_reference.h"
#include "script/component_commands.h"
#include "script/control_commands.h"
#include "script/page.h"
#include "script/project_setting.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "vfs/archive.h"

namespace velk {
namespace {

namespace fs = std::filesystem;

std::string builder_path() { return test::ToolPath("velk-build"); }

std::string example_path() { return (fs::path(VELK_SOURCE_DIR) / "docs" / "example" / "game.vkp").string(); }

using TRun = test::TToolRun;

TRun run_tool(const std::string& tool, const std::string& args, const test::TempDir& dir) {
  return test::RunTool(tool, args, dir.Path());
}

TRun run_builder(const std::string& args, const test::TempDir& dir) { return run_tool(builder_path(), args, dir); }

std::unique_ptr<TPage> load_page(TVrFileCollection& archive, const std::string& name) {
  TMemoryStream bytes;
  archive.ReadEntry(bytes, name);
  auto page = std::make_unique<TPage>();
  EXPECT_EQ(page->LoadFromStream(bytes), TPage::TParse::Loaded) << name;
  EXPECT_EQ(bytes.Remaining(), 0) << name;
  return page;
}

template <class T> T* command(TPage& page, int32_t index) {
  auto* c = dynamic_cast<T*>(page.Commands.Item(index));
  EXPECT_NE(c, nullptr) << index;
  return c;
}

TEST(VelkBuild, BuildsTheExampleIntoAnArchiveWhosePagesLoad) {
  test::TempDir dir;
  const TRun run = run_builder("'" + example_path() + "' --archive '" + (dir / "game.dat") + "' --out '" +
                                   (dir / "out") + "' --exe '" + builder_path() + "' '" + (dir / "player") + "'",
                               dir);
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(fs::exists(dir / "out/s/sub.ksb"));
  EXPECT_EQ(test::ReadFile(dir / "out/data/items.txt"), "name\tprice\napple\t100\npear\t120\n");

  for (const std::string file : {"game.dat", "player"}) {
    const TRun verify = run_tool(test::ToolPath("velkpack"), "verify '" + (dir / file) + "'", dir);
    EXPECT_EQ(verify.Status, 0) << file << ": " << verify.Output;
    TVrFileCollection archive;
    archive.Open(dir / file);
    ASSERT_NE(archive.FindEntry("velk.kpb"), nullptr) << file;
    EXPECT_NE(archive.FindEntry("data\\items.txt"), nullptr) << file;
    TMemoryStream kpb;
    archive.ReadEntry(kpb, "velk.kpb");
    TProjectSetting project;
    project.LoadFromStream(kpb);
    EXPECT_EQ(project.Version, 115);
    EXPECT_EQ(project.Title, "Example");
    EXPECT_EQ(project.StartPage, "main.ksb");
    EXPECT_EQ(project.ExitPage, "bye.ksb");
    EXPECT_EQ(project.RegistryKey, "Velk\\Example");
    ASSERT_EQ(project.Variables.size(), 4u);
    EXPECT_EQ(project.Variables[3].FloatValue, 1.5L);
    ASSERT_EQ(project.DiscMap.Items.size(), 1u);
    EXPECT_EQ(project.DiscMap.Items[0].Disc, 2);
  }

  TVrFileCollection archive;
  archive.Open(dir / "game.dat");
  auto sub = load_page(archive, "s\\sub.ksb");
  EXPECT_EQ(sub->ResultType, 1);
  EXPECT_EQ(sub->FindLabel("entry"), 1);
  auto main = load_page(archive, "main.ksb");
  const std::vector<uint8_t> codes = {3, 15, 8, 9, 32, 3, 31, 14, 33, 3, 5, 0, 18, 14, 1, 14, 2, 27, 7, 13, 19, 4};
  ASSERT_EQ(main->Commands.Count(), static_cast<int32_t>(codes.size()));
  for (size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(main->Commands.Item(static_cast<int32_t>(i))->Code(), codes[i]);
  EXPECT_EQ(command<TComWhile>(*main, 6)->ExitIndex, 9);
  EXPECT_EQ(command<TComCalc>(*main, 7)->Level, 1);
  EXPECT_EQ(command<TComWhileLoop>(*main, 8)->LoopIndex, 5);
  auto* call = command<TComCall>(*main, 10);
  EXPECT_EQ(call->PageName, "s\\sub.ksb");
  EXPECT_EQ(call->Target, 1);
  EXPECT_EQ(call->ReturnVar, "doubled");
  EXPECT_EQ(call->Args.size(), 2u);
  auto* wait = command<TComWait>(*main, 18);
  EXPECT_FALSE(wait->ContinuesFrame());
  EXPECT_EQ(wait->NoEvents.Count(), 1);
  EXPECT_TRUE(command<TComLabel>(*main, 0)->ContinuesFrame());
  EXPECT_EQ(command<TComFlip>(*main, 19)->CarryNames.size(), 1u);
  // The box names seven properties, and its page's mask carries exactly those.
  TPropMask box_mask{};
  for (int p : {0, 3, 4, 5, 6, 8, 47}) MaskSet(box_mask, p);
  EXPECT_EQ(main->Masks[8], box_mask);
  auto* box = command<TComBoxNew>(*main, 2);
  EXPECT_NE(box->Prop(47), nullptr);
  EXPECT_EQ(box->Prop(2), nullptr);
  EXPECT_EQ(main->Masks[10], TPropMask{});
}

TEST(VelkBuild, WritesEveryCommandClass) {
  test::TempDir dir;
  std::string page = "@version 115\n";
  for (uint8_t code = 0; code < kCommandCount; ++code) {
    std::string keyword = std::string(CommandClassName(code)).substr(4);
    for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    page += keyword + (IsComponentCode(code) ? " name: \"c" + std::to_string(code) + "\"" : "") + "\n";
  }
  test::WriteFile(dir / "all.vks", page);
  test::WriteFile(dir / "game.vkp", "title All\nstart all.ksb\npage all.vks\n");
  const TRun run = run_builder("'" + (dir / "game.vkp") + "' --archive '" + (dir / "game.dat") + "'", dir);
  ASSERT_EQ(run.Status, 0) << run.Output;
  TVrFileCollection archive;
  archive.Open(dir / "game.dat");
  auto loaded = load_page(archive, "all.ksb");
  ASSERT_EQ(loaded->Commands.Count(), kCommandCount);
  for (uint8_t code = 0; code < kCommandCount; ++code) {
    EXPECT_EQ(loaded->Commands.Item(code)->Code(), code);
    EXPECT_EQ(loaded->Commands.Item(code)->Line, code + 2);
    if (IsComponentCode(code)) {
      EXPECT_GT(static_cast<TComComponent*>(loaded->Commands.Item(code))->Prop(0)->Count(), 0);
    }
  }
}

// A 4 x 3 picture: red on the left half, blue on the right.
void write_png(const std::string& path) {
  TDIBX s;
  s.SetSize(4, 3, 32);
  s.FillRect(TRect{0, 0, 2, 3}, static_cast<uint32_t>(s.ColorToPixel(0x0000FF)));
  s.FillRect(TRect{2, 0, 4, 3}, static_cast<uint32_t>(s.ColorToPixel(0xFF0000)));
  test::SavePng(test::ReadImage(s), path);
}

TEST(VelkBuild, ImageLinesStorePngPicturesAsLayeredImages) {
  test::TempDir dir;
  fs::create_directories(dir / "pics/sub");
  write_png(dir / "logo.png");
  write_png(dir / "pics/a.PNG");
  write_png(dir / "pics/sub/b.png");
  test::WriteFile(dir / "main.vks", "imgnew source: \"pics\\\\a.brx\"\n");
  test::WriteFile(dir / "game.vkp", "start main.ksb\npage main.vks\nimage logo.png\nimage pics\nasset logo.png\n");
  const TRun run = run_builder("'" + (dir / "game.vkp") + "' --archive '" + (dir / "game.dat") + "'", dir);
  ASSERT_EQ(run.Status, 0) << run.Output;
  TVrFileCollection archive;
  archive.Open(dir / "game.dat");
  for (const char* name : {"logo.brx", "pics\\a.brx", "pics\\sub\\b.brx"}) {
    SCOPED_TRACE(name);
    // Their pixel data is deflated already: the archive stores them as they are.
    ASSERT_NE(archive.FindEntry(name), nullptr);
    EXPECT_TRUE(archive.FindEntry(name)->Stored);
    TMemoryStream bytes;
    archive.ReadEntry(bytes, name);
    TBrixFrameList frames;
    frames.LoadFromStream(bytes, false, false, false, name);
    ASSERT_EQ(frames.Count(), 1);
    const TDIBSurface& picture = frames.Frame(0).Picture;
    ASSERT_EQ(picture.Width(), 4);
    ASSERT_EQ(picture.Height(), 3);
    EXPECT_EQ(DibNativeToColor(picture, GetDibPixel(picture, 1, 2)), 0x0000FFu);
    EXPECT_EQ(DibNativeToColor(picture, GetDibPixel(picture, 2, 0)), 0xFF0000u);
  }
  // An asset line keeps the file as it is.
  TMemoryStream png;
  archive.ReadEntry(png, "logo.png");
  EXPECT_EQ(std::string(png.Bytes().begin(), png.Bytes().end()), test::ReadFile(dir / "logo.png"));
  EXPECT_EQ(archive.FindEntry("pics\\a.PNG"), nullptr);

  // Anything but PNG pictures is refused, naming the line.
  test::WriteFile(dir / "pics/notes.txt", "x");
  const TRun bad = run_builder("'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir);
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Output.find("game.vkp:4: image takes PNG pictures only"), std::string::npos) << bad.Output;
  fs::create_directories(dir / "broken");
  test::WriteFile(dir / "broken/c.png", "not a png");
  test::WriteFile(dir / "game.vkp", "start main.ksb\npage main.vks\nimage broken/c.png\n");
  const TRun broken = run_builder("'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir);
  EXPECT_EQ(broken.Status, 1);
  EXPECT_NE(broken.Output.find("game.vkp:3:"), std::string::npos) << broken.Output;
}

TEST(VelkBuild, AnimationLinesJoinPicturesIntoFramesAndBareProjectNamesUseTheCurrentFolder) {
  test::TempDir dir;
  write_png(dir / "f1.png");
  write_png(dir / "f2.png");
  test::WriteFile(dir / "main.vks", "imgnew source: \"star.brx\"\n");
  test::WriteFile(dir / "game.vkp",
                  "start main.ksb\npage main.vks\nimage f1.png\nanimation pics/star.brx 90 f1.png f2.png\n");
  // Built from inside the folder, the project's name has no folder part.
  const fs::path before = fs::current_path();
  fs::current_path(dir.Path());
  const TRun run = run_builder("game.vkp --archive game.dat", dir);
  fs::current_path(before);
  ASSERT_EQ(run.Status, 0) << run.Output;
  TVrFileCollection archive;
  archive.Open(dir / "game.dat");
  EXPECT_NE(archive.FindEntry("f1.brx"), nullptr);
  TMemoryStream bytes;
  archive.ReadEntry(bytes, "pics\\star.brx");
  TBrixFrameList frames;
  frames.LoadFromStream(bytes, false, false, false, "star.brx");
  ASSERT_EQ(frames.Count(), 2);
  EXPECT_EQ(frames.Frame(0).DisplayTime, 90);
  EXPECT_EQ(frames.Frame(1).DisplayTime, 90);

  test::WriteFile(dir / "game.vkp", "start main.ksb\npage main.vks\nanimation star.brx 0 f1.png\n");
  const TRun bad = run_builder("'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir);
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Output.find("game.vkp:3: animation needs"), std::string::npos) << bad.Output;
}

TEST(VelkBuild, ErrorsNameTheSourceFileAndLine) {
  struct Row {
    std::string page;
    std::string message;
  };
  const Row rows[] = {
      {"calc a = 1\n\nfrobnicate 1\n", "bad.vks:3: unknown command frobnicate"},
      {"wait time: 1; colour: 2\n", "bad.vks:1: unknown field colour of wait"},
      {"@version 106\nwait time: 1; noevents: 1\n", "bad.vks:2: field noevents of wait needs a newer page version"},
      {"# note\ntextins text: \"<A>x\"; window: \"mes\"\n", "bad.vks:2: message text: <A>"},
      {"jump page: bad.ksb; target: @nowhere\n", "bad.vks:1: no label nowhere in bad.ksb"},
      {"   calc a = 1\n", "bad.vks:1: indentation must be a multiple of two spaces"},
      {"calc a = (1\n", "bad.vks:1: expression \"a = (1\""},
      {"boxnew 5\n", "bad.vks:1: a field of boxnew must be written key: value"},
      {"calc \"a\n", "bad.vks:1: unterminated string literal"},
      {"calc a = 1\nvarnew name: v; type: 200; value: 1\n", "bad.vks:2: field type: unknown value 200"},
      {"varnew name: v; type: 1; value: 1; scope: 4\n", "bad.vks:1: field scope: unknown value 4"},
  };
  for (const Row& row : rows) {
    test::TempDir dir;
    test::WriteFile(dir / "bad.vks", row.page);
    test::WriteFile(dir / "game.vkp", "start bad.ksb\npage bad.vks\n");
    const TRun run = run_builder("'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir);
    EXPECT_EQ(run.Status, 1) << row.page;
    EXPECT_NE(run.Output.find(row.message), std::string::npos) << run.Output;
    EXPECT_FALSE(fs::exists(dir / "out")) << row.page;
  }
  test::TempDir dir;
  test::WriteFile(dir / "game.vkp", "title T\nscreen 640\n");
  const TRun run = run_builder("'" + (dir / "game.vkp") + "' --out '" + (dir / "out") + "'", dir);
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Output.find("game.vkp:2: two numbers expected"), std::string::npos) << run.Output;
}

}  // namespace
}  // namespace velk

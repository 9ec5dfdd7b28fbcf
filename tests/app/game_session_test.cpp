// The game's subsystems wired into the player process: the frame procedure reaches the file manager's upkeep and
// the media step, the memory collection comes first, a declined disc ends the player, and shutdown frees the image
// cache after the scene; the media managers start with the media library and are freed in order before it is
// finalised.
#include "app/game_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "app/form_view.h"
#include "expr/db_table.h"
#include "expr/param_collection.h"
#include "app/headless_runner.h"
#include "app/player_process.h"
#include "medialib/audio_mixer.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/memory_resources.h"
#include "platform/posix_files.h"
#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "script/call_stack.h"
#include "script/game_saves.h"
#include "script/message_history.h"
#include "support/temp_dir.h"
#include "support/tools.h"
#include "vfs/archive.h"
#include "vfs/big_stream.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

// A sound that is 1000 in every sample.
class TConstantSource : public IPcmSource {
 public:
  void MixInto(int32_t* mix, size_t frames, bool) override {
    for (size_t i = 0; i < frames * kAudioChannels; ++i) mix[i] += 1000;
  }
};

class TTestFiles : public TPosixFiles {
 public:
  std::string ExecutablePath() override { return exe; }
  DriveType GetDriveType(const std::string&) override { return DriveType::Fixed; }
  std::string exe;
};

// A headless player's platform around a session: the game folder's player, the virtual clock, silent media.
struct THeadlessPlayer {
  explicit THeadlessPlayer(const std::string& exe) {
    files.exe = exe;
    host.Platform = {&clock, &boxes, &files, &resources};
    host.MediaLoader = [] { return std::make_unique<TNullVelkMedia>(); };
    host.Window = &window;
  }
  TTestFiles files;
  TVirtualClock clock;
  THeadlessMessageBoxes boxes{nullptr};
  TMemoryResources resources;
  THeadlessWindow window;
  TPlayerHost host;
};

TEST(GameSession, FrameStepsDiscQuitAndShutdownReachTheRealSubsystems) {
  test::TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  test::WriteFile(dir / "game.vkp", "title T\nscreen 64 48\nstart main.ksb\nsave off\nvar int n 0\npage main.vks\n");
  test::WriteFile(dir / "main.vks", "@version 115\nlabel again\ncalc n = n + 1\nwait time: 15; continue: false\n"
                                    "jump page: main.ksb; target: @again\n");
  const test::TToolRun build =
      test::RunTool(test::ToolPath("velk-build"),
                    "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game/game.dat") + "'", dir.Path());
  ASSERT_EQ(build.Status, 0) << build.Output;

  THeadlessPlayer player(dir / "velkplayer");
  auto& [files, clock, boxes, resources, window, host] = player;
  // The player's audio settings: a tenth of the amplitude (-20 dB), muted without the focus; sound through the
  // wave output.
  test::WriteFile(dir / "game.ini", "[Sound]\r\nDirectSound=0\r\nMasterVolume=10\r\n");
  TAudioMixer mixer;
  TConstantSource sound;
  mixer.AddSource(&sound);
  TGameSession session(host.Platform);
  session.SetMixer(&mixer);
  session.Serve(host);
  TInputScript script;
  bool media_set = false, memory_first = false, declined = false;
  std::vector<int16_t> heard;  // the first sample of the mix: focused, without the focus, focused again
  auto listen = [&] {
    int16_t out[2];
    mixer.Fill(out, 1);
    heard.push_back(out[0]);
  };
  host.MessageLoop = [&](TFormView& form) {
    media_set = form.Media() != nullptr;
    listen();
    TInputEvent focus;
    focus.Kind = TInputKind::FocusLost;
    window.Push(focus);
    form.PumpEvents();
    listen();
    focus.Kind = TInputKind::FocusGained;
    window.Push(focus);
    form.PumpEvents();
    listen();
    memory_first = session.Files().Count() >= 2 && session.Files().Collection(0).BaseFolder().empty() &&
                   session.Files().Collection(0).ArchiveStream() == nullptr;
    THeadlessRunner runner(window, boxes, clock, script, 5, true);
    runner.Run(form);
    // A disc the game asks for is declined: Cancel, then OK on the quit text.
    boxes.QueueAnswer(2);
    boxes.QueueAnswer(1);
    declined = !session.Files().RequestDisc(2);
    EXPECT_TRUE(form.CloseRequested());
  };
  TPlayerProcess process(host);
  std::vector<std::string> trace;
  process.Trace().SetObserver([&](const std::string& t, int32_t) { trace.push_back(t); });
  EXPECT_EQ(process.Run({dir / "game"}), kExitNormal);

  EXPECT_EQ(session.FrameUpkeeps(), 5);
  EXPECT_TRUE(media_set);
  EXPECT_EQ(heard, (std::vector<int16_t>{100, 0, 100}));
  EXPECT_TRUE(memory_first);
  EXPECT_TRUE(declined);
  EXPECT_TRUE(process.Values().QuitFlag);
  // The image cache is freed after the scene whose components hand their pictures back to it.
  auto bases = std::find(trace.begin(), trace.end(), "Bases.Free");
  auto images = std::find(trace.begin(), trace.end(), "BrixMan.Free");
  ASSERT_NE(bases, trace.end());
  ASSERT_NE(images, trace.end());
  EXPECT_LT(bases, images);
  // The managers start in their order after "MediaInit", and go in theirs between "MediaFinal" and "velkFinal"
  // (the project's screen makes a screen manager).
  auto media_trace = [&](const std::string& from, const std::string& to) {
    auto begin = std::find(trace.begin(), trace.end(), from);
    auto end = std::find(begin, trace.end(), to);
    EXPECT_NE(end, trace.end()) << from << " .. " << to;
    return std::vector<std::string>(begin, end);
  };
  EXPECT_EQ(media_trace("MediaInit", "VelkInitColor"),
            (std::vector<std::string>{"MediaInit", "MediaInit:7", "MediaInit:8", "MediaInit:9", "MediaInit:10",
                                      "MediaInit:11", "MediaInit:12", "MediaInit:13", "MediaInit:14", "MediaInit:15",
                                      "MediaInit:16"}));
  EXPECT_EQ(media_trace("MediaFinal", "FormClose"),
            (std::vector<std::string>{"MediaFinal", "ScreenMan.Free", "VideoMan.Free", "WmpMan.Free", "OggMan.Free",
                                      "CddaMan.Free", "MidiMan.Free", "velkFinal"}));
}

// An empty 64 x 48 scene in the form of versions 120 to 129, whose control records have no motion offsets yet.
void WriteSceneBefore130(TStream& s) {
  for (const int32_t v : {64, 48, 0}) WriteInt(s, v);  // size, active base
  for (int32_t base = 0; base < 2; ++base) {
    WriteString(s, {});  // name, priority, motion priority, tag
    WriteInt(s, 0);
    WriteInt(s, 0);
    WriteString(s, {});
    for (const int32_t v : {0, 0, 64, 48, 0, 0}) WriteInt(s, v);  // bounds and offsets
    WriteByte(s, 0);                                              // position zoomed
    for (int32_t i = 0; i < 4; ++i) WriteInt(s, 0);               // clip
    WriteByte(s, 0);                                              // animation paused
    WriteByte(s, 1);                                              // visible
    for (int32_t i = 0; i < 5; ++i) WriteInt(s, 0);               // colour, spare rectangle
    WriteByte(s, 0);                                              // ignore mouse
    for (int32_t i = 0; i < 10; ++i) WriteString(s, {});          // cursor, mouse handlers
    WriteBool(s, false);                                          // handle keys
    for (int32_t i = 0; i < 5; ++i) WriteString(s, {});           // key and focus handlers
    WriteInt(s, 0);                                               // children
  }
  WriteInt(s, 0);      // components
  WriteInt(s, 0);      // events
  WriteString(s, {});  // focus
}

// A game save record of versions 113 to 134: one history block, and the history settings (three older ones, or the
// six layout settings of the default format) in the variable block. The interpreter goes on in after.ksb.
std::vector<uint8_t> OldRecord(int32_t version, const std::vector<int32_t>& settings) {
  TMemoryStream s;
  WriteInt(s, version);
  WriteString(s, "old");
  WriteString(s, {});
  WriteInt(s, 0);
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  if (version < 130) {
    WriteSceneBefore130(s);
  } else {
    scene.SaveToStream(s);
  }
  // The block lays its entries out in its own settings, which the first page recorded gives it.
  TVelkNewHistory history;
  TVelkBox window(&scene);
  history.RecordPage({12, 1, 0, 100, 50, 2}, window, "page.ksb", {}, 0, 0, 0, 1);
  TMemoryStream block;
  history.SaveToStream(block);
  // Blocks up to version 123 end without their extra text (an empty string).
  std::vector<uint8_t> bytes = block.Bytes();
  if (version <= 123) bytes.resize(bytes.size() - 4);
  s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  WriteString(s, "after.ksb");
  WriteInt(s, 0);
  WriteBool(s, false);
  WriteBool(s, false);
  WriteInt(s, 0);
  WriteString(s, {});
  TArrayString{}.SaveToStream(s);
  TParamCollection vars;
  TStackList{vars}.SaveToStream(s, nullptr);
  WriteInt(s, 2);
  WriteInt(s, 0);  // no game variables
  WriteInt(s, 50);
  WriteString(s, {});
  WriteString(s, {});
  WriteInt(s, 0);
  for (const int32_t v : settings) WriteInt(s, v);
  if (version > 120) WriteString(s, {});
  if (version > 122) TDBManager{}.SaveTables(s, 0);
  return s.Bytes();
}

TEST(GameSession, OlderRecordsGiveTheDefaultHistoryFormatTheirSettings) {
  struct TCase {
    int32_t Version;
    std::vector<int32_t> Settings;
    THistLayout Layout;
  };
  // Three older settings are the font height, border and shadow; six are the whole layout.
  const std::vector<TCase> cases = {{120, {16, 2, 1}, {16, 2, 1, 0, 0, 0}},
                                    {120, {16, 2, 1, 200, 80, 3}, {16, 2, 1, 200, 80, 3}},
                                    {130, {18, 0, 2}, {18, 0, 2, 0, 0, 0}},
                                    {130, {18, 0, 2, 150, 60, 4}, {18, 0, 2, 150, 60, 4}}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Version) + ": " + std::to_string(c.Settings.size()) + " settings");
    test::TempDir dir;
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    test::WriteFile(dir / "game.vkp", "screen 64 48\nstart main.ksb\nsave off\nvar int resumed 0\n"
                                      "page main.vks\npage after.vks\n");
    test::WriteFile(dir / "main.vks", "@version 115\ngameload slot: 1\nlabel idle\nwait time: 1000\n"
                                      "jump page: main.ksb; target: @idle\n");
    test::WriteFile(dir / "after.vks", "@version 115\ncalc resumed = 1\nlabel idle\nwait time: 1000\n"
                                       "jump page: after.ksb; target: @idle\n");
    const test::TToolRun build =
        test::RunTool(test::ToolPath("velk-build"),
                      "'" + (dir / "game.vkp") + "' --archive '" + (dir / "game/game.dat") + "'", dir.Path());
    ASSERT_EQ(build.Status, 0) << build.Output;
    std::filesystem::create_directories(dir / "saves");
    {
      TVrFileCollection file;
      const std::vector<uint8_t> record = OldRecord(c.Version, c.Settings);
      file.AddMemoryEntry(GameSaveEntryName(1)).WriteBuffer(record.data(), static_cast<int32_t>(record.size()));
      TBigFileStream out(dir / "saves/save.dat", fmCreate);
      file.SaveArchive(out);
    }

    THeadlessPlayer player(dir / "velkplayer");
    auto& [files, clock, boxes, resources, window, host] = player;
    TGameSession session(host.Platform);
    session.SetSaveDir(dir / "saves");
    session.Serve(host);
    TPlayerProcess* running = nullptr;
    THistLayout layout;
    THistLayout block;
    int32_t resumed = -1;
    host.MessageLoop = [&](TFormView& form) {
      TInputScript script;
      THeadlessRunner runner(window, boxes, clock, script, 5, true);
      runner.Run(form);
      ASSERT_NE(session.History(), nullptr);
      layout = session.History()->DefaultFormat().Layout;
      block = session.History()->DefaultFormat().History.ComposerLayout();
      const TParamCollectionItem* v = running->Vars()->FindVariable("resumed");
      if (v) resumed = v->Value()->GetInt();
      EXPECT_FALSE(running->Values().QuitFlag);
    };
    TPlayerProcess process(host);
    running = &process;
    EXPECT_EQ(process.Run({dir / "game"}), kExitNormal);
    // The record loaded whole: the interpreter went on in its page, the history block took its own layout.
    EXPECT_EQ(resumed, 1);
    EXPECT_EQ(std::vector<int32_t>({block.FontHeight, block.Width, block.LineSpace}),
              std::vector<int32_t>({12, 100, 2}));
    EXPECT_EQ(std::vector<int32_t>({layout.FontHeight, layout.FontBorder, layout.FontShadow, layout.Width,
                                    layout.Height, layout.LineSpace}),
              std::vector<int32_t>({c.Layout.FontHeight, c.Layout.FontBorder, c.Layout.FontShadow, c.Layout.Width,
                                    c.Layout.Height, c.Layout.LineSpace}));
  }
}

}  // namespace
}  // namespace velk

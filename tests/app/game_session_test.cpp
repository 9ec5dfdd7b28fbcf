// The game's subsystems wired into the player process: the frame procedure reaches the file manager's upkeep and
// the media step, the memory collection comes first, a declined disc ends the player, and shutdown frees the image
// cache after the scene; the media managers start with the media library and are freed in order before it is
// finalised.
#include "app/game_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>

#include "app/form_view.h"
#include "app/headless_runner.h"
#include "app/player_process.h"
#include "medialib/audio_mixer.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/memory_resources.h"
#include "platform/posix_files.h"
#include "support/temp_dir.h"
#include "support/tools.h"

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

  TTestFiles files;
  files.exe = dir / "velkplayer";
  TVirtualClock clock;
  THeadlessMessageBoxes boxes{nullptr};
  TMemoryResources resources;
  THeadlessWindow window;
  TPlayerHost host;
  host.Platform = {&clock, &boxes, &files, &resources};
  host.MediaLoader = [] { return std::make_unique<TNullVelkMedia>(); };
  host.Window = &window;
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

}  // namespace
}  // namespace velk

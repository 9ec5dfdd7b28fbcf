#include "app/form_view.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/fast_forward.h"
#include "app/minimal_scene.h"
#include "app/player_keys.h"
#include "base/sjis.h"
#include "medialib/null_media.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_message_boxes.h"
#include "platform/headless/headless_window.h"

namespace velk {
namespace {

using TLog = std::vector<std::string>;

class TFakeProject : public IFrameProject {
 public:
  explicit TFakeProject(TLog& log) : log_(log) {}
  int32_t ScreenWidth() const override { return 64; }
  int32_t ScreenHeight() const override { return 48; }
  std::string Title() const override { return Utf8ToCp932("テスト"); }
  bool PauseWhenInactive() const override { return pause; }
  void RunFrame() override {
    log_.push_back("RunFrame");
    ++frames;
    if (on_frame) on_frame();
  }
  bool ApplyPending() override {
    log_.push_back("ApplyPending");
    bool loaded = load_next;
    load_next = false;
    return loaded;
  }
  bool pause = true;
  bool load_next = false;
  int frames = 0;
  std::function<void()> on_frame;

 private:
  TLog& log_;
};

// The minimal scene, with its calls recorded.
class TRecordingScene : public TMinimalScene {
 public:
  explicit TRecordingScene(TLog& log) : TMinimalScene(0x336699), log_(log) {}
  void InputStep() override {
    log_.push_back("InputStep");
    TMinimalScene::InputStep();
  }
  void UpdateStep() override {
    log_.push_back("UpdateStep");
    TMinimalScene::UpdateStep();
  }
  void Compose() override {
    log_.push_back("Compose");
    TMinimalScene::Compose();
  }
  void ClearChanged() override {
    log_.push_back("ClearChanged");
    TMinimalScene::ClearChanged();
  }
  void ReleaseInput() override {
    log_.push_back("ReleaseInput");
    TMinimalScene::ReleaseInput();
  }

 private:
  TLog& log_;
};

class TRecordingMedia : public IFrameMedia {
 public:
  explicit TRecordingMedia(TLog& log) : log_(log) {}
  void Suspend() override { log_.push_back("MediaSuspend"); }
  void Resume() override { log_.push_back("MediaResume"); }
  void SuspendVideo() override { log_.push_back("SuspendVideo"); }
  void ResumeVideo() override { log_.push_back("ResumeVideo"); }
  bool HasVideo() const override { return true; }
  void UpdateVideo() override { log_.push_back("UpdateVideo"); }
  void CloseMidi() override { log_.push_back("CloseMidi"); }
  void ReopenMidi() override { log_.push_back("ReopenMidi"); }
  void RestoreSound() override {}

 private:
  TLog& log_;
};

class TRecordingFiles : public IFrameFiles {
 public:
  explicit TRecordingFiles(TLog& log) : log_(log) {}
  void FrameUpkeep() override { log_.push_back("FrameUpkeep"); }

 private:
  TLog& log_;
};

class TRecordingTickSource : public ITickSource {
 public:
  void Suspend() override { suspended = true; }
  void Resume() override { suspended = false; }
  bool suspended = false;
};

// Message boxes whose answers and side effects the test decides.
class TScriptedBoxes : public IMessageBoxes {
 public:
  int32_t Show(const std::string& text, const std::string& caption, uint32_t style) override {
    texts.push_back(Cp932ToUtf8(text));
    captions.push_back(Cp932ToUtf8(caption));
    styles.push_back(style);
    if (during) during();
    return answer;
  }
  int32_t answer = IDYES;
  std::function<void()> during;
  std::vector<std::string> texts, captions;
  std::vector<uint32_t> styles;
};

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trace.SetObserver([this](const std::string& t, int32_t) { traced.push_back(t); });
    window.SetWorkArea(TRect{100, 50, 1100, 850});
    form.SetProject(&project);
    form.SetScene(&scene);
    form.SetFiles(&files);
    form.SetMedia(&media);
    form.SetTickSource(&source);
    form.StartUp("test");
    form.Activate();
    log.clear();
  }
  void Frame() { form.Tick(TTick{15, clock.Milliseconds()}); }
  TInputEvent Key(TInputKind kind, uint32_t vk, bool repeat = false, bool alt = false) {
    TInputEvent e;
    e.Kind = kind;
    e.Key = vk;
    e.Repeat = repeat;
    e.Alt = alt;
    return e;
  }
  TInputEvent Mouse(TInputKind kind, int32_t x, int32_t y, TMouseButton b = TMouseButton::Left) {
    TInputEvent e;
    e.Kind = kind;
    e.X = x;
    e.Y = y;
    e.Button = b;
    return e;
  }

  TLog log;
  TProcessValues values;
  TTrace trace;
  std::vector<std::string> traced;
  THeadlessWindow window;
  TScriptedBoxes boxes;
  TVirtualClock clock;
  TFakeProject project{log};
  TRecordingScene scene{log};
  TRecordingMedia media{log};
  TRecordingFiles files{log};
  TRecordingTickSource source;
  TFormView form{values, trace, window, boxes, clock};
};

TEST_F(FormViewTest, StartUpSizesCentresAndPlacesThePanel) {
  EXPECT_EQ(window.Width(), 64);
  EXPECT_EQ(window.Height(), 48 + 22);
  EXPECT_EQ(window.Position(), (TPoint{100 + (1000 - 64) / 2, 50 + (800 - 70) / 2}));
  EXPECT_EQ(form.PanelBounds(), Bounds(0, 22, 64, 48));
  EXPECT_EQ(scene.ScreenSize(), (TPoint{64, 48}));
  EXPECT_TRUE(form.Active());
  EXPECT_TRUE(form.ToolbarVisible());
  // The whole client (dock strip and scene) was presented once.
  EXPECT_EQ(window.UploadedPixels(), 64 * 70);
}

TEST_F(FormViewTest, FrameRunsItsStepsInOrder) {
  Frame();
  TLog expected = {"FrameUpkeep",  "InputStep", "RunFrame",     "UpdateStep",
                   "ApplyPending", "Compose",   "ClearChanged", "UpdateVideo"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(values.FrameCount, 1);
  EXPECT_EQ(values.GameClock, 15);
  // The scene's colour reached the window below the dock.
  EXPECT_EQ(window.Pixels()[static_cast<size_t>(22 * 64 + 5)], 0x336699u);

  // The quit flag set by the interpreter ends the frame right after it.
  log.clear();
  project.on_frame = [this] { values.QuitFlag = true; };
  Frame();
  EXPECT_EQ(log, (TLog{"FrameUpkeep", "InputStep", "RunFrame"}));
  EXPECT_EQ(values.FrameCount, 1);
}

TEST_F(FormViewTest, NothingRunsWithoutAProjectOrWhileSwitching) {
  values.Switching = true;
  Frame();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(values.GameClock, 15);  // the clock still advances
  values.Switching = false;
  form.SetProject(nullptr);
  Frame();
  EXPECT_TRUE(log.empty());
}

TEST_F(FormViewTest, LoadSkipsTheNextDrawAndTheDivisorThinsDrawing) {
  project.load_next = true;
  Frame();
  EXPECT_EQ(scene.Composes(), 0);
  Frame();
  EXPECT_EQ(scene.Composes(), 1);

  values.FrameDivisor = 3;
  for (int i = 0; i < 6; ++i) Frame();
  EXPECT_EQ(scene.Composes(), 3);
  EXPECT_EQ(values.FrameCount, 8);
}

TEST_F(FormViewTest, PresentsOnlyChangedRectangles) {
  Frame();
  int64_t after_first = window.UploadedPixels();
  EXPECT_EQ(after_first, 64 * 70 + 64 * 48);
  Frame();  // nothing changed
  EXPECT_EQ(window.UploadedPixels(), after_first);
}

TEST_F(FormViewTest, AWindowThatShowsNothingHearsWhatChangedAndGetsTheWholeClientWhenItShowsAgain) {
  window.SetKeepsPixels(false);
  const int64_t before = window.UploadedPixels();
  Frame();
  EXPECT_EQ(window.UploadedPixels(), before + 64 * 48);
  window.SetKeepsPixels(true);  // the window starts again from black
  Frame();                      // the scene changed nothing, but the whole client comes again
  EXPECT_EQ(window.UploadedPixels(), before + 64 * 48 + 64 * 70);
  EXPECT_EQ(window.Pixels()[static_cast<size_t>(22 * 64 + 5)], 0x336699u);
}

TEST_F(FormViewTest, KeyHeldGivesOnePressAndRepeatsAreIgnored) {
  form.HandleEvent(Key(TInputKind::KeyDown, 0x41));
  EXPECT_TRUE(scene.Input().KeyHeld[0x41]);
  Frame();  // the input step takes the press
  EXPECT_TRUE(scene.Input().KeyPressed[0x41]);
  form.HandleEvent(Key(TInputKind::KeyDown, 0x41, true));
  form.HandleEvent(Key(TInputKind::KeyDown, 0x41, true));
  Frame();
  EXPECT_FALSE(scene.Input().KeyPressed[0x41]);
  EXPECT_TRUE(scene.Input().KeyHeld[0x41]);
  form.HandleEvent(Key(TInputKind::KeyUp, 0x41));
  EXPECT_FALSE(scene.Input().KeyHeld[0x41]);
  // Codes of 256 and above are not keys of the scene.
  form.HandleEvent(Key(TInputKind::KeyDown, 0x141));
  Frame();
  EXPECT_FALSE(scene.Input().KeyPressed[0x41]);
  // Inactive: no key reaches the scene.
  form.Deactivate();
  form.HandleEvent(Key(TInputKind::KeyDown, 0x42));
  EXPECT_FALSE(scene.Input().KeyHeld[0x42]);
}

TEST_F(FormViewTest, MouseReachesTheSceneInPanelCoordinates) {
  form.HandleEvent(Mouse(TInputKind::MouseMove, 10, 30));
  EXPECT_EQ(scene.Input().Mouse, (TPoint{10, 8}));
  form.HandleEvent(Mouse(TInputKind::MouseDown, 10, 30, TMouseButton::Right));
  EXPECT_TRUE(scene.Input().RightHeld);
  EXPECT_FALSE(scene.Input().LeftHeld);
  form.HandleEvent(Mouse(TInputKind::MouseUp, 10, 30, TMouseButton::Right));
  EXPECT_FALSE(scene.Input().RightHeld);
  TInputEvent wheel;
  wheel.Kind = TInputKind::Wheel;
  wheel.WheelDown = true;
  form.HandleEvent(wheel);
  Frame();
  EXPECT_TRUE(scene.Input().RightClicked);  // a click shorter than a frame is still seen
  EXPECT_FALSE(scene.Input().LeftClicked);
  EXPECT_TRUE(scene.Input().WheelDown);
  EXPECT_FALSE(scene.Input().WheelUp);
  // A click on the dock outside the buttons is not a scene click.
  form.HandleEvent(Mouse(TInputKind::MouseDown, 60, 5));
  EXPECT_FALSE(scene.Input().LeftHeld);
}

TEST_F(FormViewTest, QuitButtonAsksInTheSystemLanguage) {
  form.SetJapanese(true);
  boxes.answer = IDNO;
  form.HandleEvent(Mouse(TInputKind::MouseDown, 10, 5));
  form.HandleEvent(Mouse(TInputKind::MouseUp, 10, 5));
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "「テスト」を終了しますか？");
  EXPECT_EQ(boxes.captions[0], "テスト");
  EXPECT_EQ(boxes.styles[0], MB_YESNO | MB_ICONQUESTION);
  EXPECT_FALSE(form.CloseRequested());
  EXPECT_FALSE(values.QuitFlag);

  form.SetJapanese(false);
  boxes.answer = IDYES;
  bool flag_while_asking = false;
  boxes.during = [&] { flag_while_asking = values.QuitFlag; };
  form.QuitConfirmation();
  EXPECT_EQ(boxes.texts[1], "Do you want to exit テスト?");
  EXPECT_TRUE(flag_while_asking);
  EXPECT_TRUE(form.CloseRequested());
}

TEST_F(FormViewTest, TitleIsNeverAFormat) {
  // The quit text takes the title as data: a title with format characters stays as it is.
  class TTitled : public TFakeProject {
   public:
    using TFakeProject::TFakeProject;
    std::string Title() const override { return "%s%n%d"; }
  } titled(log);
  form.SetProject(&titled);
  boxes.answer = IDNO;
  form.QuitConfirmation();
  EXPECT_EQ(boxes.texts.back(), "Do you want to exit %s%n%d?");
}

TEST_F(FormViewTest, ModalBoxInsideAFrameDoesNotReenterIt) {
  project.on_frame = [this] {
    project.on_frame = nullptr;
    boxes.during = [this] { form.DoFrame(); };
    boxes.Show("x", "y", MB_OK);
  };
  Frame();
  EXPECT_EQ(project.frames, 1);
  EXPECT_EQ(values.FrameCount, 1);
  boxes.during = nullptr;
  Frame();
  EXPECT_EQ(project.frames, 2);
}

TEST_F(FormViewTest, DeactivationPausesOnlyWhenTheProjectSaysSo) {
  form.HandleEvent(Key(TInputKind::KeyDown, 0x20));
  TInputEvent lost;
  lost.Kind = TInputKind::FocusLost;
  form.HandleEvent(lost);
  EXPECT_TRUE(source.suspended);
  EXPECT_FALSE(form.Active());
  EXPECT_EQ(log, (TLog{"MediaSuspend", "ReleaseInput"}));
  EXPECT_FALSE(scene.Input().KeyHeld[0x20]);

  log.clear();
  clock.Advance(5000);
  TInputEvent gained;
  gained.Kind = TInputKind::FocusGained;
  form.HandleEvent(gained);
  EXPECT_FALSE(source.suspended);
  EXPECT_TRUE(form.Active());
  EXPECT_EQ(values.LastTickTime, 5000u);
  EXPECT_EQ(log, (TLog{"MediaResume"}));

  // A project that does not pause keeps sound and frames running.
  log.clear();
  project.pause = false;
  form.HandleEvent(lost);
  EXPECT_FALSE(source.suspended);
  EXPECT_TRUE(form.Active());
  EXPECT_TRUE(log.empty());
}

TEST_F(FormViewTest, MuteOnlyNeverPausesEvenWhenTheProjectAsks) {
  form.SetNeverPause(true);
  TInputEvent lost;
  lost.Kind = TInputKind::FocusLost;
  form.HandleEvent(lost);
  EXPECT_FALSE(source.suspended);
  EXPECT_TRUE(form.Active());
  EXPECT_TRUE(log.empty());
}

TEST_F(FormViewTest, PlayerKeysAreTakenBeforeTheGame) {
  TSpeedClock speed(clock);
  TPlayerKeys keys(form, speed, 1, "Game");
  form.SetKeyHook([&keys](const TInputEvent& e) { return keys.HandleKey(e); });
  // Alt+F: fast-forward on and off, said in the title; the game sees neither the F nor its release.
  form.HandleEvent(Key(TInputKind::KeyDown, VK_F_LETTER, false, true));
  EXPECT_EQ(speed.Factor(), kFastForwardSpeed);
  EXPECT_EQ(window.Caption(), "Game [fast-forward x8]");
  // The letter it typed is dropped; the next text is the game's.
  TInputEvent typed;
  typed.Kind = TInputKind::Text;
  typed.Text = "f";
  EXPECT_TRUE(keys.HandleKey(typed));
  EXPECT_FALSE(keys.HandleKey(typed));
  form.HandleEvent(Key(TInputKind::KeyDown, VK_F_LETTER, true, true));
  EXPECT_EQ(speed.Factor(), kFastForwardSpeed);
  form.HandleEvent(Key(TInputKind::KeyUp, VK_F_LETTER, false, true));
  form.HandleEvent(Key(TInputKind::KeyDown, VK_F_LETTER, false, true));
  EXPECT_EQ(speed.Factor(), 1);
  EXPECT_EQ(window.Caption(), "Game");
  EXPECT_FALSE(scene.Input().KeyHeld[VK_F_LETTER]);
  // F without Alt, and Alt itself, are the game's.
  form.HandleEvent(Key(TInputKind::KeyDown, VK_F_LETTER));
  form.HandleEvent(Key(TInputKind::KeyDown, 0x12));
  EXPECT_TRUE(scene.Input().KeyHeld[VK_F_LETTER]);
  EXPECT_TRUE(scene.Input().KeyHeld[0x12]);
  // Print Screen never reaches the game; a failed save says so in the title, and the note goes after a while.
  setenv("XDG_PICTURES_DIR", "/proc/no-pictures-here", 1);
  keys.SetNow(1000);
  form.HandleEvent(Key(TInputKind::KeyDown, VK_SNAPSHOT));
  unsetenv("XDG_PICTURES_DIR");
  EXPECT_FALSE(scene.Input().KeyHeld[VK_SNAPSHOT]);
  EXPECT_EQ(window.Caption(), "Game - screenshot failed");
  keys.Idle(1000 + kTitleNoteMs - 1);
  EXPECT_EQ(window.Caption(), "Game - screenshot failed");
  keys.Idle(1000 + kTitleNoteMs);
  EXPECT_EQ(window.Caption(), "Game");
}

TEST(PlayerKeys, NamesAreSafeFileNames) {
  EXPECT_EQ(SafeFileName("My/Game\\x"), "My_Game_x");
  EXPECT_EQ(SafeFileName(".."), "game");
  EXPECT_EQ(SafeFileName(""), "game");
  EXPECT_EQ(SafeFileName("..hidden\ttab"), "hidden_tab");
  EXPECT_EQ(SafeFileName("ゲーム"), "ゲーム");
  // Cut below the limit without splitting a character (three bytes each).
  std::string long_name;
  for (int i = 0; i < 60; ++i) long_name += "あ";
  EXPECT_EQ(SafeFileName(long_name).size(), 120u);
  EXPECT_EQ(SafeFileName(long_name + "x").size(), 120u);
  setenv("XDG_PICTURES_DIR", "/pics", 1);
  EXPECT_EQ(PicturesFolder("A/B"), "/pics/A_B/");
  unsetenv("XDG_PICTURES_DIR");
}

TEST_F(FormViewTest, FullScreenAndBackWithTheirTraceNames) {
  form.SetChosenMode(0);
  traced.clear();
  form.HandleEvent(Key(TInputKind::KeyDown, VK_RETURN, false, true));  // Alt+Enter
  EXPECT_TRUE(form.FullScreen());
  EXPECT_TRUE(window.FullScreen());
  EXPECT_FALSE(form.ToolbarVisible());
  EXPECT_FALSE(values.Switching);
  EXPECT_EQ(form.ClientSize(), (TPoint{64, 48}));
  EXPECT_EQ(form.PanelBounds(), Bounds(0, 0, 64, 48));
  std::vector<std::string> expected = {"SetFullScreen",
                                       "SetFullScreen.Full",
                                       "SetFullScreen.Full.Bases.FreeDX",
                                       "SetFullScreen.Full.MediaSuspend",
                                       "SetFullScreen.Full.ScreenMan.FreeDX",
                                       "SetFullScreen.Full.StoreWindow",
                                       "SetFullScreen.Full.SetScreenManIndex",
                                       "SetFullScreen.SetBounds",
                                       "SetFullScreen.Bases.Reload",
                                       "SetFullScreen.MediaResume"};
  EXPECT_EQ(traced, expected);
  EXPECT_EQ(log, (TLog{"CloseMidi", "SuspendVideo", "ReopenMidi", "ResumeVideo"}));
  EXPECT_TRUE(scene.HasSurfaces());

  // The top edge shows the toolbar over the panel; moving away hides it.
  form.HandleEvent(Mouse(TInputKind::MouseMove, 30, 0));
  EXPECT_TRUE(form.ToolbarVisible());
  form.HandleEvent(Mouse(TInputKind::MouseMove, 30, 40));
  EXPECT_FALSE(form.ToolbarVisible());

  // F11 is the game's key like any other below 256; Alt+Enter switches back.
  form.HandleEvent(Key(TInputKind::KeyDown, 0x7A));
  EXPECT_TRUE(form.FullScreen());
  EXPECT_TRUE(scene.Input().KeyHeld[0x7A]);
  traced.clear();
  form.HandleEvent(Key(TInputKind::KeyDown, VK_RETURN, false, true));
  EXPECT_FALSE(form.FullScreen());
  EXPECT_FALSE(window.FullScreen());
  EXPECT_TRUE(form.ToolbarVisible());
  EXPECT_EQ(form.ClientSize(), (TPoint{64, 70}));
  EXPECT_EQ(form.PanelBounds(), Bounds(0, 22, 64, 48));
  EXPECT_EQ(traced[1], "SetFullScreen.Normal");
  EXPECT_EQ(traced[2], "SetFullScreen.Normal.RestoreWindow");
  EXPECT_EQ(window.Position(), (TPoint{100 + (1000 - 64) / 2, 50 + (800 - 70) / 2}));
}

TEST_F(FormViewTest, RefusedModeLeavesAWindowOfTheRightSizeWithoutToolbar) {
  form.SetChosenMode(1);
  window.SetModeSwitchFails(true);
  traced.clear();
  form.SetFullScreen(true);
  EXPECT_FALSE(window.FullScreen());
  EXPECT_FALSE(form.ToolbarVisible());
  EXPECT_EQ(form.ClientSize(), (TPoint{64, 70}));
  EXPECT_NE(std::find(traced.begin(), traced.end(), "SetFullScreen.Full.SetScreenManIndexFail"), traced.end());
  EXPECT_FALSE(values.Switching);

  // Without a chosen mode full screen is refused before anything is torn down.
  TFormView other(values, trace, window, boxes, clock);
  other.SetProject(&project);
  other.SetScene(&scene);
  other.SetMedia(&media);
  other.SetChosenMode(kNoDisplayMode);
  log.clear();
  other.SetFullScreen(true);
  EXPECT_FALSE(other.FullScreen());
  EXPECT_TRUE(log.empty());
}

TEST_F(FormViewTest, MediaLibraryMessagesReachTheirEntries) {
  class TRecordingLib : public TNullVelkMedia {
   public:
    explicit TRecordingLib(TLog& log) : log_(log) {}
    void velkOggmanUpdate() override { log_.push_back("OggUpdate"); }
    void velkWmpmanProcessEvent(const TVelkMessage& m) override { log_.push_back("Wmp " + std::to_string(m.Message)); }
    void velkVidmanProcessEvent(const TVelkMessage& m) override { log_.push_back("Vid " + std::to_string(m.Message)); }

   private:
    TLog& log_;
  } lib(log);
  form.SetMediaLib(&lib);
  for (uint32_t m : {0x7Eu, 0x680u, 0x681u, 0x682u, 0x683u, 0x100u}) form.WindowMessage(m, 1, 2);
  EXPECT_EQ(log, (TLog{"Vid 126", "Wmp 1664", "Wmp 1665", "Vid 1666", "Wmp 1667"}));
  log.clear();
  form.WindowMessage(0x6B0, 0, 0);
  EXPECT_EQ(values.FrameCount, 1);
  // The Ogg update comes right after the interpreter's frame.
  EXPECT_EQ(log[2], "RunFrame");
  EXPECT_EQ(log[3], "OggUpdate");
  form.SetMediaLib(nullptr);
}

TEST_F(FormViewTest, CursorMovesInPanelCoordinates) {
  window.WarpCursor(3, 4);
  form.SetCursorX(20);
  EXPECT_EQ(window.CursorPosition(), (TPoint{20, 4}));
  form.SetCursorY(7);
  EXPECT_EQ(window.CursorPosition(), (TPoint{20, 29}));
}

}  // namespace
}  // namespace velk

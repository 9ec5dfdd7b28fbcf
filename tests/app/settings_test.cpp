#include <gtest/gtest.h>

#include "app/config_dialog_view.h"
#include "app/form_config.h"
#include "app/game_settings.h"
#include "app/ini_file.h"
#include "platform/headless/headless_window.h"
#include "support/temp_dir.h"
#include "vfs/stream.h"

namespace velk {
namespace {

TEST(GameSettings, DefaultsWithoutTheFileAndTheDelayRule) {
  test::TempDir dir;
  TGameSettings d = ReadGameSettings(dir / "game.ini");
  EXPECT_TRUE(d.DirectSound);
  EXPECT_EQ(d.DelayTime, 500);
  EXPECT_FALSE(d.UseWMP);
  EXPECT_EQ(d.MasterVolume, 100);
  EXPECT_TRUE(d.MuteWhenInactive);

  struct {
    const char* stored;
    int32_t used;
  } cases[] = {{"1234", 500}, {"50", 100}, {"250", 200}, {"399", 300}, {"-700", 100}, {"0x12C", 300}, {"junk", 500}};
  for (const auto& c : cases) {
    test::WriteFile(dir / "game.ini", std::string("[Sound]\r\nDelayTime=") + c.stored + "\r\n");
    EXPECT_EQ(ReadGameSettings(dir / "game.ini").DelayTime, c.used) << c.stored;
  }
  test::WriteFile(dir / "game.ini", "[sound]\r\ndirectsound = 0\r\n[VIDEO]\r\nUseWMP=1\r\n");
  TGameSettings s = ReadGameSettings(dir / "game.ini");
  EXPECT_FALSE(s.DirectSound);
  EXPECT_TRUE(s.UseWMP);
  EXPECT_EQ(s.DelayTime, 500);

  // The player's audio settings: the volume held to 0 .. 100 percent, and its level in hundredths of a decibel.
  test::WriteFile(dir / "game.ini", "[Sound]\r\nMasterVolume=250\r\nMuteWhenInactive=0\r\n");
  s = ReadGameSettings(dir / "game.ini");
  EXPECT_EQ(s.MasterVolume, 100);
  EXPECT_FALSE(s.MuteWhenInactive);
  test::WriteFile(dir / "game.ini", "[Sound]\r\nMasterVolume=-5\r\n");
  EXPECT_EQ(ReadGameSettings(dir / "game.ini").MasterVolume, 0);
  EXPECT_EQ(MasterVolumeHundredthsDb(100), 0);
  EXPECT_EQ(MasterVolumeHundredthsDb(50), -602);
  EXPECT_EQ(MasterVolumeHundredthsDb(10), -2000);
  EXPECT_EQ(MasterVolumeHundredthsDb(0), -10000);
}

TEST(IniFile, WritingKeepsEveryLineItDoesNotOwn) {
  test::TempDir dir;
  std::string path = dir / "game.ini";
  test::WriteFile(path, "; settings\r\n[Sound]\r\nDirectSound=1\r\nOther=keep me\r\n\r\n[Video]\r\nUseWMP=1\r\n"
                        "[Extra]\r\nx=1\r\n");
  TIniFile ini(path);
  ini.WriteBool("Sound", "DirectSound", false);
  ini.WriteInteger("sound", "DelayTime", 300);
  ini.WriteString("New", "Key", "v");
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(test::ReadFile(path),
            "; settings\r\n[Sound]\r\nDirectSound=0\r\nOther=keep me\r\nDelayTime=300\r\n\r\n[Video]\r\nUseWMP=1\r\n"
            "[Extra]\r\nx=1\r\n[New]\r\nKey=v\r\n");
  TIniFile again(path);
  EXPECT_EQ(again.ReadInteger("SOUND", "delaytime", 0), 300);
  EXPECT_EQ(again.ReadString("Sound", "Other", ""), "keep me");
  EXPECT_EQ(again.ReadString("Sound", "Missing", "def"), "def");
  // A file with LF line ends keeps them.
  test::WriteFile(path, "[A]\nb=1\n");
  TIniFile lf(path);
  lf.WriteString("A", "c", "2");
  lf.Save();
  EXPECT_EQ(test::ReadFile(path), "[A]\nb=1\nc=2\n");
}

TEST(FormConfig, ReadsAndWritesOnlyItsOwnKeys) {
  test::TempDir dir;
  std::string path = dir / "game.ini";
  test::WriteFile(path, "[Sound]\r\nDirectSound=1\r\nDelayTime=1234\r\n[Video]\r\nUseWMP=1\r\n");
  {
    TFormConfig form(path);
    EXPECT_TRUE(form.Running());
    EXPECT_TRUE(form.DirectSound());
    EXPECT_FALSE(form.DelayEnabled());
    EXPECT_EQ(form.Position(), 5);  // 12, clamped by the track bar
    EXPECT_EQ(form.ValueLabel(), "500ms");
    form.ClickDirectSound();
    EXPECT_TRUE(form.DelayEnabled());
    form.SetPosition(2);
    EXPECT_EQ(form.ValueLabel(), "200ms");
    form.SetPosition(0);
    EXPECT_EQ(form.Position(), 1);
    form.SetPosition(9);
    EXPECT_EQ(form.Position(), 5);
    form.SetPosition(3);
    form.Cancel();
    EXPECT_FALSE(form.Running());
  }
  // Cancel wrote nothing.
  EXPECT_EQ(test::ReadFile(path), "[Sound]\r\nDirectSound=1\r\nDelayTime=1234\r\n[Video]\r\nUseWMP=1\r\n");
  {
    TFormConfig form(path);
    form.SetPosition(3);  // the track bar moves even while it is shown disabled; OK still writes the delay
    EXPECT_TRUE(form.Ok());
    EXPECT_FALSE(form.Running());
  }
  EXPECT_EQ(test::ReadFile(path), "[Sound]\r\nDirectSound=1\r\nDelayTime=300\r\n[Video]\r\nUseWMP=1\r\n");

  // Without a file: the defaults, and OK creates the file with the two keys only.
  std::string fresh = dir / "fresh.ini";
  TFormConfig form(fresh);
  EXPECT_TRUE(form.DirectSound());
  EXPECT_EQ(form.Position(), 5);
  form.ClickDirectSound();
  form.Ok();
  EXPECT_EQ(test::ReadFile(fresh), "[Sound]\r\nDirectSound=0\r\nDelayTime=500\r\n");
  // DelayTime 50 shows position 1 (0, clamped).
  test::WriteFile(fresh, "[Sound]\r\nDelayTime=50\r\n");
  EXPECT_EQ(TFormConfig(fresh).Position(), 1);

  // The player's audio settings are written once they leave their defaults, and kept written after that.
  {
    TFormConfig audio(fresh);
    EXPECT_TRUE(audio.MuteWhenInactive());
    EXPECT_EQ(audio.Volume(), 100);
    audio.ClickMuteWhenInactive();
    audio.SetVolume(130);
    EXPECT_EQ(audio.Volume(), 100);
    audio.SetVolume(40);
    EXPECT_EQ(audio.VolumeLabel(), "40%");
    audio.Ok();
  }
  EXPECT_EQ(test::ReadFile(fresh),
            "[Sound]\r\nDelayTime=100\r\nDirectSound=1\r\nMasterVolume=40\r\nMuteWhenInactive=0\r\n");
  {
    TFormConfig audio(fresh);
    EXPECT_FALSE(audio.MuteWhenInactive());
    EXPECT_EQ(audio.Volume(), 40);
    audio.ClickMuteWhenInactive();
    audio.SetVolume(100);
    audio.Ok();
  }
  EXPECT_EQ(test::ReadFile(fresh),
            "[Sound]\r\nDelayTime=100\r\nDirectSound=1\r\nMasterVolume=100\r\nMuteWhenInactive=1\r\n");
}

TEST(ConfigDialogView, MouseAndKeysDriveTheDialog) {
  test::TempDir dir;
  std::string path = dir / "game.ini";
  TFormConfig form(path);
  THeadlessWindow window;
  window.Create("x", TConfigDialogView::kClientWidth, TConfigDialogView::kClientHeight);
  TConfigDialogView view(form, window);
  auto click = [&](int32_t x, int32_t y) {
    TInputEvent e;
    e.Kind = TInputKind::MouseDown;
    e.X = x;
    e.Y = y;
    view.HandleEvent(e);
    e.Kind = TInputKind::MouseUp;
    view.HandleEvent(e);
  };
  auto key = [&](uint32_t vk) {
    TInputEvent e;
    e.Kind = TInputKind::KeyDown;
    e.Key = vk;
    view.HandleEvent(e);
  };
  // The track bar does not move while DirectSound is selected.
  key(0x25);
  EXPECT_EQ(form.Position(), 5);
  click(TConfigDialogView::kTrackBar.Left + 14, TConfigDialogView::kTrackBar.Top + 10);
  EXPECT_EQ(form.Position(), 5);
  click(TConfigDialogView::kCheckBox.Left + 5, TConfigDialogView::kCheckBox.Top + 5);
  EXPECT_FALSE(form.DirectSound());
  click(TConfigDialogView::kTrackBar.Left + 12, TConfigDialogView::kTrackBar.Top + 10);
  EXPECT_EQ(form.Position(), 1);
  key(0x27);
  EXPECT_EQ(form.Position(), 2);
  EXPECT_EQ(TConfigDialogView::PositionAt(TConfigDialogView::kTrackBar.Right), 5);
  EXPECT_GT(window.PresentCount(), 0);
  click(TConfigDialogView::kOkButton.Left + 10, TConfigDialogView::kOkButton.Top + 10);
  EXPECT_FALSE(form.Running());
  EXPECT_EQ(test::ReadFile(path), "[Sound]\r\nDirectSound=0\r\nDelayTime=200\r\n");

  // The audio settings: the mute box and Alt+M, the volume bar in steps of 10 % and the up and down keys.
  TFormConfig audio(path);
  TConfigDialogView audio_view(audio, window);
  auto send = [&](TInputKind kind, int32_t x, int32_t y) {
    TInputEvent e;
    e.Kind = kind;
    e.X = x;
    e.Y = y;
    audio_view.HandleEvent(e);
  };
  send(TInputKind::MouseDown, TConfigDialogView::kMuteBox.Left + 5, TConfigDialogView::kMuteBox.Top + 5);
  EXPECT_FALSE(audio.MuteWhenInactive());
  TInputEvent alt_m;
  alt_m.Kind = TInputKind::KeyDown;
  alt_m.Key = 0x4D;
  alt_m.Alt = true;
  audio_view.HandleEvent(alt_m);
  EXPECT_TRUE(audio.MuteWhenInactive());
  const int32_t bar_y = TConfigDialogView::kVolumeBar.Top + 10;
  send(TInputKind::MouseDown, TConfigDialogView::kVolumeBar.Left + 12, bar_y);
  EXPECT_EQ(audio.Volume(), 0);
  send(TInputKind::MouseMove, TConfigDialogView::kVolumeBar.Right, bar_y);  // dragged to the end
  send(TInputKind::MouseUp, TConfigDialogView::kVolumeBar.Right, bar_y);
  EXPECT_EQ(audio.Volume(), 100);
  send(TInputKind::MouseMove, TConfigDialogView::kVolumeBar.Left + 12, bar_y);  // released: no longer dragged
  EXPECT_EQ(audio.Volume(), 100);
  TInputEvent down;
  down.Kind = TInputKind::KeyDown;
  down.Key = 0x28;
  audio_view.HandleEvent(down);
  EXPECT_EQ(audio.Volume(), 90);
  // Half way along the channel (12 pixels in from either end of the bar) is half the volume.
  EXPECT_EQ(TConfigDialogView::VolumeAt((TConfigDialogView::kVolumeBar.Left + TConfigDialogView::kVolumeBar.Right) / 2),
            50);
  audio.Cancel();

  // Escape cancels.
  TFormConfig second(path);
  TConfigDialogView view2(second, window);
  TInputEvent esc;
  esc.Kind = TInputKind::KeyDown;
  esc.Key = 0x1B;
  view2.HandleEvent(esc);
  EXPECT_FALSE(second.Running());
}

}  // namespace
}  // namespace velk

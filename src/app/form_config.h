#pragma once
// The configuration dialog ("/config"): edits the DirectSound switch and the sound delay in game.ini, and the
// player's own audio settings: the master volume and muting while the window has not the focus. This is its
// state and behaviour; TConfigDialogView shows it in a window.
#include <cstdint>
#include <string>

#include "app/ini_file.h"

namespace velk {

class TFormConfig {
 public:
  // Captions (UTF-8); "&" marks the accelerator letter.
  static constexpr const char* kCaption = "動作設定";
  static constexpr const char* kDirectSoundCaption = "DirectSoundを使用する(&S)";
  static constexpr const char* kDelayCaption = "サウンドの遅延時間(&D)：";
  static constexpr const char* kOkCaption = "OK";
  static constexpr const char* kCancelCaption = "キャンセル";
  static constexpr int32_t kMinPosition = 1;
  static constexpr int32_t kMaxPosition = 5;
  static constexpr const char* kMuteCaption = "非アクティブ時に消音する(&M)";
  static constexpr const char* kVolumeCaption = "音量(&V)：";
  static constexpr int32_t kVolumeStep = 10;

  // Create: sets the running flag and reads game.ini at that path (a missing file gives the defaults).
  explicit TFormConfig(const std::string& ini_path);

  bool Running() const { return running_; }
  // The settings file (a disk path).
  const std::string& IniPath() const { return ini_.Path(); }
  bool DirectSound() const { return direct_sound_; }
  // The delay label, the track bar and the value label are enabled exactly when DirectSound is off.
  bool DelayEnabled() const { return !direct_sound_; }
  int32_t Position() const { return position_; }
  // "%dms" of position * 100.
  std::string ValueLabel() const;

  void ClickDirectSound();
  // Track bar change; the position is kept inside 1 .. 5.
  void SetPosition(int32_t position);
  // OK writes DirectSound and DelayTime (position * 100), MasterVolume and MuteWhenInactive when they are stored
  // already or differ from their defaults, and saves; both close the dialog. False when the file could
  // not be written (the dialog still closes).
  bool Ok();
  void Cancel() { running_ = false; }

  bool MuteWhenInactive() const { return mute_when_inactive_; }
  void ClickMuteWhenInactive() { mute_when_inactive_ = !mute_when_inactive_; }
  // Percent, kept inside 0 .. 100.
  int32_t Volume() const { return volume_; }
  void SetVolume(int32_t percent);
  // "%d%%" of the volume.
  std::string VolumeLabel() const;

 private:
  TIniFile ini_;
  bool running_ = true;
  bool direct_sound_ = true;
  int32_t position_ = 5;
  bool mute_when_inactive_ = true;
  int32_t volume_ = 100;
};

}  // namespace velk

#pragma once
// The player's own keys, around the game: Print Screen saves the game's screen (unscaled) as a PNG picture in the
// user's pictures folder, Alt+F switches fast-forward on and off. Only keys that never reached games take part (Print
// Screen, and combinations with Alt), so every key a game reads still reaches it. The window title says what
// happened: fast-forward while it is on, and a short note after a screenshot.
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace velk {

class TFormView;
class TSpeedClock;

constexpr uint32_t VK_SNAPSHOT = 0x2C;  // Print Screen
constexpr uint32_t VK_F_LETTER = 0x46;  // F (with Alt: fast-forward)

// How long the note after a screenshot stays in the title, ms.
constexpr uint32_t kTitleNoteMs = 3000;

// A name that is safe as one file-name component: no path delimiters, control characters or leading dots; empty
// names become "game".
std::string SafeFileName(const std::string& name_utf8);

// The folder screenshots of the game go to: $XDG_PICTURES_DIR, else ~/Pictures, and in it a folder named after the
// game. With a trailing "/".
std::string PicturesFolder(const std::string& game_name_utf8);

class TPlayerKeys {
 public:
  // base_speed: the run's own speed (--speed); fast-forward switches between it and 8.
  TPlayerKeys(TFormView& form, TSpeedClock& speed, int32_t base_speed, std::string title_utf8);

  // The form's key hook: true when the key is the player's.
  bool HandleKey(const TInputEvent& event);
  // Writes the game's screen into the pictures folder; returns the file's path (empty when nothing was written: no
  // screen, or the file could not be written; the title says so).
  std::string SaveScreenshot();
  void ToggleFastForward();
  bool FastForward() const { return fast_forward_; }
  // Called now and then with a real-time clock: removes the screenshot note from the title once it is old.
  void Idle(uint32_t now_ms);
  // The time the next note is stamped with (the real clock of Idle).
  void SetNow(uint32_t now_ms) { now_ = now_ms; }
  std::string Caption() const;

 private:
  void update_caption();

  TFormView& form_;
  TSpeedClock& speed_;
  int32_t base_speed_;
  std::string title_;
  std::string note_;
  uint32_t note_time_ = 0;
  uint32_t now_ = 0;
  bool fast_forward_ = false;
  // A taken key may still type its letter (Alt+F types "f" on some systems): the text right after it is dropped.
  bool drop_text_ = false;
};

}  // namespace velk

#pragma once
// The player's own state behind the system variables that later layers own (mouse, keys, clock, display modes,
// fonts, MIDI ports, the call stack, the history). The scene, media and interpreter layers derive from it and
// override what they own. The base class answers with these defaults:
//   clicks, buttons, wheel, keys, full screen, dithering: false; sound: true (writes are remembered);
//   mouse position 0, 0 (writes are remembered); screen 640 x 480; game clock, frame count, history count,
//   parameter count, stack depth, display modes: 0 (display mode index -1, writes remembered); history capacity
//   100 (writable); texts empty (the focused component and the MIDI port remember writes); no MIDI ports;
//   system milliseconds from the steady clock; local date and time from the system; no call-frame result.
#include <cstdint>
#include <ctime>
#include <string>

namespace velk {

class TCustomParam;

class TVarHost {
 public:
  virtual ~TVarHost() = default;

  virtual bool LClick() { return lclick_; }
  virtual void SetLClick(bool b) { lclick_ = b; }
  virtual bool RClick() { return rclick_; }
  virtual void SetRClick(bool b) { rclick_ = b; }
  virtual bool LPush() { return false; }
  virtual bool RPush() { return false; }
  virtual bool WheelDown() { return false; }
  virtual bool WheelUp() { return false; }
  // The cursor in the active base; writing moves the cursor.
  virtual int32_t MouseX() { return mouse_x_; }
  virtual int32_t MouseY() { return mouse_y_; }
  virtual void SetMouseX(int32_t x) { mouse_x_ = x; }
  virtual void SetMouseY(int32_t y) { mouse_y_ = y; }
  // Key states by virtual-key code, 0 .. 257.
  virtual bool KeyPush(int32_t key) { return false; }
  virtual bool KeyClick(int32_t key) { return false; }
  virtual bool KeyRepeat(int32_t key) { return false; }

  virtual int32_t HistoryCount() { return 0; }
  virtual int32_t HistoryMaxCount() { return history_max_; }
  virtual void SetHistoryMaxCount(int32_t n) { history_max_ = n; }
  // The parameters of the current call.
  virtual int32_t ParamCount() { return 0; }
  virtual std::string ParamStr(int32_t i) { return {}; }
  virtual std::string Sender() { return {}; }
  virtual int32_t StackCount() { return 0; }
  // The current call frame's result value, or null.
  virtual TCustomParam* ResultValue() { return nullptr; }

  virtual int32_t ScrWidth() { return 640; }
  virtual int32_t ScrHeight() { return 480; }
  virtual std::string Title() { return {}; }
  virtual int32_t TickCount() { return 0; }
  virtual int32_t PCTickCount();
  virtual int32_t UpdateCount() { return 0; }
  virtual std::tm LocalTime();

  virtual std::string Fonts() { return {}; }
  virtual std::string FixedFonts() { return {}; }
  virtual bool FullScr() { return full_screen_; }
  virtual void SetFullScr(bool b) { full_screen_ = b; }
  virtual bool CGDither() { return dither_; }
  virtual void SetCGDither(bool b) { dither_ = b; }
  virtual int32_t DisplayModeCount() { return 0; }
  virtual int32_t DisplayModeIndex() { return display_mode_; }
  virtual void SetDisplayModeIndex(int32_t i) { display_mode_ = i; }
  virtual bool SoundON() { return sound_on_; }
  virtual void SetSoundON(bool b) { sound_on_ = b; }
  // The focused component; writing focuses the named component when it exists, is enabled and visible.
  virtual std::string ActiveCompo() { return active_compo_; }
  virtual void SetActiveCompo(const std::string& name) { active_compo_ = name; }
  virtual std::string MidiPort() { return midi_port_; }
  virtual void SetMidiPort(const std::string& name) { midi_port_ = name; }
  virtual int32_t MidiPortCount() { return 0; }
  virtual std::string MidiPortName(int32_t i) { return {}; }

 private:
  bool lclick_ = false;
  bool rclick_ = false;
  int32_t mouse_x_ = 0;
  int32_t mouse_y_ = 0;
  int32_t history_max_ = 100;
  bool full_screen_ = false;
  bool dither_ = false;
  int32_t display_mode_ = -1;
  bool sound_on_ = true;
  std::string active_compo_;
  std::string midi_port_;
};

}  // namespace velk

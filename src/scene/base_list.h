#pragma once
// The scene: two bases, every registered object, deferred deletion, the event queue, the keyboard state and focus,
// and the mouse routing of the active base. The frame loop calls ProcessInput, then the interpreter, then UpdateAll,
// and on drawn frames DrawAll, after which the active base's changed rectangles are presented and cleared.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gfx/custom_wipe.h"
#include "scene/scene_random.h"
#include "scene/scene_services.h"
#include "scene/timer_list.h"
#include "scene/velk_base.h"

namespace velk {

class TDIBX;

class TVelkBaseList : public TVelkComponent {
 public:
  TVelkBaseList();
  ~TVelkBaseList() override;

  bool AutoName() const override { return false; }

  // Registration. Adopt names the object automatically (when its AutoName says so), registers it at the end of the
  // object list and returns it.
  TVelkObject* Adopt(std::unique_ptr<TVelkObject> object);
  template <class T> T* New() { return static_cast<T*>(Adopt(std::make_unique<T>(this))); }
  // The factory: the class of a type code (masked with 0x7F) in this scene, or null for codes without a class.
  TVelkObject* CreateComponent(uint8_t code);
  // A fresh handle for an object being constructed in this scene.
  TObjectHandle TakeSerial() { return TObjectHandle{next_serial_++}; }
  // The object of a handle while it is registered (bases included), else null.
  TVelkObject* Resolve(TObjectHandle handle) const;
  bool IsRegistered(const TVelkObject* object) const { return object && Resolve(object->Handle()) == object; }
  // Destroys at once: children first, then the object; it leaves its parent, the focus and the mouse targets, and
  // its waiting events are dropped. During the update step the object's slot stays empty until the step ends, so
  // no other object misses its update.
  void DestroyObject(TVelkObject* object);
  // Deletion by script: the name is cleared at once, the object is destroyed at the end of the update step.
  void ScheduleDelete(TVelkObject* object);

  // Lookup.
  TVelkObject* FindObject(const std::string& name) const;
  TVelkControl* FindParent(const std::string& name) const;
  TVelkBase* BaseAt(int32_t i) const { return i == 0 ? base0_.get() : i == 1 ? base1_.get() : nullptr; }
  TVelkBase* ActiveBaseObject() const { return BaseAt(ActiveBase); }
  TVelkBase* InactiveBaseObject() const { return BaseAt(1 - ActiveBase); }
  std::string UniqueName(const std::string& prefix) const;
  int32_t IndexOfName(const std::string& name) const;
  int32_t ObjectCount() const { return static_cast<int32_t>(objects_.size()); }
  // The object at index, null out of range (and for a slot emptied during the update step).
  TVelkObject* ObjectAt(int32_t i) const;
  int32_t ListNames(std::vector<std::string>& list, uint8_t code, const TVelkObject* parent) const;

  // Size of the screen; both bases follow.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetSize(int32_t width, int32_t height);

  // The three per-frame steps. elapsed_ms is the frame's time, used by key repeat and by the objects' updates
  // (FrameMs).
  void ProcessInput(int32_t elapsed_ms);
  int32_t FrameMs() const { return frame_ms_; }
  // A scene that takes no input of its own (a cinema's) gets its frame time from the scene it lives in.
  void SetFrameMs(int32_t elapsed_ms) { frame_ms_ = elapsed_ms; }
  void UpdateAll();
  void DrawAll();
  // The composed screen and the rectangles of it that changed since the last ClearDirty.
  TDIBX* PresentationSurface() const { return surface_.get(); }
  std::vector<TRect> ChangedRects() const;
  void ClearDirty();

  // Sets the active base and starts (type not 0) or ends a transition; option is the transition's reverse flag.
  void Flip(int32_t active, uint8_t type, int32_t option, bool reset, int32_t elapsed, int32_t duration);
  int32_t TransitionDuration() const { return transition_ ? transition_->Duration : 0; }
  void SetTransitionElapsed(int32_t elapsed);
  bool TransitionRunning() const { return transition_ != nullptr; }
  // The running transition, for its caller to set its parameters and rule file and prepare it; null without one.
  TCustomWipe* Transition() const { return transition_.get(); }
  // The area the transition changed in the last draw step; empty without a transition.
  TRect TransitionRect() const { return transition_rect_; }
  // Empties the scene: new bases, no objects, no events.
  void Reset();

  // What the window feeds in.
  void MouseMoveTo(int32_t x, int32_t y);
  void MouseButtonDown(bool left);
  void MouseButtonUp();
  void WheelStep(bool down);

  // Keyboard state; codes outside 0 .. 255 are ignored.
  void SetKey(int32_t code, bool down);
  void SetKeyPressed(int32_t code, bool value);
  bool KeyIsDown(int32_t code) const;
  bool KeyWasPressed(int32_t code) const;
  bool KeyWasRepeated(int32_t code) const;
  void ClearKeys();
  const std::vector<int32_t>& KeysDown() const { return keys_down_; }
  const std::vector<int32_t>& KeysUp() const { return keys_up_; }
  const std::vector<int32_t>& KeysRepeated() const { return keys_repeated_; }

  TVelkControl* Focus() const;
  // Typed text (code page 932) goes to the focus.
  void TextInput(const std::string& text);
  void SetFocus(TVelkControl* control);
  // Choose a new focus at the next input step.
  void MarkFocusDirty() { focus_dirty_ = true; }
  bool FocusDirty() const { return focus_dirty_; }

  bool SoundOn() const { return sound_on_; }
  // The media managers are told through this hook when the switch changes.
  void SetSoundOn(bool on);
  std::function<void(bool)> OnSoundSwitch;

  // Controls that close on a right click register here on creation and leave on destruction.
  void AddRightClickCloser(TVelkControl* control);
  void RemoveRightClickCloser(TVelkControl* control);

  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // The image cache's dither mode (system variable "@CGDither"): a change decodes the cached pictures again,
  // hands every control its new frames and redraws both bases whole.
  int32_t DitherMode() const { return dither_mode_; }
  void SetDitherMode(int32_t mode);

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0) override;

  TTimerList Events;
  TSceneServices Services;
  // The one generator the scene's effects draw their random numbers from.
  TSceneRandom Random;
  int32_t ActiveBase = 0;
  uint8_t TransitionType = 0;
  int32_t DisplayScale = 100;
  // What transitions reach: rule images (read through Services.Images when not set), random numbers and the
  // default centre of the zoom transition.
  TWipeServices Wipes;

  // The largest screen side a save record may ask for: three surfaces of that size are allocated on load.
  static constexpr int32_t kMaxScreenSide = 4096;

 private:
  void CreateBases();
  void DestroyAllObjects();
  void RouteMouse(TVelkBase& base);
  void UnregisterTree(TVelkObject* object);
  std::unique_ptr<TVelkObject> TakeObject(TVelkObject* object);
  void FocusAfterFlip();
  void StartTransition(uint8_t type, int32_t option, int32_t duration);
  std::unique_ptr<TDIBX> LoadRuleImage(const std::string& name);
  // The cursor over the mouse routing's target: its cursor file, else the default one (Services).
  void ShowCursorOf(TVelkBase& base, const TVelkControl& target);

  std::unique_ptr<TVelkBase> base0_, base1_;
  int32_t width_ = 0, height_ = 0;
  std::unique_ptr<TDIBX> surface_;
  std::unique_ptr<TCustomWipe> transition_;
  TRect transition_rect_;
  std::vector<std::unique_ptr<TVelkObject>> objects_;
  std::vector<TObjectHandle> pending_delete_;
  std::vector<TObjectHandle> right_click_closers_;
  std::unordered_map<uint64_t, TVelkObject*> registry_;
  uint64_t next_serial_ = 1;
  bool updating_ = false;
  int32_t frame_ms_ = 0;
  int32_t update_index_ = 0;

  std::array<uint8_t, 256> key_held_{}, key_pressed_{}, key_pressed_prev_{}, key_repeated_{}, key_repeated_prev_{};
  std::array<int32_t, 256> repeat_timer_{};
  bool sound_on_ = true;
  int32_t dither_mode_ = 0;
  // The window shows the custom cursor slot (else the default arrow).
  bool custom_cursor_ = false;
  TObjectHandle focus_;
  bool focus_dirty_ = false;
  bool key_down_flag_ = false, key_up_flag_ = false, key_repeat_flag_ = false;
  std::vector<int32_t> keys_down_, keys_up_, keys_repeated_;

  friend class TVelkObject;
};

}  // namespace velk

#pragma once
// The root of every scene object: name, tag, priority, the scene that registered it, the property interface and
// the save record. Objects are owned by their scene list; anyone who keeps a reference across frames keeps a
// TObjectHandle, which the scene resolves to the object or to nothing once the object has been destroyed.
#include <cstdint>
#include <string>
#include <vector>

#include "scene/props.h"

namespace velk {

class TStream;
class TVelkBaseList;
class TVelkParser;
class TVelkControl;
class TVelkBase;

// A reference to a scene object that detects its destruction. Serial 0 is no object.
struct TObjectHandle {
  uint64_t Serial = 0;
  explicit operator bool() const { return Serial != 0; }
  friend bool operator==(const TObjectHandle&, const TObjectHandle&) = default;
};

// The expressions a creating command hands to the component before it applies the properties, for classes that
// evaluate them again later: an image keeps PR_DELAY (added to the time of its last frame); a particle emitter keeps
// PR_APPEARX, PR_APPEARY and PR_DELAY (position of a new particle and the time to the next). A null pointer is an
// expression the command's page does not store. The component copies what it keeps (TVelkParser::Assign).
struct TCreationExpressions {
  const TVelkParser* AppearX = nullptr;
  const TVelkParser* AppearY = nullptr;
  const TVelkParser* Delay = nullptr;
};

// The deepest nesting of controls a save record may hold; deeper data is refused as damaged.
constexpr int32_t kMaxSaveDepth = 64;

class TVelkObject {
 public:
  explicit TVelkObject(TVelkBaseList* owner);
  virtual ~TVelkObject() = default;
  TVelkObject(const TVelkObject&) = delete;
  TVelkObject& operator=(const TVelkObject&) = delete;

  TVelkBaseList* Owner() const { return owner_; }
  TObjectHandle Handle() const { return handle_; }
  const std::string& Name() const { return name_; }
  // Renames with the conflict rule of components: another object holding the name is scheduled for deletion.
  virtual void SetName(const std::string& name);
  int32_t Priority() const { return priority_; }
  int32_t MotionPriority() const { return motion_priority_; }
  virtual void SetPriority(int32_t value);
  virtual void SetMotionPriority(int32_t value);

  std::string Tag;

  // The type code saved in front of the record; 0 for classes that are never saved on their own.
  virtual uint8_t ComponentType() const { return VT_NONE; }
  virtual TVelkControl* AsControl() { return nullptr; }
  virtual const TVelkControl* AsControl() const { return nullptr; }
  virtual TVelkBase* AsBase() { return nullptr; }
  virtual const TVelkBase* AsBase() const { return nullptr; }

  // Property access: true when this class implements the read or the write. A false read leaves the table default.
  virtual bool GetProp(int32_t id, TPropValue& value) const;
  virtual bool SetProp(int32_t id, const TPropValue& value);
  // The handler stored in an event property, empty when the class has none.
  std::string Handler(int32_t id) const;

  // One frame of progress; true means the object has finished and is to be destroyed.
  virtual bool Update() { return false; }
  // PR_PAUSED.
  virtual bool Paused() const { return false; }
  // True while the object queues no events.
  virtual bool EventsBlocked() const { return false; }
  virtual bool InCabinet() const { return false; }
  // Whether the scene gives the object the name "object" and a number when it is registered.
  virtual bool AutoName() const { return true; }
  virtual void ReleaseSurfaces() {}
  virtual void RestoreSurfaces() {}

  // What the component commands use beyond the properties.
  virtual void TakeCreationExpressions(const TCreationExpressions&) {}
  // An image whose size follows its picture (size pending) takes it now, before its position is applied.
  virtual void TakeSizeFromSource() {}
  // The play state of sounds, videos and menus: sounds and videos 0 at once, 1 play (with fade-in), 2 release,
  // 3 stop and vanish (fade out); menus 1 open, 3 close.
  virtual int32_t PlayState() const { return 0; }
  virtual void SetPlayState(int32_t) {}
  // Starts playing from the beginning (sounds, videos).
  virtual void Play() {}

  // The save record. Loading treats the stream as hostile; depth counts the enclosing controls.
  virtual void SaveToStream(TStream& s) const;
  virtual void LoadFromStream(TStream& s, int32_t version, int32_t depth = 0);

  bool IsPendingDelete() const { return pending_delete_; }

 protected:
  // Assigns a name without the conflict rule (renames of other objects, loading).
  static void AssignName(TVelkObject& object, std::string name) { object.name_ = std::move(name); }
  // Queues an event of this object with its own handler for the id, when the handler is not empty and the events are
  // not blocked; with unique set, also only when no record of this object and id is queued. True when queued.
  bool QueueOwnEvent(int32_t id, const std::vector<std::string>& args = {}, bool unique = true);

 private:
  friend class TVelkBaseList;
  TVelkBaseList* owner_;
  TObjectHandle handle_;
  std::string name_;
  int32_t priority_ = 0;
  int32_t motion_priority_ = 0;
  bool pending_delete_ = false;
};

// Any object that belongs to a scene.
class TVelkComponent : public TVelkObject {
 public:
  using TVelkObject::TVelkObject;
};

// True for names internal to the scene (bases and transient objects): they begin with the byte 0x01.
inline bool IsInternalName(const std::string& name) { return !name.empty() && name[0] == '\x01'; }

}  // namespace velk

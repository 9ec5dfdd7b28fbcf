#include "script/component_commands.h"

#include "script/page.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

TComComponent::TComComponent(TComList* owner, uint8_t code) : TCommand(owner) {
  TPage* page = Page();
  if (page == nullptr) return;
  const TPropMask& mask = page->Masks[code];
  for (int32_t p = 0; p < kPropertyCount; ++p) {
    if (MaskHas(mask, p)) Props[static_cast<size_t>(p)] = std::make_unique<TVelkParser>();
  }
}

void TComComponent::StoreFields(TComFields& f) {
  for (int32_t p = 0; p < kPropertyCount; ++p) {
    if (Props[static_cast<size_t>(p)]) f.Property(p, *Props[static_cast<size_t>(p)]);
  }
}

void TComCabinet::StoreFields(TComFields& f) {
  TComControl::StoreFields(f);
  f.Expr("mode", Mode);
  f.ExprList("names", Names);
}

void TComFlip::StoreFields(TComFields& f) {
  f.Expr("type", Type);
  f.Expr("time", Time);
  f.Expr("reverse", Reverse);
  f.Expr("carry", CarryMode);
  f.ExprList("names", CarryNames);
  f.Expr("clear", ClearOld);
  f.Expr("param1", Param1);
  f.Expr("param2", Param2);
  if (f.Version() > 100) f.Expr("rule", RuleName);
  if (f.Version() > 106) f.Expr("noevents", NoEvents);
}

void TComFlip::SaveState(TStream& s) {
  WriteStateTag(s);
  WriteBool(s, NoEventsValue);
  WriteBool(s, ClearOldValue);
}

void TComFlip::RestoreState(TStream& s) {
  if (ReadStateTag(s) < 100) return;
  NoEventsValue = ReadByteExact(s) != 0;
  ClearOldValue = ReadByteExact(s) != 0;
}

void TComTextIns::StoreFields(TComFields& f) {
  f.Data("text", Text);
  f.Expr("window", Window);
  f.Expr("read", ReadTracking);
  f.Expr("wait", Wait);
  if (f.Version() > 106) f.Expr("noevents", NoEvents);
}

namespace {

// The state of the commands that wait for a named object: tag, name, wait flag, no-events flag.
void save_target_state(TStream& s, const std::string& name, bool wait, bool no_events) {
  WriteStateTag(s);
  WriteString(s, name);
  WriteBool(s, wait);
  WriteBool(s, no_events);
}

void restore_target_state(TStream& s, std::string& name, bool& wait, bool& no_events) {
  if (ReadStateTag(s) < 100) return;
  name = ReadStringExact(s);
  wait = ReadByteExact(s) != 0;
  no_events = ReadByteExact(s) != 0;
}

}  // namespace

void TComTextIns::SaveState(TStream& s) { save_target_state(s, TargetName, WaitValue, NoEventsValue); }
void TComTextIns::RestoreState(TStream& s) { restore_target_state(s, TargetName, WaitValue, NoEventsValue); }

void TComMovieStop::StoreFields(TComFields& f) {
  f.Expr("object", ObjectName);
  f.Expr("fade", Fade);
  f.Expr("wait", Wait);
  if (f.Version() > 106) f.Expr("noevents", NoEvents);
}

void TComMovieStop::SaveState(TStream& s) { save_target_state(s, TargetName, WaitValue, NoEventsValue); }
void TComMovieStop::RestoreState(TStream& s) { restore_target_state(s, TargetName, WaitValue, NoEventsValue); }

void TComPropMotion::StoreFields(TComFields& f) {
  f.Expr("name", Name);
  f.Expr("object", Target);
  f.Expr("property", PropId);
  f.Expr("value", Goal);
  f.Expr("duration", Duration);
  f.Expr("curve", Curve);
  if (f.Version() > 107) f.Expr("paused", Paused);
}

}  // namespace velk

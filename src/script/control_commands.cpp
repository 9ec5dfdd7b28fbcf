#include "script/control_commands.h"

#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

void TComJump::StoreFields(TComFields& f) {
  f.String("page", PageName);
  f.Int("target", Target);
  f.Expr("condition", Condition);
}

void TComCall::StoreFields(TComFields& f) {
  f.String("page", PageName);
  f.Int("target", Target);
  f.String("result", ReturnVar);
  f.Expr("condition", Condition);
  f.ExprList("args", Args);
}

void TComWait::StoreFields(TComFields& f) {
  f.Expr("condition", Condition);
  f.Expr("time", Time);
  if (f.Version() > 106) f.Expr("noevents", NoEvents);
}

void TComWait::SaveState(TStream& s) {
  WriteStateTag(s);
  WriteInt(s, Remaining);
  WriteInt(s, FirstFrame);
  WriteBool(s, NoEventsValue);
}

void TComWait::RestoreState(TStream& s) {
  if (ReadStateTag(s) < 100) return;
  Remaining = ReadIntExact(s);
  FirstFrame = ReadIntExact(s);
  NoEventsValue = ReadByteExact(s) != 0;
}

void TComVarNew::StoreFields(TComFields& f) {
  f.String("name", VarName);
  f.Byte("type", VarType);
  f.Expr("value", Value);
  f.Byte("scope", Scope);
}

void TComGetProp::StoreFields(TComFields& f) {
  f.Expr("object", ObjectName);
  f.Expr("property", PropId);
  f.String("variable", TargetVar);
}

void TComSetProp::StoreFields(TComFields& f) {
  f.Expr("object", ObjectName);
  f.Expr("property", PropId);
  f.Expr("value", Value);
}

void TComCallHist::StoreFields(TComFields& f) {
  f.Expr("window", Window);
  f.Expr("first", First);
  f.Expr("count", Count);
  f.Expr("layout", Layout);
  if (f.Version() > 110) f.Expr("format", Format);
}

void TComWhile::StoreFields(TComFields& f) {
  f.Expr("condition", Condition);
  f.Int("exit", ExitIndex);
}

void TComWhileLoop::StoreFields(TComFields& f) {
  TComWhileInit::StoreFields(f);
  f.Int("loop", LoopIndex);
}

void TComBreak::StoreFields(TComFields& f) {
  TComExit::StoreFields(f);
  f.Int("target", Target);
}

void TComContinue::StoreFields(TComFields& f) {
  TComExit::StoreFields(f);
  f.Int("target", Target);
}

void TComGameSave::StoreFields(TComFields& f) {
  f.Expr("slot", Slot);
  f.String("page", ResumePage);
  if (f.Version() > 104) f.Int("index", ResumeIndex);
  f.Expr("title", Title);
}

void TComPCReset::StoreFields(TComFields& f) {
  f.String("page", PageName);
  f.Int("target", Target);
  f.Byte("clearall", ClearAll);
}

void TComEntryHist::StoreFields(TComFields& f) {
  f.Expr("object", ObjectName);
  if (f.Version() > 110) f.Expr("format", Format);
}

}  // namespace velk

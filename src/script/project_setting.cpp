#include "script/project_setting.h"

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// The smallest variable definition: a type byte and an empty name.
constexpr int64_t kMinVarSize = 5;

bool known_type(uint8_t type) { return type >= 1 && type <= 4; }

void read_value(TStream& s, TProjectVar& var) {
  switch (var.Type) {
    case 1: var.IntValue = ReadIntExact(s); break;
    case 2: var.FloatValue = ReadExtendedExact(s); break;
    case 3: var.BoolValue = ReadByteExact(s) != 0; break;
    case 4: var.StrValue = ReadStringExact(s); break;
    default: break;  // nothing follows an unknown type code
  }
}

void write_value(TStream& s, const TProjectVar& var) {
  switch (var.Type) {
    case 1: WriteInt(s, var.IntValue); break;
    case 2: WriteExtended(s, var.FloatValue); break;
    case 3: WriteBool(s, var.BoolValue); break;
    case 4: WriteString(s, var.StrValue); break;
    default: break;
  }
}

}  // namespace

void TProjectSetting::LoadFromStream(TStream& s) {
  *this = TProjectSetting();
  Version = ReadIntExact(s);
  if (Version > kMaxVersion) throw EVelkError(Utf8ToCp932("このバージョンには対応していません"));
  Title = ReadStringExact(s);
  ScreenWidth = ReadIntExact(s);
  ScreenHeight = ReadIntExact(s);
  FullScreenWidth = ReadIntExact(s);
  FullScreenHeight = ReadIntExact(s);
  StartPage = ReadStringExact(s);
  if (Version >= 110) ExitPage = ReadStringExact(s);
  RegistryKey = ReadStringExact(s);
  IdCode = ReadIntExact(s);
  if (Version >= 104) SaveEnabled = ReadByteExact(s) != 0;
  if (Version >= 106) IdleFlag = ReadByteExact(s);
  if (Version >= 109) MediaExtensions = ReadStringExact(s);
  if (Version >= 113) PauseWhenInactive = ReadByteExact(s) != 0;
  if (Version >= 114) ReservedFlag = ReadByteExact(s);
  DiscPrompt = ReadStringExact(s);
  QuitText = ReadStringExact(s);
  const int32_t count = ReadCount(s, kMinVarSize);
  for (int32_t i = 0; i < count; ++i) {
    TProjectVar var;
    var.Type = ReadByteExact(s);
    var.Name = ReadStringExact(s);
    read_value(s, var);
    // A definition of an unknown type carries no value and cannot make a variable: it is skipped.
    if (known_type(var.Type)) Variables.push_back(std::move(var));
  }
  NeedBytes(s, 4);
  DiscMap.LoadFromStream(s);
}

void TProjectSetting::SaveToStream(TStream& s) const {
  WriteInt(s, Version);
  WriteString(s, Title);
  WriteInt(s, ScreenWidth);
  WriteInt(s, ScreenHeight);
  WriteInt(s, FullScreenWidth);
  WriteInt(s, FullScreenHeight);
  WriteString(s, StartPage);
  if (Version >= 110) WriteString(s, ExitPage);
  WriteString(s, RegistryKey);
  WriteInt(s, IdCode);
  if (Version >= 104) WriteBool(s, SaveEnabled);
  if (Version >= 106) WriteByte(s, IdleFlag);
  if (Version >= 109) WriteString(s, MediaExtensions);
  if (Version >= 113) WriteBool(s, PauseWhenInactive);
  if (Version >= 114) WriteByte(s, ReservedFlag);
  WriteString(s, DiscPrompt);
  WriteString(s, QuitText);
  WriteInt(s, static_cast<int32_t>(Variables.size()));
  for (const auto& var : Variables) {
    WriteByte(s, var.Type);
    WriteString(s, var.Name);
    write_value(s, var);
  }
  DiscMap.SaveToStream(s);
}

}  // namespace velk

#include "script/page.h"

#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

constexpr uint8_t kComponentCodes[] = {8,  9,  10, 11, 12, 23, 24, 25, 30, 36, 37, 42,
                                       43, 44, 48, 49, 50, 51, 52, 53, 54, 56, 59, 60};

// A command record holds at least the code byte and the base fields.
constexpr int64_t kMinCommandSize = 11;

}  // namespace

bool IsComponentCode(uint8_t code) {
  return std::find(std::begin(kComponentCodes), std::end(kComponentCodes), code) != std::end(kComponentCodes);
}

TPage::TPage(TParamCollection* vars) : vars_(vars) {
  // The authoring tool's defaults are not recorded anywhere a page could read them; a new page lets its component
  // commands carry every property.
  for (uint8_t code : kComponentCodes) {
    for (int32_t p = 0; p <= 164; ++p) MaskSet(Masks[code], p);
  }
}

TPage::~TPage() {
  Commands.Clear();
  if (vars_ != nullptr) vars_->DeleteVariable(std::string(1, '\x01') + Name);
}

void TPage::Load(const std::string& name, IPageHost& host) {
  Commands.Clear();
  Name = name;
  TMemoryStream file;
  host.ReadPageFile(file, name);
  TParse result;
  try {
    result = LoadFromStream(file);
  } catch (const EVelkError& e) {
    Commands.Clear();
    throw EFormatError(e.Message(), name);
  }
  if (result == TParse::TooOld) host.PageTooOld(name);
}

TPage::TParse TPage::LoadFromStream(TStream& s) {
  Commands.Clear();
  Version = ReadIntExact(s);
  if (Version > kMaxVersion) return TParse::TooNew;
  if (Version < kMinVersion) return TParse::TooOld;
  ResultType = ReadByteExact(s);
  const int32_t mask_count = ReadIntExact(s);
  const int32_t mask_size = ReadIntExact(s);
  // A negative size would move the stream backwards; a count is bounded by the bytes that remain.
  if (mask_size < 0) throw EFormatError(Utf8ToCp932("データが壊れています (マスクの大きさ)"));
  CheckCount(s, mask_count, mask_size);
  for (auto& mask : Masks) mask.fill(0);
  const int32_t kept = std::min(mask_size, kMaskSize);
  // Entries 61 and above are skipped whole, in one step: the entry index is never counted in a byte (which would
  // wrap after 255 and let later entries overwrite masks 0 .. 60), and a huge count of empty entries costs nothing.
  const int32_t stored = std::min(mask_count, kCommandCount);
  for (int32_t i = 0; i < stored; ++i) {
    s.ReadBuffer(Masks[static_cast<size_t>(i)].data(), kept);
    s.Seek(mask_size - kept, soCurrent);
  }
  s.Seek(static_cast<int32_t>(static_cast<int64_t>(mask_count - stored) * mask_size), soCurrent);
  const int32_t count = ReadCount(s, kMinCommandSize);
  if (count > kMaxCommands) throw EFormatError(Utf8ToCp932("データが壊れています (コマンド数)"));
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t code = ReadByteExact(s);
    auto command = CreateCommand(&Commands, code);
    command->LoadFromStream(s);
    Commands.Add(std::move(command));
  }
  return TParse::Loaded;
}

void TPage::SaveToStream(TStream& s) {
  WriteInt(s, Version);
  WriteByte(s, ResultType);
  WriteInt(s, kCommandCount);
  WriteInt(s, kMaskSize);
  for (const auto& mask : Masks) s.WriteBuffer(mask.data(), kMaskSize);
  WriteInt(s, Commands.Count());
  for (int32_t i = 0; i < Commands.Count(); ++i) {
    TCommand* command = Commands.Item(i);
    WriteByte(s, command->Code());
    command->SaveToStream(s);
  }
}

int32_t TPage::FindLabel(const std::string& name) const {
  for (int32_t i = 0; i < Commands.Count(); ++i) {
    if (Commands.Item(i)->MatchesLabel(name)) return i;
  }
  return -1;
}

}  // namespace velk

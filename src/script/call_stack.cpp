#include "script/call_stack.h"

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "script/call_scene.h"
#include "vfs/stored_read.h"

namespace velk {

namespace {

// The least size of one stored context: three empty strings, the index, two bytes, the argument count, the
// state size and the return type.
constexpr int64_t kMinStackSize = 4 * 3 + 4 + 2 + 4 + 4 + 1;

void write_sender(TStream& s, TObjectHandle sender, const ICallScene* scene) {
  WriteString(s, scene != nullptr && sender ? scene->ObjectName(sender) : std::string());
}

TObjectHandle read_sender(TStream& s, const ICallScene* scene) {
  const std::string name = ReadStringExact(s);
  return scene != nullptr && !name.empty() ? scene->FindObject(name) : TObjectHandle{};
}

}  // namespace

void TStack::SaveToStream(TStream& s, const ICallScene* scene) const {
  WriteString(s, PageName);
  WriteInt(s, Index);
  WriteBool(s, Started);
  WriteBool(s, Continue);
  WriteString(s, ReturnVar);
  Args.SaveToStream(s);
  write_sender(s, Sender, scene);
  const int32_t size = State ? State->GetSize() : 0;
  WriteInt(s, size);
  if (size > 0) s.WriteBuffer(State->Memory(), size);
  // A reference (an unbound result of a page without a result type) is stored as no value.
  const uint8_t type =
      ReturnValue && dynamic_cast<const TParamVar*>(ReturnValue.get()) == nullptr ? ReturnValue->GetType() : PT_NONE;
  WriteByte(s, type);
  if (type != PT_NONE) ReturnValue->SaveToStream(s);
}

void TStack::LoadFromStream(TStream& s, const ICallScene* scene) {
  PageName = ReadStringExact(s);
  Index = ReadIntExact(s);
  Started = ReadByteExact(s) != 0;
  Continue = ReadByteExact(s) != 0;
  ReturnVar = ReadStringExact(s);
  Args.LoadFromStream(s);
  Sender = read_sender(s, scene);
  const int32_t size = ReadCount(s, 1);
  State.reset();
  if (size > 0) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    s.ReadBuffer(bytes.data(), size);
    State = std::make_unique<TMemoryStream>(std::move(bytes));
  }
  const uint8_t type = ReadByteExact(s);
  ReturnValue.reset();
  if (type == PT_NONE) return;
  ReturnValue = NewParam(type);
  if (!ReturnValue) throw EFormatError(Utf8ToCp932("データが壊れています (戻り値の型)"));
  ReturnValue->LoadFromStream(s);
}

TStack& TStackList::Push() {
  items_.push_back(std::make_unique<TStack>());
  sync_frame();
  return *items_.back();
}

void TStackList::Delete(int32_t i) {
  items_.erase(items_.begin() + i);
  sync_frame();
}

TStack& TStackList::Pop() {
  if (items_.empty()) throw EVelkError(Utf8ToCp932("スタックエラー"));
  spare_ = std::move(*items_.back());
  items_.pop_back();
  sync_frame();
  return spare_;
}

void TStackList::Clear() {
  items_.clear();
  sync_frame();
}

void TStackList::sync_frame() { vars_.CurrentFrame = Count(); }

void TStackList::SaveToStream(TStream& s, const ICallScene* scene) const {
  spare_.SaveToStream(s, scene);
  WriteInt(s, Count());
  for (const auto& item : items_) item->SaveToStream(s, scene);
}

void TStackList::LoadFromStream(TStream& s, const ICallScene* scene) {
  spare_.LoadFromStream(s, scene);
  const int32_t count = ReadCount(s, kMinStackSize);
  std::vector<std::unique_ptr<TStack>> items;
  for (int32_t i = 0; i < count; ++i) {
    items.push_back(std::make_unique<TStack>());
    items.back()->LoadFromStream(s, scene);
  }
  items_ = std::move(items);
  sync_frame();
}

}  // namespace velk

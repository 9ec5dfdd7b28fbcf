#include "script/save_func_host.h"

#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "script/call_man.h"
#include "script/game_saves.h"
#include "script/project.h"
#include "vfs/archive.h"
#include "vfs/file_manager.h"

namespace velk {

namespace {

void set_int_array(TCustomParam* arg, const std::vector<int32_t>& items) {
  auto* ref = dynamic_cast<TParamVar*>(arg);
  TParamCollectionItem* item = ref != nullptr ? ref->TargetItem() : nullptr;
  if (item == nullptr) throw EVelkError(Utf8ToCp932("ListSaveCaption:変数が見つかりません"));
  auto value = NewParam(PT_INT);
  if (!items.empty()) {
    value->SetDims({static_cast<int32_t>(items.size())});
    for (size_t i = 0; i < items.size(); ++i) value->SetIntAt(static_cast<int32_t>(i), items[i]);
  }
  item->SetValue(std::move(value));
}

bool starts_with_ci(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && LowerCase(s.substr(0, prefix.size())) == LowerCase(prefix);
}

}  // namespace

bool TSaveFuncHost::copy_to_memory(const std::string& source, const std::string& dest) {
  if (files_ == nullptr || files_->Count() == 0 || !files_->Exists(source)) return false;
  TMemoryStream bytes;
  files_->ReadFile(bytes, source);
  TVrFileCollection& memory = files_->Collection(0);
  memory.DeleteEntry(dest);
  TSaveMemoryStream& entry = memory.AddMemoryEntry(dest);
  if (bytes.GetSize() > 0) entry.WriteBuffer(bytes.Memory(), bytes.GetSize());
  if (!starts_with_ci(dest, "save:")) return true;
  return saves_ != nullptr && saves_->StoreFile(dest, bytes.Bytes());
}

uint8_t TSaveFuncHost::PropertyType(int32_t prop) const {
  return next_ != nullptr ? next_->PropertyType(prop) : PT_NONE;
}

bool TSaveFuncHost::Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) {
  switch (number) {
    case sf::GetSaveCaption:
      if (project_ == nullptr || args.empty()) return false;
      target.SetStr(project_->SaveTitle(args[0]->GetInt()));
      return true;
    case sf::ListSaveCaption: {
      if (project_ == nullptr) return false;
      std::vector<TSaveTitle> saved = project_->SaveTitles;
      std::stable_sort(saved.begin(), saved.end(),
                       [](const TSaveTitle& a, const TSaveTitle& b) { return a.Slot < b.Slot; });
      std::vector<std::string> titles;
      std::vector<int32_t> slots;
      for (const TSaveTitle& t : saved) {
        titles.push_back(t.Title);
        slots.push_back(t.Slot);
      }
      if (args.size() > 0) SetStringArray(args[0], titles, "ListSaveCaption");
      if (args.size() > 1) set_int_array(args[1], slots);
      target.SetInt(static_cast<int32_t>(saved.size()));
      return true;
    }
    case sf::DeleteStack:
      if (calls_ == nullptr || args.empty()) return false;
      target.SetBool(calls_->DeleteStack(args[0]->GetInt()));
      return true;
    case sf::CopyFile: {
      if (args.size() < 2) return false;
      const std::string dest = args[1]->GetStr();
      if (!starts_with_ci(dest, "mem:") && !starts_with_ci(dest, "save:")) break;
      try {
        target.SetBool(copy_to_memory(args[0]->GetStr(), dest));
      } catch (const EVelkError&) {
        target.SetBool(false);
      }
      return true;
    }
    default:
      break;
  }
  return next_ != nullptr && next_->Call(number, target, args);
}

}  // namespace velk

#include "script/call_man.h"

#include <algorithm>
#include <cstdio>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "expr/velk_parser.h"
#include "script/call_host.h"
#include "script/call_scene.h"
#include "script/command_exec.h"
#include "script/control_commands.h"
#include "script/page.h"
#include "vfs/stored_read.h"

namespace velk {

namespace {

constexpr int32_t kEventLevelVersion = 116;

std::string trace_line(int32_t clock, const char* prefix, const std::string& page, int32_t line) {
  char head[32];
  std::snprintf(head, sizeof head, "%.8x : %s", static_cast<unsigned>(clock), prefix);
  return head + page + "(" + std::to_string(line) + ")";
}

}  // namespace

void SplitEventTarget(const std::string& target, std::string& page, std::string& label) {
  size_t last_dot = std::string::npos, last_slash = std::string::npos, last_colon = std::string::npos;
  for (size_t i = 0; i < target.size(); i += CharLength(target, i)) {
    if (target[i] == '.') last_dot = i;
    if (target[i] == '\\') last_slash = i;
    if (target[i] == ':') last_colon = i;
  }
  const auto after = [&](size_t mark) { return mark == std::string::npos || last_colon > mark; };
  std::string part = target;
  label.clear();
  if (last_colon != std::string::npos && after(last_dot) && after(last_slash)) {
    part = target.substr(0, last_colon);
    label = target.substr(last_colon + 1);
  }
  page = part.substr(0, part.size() >= 3 ? part.size() - 3 : 0) + "ksb";
}

TCallMan::TCallMan(const TCallManServices& services)
    : vars_(*services.Vars), process_(*services.Process), host_(*services.Host), funcs_(services.Funcs),
      scene_(services.Scene), stack_(*services.Vars) {}

TCallMan::~TCallMan() = default;

std::string TCallMan::Argument(int32_t i) const { return i >= 0 && i < args_.Count() ? args_[i] : std::string(); }

std::string TCallMan::SenderName() const {
  if (state_ == 0 || scene_ == nullptr || !sender_) return {};
  return scene_->ObjectName(sender_);
}

TCustomParam* TCallMan::ReturnValue() const {
  return stack_.Count() > 0 ? stack_.Item(stack_.Count() - 1).ReturnValue.get() : nullptr;
}

bool TCallMan::IsCached(const std::string& name) const {
  return std::any_of(pages_.begin(), pages_.end(), [&](const auto& p) { return p->Name == name; });
}

TCustomParam* TCallMan::Evaluate(TVelkParser& expr) {
  expr.Execute(vars_, funcs_);
  return expr.Result();
}

bool TCallMan::IsTrue(TVelkParser& expr) {
  const TCustomParam* value = Evaluate(expr);
  return value != nullptr && value->GetBool();
}

void TCallMan::Start(const std::string& name) {
  TPage* page = LoadPage(name, true);
  page_ = page;
  index_ = 0;
  started_ = false;
  args_ = TArrayString();
  state_ = 0;
  stack_.Clear();
  sender_ = {};
  remove_levels(1, level_);
  level_ = 2;
}

TPage* TCallMan::LoadPage(const std::string& name, bool most_recent) {
  if (most_recent) index_ = 0;
  const auto found = std::find_if(pages_.begin(), pages_.end(), [&](const auto& p) { return p->Name == name; });
  if (found != pages_.end()) {
    if (most_recent) std::rotate(pages_.begin(), found, found + 1);
    return most_recent ? pages_.front().get() : found->get();
  }
  auto page = std::make_unique<TPage>(&vars_);
  page->Load(name, host_);
  TPage* loaded = page.get();
  if (!most_recent) {
    pages_.push_back(std::move(page));
    return loaded;
  }
  pages_.insert(pages_.begin(), std::move(page));
  while (static_cast<int32_t>(pages_.size()) > kPageCacheLimit && pages_.back().get() != page_) pages_.pop_back();
  return loaded;
}

TCommand* TCallMan::current_command() const {
  if (page_ == nullptr || index_ < 0 || index_ >= page_->Commands.Count()) return nullptr;
  return page_->Commands.Item(index_);
}

bool TCallMan::current_started() const { return started_ && current_command() != nullptr; }

void TCallMan::remove_levels(int32_t first, int32_t last) {
  if (scene_ == nullptr) return;
  for (int32_t level = first; level <= last; ++level) scene_->Events().RemoveLevel(level);
}

void TCallMan::trace_command(const TCommand& command) {
  if (!host_.Tracing() || (page_->Name == traced_page_ && index_ == traced_index_)) return;
  traced_page_ = page_->Name;
  traced_index_ = index_;
  host_.Trace(trace_line(process_.GameClock, "", page_->Name, command.Line));
}

int32_t TCallMan::step() {
  if (page_ == nullptr) return 0;
  bool yield = false;
  if (TCommand* command = current_command()) {
    if (!started_ && IsCommandSkipped(*command)) {
      ++index_;
      return 0;
    }
    TPage* const before_page = page_;
    const int32_t before_index = index_;
    TPage* page = page_;
    int32_t index = index_;
    try {
      trace_command(*command);
      if (!started_) {
        BeginCommand(*this, *command);
        started_ = true;
      }
      continue_ = command->ContinuesFrame();
      yield = command->Yields();
      ExecuteCommand(*this, *command, page, index);
      if (page != before_page || index != before_index) started_ = false;
    } catch (const std::exception&) {
      // The command runs again in the next frame; the context stays as it was.
      page_ = before_page;
      index_ = before_index;
      failed_ = true;
      return 0;
    }
    if (page != nullptr) {
      page_ = page;
      index_ = index;
      return yield ? 2 : 0;
    }
  }
  if (stack_.Count() == 0) {
    continue_ = false;
    return yield ? 2 : 0;
  }
  return return_from_context(yield);
}

int32_t TCallMan::return_from_context(bool yield) {
  vars_.FreeFrame(stack_.Count());
  TStack& context = stack_.Pop();
  if (!context.ReturnVar.empty()) store_return_value(context);
  try {
    page_ = LoadPage(context.PageName, true);
  } catch (const std::exception&) {
    // The page that was left cannot be read again: nothing is left to run.
    page_ = nullptr;
  }
  index_ = context.Index;
  started_ = context.Started;
  continue_ = context.Continue;
  args_ = context.Args;
  sender_ = context.Sender;
  TCommand* command = current_command();
  if (context.State && started_ && command != nullptr) {
    context.State->SetPosition(0);
    try {
      command->RestoreState(*context.State);
    } catch (const std::exception&) {
      // A damaged state leaves the command as it is.
    }
  }
  if (!sender_) return 1;
  return yield ? 2 : -1;
}

void TCallMan::store_return_value(const TStack& context) {
  const TCustomParam* value = context.ReturnValue.get();
  try {
    TParamCollectionItem* item = vars_.FindVariable(context.ReturnVar);
    if (item != nullptr && item->Value() != nullptr) {
      if (value != nullptr) AssignConverting(*item->Value(), *value);
      return;
    }
    // A missing variable is created holding the text form of the value.
    TParamCollectionItem* created = vars_.NewVariable(context.ReturnVar, PT_STR, kScopeGlobal);
    if (created != nullptr && created->Value() != nullptr) created->Value()->SetStr(value ? value->GetStr() : "");
  } catch (const std::exception&) {
    // An unusable name or an unbound result stores nothing.
  }
}

bool TCallMan::start_event(int32_t level) {
  if (scene_ == nullptr) return false;
  if (current_started() && current_command()->BlocksEvents()) return false;
  TTimerData* event = scene_->Events().NextWaiting();
  if (event == nullptr) return false;
  std::string name, label;
  SplitEventTarget(event->Handler, name, label);
  // A handler whose page is missing (it may lie on a disc not inserted yet) stays first in the queue; the events
  // behind it wait until it can start.
  if (!host_.PageExists(name)) return false;
  const int32_t saved_index = index_;
  TStack& context = stack_.Push();
  context.PageName = page_ != nullptr ? page_->Name : std::string();
  context.Index = index_;
  context.Started = started_;
  context.Args = args_;
  context.Sender = sender_;
  context.Continue = continue_;
  if (current_started()) {
    context.State = std::make_unique<TMemoryStream>();
    current_command()->SaveState(*context.State);
  }
  TPage* page = nullptr;
  try {
    page = LoadPage(name, true);
  } catch (const std::exception&) {
    // A page that cannot be read is retried in the same way; the script's context stays as it was.
    index_ = saved_index;
    stack_.Pop();
    return false;
  }
  page_ = page;
  const int32_t found = label.empty() ? -1 : page->FindLabel(label);
  index_ = found >= 0 ? found : 0;
  if (host_.Tracing() && index_ < page->Commands.Count()) {
    host_.Trace(trace_line(process_.GameClock, "<Event>", name, page->Commands.Item(index_)->Line));
  }
  started_ = false;
  event->State = level;
  args_ = TArrayString();
  for (const std::string& arg : event->Args) args_.Add(arg);
  sender_ = event->Sender;
  state_ = 1;
  return true;
}

void TCallMan::RunFrame() {
  failed_ = false;
  do {
    switch (state_) {
      case 0:
        if (!start_event(1)) step();
        break;
      case 1: {
        const int32_t result = step();
        if (result == 1) {
          remove_levels(1, 1);
          state_ = 0;
          continue_ = true;
        } else if (result == 2) {
          level_ = 2;
          state_ = 2;
          return;
        }
        break;
      }
      case 2:
        if (start_event(level_)) {
          ++level_;
          state_ = 3;
        } else {
          state_ = level_ > 2 ? 3 : 1;
        }
        break;
      default: {
        const int32_t result = step();
        if (result == 1 || result == -1) {
          --level_;
          remove_levels(level_, level_);
          if (level_ <= 2) state_ = 2;
        } else if (result == 2) {
          state_ = 2;
          return;
        }
        break;
      }
    }
    // A failing command ends the frame instead of running again at once; nothing to run ends it too.
    if (failed_ || page_ == nullptr) return;
  } while ((continue_ || state_ != 0) && !process_.QuitFlag);
}

void TCallMan::ExecJump(TComJump& command, TPage*& page, int32_t& index) {
  ++index;
  if (!IsTrue(command.Condition) || !host_.PageExists(command.PageName)) return;
  page = LoadPage(command.PageName, true);
  index = command.Target;
}

void TCallMan::ExecCall(TComCall& command, TPage*& page, int32_t& index) {
  ++index;
  if (!IsTrue(command.Condition) || !host_.PageExists(command.PageName)) return;
  TArrayString args;
  for (auto& arg : command.Args) {
    if (const TCustomParam* value = Evaluate(*arg)) args.Add(value->GetStr());
  }
  const int32_t saved_index = index_;
  TPage* called = nullptr;
  try {
    called = LoadPage(command.PageName, true);
  } catch (...) {
    index_ = saved_index;
    throw;
  }
  TStack& context = stack_.Push();
  context.PageName = page->Name;
  context.Index = index;
  context.ReturnVar = command.ReturnVar;
  context.Continue = continue_;
  context.Sender = sender_;
  context.Args = args_;
  context.ReturnValue = NewParam(called->ResultType);
  args_ = args;
  page = called;
  index = command.Target;
}

void TCallMan::ExecPCReset(TComPCReset& command, TPage*& page, int32_t& index) {
  vars_.FreeFrame(stack_.Count());
  if (command.ClearAll != 0) {
    for (int32_t i = stack_.Count() - 1; i >= 0; --i) {
      vars_.FreeFrame(i);
      const TStack& context = stack_.Item(i);
      if (context.Sender || !context.Started) continue;
      TPage* resumed = LoadPage(context.PageName, true);
      if (context.Index >= 0 && context.Index < resumed->Commands.Count())
        resumed->Commands.Item(context.Index)->Finish();
    }
    Start(command.PageName);
    page = page_;
    index = command.Target;
    if (scene_ != nullptr) scene_->Events().Clear();
    return;
  }
  int32_t point = -1;
  for (int32_t i = 0; i < stack_.Count(); ++i) {
    if (stack_.Item(i).Sender) {
      point = i;
      break;
    }
  }
  if (point < 0 && !SenderName().empty()) point = stack_.Count();
  int32_t found = -1;
  for (int32_t i = point - 1; i >= 0; --i) {
    if (!stack_.Item(i).Sender) {
      found = i;
      break;
    }
  }
  if (found >= 0) {
    vars_.FreeFrame(found);
    TStack& context = stack_.Item(found);
    context.PageName = command.PageName;
    context.Index = command.Target;
    context.Started = false;
    context.ReturnVar.clear();
    context.Args = TArrayString();
    context.State.reset();
    ++index;
  } else {
    page = LoadPage(command.PageName, true);
    index = command.Target;
  }
  if (scene_ != nullptr) scene_->Events().RemoveRunning();
}

void TCallMan::ExecReset(TComPCReset& command, TPage*& page, int32_t& index) {
  if (scene_ != nullptr) scene_->Reset();
  vars_.ClearVars();
  host_.ResetGameData();
  Start(command.PageName);
  page = page_;
  index = command.Target;
}

void TCallMan::ExecTerminate(int32_t& index) {
  ++index;
  process_.QuitFlag = true;
  host_.CloseMainWindow();
}

bool TCallMan::DeleteStack(int32_t n) {
  if (n < 0 || n >= stack_.Count()) return false;
  vars_.DropFrame(n);
  stack_.Delete(n);
  return true;
}

void TCallMan::ResumeFirst(const std::string& name, int32_t resume_index) {
  if (page_ != nullptr) {
    TStack& context = stack_.Push();
    context.PageName = page_->Name;
    context.Index = index_;
    context.Continue = continue_;
    context.Started = started_;
    context.Sender = sender_;
    context.Args = args_;
    if (current_started()) {
      context.State = std::make_unique<TMemoryStream>();
      current_command()->SaveState(*context.State);
    }
  }
  page_ = LoadPage(name, true);
  index_ = resume_index > 0 ? resume_index : 0;
  started_ = false;
  continue_ = false;
  sender_ = {};
  args_ = TArrayString();
  traced_index_ = -1;
}

void TCallMan::SaveToStream(TStream& s) const {
  WriteString(s, page_ != nullptr ? page_->Name : std::string());
  WriteInt(s, index_);
  WriteBool(s, continue_);
  WriteBool(s, started_);
  WriteInt(s, state_);
  WriteString(s, scene_ != nullptr && sender_ ? scene_->ObjectName(sender_) : std::string());
  args_.SaveToStream(s);
  stack_.SaveToStream(s, scene_);
  WriteInt(s, level_);
  if (TCommand* command = current_started() ? current_command() : nullptr) command->SaveState(s);
}

void TCallMan::LoadFromStream(TStream& s, int32_t version) {
  const std::string name = ReadStringExact(s);
  TPage* page = name.empty() ? nullptr : LoadPage(name, true);
  const int32_t index = ReadIntExact(s);
  const bool continue_flag = ReadByteExact(s) != 0;
  const bool started = ReadByteExact(s) != 0;
  const int32_t state = ReadIntExact(s);
  if (state < 0 || state > 3) throw EFormatError(Utf8ToCp932("データが壊れています (実行状態)"));
  const std::string sender = ReadStringExact(s);
  TArrayString args;
  args.LoadFromStream(s);
  stack_.LoadFromStream(s, scene_);
  const int32_t level = version >= kEventLevelVersion ? ReadIntExact(s) : 2;
  page_ = page;
  index_ = index;
  continue_ = continue_flag;
  started_ = started;
  state_ = state;
  sender_ = scene_ != nullptr && !sender.empty() ? scene_->FindObject(sender) : TObjectHandle{};
  args_ = args;
  level_ = level;
  traced_index_ = -1;
  if (TCommand* command = current_started() ? current_command() : nullptr) command->RestoreState(s);
}

}  // namespace velk

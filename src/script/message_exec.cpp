// The message commands: text for a message window, clearing it, and the history and read-mark commands.
#include <algorithm>
#include <string>
#include <vector>

#include "expr/param.h"
#include "scene/base_list.h"
#include "scene/velk_mes.h"
#include "scene/velk_read_list.h"
#include "script/call_man.h"
#include "script/call_scene.h"
#include "script/component_commands.h"
#include "script/component_exec.h"
#include "script/control_commands.h"
#include "script/message_history.h"
#include "script/page.h"

namespace velk {

namespace {

template <class T> T& as(TCommand& command) { return dynamic_cast<T&>(command); }

std::string text_of(TCallMan& calls, TVelkParser& expr) {
  const TCustomParam* v = calls.Evaluate(expr);
  return v ? v->GetStr() : std::string();
}

TVelkObject* named_object(TCallMan& calls, const std::string& name) {
  return calls.Scene() && !name.empty() ? calls.Scene()->List().FindObject(name) : nullptr;
}

TVelkMes* named_window(TCallMan& calls, const std::string& name) {
  return dynamic_cast<TVelkMes*>(named_object(calls, name));
}

TVelkHistoryFormatManager* history(TCallMan& calls) {
  return calls.Scene() ? dynamic_cast<TVelkHistoryFormatManager*>(calls.Scene()->List().Services.History) : nullptr;
}

int32_t index_in_page(const TCommand& command) {
  if (!command.Owner) return 0;
  for (int32_t i = 0; i < command.Owner->Count(); ++i) {
    if (command.Owner->Item(i) == &command) return i;
  }
  return 0;
}

int32_t int_prop(const TVelkObject& o, int32_t id) {
  TPropValue v = DefaultPropValue(id);
  o.GetProp(id, v);
  return v.I;
}

void begin_text_ins(TCallMan& calls, TCommand& command) {
  auto& c = as<TComTextIns>(command);
  c.NoEventsValue = calls.IsTrue(c.NoEvents);
  c.TargetName.clear();
  c.WaitValue = false;
  if (c.Text.empty()) return;
  // A name that is no message window: nothing is shown and the script goes on.
  TVelkMes* window = named_window(calls, text_of(calls, c.Window));
  if (!window) return;
  c.TargetName = window->Name();
  const std::string page = command.Page() ? command.Page()->Name : std::string();
  const int32_t number = index_in_page(command);
  window->ReadTracked = TVelkMes::kUntracked;
  window->LayoutValue = 0;
  if (calls.IsTrue(c.ReadTracking)) {
    window->ReadTracked = TVelkMes::kTracked;
    window->MessageId = page;
    window->MessageNumber = number;
  }
  window->MessageData.SetMessage(page, number);
  window->LayoutFlag = false;
  window->ShowMessageData(false);
  if (window->PageCount() > 0) window->SetIndex(0);
  c.WaitValue = calls.IsTrue(c.Wait);
}

void exec_text_ins(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComTextIns>(command);
  const TVelkMes* window = c.TargetName.empty() ? nullptr : named_window(calls, c.TargetName);
  if (!window || !c.WaitValue || !window->Playing()) {
    ++index;
  } else {
    calls.SetContinue(false);
  }
}

void exec_text_clr(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  if (TVelkMes* window = named_window(calls, text_of(calls, as<TComTextClr>(command).Window))) window->ClearText();
}

void exec_clr_hist(TCallMan& calls, TCommand&, TPage*&, int32_t& index) {
  ++index;
  if (TVelkHistoryFormatManager* h = history(calls)) h->ClearAll();
}

void exec_clr_read(TCallMan& calls, TCommand&, TPage*&, int32_t& index) {
  ++index;
  if (calls.Scene() && calls.Scene()->List().Services.TextRead) calls.Scene()->List().Services.TextRead->Clear();
}

void exec_entry_hist(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComEntryHist>(command);
  ++index;
  TVelkHistoryFormatManager* h = history(calls);
  if (!h) return;
  TVelkHistoryFormat& format = h->GetFormat(text_of(calls, c.Format));
  THistLayout layout;
  if (const TVelkObject* o = named_object(calls, text_of(calls, c.ObjectName))) {
    layout = {int_prop(*o, PR_FONTHEIGHT), int_prop(*o, PR_FONTBORDER), int_prop(*o, PR_FONTSHADOW),
              int_prop(*o, PR_WIDTH),      int_prop(*o, PR_HEIGHT),     int_prop(*o, PR_LINESPACE)};
  }
  format.Layout = layout;
}

void exec_call_hist(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComCallHist>(command);
  ++index;
  TVelkHistoryFormatManager* h = history(calls);
  TVelkMes* window = named_window(calls, text_of(calls, c.Window));
  if (!h || !window) return;
  const TCustomParam* first_value = calls.Evaluate(c.First);
  if (!first_value) return;
  const int32_t first = std::max(0, first_value->GetInt());
  const TCustomParam* count_value = calls.Evaluate(c.Count);
  int64_t count = count_value ? count_value->GetInt() : 1;
  const TVelkHistoryFormat* format = h->FindFormat(text_of(calls, c.Format));
  if (!format) return;
  window->LayoutFlag = calls.IsTrue(c.Layout);
  const int32_t total = format->History.TotalLines();
  if (int64_t{first} + count > total) count = int64_t{total} - first;
  if (count > 0) format->History.ShowRange(first, static_cast<int32_t>(count), *window);
}

}  // namespace

std::span<const TComponentRun> MessageRuns() {
  static const TComponentRun runs[] = {
      {20, begin_text_ins, exec_text_ins}, {28, nullptr, exec_text_clr},   {22, nullptr, exec_clr_hist},
      {47, nullptr, exec_clr_read},        {58, nullptr, exec_entry_hist}, {29, nullptr, exec_call_hist},
  };
  return runs;
}

}  // namespace velk

#pragma once
// The interpreter: runs compiled pages one frame at a time. It keeps the current context (page, command index,
// arguments, event sender), the saved contexts of page calls and event handlers, a small cache of loaded pages and
// the state machine that interleaves the main script with the event handlers queued by scene components.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/call_stack.h"
#include "script/project_services.h"

namespace velk {

class ICallHost;
class ICallScene;
class ISysFuncTable;
class TCommand;
class TComCall;
class TComJump;
class TComPCReset;
class TPage;
class TVelkParser;
struct TProcessValues;

struct TCallManServices {
  TParamCollection* Vars = nullptr;   // required
  TProcessValues* Process = nullptr;  // required
  ICallHost* Host = nullptr;          // required
  ISysFuncTable* Funcs = nullptr;     // may be null: expressions calling functions fail
  ICallScene* Scene = nullptr;        // may be null: no events, no objects
};

class TCallMan : public ICallManager {
 public:
  static constexpr int32_t kPageCacheLimit = 10;

  explicit TCallMan(const TCallManServices& services);
  ~TCallMan() override;

  // ICallManager.
  void Start(const std::string& page) override;
  void RunFrame() override;

  // The cached page of that name (exact comparison), loaded when missing. With most_recent the current index is
  // set to 0 first and the page moves to the front of the cache, which then keeps at most ten pages (never
  // dropping the current one).
  TPage* LoadPage(const std::string& name, bool most_recent);

  int32_t ArgumentCount() const { return args_.Count(); }
  std::string Argument(int32_t i) const;
  // The name of the event sender while a handler runs and the sender is still registered.
  std::string SenderName() const;
  // The return value holder of the innermost saved context, or null.
  TCustomParam* ReturnValue() const;
  int32_t StackCount() const { return stack_.Count(); }

  // Removes saved context n (0 <= n < StackCount()) with the variables of its frame; the variables of the frames
  // above move down one frame. False when n is out of range.
  bool DeleteStack(int32_t n);
  // After a load: runs the page from resume_index (from its start when not above 0) first; the current context is
  // saved as an event start saves it, so the script goes on where it was when that page ends.
  void ResumeFirst(const std::string& name, int32_t resume_index);

  // The interpreter state in save data; version is the save record's.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);

  // The current context, read by the commands and by tests.
  TPage* CurrentPage() const { return page_; }
  int32_t CurrentIndex() const { return index_; }
  int32_t State() const { return state_; }
  int32_t EventLevel() const { return level_; }
  int32_t CachedPageCount() const { return static_cast<int32_t>(pages_.size()); }
  bool IsCached(const std::string& name) const;

  // What commands use while they run.
  TParamCollection& Vars() const { return vars_; }
  TProcessValues& Process() const { return process_; }
  ICallHost& Host() const { return host_; }
  ICallScene* Scene() const { return scene_; }
  // Runs an expression; its value, or null when it yields none.
  TCustomParam* Evaluate(TVelkParser& expr);
  // A condition: true only when the expression yields a value whose flag reading is true.
  bool IsTrue(TVelkParser& expr);
  void SetContinue(bool value) { continue_ = value; }

  // The commands that change the contexts.
  void ExecJump(TComJump& command, TPage*& page, int32_t& index);
  void ExecCall(TComCall& command, TPage*& page, int32_t& index);
  void ExecPCReset(TComPCReset& command, TPage*& page, int32_t& index);
  void ExecReset(TComPCReset& command, TPage*& page, int32_t& index);
  void ExecTerminate(int32_t& index);

 private:
  // Runs at most one command: 0 ran (or nothing to run), 1 returned to the main script, 2 yielded, -1 returned to an
  // outer handler.
  int32_t step();
  int32_t return_from_context(bool yield);
  void store_return_value(const TStack& context);
  bool start_event(int32_t level);
  bool current_started() const;
  TCommand* current_command() const;
  void trace_command(const TCommand& command);
  void remove_levels(int32_t first, int32_t last);

  TParamCollection& vars_;
  TProcessValues& process_;
  ICallHost& host_;
  ISysFuncTable* funcs_;
  ICallScene* scene_;

  std::vector<std::unique_ptr<TPage>> pages_;  // index 0 most recently used
  TPage* page_ = nullptr;
  int32_t index_ = 0;
  bool continue_ = false;
  TStackList stack_;
  bool started_ = false;
  TArrayString args_;
  int32_t state_ = 0;
  TObjectHandle sender_;
  int32_t level_ = 2;
  // A command failed in this frame: the frame ends, the command runs again in the next one.
  bool failed_ = false;
  std::string traced_page_;
  int32_t traced_index_ = -1;
};

// Splits an event target at the last ":" that follows the last "." and the last "\" (second bytes of double-byte
// characters do not count) and makes the page file name: the page part with "ksb" for its last three characters.
void SplitEventTarget(const std::string& target, std::string& page, std::string& label);

}  // namespace velk

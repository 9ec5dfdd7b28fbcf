#pragma once
// The command model of a page: the command base class with its virtual operations, the command list a page owns,
// the visitor through which each class names its stored fields (one definition serves the page reader, the page
// writer and the game builder), the in-progress state tag, and the command factory.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace velk {

class TCallMan;
class TComList;
class TPage;

// The number of command codes (0 .. 60).
constexpr int32_t kCommandCount = 61;

// Visits the stored fields of a command class in stored order. Keys name the fields for the game builder's source
// form. Version() is the page's version, against which classes test their later fields.
class TComFields {
 public:
  virtual ~TComFields() = default;
  virtual int32_t Version() const = 0;
  virtual void Int(const char* key, int32_t& value) = 0;
  virtual void Byte(const char* key, uint8_t& value) = 0;
  virtual void String(const char* key, std::string& value) = 0;
  // An int32 size and that many bytes (the compiled message text of the text command).
  virtual void Data(const char* key, std::string& value) = 0;
  virtual void Expr(const char* key, TVelkParser& value) = 0;
  // An int32 count k, then k expressions.
  virtual void ExprList(const char* key, std::vector<std::unique_ptr<TVelkParser>>& list) = 0;
  // The expression of property id (0 .. 164) of a component record.
  virtual void Property(int32_t id, TVelkParser& value) = 0;
};

class TCommand {
 public:
  // Create (list): the command belongs to the list (and so to its page, whose version and masks it reads).
  explicit TCommand(TComList* owner) : Owner(owner) {}
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  // The operations in the order of the system's table.
  virtual uint8_t Code() const = 0;
  virtual bool ContinuesFrame() const { return Continue; }
  virtual bool IsSkipped() const { return Skip; }
  virtual void SetSkipped(bool value) { Skip = value; }
  virtual bool BlocksEvents() const { return false; }
  virtual bool MatchesLabel(const std::string& name) const { return false; }
  // Reads the base fields, then the class fields (the code byte has been read by the page).
  virtual void LoadFromStream(TStream& s);
  virtual void Begin(TCallMan& calls) {}
  virtual void Execute(TCallMan& calls, TPage*& page, int32_t& index) { ++index; }
  // Writes the in-progress state (starting with the state tag) into s.
  virtual void SaveState(TStream& s) {}
  virtual void RestoreState(TStream& s) {}
  virtual void Finish() {}
  virtual bool Yields() const { return false; }

  // Writes the base fields and the class fields (without the code byte).
  void SaveToStream(TStream& s);
  // The class fields after the base fields, in stored order.
  virtual void StoreFields(TComFields& fields) {}

  // The page the command belongs to, or null for a command made without a list.
  TPage* Page() const;
  // The version of the page (104 without a page).
  int32_t PageVersion() const;

  TComList* Owner;
  bool Continue = false;
  bool Skip = false;
  int32_t Line = 0;
  int32_t Level = 0;
};

// The commands of a page, index 0 first; owns them.
class TComList {
 public:
  explicit TComList(TPage* page) : page_(page) {}
  TPage* Page() const { return page_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TCommand* Item(int32_t i) const { return items_.at(static_cast<size_t>(i)).get(); }
  TCommand* Add(std::unique_ptr<TCommand> command);
  void Clear() { items_.clear(); }

 private:
  TPage* page_;
  std::vector<std::unique_ptr<TCommand>> items_;
};

// Creates the command of class code & 0x7F for the list; any other code fails with "不正なコマンド".
std::unique_ptr<TCommand> CreateCommand(TComList* list, uint8_t code);
// The class name of a command code ("TComIf"), or null beyond 60.
const char* CommandClassName(uint8_t code);

// The in-progress state tag "velk" + three digits; the player writes version 100.
void WriteStateTag(TStream& s);
// Reads 7 bytes: "velk" and three digits give that version; anything else rewinds the stream and gives 0.
int32_t ReadStateTag(TStream& s);

}  // namespace velk

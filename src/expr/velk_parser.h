#pragma once
// The run form of a compiled expression: a flat list of three-address operations over the variable store, as page
// files store it, and the evaluator that runs it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/param.h"
#include "vfs/stream.h"

namespace velk {

class TParamCollection;
class ISysFuncTable;

// Operation codes.
constexpr uint8_t ocNone = 0;
constexpr uint8_t ocTo = 1;
constexpr uint8_t ocPlus = 2;
constexpr uint8_t ocMinus = 3;
constexpr uint8_t ocMul = 4;
constexpr uint8_t ocDiv = 5;
constexpr uint8_t ocMod = 6;
constexpr uint8_t ocOr = 7;
constexpr uint8_t ocAnd = 8;
constexpr uint8_t ocXor = 9;
constexpr uint8_t ocDimTo = 10;
constexpr uint8_t ocFunc = 11;
constexpr uint8_t ocEqual = 12;
constexpr uint8_t ocBig = 13;
constexpr uint8_t ocSmall = 14;
constexpr uint8_t ocEBig = 15;
constexpr uint8_t ocESmall = 16;
constexpr uint8_t ocShiftL = 17;
constexpr uint8_t ocShiftR = 18;
constexpr uint8_t ocComboStr = 19;
constexpr uint8_t ocNEqual = 20;

// The name of an operation code ("ocPlus"), empty for unknown codes.
const char* OpeCodeName(uint8_t code);

// The temporary that holds the value of the whole expression.
inline constexpr const char* kResultTemp = "____arg";

struct TOpeData {
  uint8_t Code = ocNone;
  std::string Target;
  uint8_t FuncNo = 0;  // ocFunc only
  // Constants (int, float, flag, string) or references holding only a variable name.
  std::vector<std::unique_ptr<TCustomParam>> Operands;
};

class TVelkParser {
 public:
  TVelkParser();
  ~TVelkParser();
  TVelkParser(const TVelkParser&) = delete;
  TVelkParser& operator=(const TVelkParser&) = delete;

  void Clear();
  // Clears and reads the stored form. The stream is hostile: counts are checked before anything is allocated.
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s) const;
  void Assign(const TVelkParser& other);

  // Runs the operations against the store. The first failure ends the run silently. Afterwards Result() is the
  // value of "____arg" when the last operation assigns it, and null otherwise. Every temporary this run created is
  // freed, also after a failure, and a nested run never touches the temporaries of the run that called it.
  void Execute(TParamCollection& store, ISysFuncTable* funcs);
  // The result of the last run, owned by the parser, or null. The parser keeps the value between runs and writes
  // the next result into it when the type is the same.
  TCustomParam* Result() const { return has_result_ ? result_.get() : nullptr; }
  // The failure that ended the last run (code page 932), empty when it ran to its end. Never shown to the player;
  // developer tools print it.
  const std::string& LastError() const { return last_error_; }

  int32_t Count() const { return static_cast<int32_t>(opes_.size()); }
  const TOpeData& Ope(int32_t i) const { return *opes_.at(static_cast<size_t>(i)); }

 private:
  // A name the operations use (letter case folded), with what it finds among the stored variables. The finding is
  // kept until the store's generation or its current frame changes.
  struct TNameSlot {
    std::string Name;
    bool TempName = false;   // "____...": a run creates it when no variable of the name exists
    bool MixedCase = false;  // operations write the name in more than one letter case
    uint64_t Generation = 0;
    int32_t Frame = 0;
    TParamCollectionItem* Stored = nullptr;
  };
  // The slot of each operation's target and of each of its operands (-1: a constant).
  struct TOpeSlots {
    int32_t Target = -1;
    std::vector<int32_t> Operands;
  };
  struct TRunState;

  void prepare();
  TParamCollectionItem* find(int32_t slot, TParamCollection& store, TRunState& run);
  static bool plain(const TParamCollectionItem& item, const TParamCollection& store);
  TParamCollectionItem* link_temporary(int32_t slot, const std::string& name, uint8_t type, bool fresh,
                                       TParamCollection& store, TRunState& run);
  void unlink_temporaries(TParamCollection& store, TRunState& run);
  void run_ope(size_t i, TParamCollection& store, ISysFuncTable* funcs, TRunState& run);
  void take_result(const TCustomParam& value);

  std::vector<std::unique_ptr<TOpeData>> opes_;
  std::vector<TNameSlot> slots_;
  std::vector<TOpeSlots> ope_slots_;
  bool gives_result_ = false;  // the last operation assigns "____arg"
  std::unique_ptr<TRunState> state_;  // of the run in progress or the last one; its temporaries are kept
  bool running_ = false;
  std::unique_ptr<TCustomParam> result_;
  bool has_result_ = false;
  std::string last_error_;
};

// The stored form of one operand: type byte, then the value (0: a string naming a variable).
void WriteOperand(TStream& s, const TCustomParam& operand);
std::unique_ptr<TCustomParam> ReadOperand(TStream& s);

}  // namespace velk

#pragma once
// The function groups behind TSysFuncMan::Call. Each returns true when it handled the number.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velk {

class TCustomParam;
class TParamCollectionItem;
class TSysFuncMan;

struct TFuncCall {
  TSysFuncMan& Man;
  TCustomParam& Target;
  uint8_t Number;
  std::span<TCustomParam* const> Args;

  size_t Count() const { return Args.size(); }
  bool Has(size_t i) const { return i < Args.size(); }
  TCustomParam& Arg(size_t i) const { return *Args[i]; }
  // The function's name from the table.
  std::string Name() const;
  // The variable behind a variable argument (the whole variable, not an element); a constant or an expression fails
  // with the function name followed by ":変数が見つかりません".
  TCustomParam& Var(size_t i) const;
  // A variable argument itself, for functions that change the variable or element it names (checked as Var does).
  TCustomParam& Ref(size_t i) const;
  // The variable item behind a variable argument (checked as Var does).
  TParamCollectionItem& VarItem(size_t i) const;
};

bool CallStringFunc(const TFuncCall& c);
bool CallKanaFunc(const TFuncCall& c);
bool CallNumberFunc(const TFuncCall& c);
bool CallDateFunc(const TFuncCall& c);
bool CallArrayFunc(const TFuncCall& c);
bool CallFileFunc(const TFuncCall& c);
bool CallDBFunc(const TFuncCall& c);

// The lines of a text file (CR LF, a lone CR or a lone LF end a line; no empty last line after a final break), or
// false when the virtual file is missing, empty or named outside the game's folders.
bool ReadTextLines(TSysFuncMan& man, const std::string& name, std::vector<std::string>& lines);


}  // namespace velk

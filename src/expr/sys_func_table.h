#pragma once
// The interface through which expressions reach the system functions: the table of names, argument bounds and
// result types that the compiler checks calls against, and the call itself.
#include <cstdint>
#include <span>
#include <string_view>

namespace velk {

class TCustomParam;

struct TSysFuncInfo {
  const char* Name;
  int32_t Min;     // -1: no bound
  int32_t Max;     // -1: no bound
  uint8_t Result;  // the type of the temporary that receives the result
};

// The function number of GetProp, whose result takes the type of the property named by its second argument.
constexpr uint8_t kFuncGetProp = 2;
// The highest property number.
constexpr int32_t kMaxPropertyId = 164;

class ISysFuncTable {
 public:
  virtual ~ISysFuncTable() = default;
  // The number of the function of that name (letter case ignored), or -1.
  virtual int32_t FindFunc(std::string_view name) const = 0;
  // The row of a function number, or null beyond the table.
  virtual const TSysFuncInfo* FuncInfo(int32_t number) const = 0;
  // The value type of a property (0 .. kMaxPropertyId).
  virtual uint8_t PropertyType(int32_t prop) const = 0;
  // Runs one call: the result goes into the target. Arguments are constants or resolved references (TParamVar) for
  // arguments that name a variable. Failures are exceptions; the evaluator stops on them.
  virtual void Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) = 0;
};

}  // namespace velk

#pragma once
// The 51 system variables ("@Result" .. "@StackCount"): values that read and write the player's own state.
#include <cstdint>
#include <string>

#include "expr/param.h"

namespace velk {

constexpr int32_t kSystemVarCount = 51;

// The name of system variable number n (0 .. 50).
const char* SystemVarName(int32_t n);

class TParamSystem : public TCustomParam {
 public:
  TParamSystem(TParamCollection& store, uint8_t number) : store_(store), number_(number) {}
  uint8_t Number() const { return number_; }

  int32_t GetCount() const override;
  void SetCount(int32_t n) override;
  uint8_t GetType() const override;
  bool GetBool() const override;
  long double GetFloat() const override;
  int32_t GetInt() const override;
  std::string GetStr() const override;
  void SetBool(bool b) override;
  void SetFloat(long double x) override;
  void SetInt(int32_t n) override;
  void SetStr(const std::string& s) override;
  int32_t GetIntAt(int32_t i) const override;
  void SetIntAt(int32_t i, int32_t n) override;
  long double GetFloatAt(int32_t i) const override;
  void SetFloatAt(int32_t i, long double x) override;
  bool GetBoolAt(int32_t i) const override;
  void SetBoolAt(int32_t i, bool b) override;
  std::string GetStrAt(int32_t i) const override;
  void SetStrAt(int32_t i, const std::string& s) override;
  int32_t GetDimCount() const override;
  int32_t GetDim(int32_t k) const override;
  void CloneFrom(const TCustomParam& other) override;
  void SetDims(const std::vector<int32_t>& sizes) override;
  void FillInt(int32_t n) override;
  void FillFloat(long double x) override;
  void FillBool(bool b) override;
  void FillStr(const std::string& s) override;
  void CopyMem(const TCustomParam& other) override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s) override;
  void MakeScalar() override {}
  int32_t IndexOf(const std::string& text, bool case_sensitive, bool partial) const override;

 private:
  // "@Result" and "@Temp" forward every operation to another value (null when there is none).
  TCustomParam* forward() const;
  TParamCollection& store_;
  uint8_t number_;
};

}  // namespace velk

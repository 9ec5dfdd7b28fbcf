#pragma once
// Values of variables: the abstract value with its dimension list, the four element classes (int, float, flag,
// string) and the reference to another variable or to one element of it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

// Value type codes, one byte wherever stored.
constexpr uint8_t PT_NONE = 0;  // reference
constexpr uint8_t PT_INT = 1;
constexpr uint8_t PT_FLOAT = 2;
constexpr uint8_t PT_BOOL = 3;
constexpr uint8_t PT_STR = 4;

// The largest element count of an array; larger dimension products are refused rather than allocated.
constexpr int64_t kMaxParamElements = int64_t{1} << 22;

class TParamCollection;
class TParamCollectionItem;

// The user-facing name of a type code ("整数", "実数", "フラグ", "文字列"; empty for others), code page 932.
std::string ParamTypeName(uint8_t type);

// The abstract value. The base versions return 0 / false / empty and do nothing.
class TCustomParam {
 public:
  TCustomParam() = default;
  virtual ~TCustomParam() = default;
  TCustomParam(const TCustomParam&) = delete;
  TCustomParam& operator=(const TCustomParam&) = delete;

  virtual int32_t GetCount() const { return 1; }
  virtual void SetCount(int32_t n) {}
  virtual uint8_t GetType() const { return PT_INT; }
  virtual bool GetBool() const { return false; }
  virtual long double GetFloat() const { return 0; }
  virtual int32_t GetInt() const { return 0; }
  virtual std::string GetStr() const { return {}; }
  virtual void SetBool(bool b) {}
  virtual void SetFloat(long double x) {}
  virtual void SetInt(int32_t n) {}
  virtual void SetStr(const std::string& s) {}
  virtual int32_t GetIntAt(int32_t i) const { return 0; }
  virtual void SetIntAt(int32_t i, int32_t n) {}
  virtual long double GetFloatAt(int32_t i) const { return 0; }
  virtual void SetFloatAt(int32_t i, long double x) {}
  virtual bool GetBoolAt(int32_t i) const { return false; }
  virtual void SetBoolAt(int32_t i, bool b) {}
  virtual std::string GetStrAt(int32_t i) const { return {}; }
  virtual void SetStrAt(int32_t i, const std::string& s) {}
  // Number of dimensions; 1 for a scalar.
  virtual int32_t GetDimCount() const;
  // Size of dimension k; 1 when k is out of range.
  virtual int32_t GetDim(int32_t k) const;
  // Copies dimensions and raw elements from a value of the same class.
  virtual void CloneFrom(const TCustomParam& other) {}
  // Sets the dimensions (each at least 1); the element count becomes their product.
  virtual void SetDims(const std::vector<int32_t>& sizes);
  virtual void FillInt(int32_t n) {}
  virtual void FillFloat(long double x) {}
  virtual void FillBool(bool b) {}
  virtual void FillStr(const std::string& s) {}
  // Copies count, dimensions and elements from a value of exactly the same class.
  virtual void CopyMem(const TCustomParam& other) {}
  virtual void SaveToStream(TStream& s) const;
  // Loading treats the stream as hostile: dimensions and counts are checked before anything is allocated.
  virtual void LoadFromStream(TStream& s);
  // Called before every scalar write: an array becomes a scalar holding one element.
  virtual void MakeScalar();
  // The first element index whose string form matches, or -1.
  virtual int32_t IndexOf(const std::string& text, bool case_sensitive, bool partial) const;

  // The dimension list, empty for a scalar.
  const std::vector<int32_t>& Dims() const { return dims_; }

 protected:
  // Reads the dimension list and returns the element count it implies.
  int32_t LoadDims(TStream& s);
  std::vector<int32_t> dims_;
};

// The element product of a dimension list, checked: each size at least 1, the product at most kMaxParamElements.
// Fails with the "配列の要素数[...]が不正です" message.
int32_t CheckedDimProduct(const std::vector<int32_t>& sizes);
// Throws the index failure "[%d]:配列の添字が不正です".
[[noreturn]] void ThrowBadIndex(int32_t i);

// A new value of the class of a type code (0: a reference); nothing for other codes.
std::unique_ptr<TCustomParam> NewParam(uint8_t type);
// A new standalone value of the same class with the same dimensions and elements (type 1 .. 4 only; else null).
std::unique_ptr<TCustomParam> CloneParam(const TCustomParam& value);
// Converting assignment: dimensions from the source, then element by element through the target's setters.
void AssignConverting(TCustomParam& target, const TCustomParam& source);

// The reference: forwards every operation to its target item's value. Scalar operations act on the target's element
// at the element index; indexed operations act on the target with the given index.
class TParamVar : public TCustomParam {
 public:
  TParamVar() = default;
  explicit TParamVar(std::string target_name) : target_name_(std::move(target_name)) {}
  ~TParamVar() override;

  const std::string& TargetName() const { return target_name_; }
  void SetTargetName(std::string name) { target_name_ = std::move(name); }
  TParamCollectionItem* TargetItem() const { return target_; }
  int32_t ElementIndex() const { return index_; }
  void SetElementIndex(int32_t i) { index_ = i; }
  uint8_t Reserved() const { return reserved_; }

  // Looks the target name up (a missing one fails with the "変数がありません" message); a target that is itself a
  // reference hands over its own target and element index.
  void Resolve(TParamCollection& store);
  // Points at an item directly (its element index is left as it is). A reference target is followed as in Resolve.
  void SetTarget(TParamCollection& store, TParamCollectionItem* item);
  // The end of the chain of references that starts at item: the first item whose value is not a reference, `index`
  // taking over the element index of each reference passed. Null when the chain leads nowhere (a missing target, a
  // cycle back to `self`, more than 64 links).
  static TParamCollectionItem* Follow(TParamCollection& store, TParamCollectionItem* item, const TParamVar* self,
                                      int32_t& index);
  // Forgets the resolved target.
  void Release();

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
  void SetDims(const std::vector<int32_t>& sizes) override;
  void FillInt(int32_t n) override;
  void FillFloat(long double x) override;
  void FillBool(bool b) override;
  void FillStr(const std::string& s) override;
  void SaveToStream(TStream& s) const override;
  // Reads the fields; the resolved target's name is looked up in `store` when one is given.
  void LoadFromStream(TStream& s) override;
  void LoadFromStream(TStream& s, TParamCollection* store);
  void MakeScalar() override {}
  int32_t IndexOf(const std::string& text, bool case_sensitive, bool partial) const override;

 private:
  friend class TParamCollection;
  TCustomParam* target_value() const;
  std::string target_name_;
  TParamCollectionItem* target_ = nullptr;
  TParamCollection* store_ = nullptr;  // where the resolution is registered, so a freed target clears it
  uint8_t reserved_ = 0;
  int32_t index_ = 0;
};

}  // namespace velk

namespace velk {

// The four element classes: a dynamic array of elements behind the dimension list.
template <class T, uint8_t Type> class TParamElements : public TCustomParam {
 public:
  TParamElements() : items_(1) {}

  int32_t GetCount() const override { return static_cast<int32_t>(items_.size()); }
  void SetCount(int32_t n) override;
  uint8_t GetType() const override { return Type; }
  bool GetBool() const override { return GetBoolAt(0); }
  long double GetFloat() const override { return GetFloatAt(0); }
  int32_t GetInt() const override { return GetIntAt(0); }
  std::string GetStr() const override { return GetStrAt(0); }
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
  void CloneFrom(const TCustomParam& other) override;
  void CopyMem(const TCustomParam& other) override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s) override;
  void MakeScalar() override;

  // The raw elements in linear order.
  const std::vector<T>& Items() const { return items_; }

 protected:
  const T& at(int32_t i) const;
  T& at(int32_t i);
  std::vector<T> items_;
};

class TParamInt : public TParamElements<int32_t, PT_INT> {
 public:
  void FillInt(int32_t n) override;
};
class TParamFloat : public TParamElements<long double, PT_FLOAT> {
 public:
  void FillFloat(long double x) override;
};
class TParamFlag : public TParamElements<uint8_t, PT_BOOL> {
 public:
  void FillBool(bool b) override;
};
class TParamStr : public TParamElements<std::string, PT_STR> {
 public:
  void FillStr(const std::string& s) override;
};

}  // namespace velk

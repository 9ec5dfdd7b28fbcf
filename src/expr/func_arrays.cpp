// Functions on whole variables: sizes, fills, copies, one-dimensional insertion and removal, joining and splitting
// strings, searching and sorting.
#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_groups.h"
#include "expr/sys_func_man.h"

namespace velk {

namespace {

// Element si of the source written into element di of the target, converted to the target's type.
void copy_element(TCustomParam& dst, int32_t di, const TCustomParam& src, int32_t si) {
  switch (dst.GetType()) {
    case PT_INT: dst.SetIntAt(di, src.GetIntAt(si)); break;
    case PT_FLOAT: dst.SetFloatAt(di, src.GetFloatAt(si)); break;
    case PT_BOOL: dst.SetBoolAt(di, src.GetBoolAt(si)); break;
    default: dst.SetStrAt(di, src.GetStrAt(si)); break;
  }
}

// Rebuilds a one-dimensional array of count elements: element i comes from old[pick(i)] or, when pick gives -1 - j,
// from insert[j]. A count of 0 leaves a scalar holding the empty value of its type.
template <class Pick>
void rebuild(TCustomParam& a, int32_t count, const TCustomParam& old, const TCustomParam* insert, Pick pick) {
  if (count <= 0) {
    auto empty = NewParam(a.GetType());
    a.CopyMem(*empty);
    return;
  }
  a.SetDims({count});
  for (int32_t i = 0; i < count; ++i) {
    int32_t k = pick(i);
    if (k >= 0) {
      copy_element(a, i, old, k);
    } else {
      copy_element(a, i, *insert, -1 - k);
    }
  }
}

int32_t add_array(TCustomParam& a, const TCustomParam& b_value) {
  int32_t na = a.GetCount();
  if (a.GetDimCount() > 1 || b_value.GetDimCount() > 1) return na;
  auto old = CloneParam(a);
  auto b = CloneParam(b_value);
  int32_t nb = b->GetCount();
  CheckedDimProduct({na + nb});
  rebuild(a, na + nb, *old, b.get(), [&](int32_t i) { return i < na ? i : -1 - (i - na); });
  return a.GetCount();
}

int32_t insert_array(TCustomParam& a, const TCustomParam& b_value, int32_t pos) {
  int32_t na = a.GetCount();
  if (a.GetDimCount() > 1 || b_value.GetDimCount() > 1) return na;
  if (pos < 0 || pos > na) ThrowBadIndex(pos);
  auto old = CloneParam(a);
  auto b = CloneParam(b_value);
  int32_t nb = b->GetCount();
  CheckedDimProduct({na + nb});
  rebuild(a, na + nb, *old, b.get(), [&](int32_t i) {
    return i < pos ? i : i < pos + nb ? -1 - (i - pos) : i - nb;
  });
  return a.GetCount();
}

int32_t delete_array(TCustomParam& a, int32_t pos, int32_t count) {
  int32_t na = a.GetCount();
  if (a.GetDimCount() > 1) return na;
  if (pos < 0 || pos >= na) ThrowBadIndex(pos);
  count = std::clamp(count, 0, na - pos);
  if (count == 0) return na;
  auto old = CloneParam(a);
  rebuild(a, na - count, *old, nullptr, [&](int32_t i) { return i < pos ? i : i + count; });
  return na - count;
}

// Splits at the delimiter; the default (CR LF) also splits at a lone CR or LF and, as text lines do, leaves no
// empty last piece after a final line break.
std::vector<std::string> split(const std::string& s, const std::string* delimiter) {
  std::vector<std::string> out;
  if (delimiter == nullptr) {
    size_t i = 0;
    while (i < s.size()) {
      size_t e = s.find_first_of("\r\n", i);
      if (e == std::string::npos) e = s.size();
      out.push_back(s.substr(i, e - i));
      if (e < s.size() && s[e] == '\r' && e + 1 < s.size() && s[e + 1] == '\n') ++e;
      i = e + 1;
    }
    return out;
  }
  if (delimiter->empty()) return {s};
  size_t start = 0;
  for (size_t i = 0; i + delimiter->size() <= s.size();) {
    if (s.compare(i, delimiter->size(), *delimiter) == 0) {
      out.push_back(s.substr(start, i - start));
      i += delimiter->size();
      start = i;
    } else {
      i += CharLength(s, i);
    }
  }
  out.push_back(s.substr(start));
  return out;
}

}  // namespace

void SetStringArray(TCustomParam* arg, const std::vector<std::string>& items, const std::string& func_name) {
  auto* ref = dynamic_cast<TParamVar*>(arg);
  TParamCollectionItem* item = ref != nullptr ? ref->TargetItem() : nullptr;
  if (item == nullptr) throw EVelkError(func_name + Utf8ToCp932(":変数が見つかりません"));
  auto value = NewParam(PT_STR);
  if (!items.empty()) {
    value->SetDims({CheckedDimProduct({static_cast<int32_t>(std::min<size_t>(items.size(), INT32_MAX))})});
    for (size_t i = 0; i < items.size(); ++i) value->SetStrAt(static_cast<int32_t>(i), items[i]);
  }
  item->SetValue(std::move(value));
}

bool CallArrayFunc(const TFuncCall& c) {
  TCustomParam& t = c.Target;
  switch (c.Number) {
    case 4: {  // GetArraySize (variable [, k]): k counts dimensions from the last one
      TCustomParam& v = c.Var(0);
      if (!c.Has(1)) {
        t.SetInt(v.GetCount());
      } else {
        int32_t k = c.Arg(1).GetInt();
        t.SetInt(k < 0 || k >= v.GetDimCount() ? 0 : v.GetDim(v.GetDimCount() - 1 - k));
      }
      return true;
    }
    case 21: {  // SetArray (variable, d1, ..., dn)
      TCustomParam& v = c.Var(0);
      std::vector<int32_t> sizes;
      for (size_t i = 1; i < c.Count(); ++i) sizes.push_back(c.Arg(i).GetInt());
      CheckedDimProduct(sizes);
      v.SetDims(sizes);
      t.SetInt(v.GetCount());
      return true;
    }
    case 22: {  // FillMem (variable, value)
      TCustomParam& v = c.Var(0);
      const TCustomParam& x = c.Arg(1);
      switch (v.GetType()) {
        case PT_INT: v.FillInt(x.GetInt()); break;
        case PT_FLOAT: v.FillFloat(x.GetFloat()); break;
        case PT_BOOL: v.FillBool(x.GetBool()); break;
        default: v.FillStr(x.GetStr()); break;
      }
      t.SetInt(v.GetCount());
      return true;
    }
    case 23: {  // CopyMem (destination, source)
      TCustomParam& d = c.Var(0);
      d.CopyMem(c.Var(1));
      t.SetInt(d.GetCount());
      return true;
    }
    case 70: AssignConverting(c.Var(0), c.Var(1)); t.SetBool(true); return true;  // CopyArray
    case 66: t.SetInt(add_array(c.Var(0), c.Var(1))); return true;
    case 67: t.SetInt(insert_array(c.Var(0), c.Var(1), c.Arg(2).GetInt())); return true;
    case 68: t.SetInt(delete_array(c.Var(0), c.Arg(1).GetInt(), c.Arg(2).GetInt())); return true;
    case 28: {  // ArrayToString (variable [, delimiter])
      TCustomParam& v = c.Var(0);
      std::string delimiter = c.Has(1) ? c.Arg(1).GetStr() : std::string("\r\n");
      std::string out;
      for (int32_t i = 0; i < v.GetCount(); ++i) {
        if (i > 0) out += delimiter;
        out += v.GetStrAt(i);
        if (out.size() > kMaxFuncString) throw EVelkError(c.Name() + Utf8ToCp932(":文字列が長すぎます"));
      }
      t.SetStr(out);
      return true;
    }
    case 29: {  // StringToArray (s, variable [, delimiter]): the variable becomes a string array
      std::string s = c.Arg(0).GetStr();
      std::string delimiter = c.Has(2) ? c.Arg(2).GetStr() : std::string();
      std::vector<std::string> pieces = s.empty() ? std::vector<std::string>() : split(s, c.Has(2) ? &delimiter : nullptr);
      SetStringArray(c.Args[1], pieces, c.Name());
      t.SetInt(static_cast<int32_t>(pieces.size()));
      return true;
    }
    case 30: {  // IndexOfStr (s, variable [, case sensitive [, partial]])
      bool case_sensitive = !c.Has(2) || c.Arg(2).GetBool();
      bool partial = c.Has(3) && c.Arg(3).GetBool();
      t.SetInt(c.Var(1).IndexOf(c.Arg(0).GetStr(), case_sensitive, partial));
      return true;
    }
    case 31: {  // SortStr (variable): as strings, letter case ignored
      TCustomParam& v = c.Var(0);
      std::vector<std::string> items;
      for (int32_t i = 0; i < v.GetCount(); ++i) items.push_back(v.GetStrAt(i));
      std::stable_sort(items.begin(), items.end(),
                       [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
      for (int32_t i = 0; i < v.GetCount(); ++i) v.SetStrAt(i, items[static_cast<size_t>(i)]);
      t.SetInt(v.GetCount());
      return true;
    }
    default: return false;
  }
}

}  // namespace velk

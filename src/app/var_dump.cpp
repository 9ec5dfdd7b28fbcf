#include "app/var_dump.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"

namespace velk {

namespace {

std::string escape(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

const char* type_name(uint8_t type) {
  switch (type) {
    case PT_INT: return "int";
    case PT_FLOAT: return "float";
    case PT_BOOL: return "flag";
    case PT_STR: return "string";
    default: return "ref";
  }
}

std::string element(const TCustomParam& v, uint8_t type, int32_t i) {
  switch (type) {
    case PT_INT: return std::to_string(v.GetIntAt(i));
    case PT_FLOAT: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17Lg", v.GetFloatAt(i));
      return buf;
    }
    case PT_BOOL: return v.GetBoolAt(i) ? "1" : "0";
    case PT_STR: return escape(Cp932ToUtf8(v.GetStrAt(i)));
    default: return {};
  }
}

// "[i,j]" of a row-major element index.
std::string subscript(const std::vector<int32_t>& dims, int32_t linear) {
  std::vector<int32_t> idx(dims.size());
  for (size_t k = dims.size(); k-- > 0;) {
    idx[k] = linear % dims[k];
    linear /= dims[k];
  }
  std::string s = "[";
  for (size_t k = 0; k < idx.size(); ++k) s += (k ? "," : "") + std::to_string(idx[k]);
  return s + "]";
}

}  // namespace

std::string DumpVariables(const TParamCollection& vars) {
  std::vector<std::pair<std::string, std::string>> lines;  // sort key (UTF-8 name), line
  for (int32_t n = 0; n < vars.Count(); ++n) {
    const TParamCollectionItem* item = vars.Var(n);
    if (item == nullptr || item->IsSystem() || item->Value() == nullptr) continue;
    std::string name = Cp932ToUtf8(item->Name());
    const TCustomParam& v = *item->Value();
    uint8_t type = item->TypeCode();
    if (type == PT_NONE) {
      const auto* ref = dynamic_cast<const TParamVar*>(&v);
      std::string target = ref != nullptr ? escape(Cp932ToUtf8(ref->TargetName())) : std::string();
      lines.push_back({name, name + "\tref\t" + target + "\n"});
      continue;
    }
    const std::vector<int32_t>& dims = v.Dims();
    if (dims.empty()) {
      lines.push_back({name, name + "\t" + type_name(type) + "\t" + element(v, type, 0) + "\n"});
      continue;
    }
    for (int32_t i = 0; i < v.GetCount(); ++i) {
      std::string full = name + subscript(dims, i);
      lines.push_back({name, full + "\t" + type_name(type) + "\t" + element(v, type, i) + "\n"});
    }
  }
  // Stable: the elements of an array stay in index order under their name.
  std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string out;
  for (const auto& l : lines) out += l.second;
  return out;
}

}  // namespace velk

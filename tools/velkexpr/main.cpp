// velkexpr: compiles an expression, optionally shows the operations and the stored bytes, and evaluates it against
// variables given on the command line.
//
//   velkexpr [--dump] [--var NAME:TYPE[=VALUE]]... EXPRESSION...
//
// TYPE is int, float, flag or string, optionally followed by dimensions ("m:int[2,3]=0" fills an array); a flag's
// VALUE is 1, 0, TRUE or FALSE (any case). The
// expression is the remaining arguments joined by spaces, or standard input when there are none. Output: every
// variable the run changed as NAME:TYPE=VALUE (arrays as NAME:TYPE[dims]={e0,e1,...}), then on the last line
// "= TYPE VALUE" or "= none". Floats print with up to 17 significant digits, flags as 1 or 0; CR, LF and backslash
// in strings print as \r, \n and \\. Texts are UTF-8 on the command line and in the output.
//
// Every system function is available; those of the scene, the message windows and the shell find nothing here.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_man.h"
#include "expr/value_convert.h"
#include "expr/velk_parser.h"
#include "vfs/stream.h"

namespace velk {
namespace {

const char* type_name(uint8_t type) {
  switch (type) {
    case PT_INT: return "int";
    case PT_FLOAT: return "float";
    case PT_BOOL: return "flag";
    case PT_STR: return "string";
    default: return "none";
  }
}

std::string escaped(const std::string& cp932) {
  std::string out;
  for (char c : Cp932ToUtf8(cp932)) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

std::string element_text(const TCustomParam& v, int32_t i) {
  switch (v.GetType()) {
    case PT_FLOAT: {
      char buf[64];
      std::snprintf(buf, sizeof(buf), "%.17Lg", v.GetFloatAt(i));
      return buf;
    }
    case PT_BOOL: return v.GetBoolAt(i) ? "1" : "0";
    case PT_STR: return escaped(v.GetStrAt(i));
    default: return std::to_string(v.GetIntAt(i));
  }
}

// NAME:TYPE=VALUE, or NAME:TYPE[dims]={...} for an array.
std::string describe(const TParamCollectionItem& item) {
  const TCustomParam& v = *item.Value();
  std::string out = Cp932ToUtf8(item.Name()) + ":" + type_name(item.TypeCode());
  if (v.Dims().empty()) return out + "=" + element_text(v, 0);
  out += "[";
  for (size_t k = 0; k < v.Dims().size(); ++k) out += (k > 0 ? "," : "") + std::to_string(v.Dims()[k]);
  out += "]={";
  for (int32_t i = 0; i < v.GetCount(); ++i) out += (i > 0 ? "," : "") + element_text(v, i);
  return out + "}";
}

uint8_t parse_type(const std::string& name) {
  if (name == "int") return PT_INT;
  if (name == "float") return PT_FLOAT;
  if (name == "flag") return PT_BOOL;
  if (name == "string") return PT_STR;
  throw EVelkError("unknown type " + name + " (int, float, flag or string)");
}

bool parse_flag(const std::string& value, const std::string& definition) {
  std::string lower = value;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "1" || lower == "true") return true;
  if (lower.empty() || lower == "0" || lower == "false") return false;
  throw EVelkError("a flag is 1, 0, TRUE or FALSE: " + definition);
}

// NAME:TYPE[d1,d2]=VALUE
void add_var(TParamCollection& store, const std::string& definition) {
  size_t colon = definition.find(':');
  if (colon == std::string::npos) throw EVelkError("--var needs NAME:TYPE=VALUE: " + definition);
  size_t eq = definition.find('=', colon);
  std::string type_text = definition.substr(colon + 1, eq == std::string::npos ? std::string::npos : eq - colon - 1);
  std::string value = eq == std::string::npos ? std::string() : Utf8ToCp932(definition.substr(eq + 1));
  std::vector<int32_t> dims;
  size_t bracket = type_text.find('[');
  if (bracket != std::string::npos) {
    if (type_text.back() != ']') throw EVelkError("bad dimensions: " + definition);
    std::string list = type_text.substr(bracket + 1, type_text.size() - bracket - 2) + ",";
    for (size_t p = 0, q; (q = list.find(',', p)) != std::string::npos; p = q + 1) {
      dims.push_back(StrToInt(list.substr(p, q - p)));
    }
    type_text.resize(bracket);
  }
  const uint8_t type = parse_type(type_text);
  TParamCollectionItem* item = store.NewVariable(Utf8ToCp932(definition.substr(0, colon)), type, kScopeGlobal);
  TCustomParam& v = *item->Value();
  if (type == PT_BOOL) {
    // A flag is written as a person would: 1 or 0, TRUE or FALSE in any case (empty is false).
    const bool flag = parse_flag(value, definition);
    v.SetBool(flag);
    if (!dims.empty()) {
      v.SetDims(dims);
      for (int32_t i = 0; i < v.GetCount(); ++i) v.SetBoolAt(i, flag);
    }
    return;
  }
  v.SetStr(value);
  if (!dims.empty()) {
    v.SetDims(dims);
    for (int32_t i = 0; i < v.GetCount(); ++i) v.SetStrAt(i, value);
  }
}

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof(buf), "%s%02x", i > 0 ? " " : "", bytes[i]);
    out += buf;
  }
  return out;
}

int run(int argc, char** argv) {
  TParamCollection store;
  TSysFuncMan funcs(store);  // every system function; scene and shell functions find nothing here
  bool dump = false;
  std::string text;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--dump") {
      dump = true;
    } else if (arg == "--var" && i + 1 < argc) {
      add_var(store, argv[++i]);
    } else if (arg == "--help" || arg == "-h") {
      std::cout << "usage: velkexpr [--dump] [--var NAME:TYPE[=VALUE]]... EXPRESSION...\n";
      return 0;
    } else {
      text += (text.empty() ? "" : " ") + arg;
    }
  }
  if (text.empty()) text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  text = Utf8ToCp932(text);

  std::map<std::string, std::string> before;
  for (int32_t i = 0; i < store.Count(); ++i) {
    if (!store.Var(i)->IsSystem()) before[store.Var(i)->Name()] = describe(*store.Var(i));
  }

  TBuildVelkParser build;
  build.Compile(text);
  TMemoryStream stored;
  build.WriteTo(stored, &funcs);
  if (dump) {
    for (const TBuildOpeData& op : build.Opes()) {
      std::string line = std::string(OpeCodeName(op.Code)) + " " + Cp932ToUtf8(op.Target);
      for (const std::string& operand : op.Operands) line += " " + escaped(operand);
      std::cout << line << "\n";
    }
    std::cout << "bytes " << hex(stored.Bytes()) << "\n";
  }
  TVelkParser parser;
  stored.SetPosition(0);
  parser.LoadFromStream(stored);
  parser.Execute(store, &funcs);
  if (!parser.LastError().empty()) std::cerr << "run stopped: " << escaped(parser.LastError()) << "\n";

  for (int32_t i = 0; i < store.Count(); ++i) {
    const TParamCollectionItem& item = *store.Var(i);
    if (item.IsSystem()) continue;
    std::string now = describe(item);
    auto it = before.find(item.Name());
    if (it == before.end() || it->second != now) std::cout << now << "\n";
  }
  if (const TCustomParam* r = parser.Result()) {
    std::cout << "= " << type_name(r->GetType()) << " " << element_text(*r, 0) << "\n";
  } else {
    std::cout << "= none\n";
  }
  return 0;
}

}  // namespace
}  // namespace velk

int main(int argc, char** argv) {
  try {
    return velk::run(argc, argv);
  } catch (const velk::EVelkError& e) {
    std::cerr << "velkexpr: " << e.Utf8() << "\n";
    return 1;
  }
}

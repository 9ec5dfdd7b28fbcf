#include "expr/build_parser.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_table.h"
#include "expr/value_convert.h"
#include "expr/velk_parser.h"
#include "vfs/stream_io.h"

namespace velk {

// The compiler works on characters: a double-byte character is one unit (lead byte * 256 + trail byte), so that
// no trail byte is ever mistaken for a bracket, a backslash or an operator.
namespace {

std::u16string to_chars(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLength(s, i);
    uint8_t b = static_cast<uint8_t>(s[i]);
    out += n == 2 ? static_cast<char16_t>((b << 8) | static_cast<uint8_t>(s[i + 1])) : static_cast<char16_t>(b);
    i += n;
  }
  return out;
}

std::string from_chars(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c > 0xFF) out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
  }
  return out;
}

std::u16string chars(const char* ascii) { return to_chars(ascii); }

bool is_space(char16_t c) { return c <= u' '; }

std::u16string trim(std::u16string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && is_space(s[b])) ++b;
  while (e > b && is_space(s[e - 1])) --e;
  return std::u16string(s.substr(b, e - b));
}

bool is_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// The operator characters of calls and element references: + - * / % | & ^ = [ ] ( ) , < >
bool is_op_char(char16_t c) {
  return c < 0x80 && std::char_traits<char>::find("+-*/%|&^=[](),<>", 16, static_cast<char>(c));
}

bool has_op_char(std::u16string_view s) { return std::any_of(s.begin(), s.end(), is_op_char); }

// The characters that split tokens: % & * + - / < = > ^ |
bool is_token_char(char16_t c) {
  return c < 0x80 && std::char_traits<char>::find("%&*+-/<=>^|", 11, static_cast<char>(c));
}

// A token that starts like an operator (or an opening bracket): the tokens before which + and - are unary.
bool starts_like_operator(const std::string& t, const char* set) {
  return !t.empty() && std::char_traits<char>::find(set, std::char_traits<char>::length(set), t[0]) != nullptr;
}

[[noreturn]] void syntax_error() { throw EVelkError(Utf8ToCp932("構文エラー")); }

struct op_row {
  const char* text;
  uint8_t code;
  int group;  // precedence group, 0 binds tightest
};

const op_row kOperators[] = {
    {"*", ocMul, 0},     {"/", ocDiv, 0},     {"%", ocMod, 0},     {"+", ocPlus, 1},      {"-", ocMinus, 1},
    {"<<", ocShiftL, 2}, {">>", ocShiftR, 2}, {"==", ocEqual, 3},  {">=", ocEBig, 3},     {"<=", ocESmall, 3},
    {">", ocBig, 3},     {"<", ocSmall, 3},   {"<>", ocNEqual, 3}, {"++", ocComboStr, 4}, {"&", ocAnd, 5},
    {"^", ocXor, 6},     {"|", ocOr, 7},      {"=", ocTo, 8},
};
constexpr int kAssignGroup = 8;

const op_row* find_operator(const std::string& token) {
  for (const op_row& row : kOperators) {
    if (token == row.text) return &row;
  }
  return nullptr;
}

// Splits at the token characters; the pairs "==", ">=", "<=", "++", "<>", "<<", ">>" are one token.
std::vector<std::string> tokenize(const std::u16string& text) {
  static const char* const kPairs[] = {"==", ">=", "<=", "++", "<>", "<<", ">>"};
  std::vector<std::string> tokens;
  std::u16string piece;
  auto flush = [&] {
    std::u16string t = trim(piece);
    if (!t.empty()) tokens.push_back(from_chars(t));
    piece.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (!is_token_char(c)) {
      piece += c;
      continue;
    }
    flush();
    std::string op(1, static_cast<char>(c));
    if (i + 1 < text.size() && text[i + 1] < 0x80) {
      std::string pair = op + static_cast<char>(text[i + 1]);
      if (std::find_if(std::begin(kPairs), std::end(kPairs), [&](const char* p) { return pair == p; }) !=
          std::end(kPairs)) {
        op = pair;
        ++i;
      }
    }
    tokens.push_back(op);
  }
  flush();
  return tokens;
}

// Pairs of brackets: for each opening one, the position of its closing one. Unbalanced brackets fail.
std::vector<std::pair<size_t, size_t>> bracket_pairs(const std::u16string& text, char16_t open, char16_t close) {
  std::vector<std::pair<size_t, size_t>> pairs;
  std::vector<size_t> stack;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == open) {
      stack.push_back(i);
    } else if (text[i] == close) {
      if (stack.empty()) syntax_error();
      pairs.emplace_back(stack.back(), i);
      stack.pop_back();
    }
  }
  if (!stack.empty()) syntax_error();
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

// Splits at commas outside square brackets.
std::vector<std::u16string> split_arguments(const std::u16string& text) {
  std::vector<std::u16string> out;
  std::u16string piece;
  int depth = 0;
  for (char16_t c : text) {
    if (c == u'[') ++depth;
    if (c == u']' && --depth < 0) syntax_error();
    if (c == u',' && depth == 0) {
      out.push_back(trim(piece));
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (depth != 0) syntax_error();
  out.push_back(trim(piece));
  return out;
}

// Drops outer parentheses while they enclose the whole text.
std::u16string strip_parens(std::u16string s) {
  while (s.size() >= 2 && s.front() == u'(' && s.back() == u')') {
    int depth = 0;
    size_t match = std::u16string::npos;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == u'(') ++depth;
      if (s[i] == u')' && --depth == 0) {
        match = i;
        break;
      }
    }
    if (match != s.size() - 1) break;
    s = trim(std::u16string_view(s).substr(1, s.size() - 2));
  }
  return s;
}

// Brackets nest at most this deep. Each level is compiled by a pass over the whole text (and calls by a nested
// compilation), so the bound keeps hostile or generated text from costing time and stack without limit; written
// expressions stay far below it.
constexpr int kMaxNesting = 256;

// Fails when round and square brackets outside string literals nest deeper than kMaxNesting.
void check_nesting(const std::u16string& text) {
  int depth = 0;
  bool literal = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (literal) {
      if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'"' || text[i + 1] == u'\\')) {
        ++i;
      } else if (c == u'"') {
        literal = false;
      }
    } else if (c == u'"') {
      literal = true;
    } else if (c == u'(' || c == u'[') {
      if (++depth > kMaxNesting) throw EVelkError(Utf8ToCp932("式の括弧が深すぎます"));
    } else if (c == u')' || c == u']') {
      --depth;
    }
  }
}

bool is_plain_temp(const std::string& name) {
  return name.compare(0, 4, "____") == 0 && name.compare(0, 6, "____d_") != 0 && name != kResultTemp;
}

}  // namespace

void TBuildVelkParser::Clear() {
  opes_.clear();
  counter_ = 0;
}

std::string TBuildVelkParser::new_temp() { return "____" + std::to_string(counter_++); }
std::string TBuildVelkParser::new_dim_temp() { return "____d_" + std::to_string(counter_++); }

void TBuildVelkParser::add(uint8_t code, std::string target, std::vector<std::string> operands) {
  opes_.push_back(TBuildOpeData{code, std::move(target), std::move(operands)});
}

void TBuildVelkParser::Compile(const std::string& text) {
  std::u16string chars = to_chars(text);
  check_nesting(chars);
  compile_text(std::move(chars));
  remove_copies();
}

// An argument or index: an empty operand, the text itself, or a temporary computed from it.
std::string TBuildVelkParser::operand_of(const std::u16string& piece) {
  if (piece.empty()) return {};
  std::u16string s = strip_parens(piece);
  if (!has_op_char(s)) return from_chars(s);
  std::string t = new_temp();
  compile_text(to_chars(t) + chars(" = ") + s);
  return t;
}

void TBuildVelkParser::compile_call(std::u16string& text, size_t start, size_t open, size_t close) {
  std::string name = from_chars(trim(std::u16string_view(text).substr(start, open - start)));
  std::u16string args = trim(std::u16string_view(text).substr(open + 1, close - open - 1));
  std::string target = new_temp();
  std::vector<std::string> operands{name};
  if (!args.empty()) {
    for (const std::u16string& arg : split_arguments(args)) operands.push_back(operand_of(arg));
  }
  add(ocFunc, target, std::move(operands));
  text.replace(start, close + 1 - start, to_chars(target));
}

void TBuildVelkParser::compile_element(std::u16string& text, size_t open, size_t close) {
  size_t j = open;
  while (j > 0 && text[j - 1] == u' ') --j;
  if (j == 0 || is_op_char(text[j - 1])) syntax_error();
  size_t start = j;
  while (start > 0 && text[start - 1] != u' ' && !is_op_char(text[start - 1])) --start;
  std::string name = from_chars(std::u16string_view(text).substr(start, j - start));
  std::u16string inner = std::u16string(std::u16string_view(text).substr(open + 1, close - open - 1));
  std::vector<std::u16string> indices;
  std::u16string piece;
  for (char16_t c : inner + u',') {
    if (c == u',') {
      indices.push_back(trim(piece));
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (std::any_of(indices.begin(), indices.end(), [](const std::u16string& s) { return s.empty(); })) {
    throw EVelkError(Utf8ToCp932("配列の添え字が不正です"));
  }
  std::string target = new_dim_temp();
  std::vector<std::string> operands{name};
  for (const std::u16string& index : indices) operands.push_back(operand_of(index));
  add(ocDimTo, target, std::move(operands));
  text.replace(start, close + 1 - start, to_chars(target));
}

void TBuildVelkParser::compile_text(std::u16string text) {
  // 1. String literals become temporaries holding the literal with its quotes.
  for (size_t q; (q = text.find(u'"')) != std::u16string::npos;) {
    std::u16string literal = u"\"";
    size_t i = q + 1;
    bool closed = false;
    while (i < text.size()) {
      char16_t c = text[i];
      if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'"' || text[i + 1] == u'\\')) {
        literal += text[i + 1];
        i += 2;
        continue;
      }
      if (c == u'\\' && i + 1 < text.size() && text[i + 1] == u'n') {
        literal += u"\r\n";
        i += 2;
        continue;
      }
      if (c == u'"') {
        closed = true;
        break;
      }
      literal += c;
      ++i;
    }
    if (!closed) syntax_error();
    literal += u'"';
    std::string t = new_temp();
    add(ocTo, t, {from_chars(literal)});
    text.replace(q, i + 1 - q, to_chars(t));
  }

  // 2. Function calls, the right-most first.
  for (;;) {
    std::vector<std::pair<size_t, size_t>> pairs = bracket_pairs(text, u'(', u')');
    bool found = false;
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
      size_t j = it->first;
      while (j > 0 && text[j - 1] == u' ') --j;
      if (j == 0 || !is_name_char(text[j - 1])) continue;
      size_t start = j - 1;
      while (start > 0 && is_name_char(text[start - 1])) --start;
      compile_call(text, start, it->first, it->second);
      found = true;
      break;
    }
    if (!found) break;
  }

  // 3. Element references, the last opening bracket first.
  for (;;) {
    std::vector<std::pair<size_t, size_t>> pairs = bracket_pairs(text, u'[', u']');
    if (pairs.empty()) break;
    compile_element(text, pairs.back().first, pairs.back().second);
  }

  // 4. Grouping brackets, the last first, each compiled into a temporary.
  for (;;) {
    std::vector<std::pair<size_t, size_t>> pairs = bracket_pairs(text, u'(', u')');
    if (pairs.empty()) break;
    auto [open, close] = pairs.back();
    std::string t = new_temp();
    std::u16string inner = text.substr(open + 1, close - open - 1);
    text.replace(open, close + 1 - open, to_chars(t));
    compile_text(to_chars(t) + chars(" = ") + inner);
  }

  // 5. Tokens.
  std::vector<std::string> tokens = tokenize(text);
  if (tokens.empty()) {
    add(ocTo, kResultTemp, {from_chars(text)});
    return;
  }

  // 6. Unary signs after an operator or an opening bracket.
  for (size_t i = tokens.size() >= 2 ? tokens.size() - 2 : 0; i >= 1 && i + 1 < tokens.size(); --i) {
    if ((tokens[i] == "+" || tokens[i] == "-") && starts_like_operator(tokens[i - 1], "=+-*/%&^|[(,<>")) {
      if (tokens[i] == "+") {
        tokens.erase(tokens.begin() + static_cast<ptrdiff_t>(i));
      } else {
        std::string t = new_temp();
        add(ocMinus, t, {"0", tokens[i + 1]});
        tokens.erase(tokens.begin() + static_cast<ptrdiff_t>(i) + 1);
        tokens[i] = t;
      }
    }
  }

  // 7. Two-operand operators by precedence group; within a group from left to right. Each group is one pass over
  // the tokens: the operators of a group are reduced in the order of their positions, as a repeated search for the
  // left-most operator of the tightest group would find them.
  std::vector<int> groups(tokens.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    const op_row* row = find_operator(tokens[i]);
    groups[i] = row != nullptr ? row->group : -1;
  }
  bool assigned = false;
  for (int group = 0; group <= kAssignGroup; ++group) {
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) continue;
    std::vector<std::string> out;
    std::vector<int> out_groups;
    out.reserve(tokens.size());
    out_groups.reserve(tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (groups[i] != group) {
        out.push_back(std::move(tokens[i]));
        out_groups.push_back(groups[i]);
        continue;
      }
      if (i + 1 >= tokens.size()) syntax_error();
      const op_row* row = find_operator(tokens[i]);
      if (group == kAssignGroup) {
        if (out.empty()) syntax_error();
        add(ocTo, out.back(), {tokens[i + 1]});
        out.pop_back();
        out_groups.pop_back();
        assigned = true;
      } else if (!out.empty()) {
        if (starts_like_operator(out.back(), "+-*/%|&^=[(<>")) syntax_error();
        std::string t = new_temp();
        add(row->code, t, {out.back(), tokens[i + 1]});
        out.back() = std::move(t);
        out_groups.back() = -1;
      } else {
        if (row->code != ocPlus && row->code != ocMinus) syntax_error();
        std::string t = new_temp();
        add(row->code, t, {"0", tokens[i + 1]});
        out.push_back(std::move(t));
        out_groups.push_back(-1);
      }
      ++i;  // the right operand is used
    }
    tokens = std::move(out);
    groups = std::move(out_groups);
  }
  if (tokens.empty()) return;
  if (assigned || tokens.size() > 1) syntax_error();
  add(ocTo, kResultTemp, {tokens[0]});
}

// 8. An assignment of one temporary to another is dropped; later uses of its target take its operand. The
// renames are kept in a map and applied to each later operation as it is reached (a name renamed twice follows
// both renames in order), which gives what replacing the name in every later operation at once would.
void TBuildVelkParser::remove_copies() {
  std::unordered_map<std::string, std::string> renamed;
  auto rename = [&renamed](std::string& name) {
    for (auto it = renamed.find(name); it != renamed.end(); it = renamed.find(name)) name = it->second;
  };
  std::vector<TBuildOpeData> kept;
  kept.reserve(opes_.size());
  for (TBuildOpeData& op : opes_) {
    if (!renamed.empty()) {
      rename(op.Target);
      for (std::string& operand : op.Operands) rename(operand);
    }
    if (op.Code != ocTo || op.Operands.size() != 1 || !is_plain_temp(op.Target) || !is_plain_temp(op.Operands[0])) {
      kept.push_back(std::move(op));
      continue;
    }
    if (op.Target != op.Operands[0]) renamed[op.Target] = op.Operands[0];
  }
  opes_ = std::move(kept);
}

namespace {

// Operand classification: int, float, flag, string constant, else a variable name.
void write_classified(TStream& s, const std::string& text) {
  int32_t n = 0;
  long double x = 0;
  if (TryStrToInt(text, n)) {
    WriteByte(s, PT_INT);
    WriteInt(s, n);
  } else if (TryStrToFloat(text, x)) {
    WriteByte(s, PT_FLOAT);
    WriteExtended(s, x);
  } else if (text == "TRUE" || text == "FALSE") {
    WriteByte(s, PT_BOOL);
    WriteBool(s, text == "TRUE");
  } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    WriteByte(s, PT_STR);
    WriteString(s, text.substr(1, text.size() - 2));
  } else {
    WriteByte(s, PT_NONE);
    WriteString(s, text);
  }
}

}  // namespace

void TBuildVelkParser::WriteTo(TStream& s, const ISysFuncTable* funcs) const {
  WriteInt(s, static_cast<int32_t>(opes_.size()));
  for (const TBuildOpeData& op : opes_) {
    WriteByte(s, op.Code);
    WriteString(s, op.Target);
    if (op.Code != ocFunc) {
      WriteInt(s, static_cast<int32_t>(op.Operands.size()));
      for (const std::string& operand : op.Operands) write_classified(s, operand);
      continue;
    }
    // The first operand is the function name: it becomes the function number byte.
    const std::string& name = op.Operands.empty() ? std::string() : op.Operands[0];
    int32_t argc = static_cast<int32_t>(op.Operands.size()) - 1;
    int32_t number = funcs != nullptr ? funcs->FindFunc(name) : -1;
    const TSysFuncInfo* info = number >= 0 ? funcs->FuncInfo(number) : nullptr;
    if (info == nullptr || number > 255) throw EVelkError("\"" + name + "\"" + Utf8ToCp932(" 関数名がありません"));
    if ((info->Min >= 0 && argc < info->Min) || (info->Max >= 0 && argc > info->Max)) {
      throw EVelkError(name + Utf8ToCp932(" 引数の数が不正です"));
    }
    WriteInt(s, argc);
    WriteByte(s, static_cast<uint8_t>(number));
    for (size_t k = 1; k < op.Operands.size(); ++k) write_classified(s, op.Operands[k]);
  }
}

bool CompileAndRun(const std::string& text, TParamCollection& store, ISysFuncTable* funcs, TVelkParser& parser) {
  std::u16string trimmed = trim(to_chars(text));
  if (trimmed.empty()) return false;
  try {
    TBuildVelkParser build;
    build.Compile(from_chars(trimmed));
    TMemoryStream m;
    build.WriteTo(m, funcs);
    m.SetPosition(0);
    parser.LoadFromStream(m);
  } catch (const EVelkError&) {
    return false;
  }
  parser.Execute(store, funcs);
  return true;
}

}  // namespace velk

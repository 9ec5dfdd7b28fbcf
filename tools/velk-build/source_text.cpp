#include "source_text.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace velk::build {

TBuildError::TBuildError(const std::string& file, int32_t line, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + message) {}

std::vector<TSourceLine> SourceLines(const std::string& file, const std::string& text) {
  std::vector<TSourceLine> lines;
  int32_t number = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t indent = 0;
    while (indent < line.size() && (line[indent] == ' ' || line[indent] == '\t')) {
      if (line[indent] == '\t') throw TBuildError(file, number, "tabs are not allowed in the indentation");
      ++indent;
    }
    std::string rest = Trim(std::string_view(line).substr(indent));
    if (rest.empty() || rest[0] == '#') continue;
    lines.push_back({number, static_cast<int32_t>(indent), rest});
  }
  return lines;
}

std::string Trim(std::string_view s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return std::string(s.substr(a, b - a));
}

std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string> fields;
  std::string current;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '\\' && i + 1 < text.size()) {
      current += c;
      current += text[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      fields.push_back(Trim(current));
      current.clear();
      continue;
    }
    current += c;
  }
  if (quoted) throw std::invalid_argument("unterminated string literal");
  if (!Trim(current).empty() || !fields.empty()) fields.push_back(Trim(current));
  return fields;
}

void SplitWord(std::string_view text, std::string& word, std::string& rest) {
  size_t i = 0;
  while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  word = std::string(text.substr(0, i));
  rest = Trim(text.substr(i));
}

std::string StringValue(std::string_view text) {
  const std::string t = Trim(text);
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') return t;
  std::string out;
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    const char next = i + 2 < t.size() ? t[i + 1] : '\0';
    if (t[i] == '\\' && (next == '"' || next == '\\' || next == 'n')) {
      out += next == 'n' ? std::string("\r\n") : std::string(1, next);
      ++i;
      continue;
    }
    out += t[i];
  }
  return out;
}

bool ParseInt(std::string_view text, int32_t& out) {
  std::string t = Trim(text);
  bool negative = false;
  std::string_view digits = t;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) return false;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  if (negative) value = -value;
  // Hexadecimal words up to 0xFFFFFFFF are colours and masks: they wrap into int32.
  if (base == 16 && !negative && value <= 0xFFFFFFFFll) value = static_cast<int32_t>(static_cast<uint32_t>(value));
  if (value < INT32_MIN || value > INT32_MAX) return false;
  out = static_cast<int32_t>(value);
  return true;
}

bool ParseFlag(std::string_view text, bool& out) {
  const std::string t = Trim(text);
  if (t == "true" || t == "on" || t == "yes" || t == "TRUE") {
    out = true;
    return true;
  }
  if (t == "false" || t == "off" || t == "no" || t == "FALSE") {
    out = false;
    return true;
  }
  int32_t n = 0;
  if (!ParseInt(t, n)) return false;
  out = n != 0;
  return true;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TBuildError(path + ": cannot be read");
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace velk::build

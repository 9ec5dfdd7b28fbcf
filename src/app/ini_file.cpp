#include "app/ini_file.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/sjis.h"

namespace velk {

namespace {

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool is_header(const std::string& line, std::string* name) {
  std::string t = trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  if (name != nullptr) *name = trim(t.substr(1, close - 1));
  return true;
}

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  crlf_ = text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(line);
    start = end + 1;
  }
}

int32_t TIniFile::find_section(const std::string& section) const {
  std::string name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (is_header(lines_[i], &name) && SameText(name, section)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TIniFile::find_key(int32_t header, const std::string& key) const {
  for (size_t i = static_cast<size_t>(header) + 1; i < lines_.size(); ++i) {
    if (is_header(lines_[i], nullptr)) break;
    const std::string& line = lines_[i];
    size_t eq = line.find('=');
    std::string t = trim(line);
    if (eq == std::string::npos || t.empty() || t[0] == ';') continue;
    if (SameText(trim(line.substr(0, eq)), key)) return static_cast<int32_t>(i);
  }
  return -1;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  int32_t header = find_section(section);
  if (header < 0) return def;
  int32_t at = find_key(header, key);
  if (at < 0) return def;
  const std::string& line = lines_[static_cast<size_t>(at)];
  return trim(line.substr(line.find('=') + 1));
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
  std::string v = ReadString(section, key, "");
  if (v.empty()) return def;
  int base = 10;
  size_t skip = 0;
  bool negative = v[0] == '-';
  if (negative || v[0] == '+') skip = 1;
  if (v.compare(skip, 2, "0x") == 0 || v.compare(skip, 2, "0X") == 0) {
    base = 16;
    skip += 2;
  } else if (v.compare(skip, 1, "$") == 0) {
    base = 16;
    skip += 1;
  }
  if (skip >= v.size()) return def;
  errno = 0;
  char* end = nullptr;
  long long n = std::strtoll(v.c_str() + skip, &end, base);
  if (errno != 0 || *end != '\0' || v[skip] == '-' || v[skip] == '+') return def;
  if (negative) n = -n;
  if (n < INT32_MIN || n > INT32_MAX) return def;
  return static_cast<int32_t>(n);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  constexpr int32_t kNotANumber = INT32_MIN;
  int32_t n = ReadInteger(section, key, kNotANumber);
  if (n == kNotANumber) return def;
  return n != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  std::string line = key + "=" + value;
  int32_t header = find_section(section);
  if (header < 0) {
    lines_.push_back("[" + section + "]");
    lines_.push_back(line);
    return;
  }
  int32_t at = find_key(header, key);
  if (at >= 0) {
    lines_[static_cast<size_t>(at)] = line;
    return;
  }
  // After the section's last key (blank lines before the next section stay where they are).
  size_t insert = static_cast<size_t>(header) + 1;
  for (size_t i = insert; i < lines_.size() && !is_header(lines_[i], nullptr); ++i) {
    if (!trim(lines_[i]).empty()) insert = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(insert), line);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::Save() const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& line : lines_) out << line << (crlf_ ? "\r\n" : "\n");
  return static_cast<bool>(out);
}

}  // namespace velk

#include "base/paths.h"

#include "base/sjis.h"

namespace velk {

namespace {

bool is_delimiter_byte(char c) { return c == '\\' || c == '/'; }
bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the drive or server prefix, or of a root delimiter, at the start of the path; 0 for a relative path.
size_t prefix_length(std::string_view s) {
  if (s.size() >= 2 && is_ascii_letter(s[0]) && s[1] == ':') return (s.size() >= 3 && is_delimiter_byte(s[2])) ? 3 : 2;
  if (s.size() >= 2 && is_delimiter_byte(s[0]) && is_delimiter_byte(s[1])) {
    // "\\server\": up to and including the delimiter after the server name.
    for (size_t i = 2; i < s.size(); i += CharLength(s, i)) {
      if (is_delimiter_byte(s[i])) return i + 1;
    }
    return s.size();
  }
  if (!s.empty() && is_delimiter_byte(s[0])) return 1;
  return 0;
}

// Index just past the last delimiter (or drive colon, when with_colon) that starts a character; 0 when none.
size_t name_start(std::string_view s, bool with_colon) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (is_delimiter_byte(s[i]) || (with_colon && s[i] == ':')) start = i + 1;
  }
  return start;
}

// Index of the dot of the extension, or npos.
size_t ext_start(std::string_view s) {
  size_t dot = std::string_view::npos;
  for (size_t i = name_start(s, true); i < s.size(); i += CharLength(s, i)) {
    if (s[i] == '.') dot = i;
  }
  return dot;
}

// Length of a leading "..\" / "../" or "..": 3, 2, or 0 (and the same for "./" and "." with 2, 1).
size_t step_length(std::string_view s, std::string_view dots) {
  if (s.substr(0, dots.size()) != dots) return 0;
  if (s.size() == dots.size()) return dots.size();
  return is_delimiter_byte(s[dots.size()]) ? dots.size() + 1 : 0;
}

}  // namespace

bool IsPathDelimiter(std::string_view s, size_t index) {
  if (index >= s.size()) return false;
  size_t i = 0;
  while (i < index) i += CharLength(s, i);
  return i == index && is_delimiter_byte(s[i]);
}

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = prefix_length(path);
  if (start > 0) parts.emplace_back(path.substr(0, start));
  for (size_t i = start; i < path.size(); i += CharLength(path, i)) {
    if (is_delimiter_byte(path[i])) {
      parts.emplace_back(path.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < path.size()) parts.emplace_back(path.substr(start));
  return parts;
}

bool IsAbsolutePath(std::string_view name) { return prefix_length(name) > 0; }

std::string ResolveRelativePath(std::string_view base_folder, std::string_view name) {
  if (IsAbsolutePath(name)) return std::string(name);
  std::vector<std::string> parts = SplitPath(base_folder);
  size_t keep = (!parts.empty() && IsAbsolutePath(parts.front())) ? 1 : 0;  // the prefix stays
  for (;;) {
    if (size_t n = step_length(name, ".."); n > 0) {
      if (parts.size() > keep) parts.pop_back();
      name.remove_prefix(n);
    } else if (size_t m = step_length(name, "."); m > 0) {
      name.remove_prefix(m);
    } else {
      break;
    }
  }
  std::string out;
  for (const auto& p : parts) out += p;
  if (!out.empty() && !IsPathDelimiter(out, out.size() - 1) && out.back() != ':') out += '\\';
  out += name;
  return out;
}

std::string ExtractFilePath(std::string_view name) { return std::string(name.substr(0, name_start(name, true))); }

std::string ExtractFileName(std::string_view name) { return std::string(name.substr(name_start(name, true))); }

std::string ExtractFileExt(std::string_view name) {
  size_t dot = ext_start(name);
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
  size_t dot = ext_start(name);
  std::string out(name.substr(0, dot == std::string_view::npos ? name.size() : dot));
  out += ext;
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view name) {
  std::string out(name);
  if (out.empty() || !IsPathDelimiter(out, out.size() - 1)) out += '\\';
  return out;
}

}  // namespace velk

#include "expr/value_convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velk {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool TryStrToInt(std::string_view s, int32_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? hex_digit(s[i]) : (is_digit(s[i]) ? s[i] - '0' : -1);
    if (d < 0) return false;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    uint32_t u = static_cast<uint32_t>(v);
    out = static_cast<int32_t>(negative ? 0u - u : u);
    return true;
  }
  if (v > (negative ? 2147483648ull : 2147483647ull)) return false;
  out = negative ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
  return true;
}

bool TryStrToFloat(std::string_view s, long double& out) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  std::string_view t = s.substr(b, e - b);
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && is_digit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && is_digit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < t.size() && is_digit(t[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != t.size()) return false;
  std::string text(t);
  errno = 0;
  long double v = std::strtold(text.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return false;
  out = v;
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v = 0;
  return TryStrToInt(s, v) ? v : 0;
}

long double StrToFloat(std::string_view s) {
  long double v = 0;
  return TryStrToFloat(s, v) ? v : 0;
}

bool StrToBool(std::string_view s) { return s == "TRUE"; }

std::string IntToStr(int32_t n) { return std::to_string(n); }

std::string BoolToStr(bool b) { return b ? "TRUE" : "FALSE"; }

std::string FloatToStr(long double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (x == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.14Le", x);  // d.dddddddddddddde[+-]x: 15 significant digits, rounded
  std::string text(buf);
  size_t epos = text.find('e');
  int exponent = std::atoi(text.c_str() + epos + 1);
  bool negative = text[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < epos; ++i) {
    if (is_digit(text[i])) digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  // The point sits after exponent + 1 digits.
  int point = exponent + 1;
  if (point > 15 || point < -3) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
  }
  if (point <= 0) {
    out += "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (static_cast<size_t>(point) >= digits.size()) {
    out += digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(point)) + "." + digits.substr(static_cast<size_t>(point));
  }
  return out;
}

int32_t FloatToInt(long double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483648.0L) return INT32_MAX;
  if (x <= -2147483649.0L) return INT32_MIN;
  return static_cast<int32_t>(x);
}

}  // namespace velk

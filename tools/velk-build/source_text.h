#pragma once
// The lexical rules shared by the builder's project description and page sources: lines, fields, quoted strings,
// numbers, and errors that name the source file and line.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velk::build {

// A source error: "file:line: message" (UTF-8).
class TBuildError : public std::runtime_error {
 public:
  TBuildError(const std::string& file, int32_t line, const std::string& message);
  explicit TBuildError(const std::string& message) : std::runtime_error(message) {}
};

// One source line that is neither blank nor a comment.
struct TSourceLine {
  int32_t Number = 0;  // 1-based
  int32_t Indent = 0;  // leading spaces
  std::string Text;    // without the indentation and the line end
};

// Splits a file's text into lines, dropping blank lines and lines whose first non-space character is '#'. A tab in
// the indentation is an error.
std::vector<TSourceLine> SourceLines(const std::string& file, const std::string& text);

std::string Trim(std::string_view s);
// Splits at ';' outside double-quoted literals (a backslash inside a literal takes the next character literally).
// An unterminated literal throws std::invalid_argument.
std::vector<std::string> SplitFields(std::string_view text);
// Splits off the first word (up to white space); rest is the trimmed remainder.
void SplitWord(std::string_view text, std::string& word, std::string& rest);
// A double-quoted literal loses its quotes and its escapes (\" \\ and \n for CR LF; any other backslash stays);
// any other text is trimmed.
std::string StringValue(std::string_view text);
// Decimal (optionally negative) or 0x hexadecimal, within int32.
bool ParseInt(std::string_view text, int32_t& out);
// true/on/yes or false/off/no, or a number.
bool ParseFlag(std::string_view text, bool& out);

// Reads a whole disk file; throws TBuildError naming it.
std::string ReadTextFile(const std::string& path);

}  // namespace velk::build

#include "base/error.h"

#include "base/sjis.h"

namespace velk {

static std::string compose_what(const std::string& message, const std::string& file_name) {
  std::string text = Cp932ToUtf8(message);
  if (!file_name.empty()) text = Cp932ToUtf8(file_name) + ": " + text;
  return text;
}

EVelkError::EVelkError(std::string message, std::string file_name)
    : std::runtime_error(compose_what(message, file_name)), message_(std::move(message)),
      file_name_(std::move(file_name)) {}

std::string EVelkError::Utf8() const { return what(); }

}  // namespace velk

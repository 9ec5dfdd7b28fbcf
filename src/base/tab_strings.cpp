#include "base/tab_strings.h"

#include "base/sjis.h"

namespace velk {

void TTabStrings::SetText(std::string_view line) {
  fields_.clear();
  size_t start = 0;
  for (size_t i = 0; i < line.size(); i += CharLength(line, i)) {
    if (line[i] == '\t') {
      fields_.emplace_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  fields_.emplace_back(line.substr(start));
}

const std::string& TTabStrings::operator[](int32_t index) const {
  static const std::string empty;
  if (index < 0 || index >= Count()) return empty;
  return fields_[static_cast<size_t>(index)];
}

}  // namespace velk

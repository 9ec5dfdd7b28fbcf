#pragma once
// A line of a tab-separated table split into its fields. A tab inside a double-byte character does not count, two
// adjacent tabs give an empty field, and a line with k tabs has k + 1 fields (the empty line one empty field).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

class TTabStrings {
 public:
  TTabStrings() = default;
  explicit TTabStrings(std::string_view line) { SetText(line); }

  void SetText(std::string_view line);
  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  // The field at index; the empty string when out of range.
  const std::string& operator[](int32_t index) const;
  const std::vector<std::string>& Fields() const { return fields_; }

 private:
  std::vector<std::string> fields_;
};

}  // namespace velk

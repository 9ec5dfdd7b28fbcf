#pragma once
// The tokenizer of message markup: text runs and tags, with the escapes, line breaks and spaces of message text
// resolved, and the attributes of one tag.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velk {

struct TWordToken {
  bool Tag = false;  // a tag from "<" to ">" (comments, scripts and styles too); otherwise text
  std::string Text;
};

// Splits markup (lines already joined with CR) into tokens. A "<" without its ">" is text, never a hang.
std::vector<TWordToken> TokenizeMarkup(const std::string& text);

// A tag token taken apart: the name (upper case) and the attributes in order (names upper case, values as written,
// quotes removed; a flag attribute has an empty value).
struct TWordTag {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;

  bool Has(const std::string& name) const;
  // The value of an attribute, or fallback when it is absent.
  std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

TWordTag ParseTag(const std::string& token);

// "#RRGGBB" as a Windows colour (0x00BBGGRR); false for any other form.
bool ParseMarkupColor(const std::string& text, int32_t& color);

}  // namespace velk

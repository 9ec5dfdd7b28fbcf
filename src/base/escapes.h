#pragma once
// The backslash escapes of markup attributes, table files and string literals.
#include <string>
#include <string_view>

namespace velk {

// A backslash before a double quote or a backslash is dropped and the next character taken literally; a backslash
// followed by "n" becomes CR LF; any other backslash stays as it is. Double-byte characters are copied whole, so a
// trail byte 0x5C is never an escape.
std::string ResolveEscapes(std::string_view s);

// The byte index of the first double quote at or after from that is not escaped by a backslash (under the rule
// above), or npos.
size_t FindUnescapedQuote(std::string_view s, size_t from);

}  // namespace velk

#pragma once
// File-name operations on code page 932 names. Both "\" and "/" are path delimiters; a byte 0x5C that is the trail
// byte of a double-byte character is part of that character and never a delimiter.
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// True when the byte at index is a path delimiter that starts a character.
bool IsPathDelimiter(std::string_view s, size_t index);

// The components of a path: a leading server prefix ("\\server\") or drive prefix ("X:\", or "X:" without a
// delimiter) or root delimiter is one component; every later component keeps its trailing delimiter, so joining the
// components gives the path back. "C:\a\b.txt" -> "C:\", "a\", "b.txt".
std::vector<std::string> SplitPath(std::string_view path);
// True when the name starts with a delimiter or a drive prefix.
bool IsAbsolutePath(std::string_view name);
// Resolves name against base_folder: an absolute name is returned as it is; otherwise each leading "..\" (or "../")
// removes one trailing component of the base, and the rest of the name is appended to what is left. The ".." steps
// never climb above the base's server or drive prefix, nor above the start of a relative base: surplus steps are
// dropped. "./" steps are dropped as well.
std::string ResolveRelativePath(std::string_view base_folder, std::string_view name);

// Everything up to and including the last delimiter or drive colon ("" when there is none).
std::string ExtractFilePath(std::string_view name);
// Everything after the last delimiter or drive colon.
std::string ExtractFileName(std::string_view name);
// The extension with its dot ("" when the file name has no dot).
std::string ExtractFileExt(std::string_view name);
// Replaces the extension (or appends ext when there is none); ext normally starts with a dot.
std::string ChangeFileExt(std::string_view name, std::string_view ext);
// Appends "\" unless the name already ends with a delimiter (so the empty name becomes "\").
std::string IncludeTrailingPathDelimiter(std::string_view name);

}  // namespace velk

#pragma once
// An INI text file read and written as a whole. Sections and keys are found ignoring letter case; writing a key
// changes only its own line (or adds one), so every other line, comment and key of the file is kept as it was.
#include <cstdint>
#include <string>
#include <vector>

namespace velk {

class TIniFile {
 public:
  TIniFile() = default;
  // Reads the file; a missing or unreadable file reads as empty.
  explicit TIniFile(std::string path);

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Decimal, or hexadecimal after "0x" or "$"; anything else gives def.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  // An integer: 0 is false, anything else true; a value that is not a number gives def.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  // Written as "1" or "0".
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Writes the file; false when it cannot be written.
  bool Save() const;

  const std::vector<std::string>& Lines() const { return lines_; }
  const std::string& Path() const { return path_; }

 private:
  // Index of the section's header line, or -1.
  int32_t find_section(const std::string& section) const;
  // Index of the key's line inside the section starting after header, or -1.
  int32_t find_key(int32_t header, const std::string& key) const;

  std::string path_;
  std::vector<std::string> lines_;
  bool crlf_ = true;
};

}  // namespace velk

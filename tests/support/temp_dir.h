#pragma once
// A fresh temporary folder per test, removed when the test ends.
#include <string>

namespace velk::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Writes bytes to a file, creating it.
void WriteFile(const std::string& path, const std::string& bytes);
// Reads a whole file; throws when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace velk::test

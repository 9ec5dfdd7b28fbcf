#pragma once
// The one exception hierarchy of the player. Messages are the system's own texts as code page 932 bytes;
// message boxes and logs convert them to UTF-8 at the edge.
#include <stdexcept>
#include <string>

namespace velk {

class EVelkError : public std::runtime_error {
 public:
  explicit EVelkError(std::string message, std::string file_name = {});
  // The message text (code page 932 bytes), without the file name.
  const std::string& Message() const { return message_; }
  // The file the error is about, empty when none.
  const std::string& FileName() const { return file_name_; }
  // Message and file name as UTF-8, for logs and tool output.
  std::string Utf8() const;

 private:
  std::string message_;
  std::string file_name_;
};

// A stream could not be opened, read or written.
class EStreamError : public EVelkError {
 public:
  using EVelkError::EVelkError;
};

// A file's contents are damaged or hostile: a count, size or offset that does not fit.
class EFormatError : public EVelkError {
 public:
  using EVelkError::EVelkError;
};

}  // namespace velk

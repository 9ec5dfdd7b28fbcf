#include "vfs/safe_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "base/error.h"
#include "base/sjis.h"

namespace velk {

namespace {

[[noreturn]] void fail(const std::string& path) {
  throw EStreamError(Utf8ToCp932("ファイルを作成できません"), path);
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool write_all(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Closes the descriptor and removes the temporary file when the write did not finish.
class TTempFile {
 public:
  explicit TTempFile(std::string name) : name_(std::move(name)) {
    do {
      fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    } while (fd_ < 0 && errno == EINTR);
  }
  ~TTempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(name_.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  int Fd() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Renamed() { renamed_ = true; }

 private:
  std::string name_;
  int fd_ = -1;
  bool renamed_ = false;
};

}  // namespace

std::string SafeWriteTempName(const std::string& path) { return path + ".tmp"; }

void WriteFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, const TSafeWriteProbe& probe) {
  const std::string temp_name = SafeWriteTempName(path);
  TTempFile temp(temp_name);
  if (temp.Fd() < 0) fail(path);
  int32_t step = 0;
  if (probe) probe(step);
  for (size_t at = 0; at < bytes.size(); at += kSafeWriteBlock) {
    const size_t n = std::min(kSafeWriteBlock, bytes.size() - at);
    if (!write_all(temp.Fd(), bytes.data() + at, n)) fail(path);
    if (probe) probe(++step);
  }
  if (::fsync(temp.Fd()) != 0 || !temp.Close()) fail(path);
  if (probe) probe(++step);
  if (::rename(temp_name.c_str(), path.c_str()) != 0) fail(path);
  temp.Renamed();
  if (probe) probe(++step);
  // The rename is durable once the folder is flushed; a folder that cannot be opened for that keeps the new file.
  const int dir = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace velk

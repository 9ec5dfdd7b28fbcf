#include "platform/posix_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace velk {

namespace {

std::string with_slash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

bool make_private_dir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat st;
  // Refuse a folder that someone else owns (another user could otherwise take our guard files).
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

class TFlockGuard : public IInstanceGuard {
 public:
  explicit TFlockGuard(int fd) : fd_(fd) {}
  ~TFlockGuard() override {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }

 private:
  int fd_;
};

// Magic numbers of the optical-disc file systems.
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
constexpr long kTmpfsMagic = 0x01021994;
constexpr long kRamfsMagic = 0x858458f6;
constexpr long kNfsMagic = 0x6969;
constexpr long kSmbMagic = 0x517B;
constexpr long kCifsMagic = 0xFF534D42;

}  // namespace

std::string TPosixFiles::TempFolder() {
  const char* t = std::getenv("TMPDIR");
  return with_slash(t != nullptr && *t != '\0' ? t : "/tmp");
}

std::string TPosixFiles::UserDataFolder() {
  const char* x = std::getenv("XDG_DATA_HOME");
  if (x != nullptr && *x != '\0') return with_slash(x);
  const char* h = std::getenv("HOME");
  if (h != nullptr && *h != '\0') return with_slash(std::string(h) + "/.local/share");
  return TempFolder();
}

std::string TPosixFiles::GuardFolder() {
  const char* r = std::getenv("XDG_RUNTIME_DIR");
  if (r != nullptr && *r != '\0') return with_slash(std::string(r) + "/velkplayer");
  return with_slash("/tmp/velkplayer-" + std::to_string(::getuid()));
}

std::unique_ptr<IInstanceGuard> TPosixFiles::AcquireInstanceGuard(const std::string& name) {
  std::string folder = GuardFolder();
  if (!make_private_dir(folder)) return nullptr;
  std::string file = name;
  for (char& c : file) {
    if (c == '/' || c == '\0') c = '-';
  }
  if (file.empty() || file == "." || file == "..") file = "-" + file;
  if (file.size() > 200) file = file.substr(file.size() - 200);  // keep the distinguishing end of long names
  int fd = ::open((folder + file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<TFlockGuard>(fd);
}

DriveType TPosixFiles::GetDriveType(const std::string& path) {
  struct statfs fs;
  if (::statfs(path.c_str(), &fs) != 0) return DriveType::Unknown;
  switch (static_cast<long>(fs.f_type)) {
    case kIso9660Magic:
    case kUdfMagic: return DriveType::CdRom;
    case kTmpfsMagic:
    case kRamfsMagic: return DriveType::RamDisk;
    case kNfsMagic:
    case kSmbMagic:
    case kCifsMagic: return DriveType::Remote;
    default: return DriveType::Fixed;
  }
}

std::string TPosixFiles::ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace velk

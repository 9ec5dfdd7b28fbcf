#pragma once
// The file services on a POSIX system; both back ends use them.
#include "platform/platform.h"

namespace velk {

class TPosixFiles : public IFiles {
 public:
  std::string TempFolder() override;
  std::string UserDataFolder() override;
  // The guard is a lock file held with flock in the per-user runtime folder; the name is used as the file name.
  std::unique_ptr<IInstanceGuard> AcquireInstanceGuard(const std::string& name) override;
  DriveType GetDriveType(const std::string& path) override;
  std::string ExecutablePath() override;

  // The folder that holds the guard files, with a trailing "/".
  static std::string GuardFolder();
};

// A resource provider without resources: executables on this platform carry none.
class TNoResources : public IResources {
 public:
  std::shared_ptr<const std::vector<uint8_t>> Find(const std::string&, const std::string&,
                                                   const std::string&) override {
    return nullptr;
  }
};

}  // namespace velk

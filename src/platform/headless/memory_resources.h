#pragma once
// Resources held in memory, keyed by module, type and name (letter case ignored); used by tests and tools.
#include <map>
#include <string>
#include <tuple>

#include "platform/platform.h"

namespace velk {

class TMemoryResources : public IResources {
 public:
  void Add(const std::string& module, const std::string& type, const std::string& name, std::vector<uint8_t> bytes);
  std::shared_ptr<const std::vector<uint8_t>> Find(const std::string& module, const std::string& type,
                                                   const std::string& name) override;

 private:
  std::map<std::tuple<std::string, std::string, std::string>, std::shared_ptr<const std::vector<uint8_t>>> items_;
};

}  // namespace velk

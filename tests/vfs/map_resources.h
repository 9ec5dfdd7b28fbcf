#pragma once
// A resource provider over a map: key "module|type|name".
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace velk::test {

class MapResources : public IResources {
 public:
  std::map<std::string, std::string> items;
  std::shared_ptr<const std::vector<uint8_t>> Find(const std::string& module, const std::string& type,
                                                   const std::string& name) override {
    auto it = items.find(module + "|" + type + "|" + name);
    if (it == items.end()) return nullptr;
    return std::make_shared<const std::vector<uint8_t>>(it->second.begin(), it->second.end());
  }
};

}  // namespace velk::test

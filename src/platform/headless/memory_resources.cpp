#include "platform/headless/memory_resources.h"

#include "base/sjis.h"

namespace velk {

void TMemoryResources::Add(const std::string& module, const std::string& type, const std::string& name,
                           std::vector<uint8_t> bytes) {
  items_[{module, UpperCase(type), UpperCase(name)}] = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
}

std::shared_ptr<const std::vector<uint8_t>> TMemoryResources::Find(const std::string& module, const std::string& type,
                                                                   const std::string& name) {
  auto it = items_.find({module, UpperCase(type), UpperCase(name)});
  return it != items_.end() ? it->second : nullptr;
}

}  // namespace velk

#include "platform/shared_library.h"

#include <dlfcn.h>

namespace velk {

bool TSharedLibrary::Open(const std::string& soname) {
  if (handle_ == nullptr) handle_ = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle_ != nullptr;
}

void* TSharedLibrary::find(const char* name) const { return handle_ != nullptr ? dlsym(handle_, name) : nullptr; }

}  // namespace velk

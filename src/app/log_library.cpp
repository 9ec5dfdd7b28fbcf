#include "app/log_library.h"

#include <dlfcn.h>

namespace velk {

TVelkLogLibrary::~TVelkLogLibrary() { Unload(); }

bool TVelkLogLibrary::Load(const std::string& folder) {
  Unload();
  std::string path = folder + kLibraryName;
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) return false;
  init_ = reinterpret_cast<void (*)(const char*)>(::dlsym(handle_, "VelkLogInit"));
  write_ = reinterpret_cast<void (*)(const char*)>(::dlsym(handle_, "VelkLogWrite"));
  final_ = reinterpret_cast<void (*)()>(::dlsym(handle_, "VelkLogFinal"));
  if (init_ != nullptr) init_((folder + "dbglog.txt").c_str());
  return true;
}

void TVelkLogLibrary::Write(const std::string& line) const {
  if (write_ != nullptr) write_(line.c_str());
}

void TVelkLogLibrary::Unload() {
  if (handle_ == nullptr) return;
  if (final_ != nullptr) final_();
  ::dlclose(handle_);
  handle_ = nullptr;
  init_ = nullptr;
  write_ = nullptr;
  final_ = nullptr;
}

}  // namespace velk

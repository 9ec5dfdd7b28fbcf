#pragma once
// The optional log library: when "VelkLog.so" can be loaded from the executable's folder, its exports VelkLogInit
// (once, with the full path of "dbglog.txt" in that folder), VelkLogWrite (one text line; the interpreter trace) and
// VelkLogFinal (at process end) are used. Without it nothing is logged.
#include <string>

namespace velk {

class TVelkLogLibrary {
 public:
  static constexpr const char* kLibraryName = "VelkLog.so";

  TVelkLogLibrary() = default;
  ~TVelkLogLibrary();
  TVelkLogLibrary(const TVelkLogLibrary&) = delete;
  TVelkLogLibrary& operator=(const TVelkLogLibrary&) = delete;

  // Loads the library from folder (with a trailing "/") and calls its init entry; false when there is none.
  bool Load(const std::string& folder);
  bool Loaded() const { return handle_ != nullptr; }
  void Write(const std::string& line) const;
  // Calls the final entry and unloads the library.
  void Unload();

 private:
  void* handle_ = nullptr;
  void (*init_)(const char*) = nullptr;
  void (*write_)(const char*) = nullptr;
  void (*final_)() = nullptr;
};

}  // namespace velk

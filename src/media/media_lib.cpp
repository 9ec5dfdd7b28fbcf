#include "media/media_lib.h"

#include <cfenv>
#include <string>

#include "base/sjis.h"
#include "vfs/stream.h"

namespace velk {

bool TVelkLib::Bind(const VelkMediaLoader& loader, IMessageBoxes& boxes) {
  lib_ = loader ? loader() : nullptr;
  if (!lib_) {
    boxes.Show(std::string(kLibraryName) + "\r\n" + Utf8ToCp932("ファイルがありません"), "Error",
               MB_OK | MB_ICONWARNING);
    return false;
  }
  if (lib_->velkVersion() != kVelkMediaVersion) {
    lib_.reset();
    boxes.Show(Utf8ToCp932("velk.dllのバージョンがあいません"), "Error", MB_OK | MB_ICONWARNING);
    return false;
  }
  return true;
}

TVelkStreamCallbacks TVelkLib::StreamCallbacks() {
  TVelkStreamCallbacks c;
  c.Size = [this](void* s) -> int32_t {
    if (s == nullptr) return 0;
    std::lock_guard<std::mutex> lock(media_lock_);
    return static_cast<TStream*>(s)->GetSize();
  };
  c.Read = [this](void* s, void* buffer, int32_t count) -> int32_t {
    if (s == nullptr) return 0;
    std::lock_guard<std::mutex> lock(media_lock_);
    return static_cast<TStream*>(s)->Read(buffer, count);
  };
  c.Position = [this](void* s) -> int32_t {
    if (s == nullptr) return 0;
    std::lock_guard<std::mutex> lock(media_lock_);
    return static_cast<TStream*>(s)->GetPosition();
  };
  c.Seek = [this](void* s, int32_t position) -> int32_t {
    if (s == nullptr) return 0;
    std::lock_guard<std::mutex> lock(media_lock_);
    return static_cast<TStream*>(s)->Seek(position, soBeginning);
  };
  return c;
}

TVelkFpuCallbacks TVelkLib::FpuCallbacks() {
  // One saved environment per thread: the library saves and restores around its own work on the calling thread.
  static thread_local std::fenv_t saved;
  TVelkFpuCallbacks c;
  c.Save = [] { std::fegetenv(&saved); };
  c.Restore = [] { std::fesetenv(&saved); };
  return c;
}

}  // namespace velk

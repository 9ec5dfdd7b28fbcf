#pragma once
// The binding of the media library: made at process start, before anything else. It holds the media lock that the
// stream callbacks take when the library reads the player's streams from its own threads.
#include <functional>
#include <memory>
#include <mutex>

#include "medialib/velk_media.h"
#include "platform/platform.h"

namespace velk {

// Makes the library; null when it is missing.
using VelkMediaLoader = std::function<std::unique_ptr<IVelkMedia>()>;

class TVelkLib {
 public:
  // The library's file name, as the messages show it.
  static constexpr const char* kLibraryName = "velk.dll";

  // Loads the library and checks its version. A missing library shows its name, CR LF and "ファイルがありません";
  // a version other than 108 shows "velk.dllのバージョンがあいません" (caption "Error", warning icon). Returns false
  // after such a message: the process must end.
  bool Bind(const VelkMediaLoader& loader, IMessageBoxes& boxes);
  // Finalisation is the caller's (velkFinal at media shutdown); this only drops the library.
  void Unload() { lib_.reset(); }

  IVelkMedia* Lib() const { return lib_.get(); }
  std::mutex& MediaLock() { return media_lock_; }
  // Callbacks over TStream pointers, each under the media lock; a null stream answers 0.
  TVelkStreamCallbacks StreamCallbacks();
  // Callbacks that save and restore the floating-point environment of the calling thread.
  static TVelkFpuCallbacks FpuCallbacks();

 private:
  std::unique_ptr<IVelkMedia> lib_;
  std::mutex media_lock_;
};

}  // namespace velk

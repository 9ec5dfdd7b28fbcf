#pragma once
// The shared image cache: every layered image (or PNG or BMP) that image controls show is decoded once into
// drawing surfaces at the screen depth and lent to every control that shows it. Items count their users; an item
// whose last user releases it stays cached as idle until the idle list is trimmed. Items in use are never freed,
// so the surfaces they hold stay valid until their users release them (or the display surfaces are rebuilt, after
// which users reach the frames through the item again).
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/rect.h"
#include "gfx/dibx.h"

namespace velk {

class TStream;
class TVrFileManager;

struct TBrixItemFrame {
  std::unique_ptr<TDIBX> Surface;
  // An 8-bit surface of the frame's alpha; null when the frame has none and no mask was asked for.
  std::unique_ptr<TDIBX> Mask;
  std::vector<TRect> ContentRects;
  int32_t DisplayTime = 100;
  // The top-left the trimmed picture came from (the "?t" variant), else (0, 0).
  TPoint Offset;
};

class TBrixItem {
 public:
  // The cache key: the file name, then "?m" when masks are made and "?t" when frames are trimmed.
  const std::string& Name() const { return name_; }
  const std::string& FileName() const { return file_name_; }
  bool Masked() const { return masked_; }
  bool Trimmed() const { return trimmed_; }
  int32_t Count() const { return static_cast<int32_t>(frames_.size()); }
  TBrixItemFrame& Frame(int32_t index) { return frames_.at(static_cast<size_t>(index)); }
  // Registrations of users (one per Acquire not yet released).
  int32_t UseCount() const { return static_cast<int32_t>(owners_.size()); }

 private:
  friend class TBrixCollection;
  std::string name_;
  std::string file_name_;
  bool masked_ = false;
  bool trimmed_ = false;
  std::vector<TBrixItemFrame> frames_;
  std::vector<const void*> owners_;
};

class TBrixCollection {
 public:
  // Fills a stream with the named file.
  using TReadFile = std::function<void(TStream&, const std::string&)>;

  // identification: the project's code, the scrambling seed of its images; depth: the screen depth surfaces get.
  TBrixCollection(TReadFile read_file, int32_t identification, int depth = 32);
  TBrixCollection(TVrFileManager& files, int32_t identification, int depth = 32);
  TBrixCollection(const TBrixCollection&) = delete;
  TBrixCollection& operator=(const TBrixCollection&) = delete;

  // Finds or loads the item of name (which may carry "?m" and "?t" itself); variant asks for trimmed frames and
  // mask for masks from transparent colours. Registers the owner. Loading errors propagate; nothing is cached then.
  TBrixItem* Acquire(const void* owner, const std::string& name, bool variant = false, bool mask = false);
  // Unregisters one registration of the owner; an owner that holds none changes nothing. The item becomes idle
  // when its last user leaves.
  void Release(TBrixItem* item, const void* owner);

  // The cached item of a key (case-insensitive), or null.
  TBrixItem* Find(const std::string& key);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t IdleCount() const { return static_cast<int32_t>(idle_.size()); }
  // Idle items kept beyond this many are freed, oldest first.
  void SetMaxIdle(int32_t count);
  int32_t MaxIdle() const { return max_idle_; }
  // Frees every idle item.
  void FreeIdle();

  // The dither mode (system variable "@CGDither"): a change decodes every cached item again.
  int32_t DitherMode() const { return dither_mode_; }
  void SetDitherMode(int32_t mode);
  int Depth() const { return depth_; }
  // Display-mode changes: the surfaces are dropped, then rebuilt at the new screen depth.
  void ReleaseSurfaces();
  void RestoreSurfaces(int depth);

 private:
  void Load(TBrixItem& item);
  void Reload();
  void TrimIdle();

  TReadFile read_file_;
  int32_t identification_;
  int depth_;
  int32_t dither_mode_ = 0;
  int32_t max_idle_ = 64;
  // Keys are lower-cased.
  std::unordered_map<std::string, std::unique_ptr<TBrixItem>> items_;
  std::list<TBrixItem*> idle_;  // oldest first
};

}  // namespace velk

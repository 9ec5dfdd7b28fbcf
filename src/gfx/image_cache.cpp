#include "gfx/image_cache.h"

#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "gfx/brix.h"
#include "gfx/brix_surface.h"
#include "vfs/file_manager.h"

namespace velk {
TBrixCollection::TBrixCollection(TReadFile read_file, int32_t identification, int depth)
    : read_file_(std::move(read_file)), identification_(identification), depth_(depth) {}

TBrixCollection::TBrixCollection(TVrFileManager& files, int32_t identification, int depth)
    : TBrixCollection([&files](TStream& target, const std::string& name) { files.ReadFile(target, name); },
                      identification, depth) {}

TBrixItem* TBrixCollection::Acquire(const void* owner, const std::string& name, bool variant, bool mask) {
  // Options may come with the name: "?m" masks, "?t" trims.
  const size_t q = name.find('?');
  const std::string file = name.substr(0, q);
  if (q != std::string::npos) {
    const std::string options = LowerCase(name.substr(q));
    mask = mask || options.find("?m") != std::string::npos;
    variant = variant || options.find("?t") != std::string::npos;
  }
  const std::string key = file + (mask ? "?m" : "") + (variant ? "?t" : "");
  const std::string lower = LowerCase(key);
  TBrixItem* item = Find(key);
  if (!item) {
    auto fresh = std::make_unique<TBrixItem>();
    fresh->name_ = key;
    fresh->file_name_ = file;
    fresh->masked_ = mask;
    fresh->trimmed_ = variant;
    Load(*fresh);
    item = fresh.get();
    items_.emplace(lower, std::move(fresh));
  }
  if (item->owners_.empty()) idle_.remove(item);
  item->owners_.push_back(owner);
  return item;
}

void TBrixCollection::Release(TBrixItem* item, const void* owner) {
  if (!item) return;
  auto it = std::find(item->owners_.begin(), item->owners_.end(), owner);
  if (it == item->owners_.end()) return;
  item->owners_.erase(it);
  if (!item->owners_.empty()) return;
  idle_.push_back(item);
  TrimIdle();
}

TBrixItem* TBrixCollection::Find(const std::string& key) {
  auto it = items_.find(LowerCase(key));
  return it == items_.end() ? nullptr : it->second.get();
}

void TBrixCollection::SetMaxIdle(int32_t count) {
  max_idle_ = std::max(count, 0);
  TrimIdle();
}

void TBrixCollection::TrimIdle() {
  while (static_cast<int32_t>(idle_.size()) > max_idle_) {
    TBrixItem* oldest = idle_.front();
    idle_.pop_front();
    items_.erase(LowerCase(oldest->name_));
  }
}

void TBrixCollection::FreeIdle() {
  for (TBrixItem* item : idle_) items_.erase(LowerCase(item->name_));
  idle_.clear();
}

void TBrixCollection::Load(TBrixItem& item) {
  TBrixFrameList list(identification_);
  list.LoadFromFile(read_file_, item.file_name_, false, false, false);
  std::vector<TBrixItemFrame> frames;
  for (int32_t i = 0; i < list.Count(); ++i) {
    TBrixFrame& frame = list.Frame(i);
    TBrixItemFrame out;
    if (item.masked_) frame.MakeMaskFromTransparent();
    if (item.trimmed_) out.Offset = frame.Trim();
    out.Surface = std::make_unique<TDIBX>();
    out.Surface->SetBitCount(depth_);
    FrameToSurface(frame, *out.Surface);
    if (frame.HasAlpha()) out.Mask = FrameAlphaToMask(frame);
    out.ContentRects = frame.ContentRects;
    out.DisplayTime = frame.DisplayTime;
    frames.push_back(std::move(out));
  }
  item.frames_ = std::move(frames);
}

void TBrixCollection::Reload() {
  for (auto& [key, item] : items_) {
    try {
      Load(*item);
    } catch (const EVelkError&) {
      // The file went away or changed into something unreadable: the item keeps what it had.
    }
  }
}

void TBrixCollection::SetDitherMode(int32_t mode) {
  if (mode == dither_mode_) return;
  dither_mode_ = mode;
  Reload();
}

void TBrixCollection::ReleaseSurfaces() {
  for (auto& [key, item] : items_) item->frames_.clear();
}

void TBrixCollection::RestoreSurfaces(int depth) {
  depth_ = depth;
  Reload();
}

}  // namespace velk

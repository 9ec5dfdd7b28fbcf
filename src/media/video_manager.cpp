#include "media/video_manager.h"

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "base/sjis.h"
#include "gfx/custom_dibx.h"
#include "media/media_managers.h"
#include "vfs/file_manager.h"
#include "vfs/range_stream.h"

namespace velk {

TDsVideoItem::TDsVideoItem(IVelkMedia& lib, TVrFileManager& files, const std::string& file_name, bool still_image)
    : lib_(lib) {
  const int32_t still = still_image ? -1 : 0;
  const std::string ext = LowerCase(ExtractFileExt(file_name));
  if (IsDiskName(file_name)) {
    stream_ = std::make_unique<TFileRangeStream>(file_name, kWholeStream, 0);
    handle_ = lib_.velkVidmanAdd(file_name.c_str(), stream_.get(), still);
  } else if (!ext.empty() && std::string(".wmv.asf.").find(ext + ".") != std::string::npos) {
    const std::string local = files.GetLocalFileName(file_name);
    handle_ = lib_.velkVidmanAdd(local.c_str(), nullptr, still);
  } else {
    stream_ = files.OpenRange(file_name);
    const std::string full = files.BaseFolder() + file_name;
    handle_ = lib_.velkVidmanAdd(full.c_str(), stream_.get(), still);
  }
}

TDsVideoItem::~TDsVideoItem() {
  if (handle_ != 0) lib_.velkVidmanDel(handle_);
}

void TDsVideoItem::Update() {
  if (!NeedPaint()) return;
  if (const TVelkVideoFrame* f = GetDC()) frame_ = *f;
}

bool TDsVideoItem::PaintInto(TCustomDIBX& surface) const {
  if (frame_.Pixels == nullptr || frame_.Width <= 0 || frame_.Height <= 0) return false;
  if (surface.Width() != frame_.Width || surface.Height() != frame_.Height || surface.BitCount() != 32) {
    surface.SetSize(frame_.Width, frame_.Height, 32);
  }
  if (surface.StorageBitCount() != 32) return false;
  const size_t row_bytes = static_cast<size_t>(frame_.Width) * sizeof(uint32_t);
  for (int32_t y = 0; y < frame_.Height; ++y) {
    uint8_t* row = surface.Lock(0, y);
    if (row == nullptr) return false;
    std::memcpy(row, frame_.Pixels + static_cast<size_t>(y) * static_cast<size_t>(frame_.Width), row_bytes);
    surface.Unlock();
  }
  return true;
}

TVideoItem* TVideoManager::Add(const std::string& file_name, bool still_image) {
  items_.push_back(std::make_unique<TDsVideoItem>(lib_, files_, file_name, still_image));
  return items_.back().get();
}

void TVideoManager::Remove(TVideoItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; });
  if (it != items_.end()) items_.erase(it);
}

void TVideoManager::Suspend() {
  if (suspended_) return;
  suspended_ = true;
  for (auto& item : items_) {
    item->Mark = item->IsPlaying() && !item->IsPaused() && !item->IsEnd();
    if (item->Mark) item->Pause();
  }
}

void TVideoManager::Resume() {
  if (!suspended_) return;
  suspended_ = false;
  for (auto& item : items_) {
    if (!item->Mark) continue;
    item->Mark = false;
    item->Play();
  }
}

void TVideoManager::SuspendAll() {
  if (!use_wmp_) lib_.velkVidmanSuspend();
}

void TVideoManager::ResumeAll() {
  if (!use_wmp_) lib_.velkVidmanResume();
}

void TVideoManager::Update() {
  for (auto& item : items_) item->Update();
}

}  // namespace velk

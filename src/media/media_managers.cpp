#include "media/media_managers.h"

#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "vfs/file_manager.h"
#include "vfs/range_stream.h"

namespace velk {

namespace {

std::string bad_sound_data() { return Utf8ToCp932("サウンドデータが不正です"); }

}  // namespace

TSoundKind SoundKindOf(const std::string& name) {
  if (name.size() >= 3 && SameText(name.substr(0, 3), "CD_")) return TSoundKind::Cdda;
  const std::string ext = LowerCase(ExtractFileExt(name));
  if (ext == ".mid" || ext == ".sgt") return TSoundKind::Midi;
  if (ext == ".wma" || ext == ".asf" || ext == ".wmv") return TSoundKind::Wmp;
  if (ext == ".ogg" || ext == ".wav") return TSoundKind::Ogg;
  return TSoundKind::None;
}

bool IsDiskName(const std::string& name) {
  return (!name.empty() && (name[0] == '\\' || name[0] == '/')) || (name.size() >= 2 && name[1] == ':');
}

std::unique_ptr<TStream> OpenMediaStream(TVrFileManager& files, const std::string& file_name) {
  if (IsDiskName(file_name)) return std::make_unique<TFileRangeStream>(file_name, kWholeStream, 0);
  return files.OpenRange(file_name);
}

TDMediaItem* TMediaManager::Add(const std::string& file_name) {
  items_.push_back(CreateItem(file_name));
  return items_.back().get();
}

void TMediaManager::Remove(TDMediaItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; });
  if (it != items_.end()) items_.erase(it);
}

void TMediaManager::Suspend() {
  if (!enabled_ || suspended_) return;
  suspended_ = true;
  for (auto& item : items_) {
    item->Mark = item->IsPlaying() && !item->IsPaused() && !item->IsEnd();
    if (item->Mark) item->Pause();
  }
}

void TMediaManager::Resume() {
  if (!enabled_ || !suspended_) return;
  suspended_ = false;
  for (auto& item : items_) {
    if (!item->Mark) continue;
    item->Mark = false;
    item->Play();
  }
}

void TMediaManager::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled_) {
    Suspend();
    enabled_ = enabled;
  } else {
    enabled_ = enabled;
    Resume();
  }
}

void TLibMediaItem::Play() {
  if (!manager_.Enabled()) {
    Mark = true;  // starts when sound is enabled again
    return;
  }
  entries_.Play(handle_);
}

TWmpItem::TWmpItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, const std::string& file_name)
    : TLibMediaItem(manager, lib, lib.Wmp()) {
  TMemoryStream bytes;
  try {
    files.ReadFile(bytes, file_name);
  } catch (const EVelkError&) {
    return;
  }
  handle_ = lib_.velkWmpmanAdd(bytes.Memory(), bytes.GetSize());
}

TWmpItem::~TWmpItem() {
  if (handle_ != 0) lib_.velkWmpmanDel(handle_);
}

bool TWmpItem::IsEnd() {
  const bool ended = entries_.IsEnd(handle_) != 0;
  if (!ended) {
    end_reported_ = false;
    return false;
  }
  if (end_reported_) return false;
  end_reported_ = true;
  return true;
}

TOggItem::TOggItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, const std::string& file_name)
    : TLibMediaItem(manager, lib, lib.Ogg()) {
  stream_ = OpenMediaStream(files, file_name);
  handle_ = lib_.velkOggmanAdd(stream_.get(), LowerCase(ExtractFileExt(file_name)) == ".ogg" ? -1 : 0);
  if (handle_ == 0) throw EVelkError(bad_sound_data(), file_name);
}

TOggItem::~TOggItem() { lib_.velkOggmanDel(handle_); }

TOggStream::TOggStream(IVelkMedia& lib, TStream* source, bool is_ogg) : lib_(lib) {
  handle_ = lib_.velkOggStrmanAdd(source, is_ogg ? -1 : 0);
  if (lib_.velkOggStrGetFormat(handle_, format_) == 0) {
    lib_.velkOggStrmanDel(handle_);
    throw EVelkError(bad_sound_data());
  }
}

TOggStream::~TOggStream() { lib_.velkOggStrmanDel(handle_); }

int32_t TOggStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  return lib_.velkOggStrRead(handle_, buffer, count);
}

int32_t TOggStream::Seek(int32_t offset, int origin) {
  int64_t target = offset;
  if (origin == soCurrent) target += lib_.velkOggStrGetPos(handle_);
  if (origin == soEnd) target += lib_.velkOggStrGetSize(handle_);
  target = std::clamp<int64_t>(target, 0, lib_.velkOggStrGetSize(handle_));
  lib_.velkOggStrSetPos(handle_, static_cast<int32_t>(target));
  return lib_.velkOggStrGetPos(handle_);
}

std::unique_ptr<TDMediaItem> TWmpManager::CreateItem(const std::string& file_name) {
  return std::make_unique<TWmpItem>(*this, lib_, files_, file_name);
}

std::unique_ptr<TDMediaItem> TOggManager::CreateItem(const std::string& file_name) {
  if (wave_output_ == nullptr) return std::make_unique<TOggItem>(*this, lib_, files_, file_name);
  wave_output_->Open();
  return std::make_unique<TOggWaveItem>(*this, lib_, files_, *wave_output_, file_name);
}

TOggWaveItem::TOggWaveItem(TMediaManager& manager, IVelkMedia& lib, TVrFileManager& files, IWaveOutput& output,
                           const std::string& file_name)
    : manager_(manager) {
  source_ = OpenMediaStream(files, file_name);
  pcm_ = std::make_unique<TOggStream>(lib, source_.get(), LowerCase(ExtractFileExt(file_name)) == ".ogg");
  buffer_ = output.AddBuffer(pcm_->Format(), pcm_.get());
  if (!buffer_) throw EVelkError(bad_sound_data(), file_name);
}

int32_t TOggWaveItem::bytes_of_ms(int32_t ms) const {
  const TVelkWaveFormat& f = pcm_->Format();
  const int64_t block = std::max<int32_t>(f.BlockAlign, 1);
  return static_cast<int32_t>(int64_t{std::max(ms, 0)} * f.SamplesPerSec / 1000 * block);
}

void TOggWaveItem::SetAutoRepeat(bool repeat) {
  repeat_ = repeat;
  buffer_->SetLoop(repeat_, bytes_of_ms(repeat_pos_));
}

void TOggWaveItem::SetRepeatPos(int32_t ms) {
  repeat_pos_ = ms;
  buffer_->SetLoop(repeat_, bytes_of_ms(repeat_pos_));
}

void TOggWaveItem::SetVolume(int32_t volume) {
  volume_ = std::clamp(volume, -10000, 0);
  const double amplitude = volume_ <= -10000 ? 0.0 : std::pow(10.0, volume_ / 2000.0);
  buffer_->SetVolume(static_cast<int32_t>(std::lround(amplitude * 256)));
}

int32_t TOggWaveItem::GetPosition() {
  const TVelkWaveFormat& f = pcm_->Format();
  const int64_t per_second = std::max<int64_t>(int64_t{f.SamplesPerSec} * std::max<int32_t>(f.BlockAlign, 1), 1);
  return static_cast<int32_t>(int64_t{buffer_->ReadPosition()} * 1000 / per_second);
}

void TOggWaveItem::SetPosition(int32_t ms) { buffer_->SetReadPosition(bytes_of_ms(ms)); }

int32_t TOggWaveItem::GetLength() {
  const TVelkWaveFormat& f = pcm_->Format();
  const int64_t per_second = std::max<int64_t>(int64_t{f.SamplesPerSec} * std::max<int32_t>(f.BlockAlign, 1), 1);
  return static_cast<int32_t>(int64_t{pcm_->GetSize()} * 1000 / per_second);
}

void TOggWaveItem::Play() {
  if (!manager_.Enabled()) {
    Mark = true;
    return;
  }
  if (buffer_->Done()) buffer_->SetReadPosition(0);
  paused_ = false;
  buffer_->Play();
}

void TOggWaveItem::Pause() {
  if (!buffer_->Playing()) return;
  buffer_->Stop();
  paused_ = true;
}

}  // namespace velk

#include "media/device_managers.h"

#include <algorithm>
#include <cstdlib>

#include "base/error.h"
#include "base/sjis.h"
#include "media/midi_song.h"

namespace velk {

namespace {

// The number after "CD_"; 0 when the rest is not a whole number.
int32_t track_of(const std::string& name) {
  const std::string digits = name.size() > 3 ? name.substr(3) : std::string();
  if (digits.empty() || digits.size() > 4 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  return std::atoi(digits.c_str());
}

}  // namespace

TCddaItem::TCddaItem(TCddaManager& manager, const std::string& file_name)
    : manager_(manager), track_(track_of(file_name)) {}

TCddaItem::~TCddaItem() {
  if (manager_.current_ == this) {
    manager_.cd_.Stop();
    manager_.current_ = nullptr;
  }
}

bool TCddaItem::current() const { return manager_.current_ == this; }

void TCddaItem::Play() {
  if (!manager_.Enabled()) {
    Mark = true;
    return;
  }
  ICdAudio& cd = manager_.cd_;
  if (!current()) {
    if (manager_.current_ != nullptr && cd.IsPlaying()) cd.Stop();
    manager_.current_ = nullptr;
    if (track_ < 1 || cd.TrackCount() < track_) return;  // no disc, or not that many tracks: plays nothing
    manager_.current_ = this;
    length_ = cd.TrackLengthMs(track_);
  }
  cd.Play(track_, std::max(stored_, 0), repeat_);
  stored_ = -1;
  started_ = true;
  paused_ = false;
  SetVolume(volume_);
}

void TCddaItem::Pause() {
  if (!current() || !manager_.cd_.IsPlaying()) return;
  // The track position counts whole seconds; the stored position lies one before the current one.
  stored_ = std::max(0, manager_.cd_.PositionMs() - 1000);
  manager_.cd_.Stop();
  paused_ = true;
}

int32_t TCddaItem::GetPosition() {
  if (current() && manager_.cd_.IsPlaying()) return manager_.cd_.PositionMs();
  return std::max(stored_, 0);
}

void TCddaItem::SetPosition(int32_t ms) {
  if (current() && manager_.cd_.IsPlaying()) {
    manager_.cd_.Play(track_, std::max(ms, 0), repeat_);
  } else {
    stored_ = std::max(ms, 0);
  }
}

bool TCddaItem::IsPlaying() { return current() && manager_.cd_.IsPlaying(); }

bool TCddaItem::IsEnd() { return current() && started_ && !paused_ && !manager_.cd_.IsPlaying(); }

void TCddaItem::SetVolume(int32_t volume) {
  volume_ = volume;
  if (!current()) return;
  manager_.need_line();
  const int64_t v = std::max(volume, -5000) + 5000;
  manager_.cd_.SetLineVolume(static_cast<int32_t>(v * manager_.saved_left_ / 5000),
                             static_cast<int32_t>(v * manager_.saved_right_ / 5000));
}

TCddaManager::~TCddaManager() {
  ClearItems();
  RestoreLineVolume();
}

void TCddaManager::need_line() {
  if (line_read_) return;
  cd_.GetLineVolume(saved_left_, saved_right_);
  line_read_ = true;
}

void TCddaManager::RestoreLineVolume() {
  if (line_read_) cd_.SetLineVolume(saved_left_, saved_right_);
}

void TCddaManager::ReadLineVolume() {
  if (line_read_) cd_.GetLineVolume(saved_left_, saved_right_);
}

std::unique_ptr<TDMediaItem> TCddaManager::CreateItem(const std::string& file_name) {
  return std::make_unique<TCddaItem>(*this, file_name);
}

TMidiManager::TMidiManager(std::function<std::vector<uint8_t>(const std::string&)> read_file,
                           std::function<std::unique_ptr<IMidiSongPlayer>()> make_player,
                           std::vector<std::string> device_names)
    : read_file_(std::move(read_file)), make_player_(std::move(make_player)) {
  player_ = make_player_();
  ports_.push_back(Utf8ToCp932("MIDIマッパー"));
  ports_.insert(ports_.end(), device_names.begin(), device_names.end());
}

TMidiManager::~TMidiManager() {
  ClearItems();
  if (player_->IsPlaying()) player_->Stop();
  if (player_->IsOpen()) player_->Close();
}

std::unique_ptr<TDMediaItem> TMidiManager::CreateItem(const std::string& file_name) {
  return std::make_unique<TMidiItem>(*this, file_name);
}

bool TMidiManager::make_current(TMidiItem* item) {
  if (current_ == item) return true;
  const std::vector<uint8_t> song = read_file_(item->FileName());
  if (song.empty()) return false;
  if (player_->IsPlaying()) player_->Stop();
  if (!player_->Load(song)) return false;
  current_ = item;
  return true;
}

void TMidiManager::SelectPort(int32_t index) {
  selected_ = std::clamp(index, 0, static_cast<int32_t>(ports_.size()) - 1);
  if (!player_->IsPlaying()) return;
  const int32_t at = player_->PositionMs();
  player_->Stop();
  player_->Close();
  player_->Open(selected_ - 1);
  player_->Play(at);
}

void TMidiManager::SelectPort(const std::string& name) {
  for (size_t i = 0; i < ports_.size(); ++i) {
    if (SameText(ports_[i], name)) {
      SelectPort(static_cast<int32_t>(i));
      return;
    }
  }
}

void TMidiManager::ClosePort() {
  reopen_ = player_->IsOpen();
  if (!reopen_) return;
  replay_ = player_->IsPlaying();
  replay_at_ = replay_ ? player_->PositionMs() : 0;
  if (replay_) player_->Stop();
  player_->Close();
}

void TMidiManager::ReopenPort() {
  if (!reopen_) return;
  reopen_ = false;
  if (!player_->Open(selected_ - 1)) return;
  if (replay_) player_->Play(replay_at_);
  replay_ = false;
}

TMidiItem::~TMidiItem() {
  if (current()) {
    if (manager_.player_->IsPlaying()) manager_.player_->Stop();
    manager_.current_ = nullptr;
  }
}

bool TMidiItem::current() const { return manager_.current_ == this; }

void TMidiItem::Play() {
  if (!manager_.Enabled()) {
    Mark = true;
    return;
  }
  if (!manager_.make_current(this)) return;
  IMidiSongPlayer& p = *manager_.player_;
  if (!p.IsOpen() && !p.Open(manager_.selected_ - 1)) return;
  p.Reset();
  p.Play(position_);
  started_ = true;
  paused_ = false;
  SetVolume(volume_);
}

void TMidiItem::Pause() {
  if (!current() || !manager_.player_->IsPlaying()) return;
  position_ = manager_.player_->PositionMs();
  manager_.player_->Stop();
  paused_ = true;
}

void TMidiItem::SetVolume(int32_t volume) {
  volume_ = volume;
  if (current()) manager_.player_->SetVolumeScale(std::clamp(volume / 100 + 100, 0, 100));
}

int32_t TMidiItem::GetPosition() {
  return current() && manager_.player_->IsPlaying() ? manager_.player_->PositionMs() : position_;
}

int32_t TMidiItem::GetLength() {
  if (length_ < 0) {
    // Learnt once, from the song itself: no player (with its sound font and timer thread) is made for it. A song a
    // player would refuse has no events, so its length is 0 as well.
    length_ = 0;
    const std::vector<uint8_t> bytes = manager_.read_file_(name_);
    try {
      TMidiV song;
      if (!bytes.empty()) song.LoadFromBytes(bytes.data(), bytes.size());
      length_ = song.Length();
    } catch (const EVelkError&) {
      length_ = 0;
    }
  }
  return length_;
}

bool TMidiItem::IsPlaying() { return current() && manager_.player_->IsPlaying(); }

bool TMidiItem::IsEnd() { return current() && started_ && !paused_ && !manager_.player_->IsPlaying(); }

}  // namespace velk

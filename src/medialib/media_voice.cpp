#include "medialib/media_voice.h"

#include <algorithm>
#include <chrono>

namespace velk {

namespace {
// The decoder runs at most this far ahead of the play position (one second of sound).
constexpr int64_t kAudioAheadFrames = 44100;
// Decoded pictures held ahead; beyond this the oldest is dropped (items with sound) or the decoder waits.
constexpr size_t kMaxPictures = 32;
constexpr size_t kMaxPictureBytes = size_t{64} << 20;
// A wait of the game-clock output for decoded data never lasts longer than this.
constexpr auto kMaxDataWait = std::chrono::seconds(2);
}  // namespace

TMediaVoice::TMediaVoice(std::unique_ptr<IMediaDecoder> decoder, bool plays_sound)
    : decoder_(std::move(decoder)), has_audio_(plays_sound && decoder_->HasAudio()), has_video_(decoder_->HasVideo()),
      width_(decoder_->Width()), height_(decoder_->Height()), length_(decoder_->LengthFrames()) {
  passes_.push_back(TPass{0, 0});
  thread_ = std::thread([this] { run(); });
}

TMediaVoice::~TMediaVoice() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  space_.notify_all();
  data_.notify_all();
  thread_.join();
}

void TMediaVoice::run() {
  std::unique_lock<std::mutex> lock(mu_);
  TDecodedPiece piece;
  while (!stop_) {
    if (seek_pending_) {
      seek_pending_ = false;
      const int64_t target = seek_target_;
      const uint64_t generation = generation_;
      lock.unlock();
      decoder_->Seek(target);
      lock.lock();
      if (generation == generation_) pass_had_data_ = false;
      continue;
    }
    const bool full = audio_frames_ >= kAudioAheadFrames ||
                      (!has_audio_ && (pictures_.size() >= kMaxPictures || picture_bytes_ >= kMaxPictureBytes));
    if (eof_ || full) {
      space_.wait(lock);
      continue;
    }
    const uint64_t generation = generation_;
    const int64_t offset = decode_offset_;
    lock.unlock();
    const bool more = decoder_->Decode(piece);
    lock.lock();
    if (generation != generation_) continue;  // sought meanwhile: what was decoded belongs to the old position
    push_locked(piece, offset);
    if (!more) {
      const int64_t repeat_from = repeat_pos_ < content_end_ ? repeat_pos_ : 0;
      if (auto_repeat_ && pass_had_data_ && content_end_ > repeat_from) {
        // The next pass starts on the timeline where this one's data ends.
        decode_offset_ = offset + content_end_ - repeat_from;
        passes_.push_back(TPass{offset + content_end_, decode_offset_});
        content_end_ = repeat_from;
        pass_had_data_ = false;
        lock.unlock();
        decoder_->Seek(repeat_from);
        lock.lock();
      } else {
        eof_ = true;
        end_t_ = offset + content_end_;
      }
    }
    data_.notify_all();
  }
}

void TMediaVoice::push_locked(TDecodedPiece& piece, int64_t offset) {
  const int64_t frames = static_cast<int64_t>(piece.Pcm.size() / 2);
  if (frames > 0) {
    pass_had_data_ = true;
    content_end_ = std::max(content_end_, piece.PcmStart + frames);
    if (has_audio_) {
      audio_.push_back(TChunk{piece.PcmStart + offset, std::move(piece.Pcm), 0});
      audio_frames_ += frames;
    }
  }
  for (TVideoPicture& p : piece.Pictures) {
    pass_had_data_ = true;
    const int64_t at = MsToFrames(p.PtsMs);
    if (!pictures_.empty()) {
      const int64_t gap = at + offset - pictures_.back().T;
      if (gap > 0) last_picture_gap_ = std::min<int64_t>(gap, MsToFrames(1000));
    }
    content_end_ = std::max(content_end_, at + last_picture_gap_);
    picture_bytes_ += p.Pixels.size() * sizeof(uint32_t);
    pictures_.push_back(TPicture{at + offset, std::move(p.Pixels)});
    while (pictures_.size() > kMaxPictures || picture_bytes_ > kMaxPictureBytes) {
      picture_bytes_ -= pictures_.front().Pixels.size() * sizeof(uint32_t);
      pictures_.pop_front();
    }
  }
  piece.Clear();
}

void TMediaVoice::seek_locked(int64_t frame) {
  // An unknown length (0) does not bound the position.
  frame = std::max<int64_t>(frame, 0);
  if (length_ > 0) frame = std::min(frame, length_);
  ++generation_;
  seek_pending_ = true;
  seek_target_ = frame;
  audio_.clear();
  audio_frames_ = 0;
  pictures_.clear();
  picture_bytes_ = 0;
  passes_.assign(1, TPass{t_, t_ - frame});
  decode_offset_ = t_ - frame;
  content_end_ = frame;
  eof_ = false;
  ended_ = false;
  space_.notify_all();
}

void TMediaVoice::Play() {
  std::lock_guard<std::mutex> lock(mu_);
  if (ended_) seek_locked(0);
  playing_ = true;
  paused_ = false;
}

void TMediaVoice::Pause() {
  std::lock_guard<std::mutex> lock(mu_);
  if (!playing_) return;
  playing_ = false;
  paused_ = true;
}

bool TMediaVoice::IsPlaying() {
  std::lock_guard<std::mutex> lock(mu_);
  return playing_;
}

bool TMediaVoice::IsPaused() {
  std::lock_guard<std::mutex> lock(mu_);
  return paused_;
}

bool TMediaVoice::IsEnd() {
  std::lock_guard<std::mutex> lock(mu_);
  return ended_;
}

int32_t TMediaVoice::LengthMs() { return static_cast<int32_t>(std::min<int64_t>(FramesToMs(length_), INT32_MAX)); }

int32_t TMediaVoice::PositionMs() {
  std::lock_guard<std::mutex> lock(mu_);
  int64_t pos = std::max<int64_t>(t_ - passes_.front().Offset, 0);
  if (length_ > 0) pos = std::min(pos, length_);
  return static_cast<int32_t>(std::min<int64_t>(FramesToMs(pos), INT32_MAX));
}

void TMediaVoice::SetPositionMs(int32_t ms) {
  std::lock_guard<std::mutex> lock(mu_);
  seek_locked(MsToFrames(std::max(ms, 0)));
}

int32_t TMediaVoice::Volume() {
  std::lock_guard<std::mutex> lock(mu_);
  return volume_;
}

void TMediaVoice::SetVolume(int32_t volume) {
  std::lock_guard<std::mutex> lock(mu_);
  volume_ = std::clamp(volume, -10000, 0);
  update_gains_locked();
}

int32_t TMediaVoice::Pan() {
  std::lock_guard<std::mutex> lock(mu_);
  return pan_;
}

void TMediaVoice::SetPan(int32_t pan) {
  std::lock_guard<std::mutex> lock(mu_);
  pan_ = std::clamp(pan, -10000, 10000);
  update_gains_locked();
}

void TMediaVoice::update_gains_locked() {
  const float gain = TAudioMixer::GainOf(volume_);
  // A pan to one side attenuates the other side by the pan's amount in hundredths of a decibel.
  left_ = gain * (pan_ > 0 ? TAudioMixer::GainOf(-pan_) : 1.0f);
  right_ = gain * (pan_ < 0 ? TAudioMixer::GainOf(pan_) : 1.0f);
}

bool TMediaVoice::AutoRepeat() {
  std::lock_guard<std::mutex> lock(mu_);
  return auto_repeat_;
}

void TMediaVoice::SetAutoRepeat(bool repeat) {
  std::lock_guard<std::mutex> lock(mu_);
  auto_repeat_ = repeat;
  // The decoder may have reached the end of a short item before repeat was asked for: the next pass starts where
  // the data ends.
  if (repeat && eof_ && !ended_ && !seek_pending_) {
    const int64_t repeat_from = repeat_pos_ < content_end_ ? repeat_pos_ : 0;
    if (content_end_ <= repeat_from) return;
    eof_ = false;
    decode_offset_ = end_t_ - repeat_from;
    passes_.push_back(TPass{end_t_, decode_offset_});
    content_end_ = repeat_from;
    seek_pending_ = true;
    seek_target_ = repeat_from;
    space_.notify_all();
  }
}

int32_t TMediaVoice::RepeatPosMs() {
  std::lock_guard<std::mutex> lock(mu_);
  return static_cast<int32_t>(FramesToMs(repeat_pos_));
}

void TMediaVoice::SetRepeatPosMs(int32_t ms) {
  std::lock_guard<std::mutex> lock(mu_);
  repeat_pos_ = MsToFrames(std::max(ms, 0));
}

bool TMediaVoice::data_waiting_locked() const { return !audio_.empty() || eof_ || stop_; }

void TMediaVoice::MixInto(int32_t* mix, size_t frames, bool wait) {
  std::unique_lock<std::mutex> lock(mu_);
  const auto deadline = std::chrono::steady_clock::now() + kMaxDataWait;
  size_t done = 0;
  while (done < frames && playing_) {
    while (passes_.size() > 1 && passes_[1].TStart <= t_) passes_.pop_front();
    const int64_t want = static_cast<int64_t>(frames - done);
    if (!audio_.empty()) {
      TChunk& c = audio_.front();
      const int64_t at = c.T + static_cast<int64_t>(c.Read);
      if (at > t_) {  // a gap in the sound: silence until the chunk starts
        const int64_t n = std::min(want, at - t_);
        t_ += n;
        done += static_cast<size_t>(n);
        continue;
      }
      const int64_t left = static_cast<int64_t>(c.Pcm.size() / 2 - c.Read);
      const int64_t n = std::min(want, left);
      const int16_t* src = c.Pcm.data() + c.Read * 2;
      int32_t* dst = mix + done * 2;
      for (int64_t i = 0; i < n; ++i) {
        dst[2 * i] += static_cast<int32_t>(static_cast<float>(src[2 * i]) * left_);
        dst[2 * i + 1] += static_cast<int32_t>(static_cast<float>(src[2 * i + 1]) * right_);
      }
      c.Read += static_cast<size_t>(n);
      t_ = at + n;
      done += static_cast<size_t>(n);
      audio_frames_ -= n;
      if (c.Read * 2 >= c.Pcm.size()) audio_.pop_front();
      space_.notify_all();
      continue;
    }
    if (eof_) {
      if (t_ >= end_t_) {
        playing_ = false;
        ended_ = true;
        break;
      }
      const int64_t n = std::min(want, end_t_ - t_);
      t_ += n;
      done += static_cast<size_t>(n);
      continue;
    }
    if (!has_audio_) {
      // Pictures only: time runs on by itself; on a game clock it does not pass pictures still being decoded.
      const bool ahead = !pictures_.empty() && pictures_.back().T >= t_ + want;
      if (!wait || ahead) {
        t_ += want;
        done += static_cast<size_t>(want);
        continue;
      }
      if (!data_.wait_until(lock, deadline,
                            [&] { return stop_ || eof_ || (!pictures_.empty() && pictures_.back().T >= t_ + want); })) {
        break;
      }
      continue;
    }
    // The decoder has not caught up: on a device this is an underrun (silence, the position waits); on a game clock
    // the output waits for the data.
    if (!wait || !data_.wait_until(lock, deadline, [this] { return data_waiting_locked(); })) break;
  }
  // Pictures passed by a later one that is due are never shown; dropping them lets the decoder go on even when
  // nobody looks at the pictures.
  bool dropped = false;
  while (pictures_.size() > 1 && pictures_[1].T <= t_) {
    picture_bytes_ -= pictures_.front().Pixels.size() * sizeof(uint32_t);
    pictures_.pop_front();
    dropped = true;
  }
  if (dropped) space_.notify_all();
}

bool TMediaVoice::UpdatePicture(bool wait) {
  if (!has_video_) return false;
  std::unique_lock<std::mutex> lock(mu_);
  if (wait) {
    // Wait until the picture due is known: one lies beyond the play position, or the data has ended.
    data_.wait_for(lock, kMaxDataWait, [this] {
      return stop_ || eof_ || (!pictures_.empty() && (pictures_.back().T > t_ || !shown_any_)) ||
             picture_bytes_ >= kMaxPictureBytes || pictures_.size() >= kMaxPictures;
    });
  }
  bool changed = false;
  while (!pictures_.empty() && (pictures_.front().T <= t_ || !shown_any_)) {
    picture_bytes_ -= pictures_.front().Pixels.size() * sizeof(uint32_t);
    shown_ = std::move(pictures_.front().Pixels);
    pictures_.pop_front();
    shown_any_ = true;
    changed = true;
    if (!playing_) break;  // before the item plays only its first picture is shown
  }
  if (changed) {
    space_.notify_all();
    frame_.Width = width_;
    frame_.Height = height_;
    frame_.Pixels = shown_.data();
    ++frame_.Serial;
  }
  return changed;
}

}  // namespace velk

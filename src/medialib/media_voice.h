#pragma once
// One playing item of the media library: a decoding thread runs ahead of the play position and queues sound and
// pictures; the mixer takes the sound at the output's pace and the play position follows what it took. Positions
// live on a timeline of 44.1 kHz frames that runs on while the item plays; each pass over the data (the first, and
// every repeat) maps the timeline to positions within the data by its own offset.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "medialib/audio_mixer.h"
#include "medialib/media_decoder.h"
#include "medialib/velk_media.h"

namespace velk {

class TMediaVoice : public IPcmSource {
 public:
  // Starts the decoding thread. plays_sound false: the sound of the data is not played (still images).
  TMediaVoice(std::unique_ptr<IMediaDecoder> decoder, bool plays_sound);
  ~TMediaVoice() override;
  TMediaVoice(const TMediaVoice&) = delete;
  TMediaVoice& operator=(const TMediaVoice&) = delete;

  void Play();
  void Pause();
  bool IsPlaying();
  bool IsPaused();
  bool IsEnd();
  int32_t LengthMs();
  int32_t PositionMs();
  void SetPositionMs(int32_t ms);
  // Hundredths of a decibel (0 full, -10000 silent); pan from -10000 (left only) to 10000 (right only).
  int32_t Volume();
  void SetVolume(int32_t volume);
  int32_t Pan();
  void SetPan(int32_t pan);
  bool AutoRepeat();
  void SetAutoRepeat(bool repeat);
  int32_t RepeatPosMs();
  void SetRepeatPosMs(int32_t ms);

  // Pictures (video items): moves the shown picture to the play position (the first picture is shown before the
  // item plays). wait: the output runs on a game clock, so the picture due is waited for. True when it changed.
  bool UpdatePicture(bool wait);
  const TVelkVideoFrame& Frame() const { return frame_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  void MixInto(int32_t* mix, size_t frames, bool wait) override;

 private:
  struct TChunk {
    int64_t T = 0;  // timeline position of its first frame
    std::vector<int16_t> Pcm;
    size_t Read = 0;  // frames taken
  };
  struct TPicture {
    int64_t T = 0;
    std::vector<uint32_t> Pixels;
  };
  struct TPass {
    int64_t TStart = 0;
    int64_t Offset = 0;  // timeline position minus position within the data
  };

  void run();
  void seek_locked(int64_t frame);
  void push_locked(TDecodedPiece& piece, int64_t offset);
  void update_gains_locked();
  bool data_waiting_locked() const;

  std::unique_ptr<IMediaDecoder> decoder_;
  const bool has_audio_;
  const bool has_video_;
  const int32_t width_;
  const int32_t height_;
  const int64_t length_;

  std::mutex mu_;
  std::condition_variable space_;  // the decoder may go on
  std::condition_variable data_;   // decoded data arrived
  std::thread thread_;
  bool stop_ = false;

  // Play state.
  bool playing_ = false;
  bool paused_ = false;
  bool ended_ = false;
  int64_t t_ = 0;
  std::deque<TPass> passes_;
  int32_t volume_ = 0;
  int32_t pan_ = 0;
  float left_ = 1.0f;
  float right_ = 1.0f;
  bool auto_repeat_ = false;
  int64_t repeat_pos_ = 0;  // frames

  // Decoded data and the decoder's state.
  std::deque<TChunk> audio_;
  int64_t audio_frames_ = 0;
  std::deque<TPicture> pictures_;
  size_t picture_bytes_ = 0;
  uint64_t generation_ = 0;  // a seek discards what was being decoded
  bool seek_pending_ = false;
  int64_t seek_target_ = 0;
  int64_t decode_offset_ = 0;
  int64_t content_end_ = 0;  // the furthest position within the data decoded in this pass
  int64_t last_picture_gap_ = MsToFrames(40);
  bool pass_had_data_ = false;
  bool eof_ = false;
  int64_t end_t_ = 0;  // the timeline position where the data ends, once eof_

  // The shown picture (main thread only).
  std::vector<uint32_t> shown_;
  bool shown_any_ = false;
  TVelkVideoFrame frame_;
};

}  // namespace velk

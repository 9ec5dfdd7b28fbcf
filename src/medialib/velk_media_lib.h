#pragma once
// Our media library: Ogg Vorbis through vorbisfile, wave, Windows Media audio and video, MPEG and AVI through
// FFmpeg's libraries. Every item decodes on a thread of its own and plays as a source of the one audio mixer;
// video items deliver their pictures as frames (velkVideoGetDC).
#include <functional>
#include <map>
#include <memory>

#include "medialib/audio_mixer.h"
#include "medialib/media_voice.h"
#include "medialib/velk_media.h"

namespace velk {

// The per-item entries of one kind over its voices. Unknown handles (an item the library refused) play nothing and
// answer that they are at their end, so that nobody waits for them.
class TVoiceEntries : public IVelkItemEntries {
 public:
  explicit TVoiceEntries(TAudioMixer& mixer) : mixer_(mixer) {}
  ~TVoiceEntries() override { Clear(); }
  TVoiceEntries(const TVoiceEntries&) = delete;
  TVoiceEntries& operator=(const TVoiceEntries&) = delete;

  // Takes the voice and makes it a source of the mixer; answers its handle.
  VelkHandle Add(std::unique_ptr<TMediaVoice> voice);
  void Del(VelkHandle h);
  void Clear();
  TMediaVoice* Find(VelkHandle h);

  void Play(VelkHandle h) override;
  void Pause(VelkHandle h) override;
  int32_t IsPaused(VelkHandle h) override;
  int32_t IsPlaying(VelkHandle h) override;
  int32_t IsEnd(VelkHandle h) override;
  int32_t GetLen(VelkHandle h) override;
  int32_t GetPosition(VelkHandle h) override;
  void SetPosition(VelkHandle h, int32_t position) override;
  int32_t GetVol(VelkHandle h) override;
  void SetVol(VelkHandle h, int32_t volume) override;
  int32_t GetPan(VelkHandle h) override;
  void SetPan(VelkHandle h, int32_t pan) override;
  int32_t GetAutoRepeat(VelkHandle h) override;
  void SetAutoRepeat(VelkHandle h, int32_t repeat) override;

 private:
  TAudioMixer& mixer_;
  std::map<VelkHandle, std::unique_ptr<TMediaVoice>> voices_;
  VelkHandle next_ = 1;
};

class TVelkMediaLibrary : public IVelkMedia {
 public:
  // frame_pump: run by the per-frame update (an output that consumes the mix by the game clock pumps here).
  explicit TVelkMediaLibrary(TAudioMixer& mixer, std::function<void()> frame_pump = {});
  ~TVelkMediaLibrary() override;

  int32_t velkVersion() override { return kVelkMediaVersion; }
  void velkInit(const TVelkInitParams& params) override { params_ = params; }
  void velkFinal() override;
  void velkOggmanSetUseThread(int32_t) override {}
  // Decoding runs on the items' own threads; per frame only a game-clock output is pumped.
  void velkOggmanUpdate() override {
    if (frame_pump_) frame_pump_();
  }
  void velkWmpmanProcessEvent(const TVelkMessage&) override {}
  void velkVidmanProcessEvent(const TVelkMessage&) override {}
  void velkWmpmanRestore() override {}
  void velkOggmanRestore() override {}
  void velkVidmanSuspend() override {}
  void velkVidmanResume() override {}

  // Each answers 0 when the data holds nothing it can play.
  VelkHandle velkWmpmanAdd(const void* bytes, int32_t size) override;
  VelkHandle velkOggmanAdd(void* stream, int32_t is_ogg) override;
  VelkHandle velkOggStrmanAdd(void* stream, int32_t is_ogg) override;
  VelkHandle velkVidmanAdd(const char* file_name, void* stream, int32_t still_image) override;
  void velkWmpmanDel(VelkHandle h) override { wmp_.Del(h); }
  void velkOggmanDel(VelkHandle h) override { ogg_.Del(h); }
  void velkOggStrmanDel(VelkHandle h) override { streams_.erase(h); }
  void velkVidmanDel(VelkHandle h) override;

  IVelkItemEntries& Wmp() override { return wmp_; }
  IVelkItemEntries& Ogg() override { return ogg_; }
  IVelkItemEntries& Video() override { return video_; }
  int32_t velkOggGetRepeatPos(VelkHandle h) override;
  void velkOggSetRepeatPos(VelkHandle h, int32_t position) override;
  // The rectangle is packed as two points, x in the low and y in the high 16 bits of each.
  void velkVideoSetRect(VelkHandle h, int32_t left_top, int32_t right_bottom) override;
  int32_t velkVideoGetVisible(VelkHandle h) override;
  void velkVideoSetVisible(VelkHandle h, int32_t visible) override;
  int32_t velkVideoGetSourceWidth(VelkHandle h) override;
  int32_t velkVideoGetSourceHeight(VelkHandle h) override;
  // A TVelkVideoFrame with the current picture, or null.
  void* velkVideoGetDC(VelkHandle h) override;
  // Moves the picture to the play position; -1 when it changed since the last velkVideoGetDC.
  int32_t velkVideoNeedPaint(VelkHandle h) override;

  // Decoding streams deliver 44.1 kHz 16-bit stereo; positions and sizes are in bytes of that.
  int32_t velkOggStrGetFormat(VelkHandle h, TVelkWaveFormat& format) override;
  int32_t velkOggStrRead(VelkHandle h, void* buffer, int32_t count) override;
  int32_t velkOggStrGetPos(VelkHandle h) override;
  void velkOggStrSetPos(VelkHandle h, int32_t position) override;
  int32_t velkOggStrGetSize(VelkHandle h) override;
  int32_t velkOggStrGetLen(VelkHandle h) override;

 private:
  struct TVideoState {
    bool Visible = false;
    bool Dirty = false;
    int32_t Rect[2] = {0, 0};
  };
  struct TDecodeStream {
    std::unique_ptr<IMediaDecoder> Decoder;
    TDecodedPiece Piece;
    size_t PieceRead = 0;  // bytes of Piece.Pcm taken
    int64_t Position = 0;  // bytes
    bool Ended = false;
  };

  std::unique_ptr<IMediaDecoder> open_stream(void* stream, bool is_ogg);
  TDecodeStream* find_stream(VelkHandle h);

  TAudioMixer& mixer_;
  std::function<void()> frame_pump_;
  TVelkInitParams params_;
  TVoiceEntries wmp_;
  TVoiceEntries ogg_;
  TVoiceEntries video_;
  std::map<VelkHandle, TVideoState> video_state_;
  std::map<VelkHandle, TDecodeStream> streams_;
  VelkHandle next_stream_ = 1;
};

}  // namespace velk

#include "medialib/velk_media_lib.h"

#include <algorithm>
#include <cstring>

namespace velk {

namespace {
constexpr int32_t kBytesPerFrame = 4;  // 16-bit stereo
}  // namespace

VelkHandle TVoiceEntries::Add(std::unique_ptr<TMediaVoice> voice) {
  VelkHandle h = next_++;
  mixer_.AddSource(voice.get());
  voices_[h] = std::move(voice);
  return h;
}

void TVoiceEntries::Del(VelkHandle h) {
  auto it = voices_.find(h);
  if (it == voices_.end()) return;
  mixer_.RemoveSource(it->second.get());
  voices_.erase(it);
}

void TVoiceEntries::Clear() {
  for (auto& [h, v] : voices_) mixer_.RemoveSource(v.get());
  voices_.clear();
}

TMediaVoice* TVoiceEntries::Find(VelkHandle h) {
  auto it = voices_.find(h);
  return it != voices_.end() ? it->second.get() : nullptr;
}

void TVoiceEntries::Play(VelkHandle h) {
  if (TMediaVoice* v = Find(h)) v->Play();
}
void TVoiceEntries::Pause(VelkHandle h) {
  if (TMediaVoice* v = Find(h)) v->Pause();
}
int32_t TVoiceEntries::IsPaused(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr && v->IsPaused() ? -1 : 0;
}
int32_t TVoiceEntries::IsPlaying(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr && v->IsPlaying() ? -1 : 0;
}
int32_t TVoiceEntries::IsEnd(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v == nullptr || v->IsEnd() ? -1 : 0;
}
int32_t TVoiceEntries::GetLen(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr ? v->LengthMs() : 0;
}
int32_t TVoiceEntries::GetPosition(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr ? v->PositionMs() : 0;
}
void TVoiceEntries::SetPosition(VelkHandle h, int32_t position) {
  if (TMediaVoice* v = Find(h)) v->SetPositionMs(position);
}
int32_t TVoiceEntries::GetVol(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr ? v->Volume() : 0;
}
void TVoiceEntries::SetVol(VelkHandle h, int32_t volume) {
  if (TMediaVoice* v = Find(h)) v->SetVolume(volume);
}
int32_t TVoiceEntries::GetPan(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr ? v->Pan() : 0;
}
void TVoiceEntries::SetPan(VelkHandle h, int32_t pan) {
  if (TMediaVoice* v = Find(h)) v->SetPan(pan);
}
int32_t TVoiceEntries::GetAutoRepeat(VelkHandle h) {
  TMediaVoice* v = Find(h);
  return v != nullptr && v->AutoRepeat() ? -1 : 0;
}
void TVoiceEntries::SetAutoRepeat(VelkHandle h, int32_t repeat) {
  if (TMediaVoice* v = Find(h)) v->SetAutoRepeat(repeat != 0);
}

TVelkMediaLibrary::TVelkMediaLibrary(TAudioMixer& mixer, std::function<void()> frame_pump)
    : mixer_(mixer), frame_pump_(std::move(frame_pump)), wmp_(mixer), ogg_(mixer), video_(mixer) {}

TVelkMediaLibrary::~TVelkMediaLibrary() { velkFinal(); }

void TVelkMediaLibrary::velkFinal() {
  wmp_.Clear();
  ogg_.Clear();
  video_.Clear();
  video_state_.clear();
  streams_.clear();
}

std::unique_ptr<IMediaDecoder> TVelkMediaLibrary::open_stream(void* stream, bool is_ogg) {
  if (stream == nullptr) return nullptr;
  auto source = std::make_unique<TCallbackSource>(params_.Streams, stream);
  return is_ogg ? OpenVorbisDecoder(std::move(source)) : OpenSoundDecoder(std::move(source));
}

VelkHandle TVelkMediaLibrary::velkWmpmanAdd(const void* bytes, int32_t size) {
  if (bytes == nullptr || size <= 0) return 0;
  const auto* b = static_cast<const uint8_t*>(bytes);
  auto decoder = OpenSoundDecoder(std::make_unique<TMemorySource>(std::vector<uint8_t>(b, b + size)));
  if (!decoder || !decoder->HasAudio()) return 0;
  return wmp_.Add(std::make_unique<TMediaVoice>(std::move(decoder), true));
}

VelkHandle TVelkMediaLibrary::velkOggmanAdd(void* stream, int32_t is_ogg) {
  auto decoder = open_stream(stream, is_ogg != 0);
  if (!decoder) return 0;
  return ogg_.Add(std::make_unique<TMediaVoice>(std::move(decoder), true));
}

VelkHandle TVelkMediaLibrary::velkVidmanAdd(const char* file_name, void* stream, int32_t still_image) {
  std::unique_ptr<IByteSource> source;
  if (stream != nullptr) {
    source = std::make_unique<TCallbackSource>(params_.Streams, stream);
  } else if (file_name != nullptr) {
    auto disk = std::make_unique<TDiskSource>(file_name);
    if (!disk->IsOpen()) return 0;
    source = std::move(disk);
  }
  auto decoder = OpenAvDecoder(std::move(source), still_image == 0, true);
  if (!decoder || !decoder->HasVideo()) return 0;
  VelkHandle h = video_.Add(std::make_unique<TMediaVoice>(std::move(decoder), still_image == 0));
  video_state_[h] = TVideoState{};
  return h;
}

void TVelkMediaLibrary::velkVidmanDel(VelkHandle h) {
  video_.Del(h);
  video_state_.erase(h);
}

int32_t TVelkMediaLibrary::velkOggGetRepeatPos(VelkHandle h) {
  TMediaVoice* v = ogg_.Find(h);
  return v != nullptr ? v->RepeatPosMs() : 0;
}

void TVelkMediaLibrary::velkOggSetRepeatPos(VelkHandle h, int32_t position) {
  if (TMediaVoice* v = ogg_.Find(h)) v->SetRepeatPosMs(position);
}

void TVelkMediaLibrary::velkVideoSetRect(VelkHandle h, int32_t left_top, int32_t right_bottom) {
  auto it = video_state_.find(h);
  if (it == video_state_.end()) return;
  it->second.Rect[0] = left_top;
  it->second.Rect[1] = right_bottom;
}

int32_t TVelkMediaLibrary::velkVideoGetVisible(VelkHandle h) {
  auto it = video_state_.find(h);
  return it != video_state_.end() && it->second.Visible ? -1 : 0;
}

void TVelkMediaLibrary::velkVideoSetVisible(VelkHandle h, int32_t visible) {
  auto it = video_state_.find(h);
  if (it != video_state_.end()) it->second.Visible = visible != 0;
}

int32_t TVelkMediaLibrary::velkVideoGetSourceWidth(VelkHandle h) {
  TMediaVoice* v = video_.Find(h);
  return v != nullptr ? v->Width() : 0;
}

int32_t TVelkMediaLibrary::velkVideoGetSourceHeight(VelkHandle h) {
  TMediaVoice* v = video_.Find(h);
  return v != nullptr ? v->Height() : 0;
}

void* TVelkMediaLibrary::velkVideoGetDC(VelkHandle h) {
  TMediaVoice* v = video_.Find(h);
  if (v == nullptr || v->Frame().Pixels == nullptr) return nullptr;
  video_state_[h].Dirty = false;
  return const_cast<TVelkVideoFrame*>(&v->Frame());
}

int32_t TVelkMediaLibrary::velkVideoNeedPaint(VelkHandle h) {
  TMediaVoice* v = video_.Find(h);
  if (v == nullptr) return 0;
  TVideoState& state = video_state_[h];
  if (v->UpdatePicture(mixer_.WaitsForSources())) state.Dirty = true;
  return state.Dirty ? -1 : 0;
}

TVelkMediaLibrary::TDecodeStream* TVelkMediaLibrary::find_stream(VelkHandle h) {
  auto it = streams_.find(h);
  return it != streams_.end() ? &it->second : nullptr;
}

VelkHandle TVelkMediaLibrary::velkOggStrmanAdd(void* stream, int32_t is_ogg) {
  auto decoder = open_stream(stream, is_ogg != 0);
  if (!decoder) return 0;
  VelkHandle h = next_stream_++;
  streams_[h].Decoder = std::move(decoder);
  return h;
}

int32_t TVelkMediaLibrary::velkOggStrGetFormat(VelkHandle h, TVelkWaveFormat& format) {
  if (find_stream(h) == nullptr) return 0;
  format = TVelkWaveFormat{1, 2, 44100, 44100 * kBytesPerFrame, kBytesPerFrame, 16};
  return -1;
}

int32_t TVelkMediaLibrary::velkOggStrRead(VelkHandle h, void* buffer, int32_t count) {
  TDecodeStream* s = find_stream(h);
  if (s == nullptr || buffer == nullptr || count <= 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const size_t have = s->Piece.Pcm.size() * sizeof(int16_t) - s->PieceRead;
    if (have == 0) {
      if (s->Ended) break;
      s->PieceRead = 0;
      s->Ended = !s->Decoder->Decode(s->Piece);
      continue;
    }
    const size_t n = std::min(have, static_cast<size_t>(count - done));
    std::memcpy(out + done, reinterpret_cast<const uint8_t*>(s->Piece.Pcm.data()) + s->PieceRead, n);
    s->PieceRead += n;
    done += static_cast<int32_t>(n);
  }
  s->Position += done;
  return done;
}

int32_t TVelkMediaLibrary::velkOggStrGetPos(VelkHandle h) {
  TDecodeStream* s = find_stream(h);
  return s != nullptr ? static_cast<int32_t>(std::min<int64_t>(s->Position, INT32_MAX)) : 0;
}

void TVelkMediaLibrary::velkOggStrSetPos(VelkHandle h, int32_t position) {
  TDecodeStream* s = find_stream(h);
  if (s == nullptr) return;
  const int64_t frame = std::clamp<int64_t>(position / kBytesPerFrame, 0, s->Decoder->LengthFrames());
  s->Decoder->Seek(frame);
  s->Piece.Clear();
  s->PieceRead = 0;
  s->Ended = false;
  s->Position = frame * kBytesPerFrame;
}

int32_t TVelkMediaLibrary::velkOggStrGetSize(VelkHandle h) {
  TDecodeStream* s = find_stream(h);
  return s != nullptr ? static_cast<int32_t>(std::min<int64_t>(s->Decoder->LengthFrames() * kBytesPerFrame, INT32_MAX))
                      : 0;
}

int32_t TVelkMediaLibrary::velkOggStrGetLen(VelkHandle h) {
  TDecodeStream* s = find_stream(h);
  return s != nullptr ? static_cast<int32_t>(std::min<int64_t>(FramesToMs(s->Decoder->LengthFrames()), INT32_MAX)) : 0;
}

}  // namespace velk

#pragma once
// A media library that accepts every call and plays nothing: items have length 0, an item without auto-repeat ends
// as soon as it is played, one with auto-repeat plays on silently. Used headless and wherever no decoder is wanted.
#include <map>

#include "medialib/velk_media.h"

namespace velk {

class TNullItemEntries : public IVelkItemEntries {
 public:
  VelkHandle Add();
  void Del(VelkHandle h) { items_.erase(h); }
  bool Has(VelkHandle h) const { return items_.count(h) != 0; }

  void Play(VelkHandle h) override;
  void Pause(VelkHandle h) override;
  int32_t IsPaused(VelkHandle h) override { return Item(h).Paused ? -1 : 0; }
  int32_t IsPlaying(VelkHandle h) override { return Item(h).Playing ? -1 : 0; }
  int32_t IsEnd(VelkHandle h) override { return Item(h).Ended ? -1 : 0; }
  int32_t GetLen(VelkHandle) override { return 0; }
  int32_t GetPosition(VelkHandle) override { return 0; }
  void SetPosition(VelkHandle, int32_t) override {}
  int32_t GetVol(VelkHandle h) override { return Item(h).Volume; }
  void SetVol(VelkHandle h, int32_t volume) override { Item(h).Volume = volume; }
  int32_t GetPan(VelkHandle h) override { return Item(h).Pan; }
  void SetPan(VelkHandle h, int32_t pan) override { Item(h).Pan = pan; }
  int32_t GetAutoRepeat(VelkHandle h) override { return Item(h).AutoRepeat ? -1 : 0; }
  void SetAutoRepeat(VelkHandle h, int32_t repeat) override;

  int32_t RepeatPos(VelkHandle h) { return Item(h).RepeatPos; }
  void SetRepeatPos(VelkHandle h, int32_t p) { Item(h).RepeatPos = p; }
  bool Visible(VelkHandle h) { return Item(h).Visible; }
  void SetVisible(VelkHandle h, bool v) { Item(h).Visible = v; }

 private:
  struct TState {
    bool Playing = false;
    bool Paused = false;
    bool Ended = false;
    bool AutoRepeat = false;
    bool Visible = false;
    int32_t Volume = 0;
    int32_t Pan = 0;
    int32_t RepeatPos = 0;
  };
  // Unknown handles answer from a scratch state, as the library answers for items it does not know.
  TState& Item(VelkHandle h);

  std::map<VelkHandle, TState> items_;
  TState scratch_;
  VelkHandle next_ = 1;
};

class TNullVelkMedia : public IVelkMedia {
 public:
  int32_t velkVersion() override { return kVelkMediaVersion; }
  void velkInit(const TVelkInitParams& params) override { params_ = params; }
  void velkFinal() override {}
  void velkOggmanSetUseThread(int32_t) override {}
  void velkOggmanUpdate() override {}
  void velkWmpmanProcessEvent(const TVelkMessage&) override {}
  void velkVidmanProcessEvent(const TVelkMessage&) override {}
  void velkWmpmanRestore() override {}
  void velkOggmanRestore() override {}
  void velkVidmanSuspend() override {}
  void velkVidmanResume() override {}

  VelkHandle velkWmpmanAdd(const void*, int32_t) override { return wmp_.Add(); }
  VelkHandle velkOggmanAdd(void*, int32_t) override { return ogg_.Add(); }
  VelkHandle velkOggStrmanAdd(void*, int32_t) override;
  VelkHandle velkVidmanAdd(const char*, void*, int32_t) override { return video_.Add(); }
  void velkWmpmanDel(VelkHandle h) override { wmp_.Del(h); }
  void velkOggmanDel(VelkHandle h) override { ogg_.Del(h); }
  void velkOggStrmanDel(VelkHandle h) override { streams_.erase(h); }
  void velkVidmanDel(VelkHandle h) override { video_.Del(h); }

  IVelkItemEntries& Wmp() override { return wmp_; }
  IVelkItemEntries& Ogg() override { return ogg_; }
  IVelkItemEntries& Video() override { return video_; }
  int32_t velkOggGetRepeatPos(VelkHandle h) override { return ogg_.RepeatPos(h); }
  void velkOggSetRepeatPos(VelkHandle h, int32_t position) override { ogg_.SetRepeatPos(h, position); }
  void velkVideoSetRect(VelkHandle, int32_t, int32_t) override {}
  int32_t velkVideoGetVisible(VelkHandle h) override { return video_.Visible(h) ? -1 : 0; }
  void velkVideoSetVisible(VelkHandle h, int32_t visible) override { video_.SetVisible(h, visible != 0); }
  int32_t velkVideoGetSourceWidth(VelkHandle) override { return 0; }
  int32_t velkVideoGetSourceHeight(VelkHandle) override { return 0; }
  void* velkVideoGetDC(VelkHandle) override { return nullptr; }
  int32_t velkVideoNeedPaint(VelkHandle) override { return 0; }

  // A decoded stream of silence with no samples: 44.1 kHz, 16 bits, stereo.
  int32_t velkOggStrGetFormat(VelkHandle h, TVelkWaveFormat& format) override;
  int32_t velkOggStrRead(VelkHandle, void*, int32_t) override { return 0; }
  int32_t velkOggStrGetPos(VelkHandle) override { return 0; }
  void velkOggStrSetPos(VelkHandle, int32_t) override {}
  int32_t velkOggStrGetSize(VelkHandle) override { return 0; }
  int32_t velkOggStrGetLen(VelkHandle) override { return 0; }

  const TVelkInitParams& InitParams() const { return params_; }

 private:
  TVelkInitParams params_;
  TNullItemEntries wmp_;
  TNullItemEntries ogg_;
  TNullItemEntries video_;
  std::map<VelkHandle, bool> streams_;
  VelkHandle next_stream_ = 1;
};

}  // namespace velk

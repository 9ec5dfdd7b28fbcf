#pragma once
// Video items and their manager: films decoded by the media library, their pictures delivered as frames for the
// video component.
#include <memory>
#include <string>
#include <vector>

#include "media/media_item.h"
#include "medialib/velk_media.h"
#include "vfs/stream.h"

namespace velk {

class TCustomDIBX;
class TVrFileManager;
class TVideoManager;

class TVideoItem : public TDMediaItem {
 public:
  virtual int32_t GetSourceHeight() { return 0; }
  virtual int32_t GetSourceWidth() { return 0; }
  virtual bool GetVisible() { return false; }
  virtual void SetVisible(bool) {}
  virtual bool NeedPaint() { return false; }
  // The rectangle of the picture on the screen, as two points packed x low, y high.
  virtual void SetRect(int32_t, int32_t) {}
  // The current picture, or null.
  virtual const TVelkVideoFrame* GetDC() { return nullptr; }
  // Once per frame.
  virtual void Update() {}
};

// A video of the media library. A disk name is read from disk; a ".wmv" or ".asf" name is extracted to a local
// file and decoded from there; any other name is read in place through the virtual file manager.
class TDsVideoItem : public TVideoItem {
 public:
  TDsVideoItem(IVelkMedia& lib, TVrFileManager& files, const std::string& file_name, bool still_image);
  ~TDsVideoItem() override;

  bool GetAutoRepeat() override { return lib_.Video().GetAutoRepeat(handle_) != 0; }
  void SetAutoRepeat(bool repeat) override { lib_.Video().SetAutoRepeat(handle_, repeat ? -1 : 0); }
  int32_t GetPan() override { return lib_.Video().GetPan(handle_); }
  int32_t GetVolume() override { return lib_.Video().GetVol(handle_); }
  void SetPan(int32_t pan) override { lib_.Video().SetPan(handle_, pan); }
  void SetVolume(int32_t volume) override { lib_.Video().SetVol(handle_, volume); }
  int32_t GetPosition() override { return lib_.Video().GetPosition(handle_); }
  void SetPosition(int32_t ms) override { lib_.Video().SetPosition(handle_, ms); }
  int32_t GetLength() override { return lib_.Video().GetLen(handle_); }
  bool IsEnd() override { return lib_.Video().IsEnd(handle_) != 0; }
  bool IsPlaying() override { return lib_.Video().IsPlaying(handle_) != 0; }
  bool IsPaused() override { return lib_.Video().IsPaused(handle_) != 0; }
  void Play() override { lib_.Video().Play(handle_); }
  void Pause() override { lib_.Video().Pause(handle_); }

  int32_t GetSourceHeight() override { return lib_.velkVideoGetSourceHeight(handle_); }
  int32_t GetSourceWidth() override { return lib_.velkVideoGetSourceWidth(handle_); }
  bool GetVisible() override { return lib_.velkVideoGetVisible(handle_) != 0; }
  void SetVisible(bool visible) override { lib_.velkVideoSetVisible(handle_, visible ? -1 : 0); }
  bool NeedPaint() override { return lib_.velkVideoNeedPaint(handle_) != 0; }
  void SetRect(int32_t left_top, int32_t right_bottom) override {
    lib_.velkVideoSetRect(handle_, left_top, right_bottom);
  }
  const TVelkVideoFrame* GetDC() override { return static_cast<const TVelkVideoFrame*>(lib_.velkVideoGetDC(handle_)); }
  // Takes the picture due into Frame() when it changed.
  void Update() override;
  // Copies the picture of the last Update into a surface, which becomes a 32-bit surface of the film's size.
  // False when there is no picture yet.
  bool PaintInto(TCustomDIBX& surface) const;
  // The picture as of the last Update (Serial 0: none yet).
  const TVelkVideoFrame& Frame() const { return frame_; }
  VelkHandle Handle() const { return handle_; }

 private:
  IVelkMedia& lib_;
  std::unique_ptr<TStream> stream_;
  VelkHandle handle_ = 0;
  TVelkVideoFrame frame_;
};

class TVideoManager {
 public:
  TVideoManager(IVelkMedia& lib, TVrFileManager& files, bool use_wmp) : lib_(lib), files_(files), use_wmp_(use_wmp) {}
  // The embedded media-player path does not exist on this platform: every video is a library video.
  TVideoItem* Add(const std::string& file_name, bool still_image);
  void Remove(TVideoItem* item);
  // Pause playing items (marking them) and play them on.
  void Suspend();
  void Resume();
  // Around display switches and deactivation.
  void SuspendAll();
  void ResumeAll();
  void Update();
  bool Suspended() const { return suspended_; }

 private:
  IVelkMedia& lib_;
  TVrFileManager& files_;
  bool use_wmp_;
  bool suspended_ = false;
  std::vector<std::unique_ptr<TVideoItem>> items_;
};

}  // namespace velk

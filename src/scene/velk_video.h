#pragma once
// A video shown as a picture: an item of the video manager whose current frame is copied into the control's own
// surface whenever it changes; the control follows the film's size as an image follows its picture. It is driven
// like a sound (volume, balance, repeat, fades, play states, PR_ONPLAYEND or PR_AUTOSCRAP at the end).
#include <cstdint>
#include <string>

#include "scene/custom_image.h"
#include "scene/media_playback.h"

namespace velk {

class TVideoItem;

class TVelkVideo : public TVelkCustomImage {
 public:
  explicit TVelkVideo(TVelkBaseList* owner) : TVelkCustomImage(owner) {}
  ~TVelkVideo() override;

  uint8_t ComponentType() const override { return VT_VIDEO; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  // A vanishing component runs its fade-out even when paused, so that it goes (and a stop that waits for it ends).
  bool Paused() const override { return Playback.Paused() && Playback.State() != TMediaPlayback::kVanish; }
  bool Update() override;
  void RestoreSurfaces() override;

  int32_t PlayState() const override { return Playback.State(); }
  void SetPlayState(int32_t state) override;
  void Play() override;

  const std::string& Source() const { return source_; }
  // Hands back the old item and makes one for the file: none for a missing file or before the media have started.
  void SetSource(const std::string& source);
  TVideoItem* Video() const;

  bool AutoScrap = false;
  std::string OnPlayEnd;
  std::string OnIdle;
  bool RewindOnLoad = true;
  bool MuteOnLoad = false;
  bool Overlay = true;
  TMediaPlayback Playback;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  // Copies a new frame into the own surface; the size follows a change of the film's size.
  void show_frame();
  // Tells the item where the picture is on the screen.
  void place_window();

  std::string source_;
  uint32_t shown_serial_ = 0;
  TRect window_;
};

}  // namespace velk

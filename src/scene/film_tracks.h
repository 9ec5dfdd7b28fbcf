#pragma once
// The track kinds of a film. Pictures, labels and tiles share the picture record (position, angle, zoom, opacity,
// clip, afterimages); boxes, particles and fire share the rectangle record (position and size). Transition tracks
// drive no object: the film turns the one of the current tick into the scene's transition. Sound tracks keep their
// sound's file, volume and balance.
#include <array>
#include <cstdint>
#include <string>

#include "scene/film_track.h"

namespace velk {

class TBrixItem;

// The clip block: start position, start size, end position, end size, then the position and size easings.
void ReadFilmClip(TStream& s, TAnimated<int32_t>& x, TAnimated<int32_t>& y, TAnimated<int32_t>& w,
                  TAnimated<int32_t>& h, uint8_t& ease_pos, uint8_t& ease_size);
void WriteFilmClip(TStream& s, const TAnimated<int32_t>& x, const TAnimated<int32_t>& y, const TAnimated<int32_t>& w,
                   const TAnimated<int32_t>& h, uint8_t ease_pos, uint8_t ease_size);

// Kinds 0, 1 and 5.
class TCustomImageFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;

  TFilmPoint Origin;
  TAnimated<int32_t> X, Y;
  uint8_t EaseX = 0, EaseY = 0;
  // Degrees.
  TAnimated<int32_t> AngleDeg;
  TAnimated<double> ZoomX{1.0, 1.0}, ZoomY{1.0, 1.0};
  uint8_t EaseZoomX = 0, EaseZoomY = 0;
  TAnimated<int32_t> Alpha;
  uint8_t EaseAngle = 0;
  TAnimated<int32_t> ClipX, ClipY, ClipW, ClipH;
  uint8_t EaseClipPos = 0, EaseClipSize = 0;
  TAnimated<int32_t> BlurSpan, BlurDelay;
  // Pictures and tiles only.
  std::string FileName;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  bool HasFile() const { return Kind() != kTrackLabel; }

  // The values every kind of the family sets at step d.
  int32_t ZoomAt(TAnimated<double> TCustomImageFrameList::*zoom, uint8_t ease, int64_t d) const;
  int32_t AngleAt(int64_t d) const;
  void ShowClip(TVelkControl& control, int64_t d) const;
  void ShowBlur(TVelkControl& control, int64_t d) const;
};

// Kind 0: an image control showing the frames of a layered image.
class TImageFrameList : public TCustomImageFrameList {
 public:
  using TCustomImageFrameList::TCustomImageFrameList;
  ~TImageFrameList() override;
  uint8_t Kind() const override { return kTrackImage; }
  void Init() override;

 protected:
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
  int32_t FrameCount() const override;
  int32_t FrameTicks(int32_t index) const override;
  void ReleaseItem();

  TBrixItem* item_ = nullptr;
  TVelkBaseList* item_scene_ = nullptr;
};

// Kind 5: a tile control, its picture repeated and scrolled.
class TTileFrameList : public TImageFrameList {
 public:
  using TImageFrameList::TImageFrameList;
  uint8_t Kind() const override { return kTrackTile; }

  TAnimated<int32_t> Width, Height, ScrollX, ScrollY;
  uint8_t EaseScrollX = 0, EaseScrollY = 0;
  int32_t DistanceX = 0, DistanceY = 0;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
};

// Kind 1: a text label.
class TLabelFrameList : public TCustomImageFrameList {
 public:
  using TCustomImageFrameList::TCustomImageFrameList;
  uint8_t Kind() const override { return kTrackLabel; }

  std::string Text;
  bool AntiAlias = false;
  std::string FontName;
  int32_t FontHeight = 12;
  int32_t LineSpace = 0;
  uint8_t FontStyle = 0;
  int32_t FontColor = 0;
  uint8_t HAlign = 0;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
};

// Kinds 2, 6 and 7: position and size.
class TRectFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;

  TAnimated<int32_t> X, Y;
  uint8_t EaseX = 0, EaseY = 0;
  TAnimated<int32_t> W{100, 100}, H{100, 100};
  TAnimated<int32_t> ClipX, ClipY, ClipW, ClipH;
  uint8_t EaseClipPos = 0, EaseClipSize = 0;

 protected:
  // Position, eases and (unless the kind reads them later) the sizes.
  void LoadRect(TStream& s, bool sizes);
  void SaveRect(TStream& s, bool sizes) const;
  void LoadSizes(TStream& s);
  void SaveSizes(TStream& s) const;
  // Left and top, and width and height from the interpolated corners, at step d.
  void RectAt(int64_t d, int32_t& left, int32_t& top, int32_t& width, int32_t& height) const;
  void ShowClip(TVelkControl& control, int64_t d) const;
};

// Kind 2: a filled, bordered box.
class TBoxFrameList : public TRectFrameList {
 public:
  using TRectFrameList::TRectFrameList;
  uint8_t Kind() const override { return kTrackBox; }

  TAnimated<int32_t> Alpha, Color, BorderWidth, BorderColor, BlurSpan, BlurDelay;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
};

// Kind 6: a particle emitter with its parameter record.
class TParticleFrameList : public TRectFrameList {
 public:
  using TRectFrameList::TRectFrameList;
  uint8_t Kind() const override { return kTrackParticle; }

  std::string FileName;
  uint8_t Motion = 0;
  int32_t ImageIndex = 0;
  // A .. F: emission position base and range, interval base and range.
  std::array<TAnimated<int32_t>, 6> Ints;
  uint8_t EaseC = 0, EaseD = 0;
  // G, H, I: the particles' real parameters.
  std::array<TAnimated<double>, 3> Reals;
  TAnimated<int32_t> Alpha;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
  int32_t IntAt(size_t i, uint8_t ease, int64_t d) const;
};

// Kind 7: a fire effect.
class TFireFrameList : public TRectFrameList {
 public:
  using TRectFrameList::TRectFrameList;
  uint8_t Kind() const override { return kTrackFire; }

  TAnimated<double> ZoomX{4.0, 4.0}, ZoomY{4.0, 4.0};
  uint8_t EaseZoomX = 0, EaseZoomY = 0;
  int32_t Power = 100;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl& control, int64_t d) override;
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList* scene) const override;
};

// Kind 3: a screen transition on the timeline.
class TWipeFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;
  uint8_t Kind() const override { return kTrackWipe; }
  bool Apply(int32_t tick) override { return Contains(tick); }

  uint8_t Type = 1;
  std::string MaskFile;
  int32_t Param0 = 0, Param1 = 0;
  bool Reverse = false;

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl&, int64_t) override {}
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList*) const override { return nullptr; }
};

// Kind 4: a sound with volume and balance.
class TSoundFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;
  ~TSoundFrameList() override;
  uint8_t Kind() const override { return kTrackSound; }
  // Inside its span (before the film's last tick) the track drives the sound of its chain: made on first use in
  // the main scene, played from the start when new, its volume and balance set at every tick.
  bool Apply(int32_t tick) override;
  void SetPaused(bool paused) override;
  // Stops the chain's sound (a seek backwards): the sound component goes.
  void StopSound();

  std::string FileName;
  TAnimated<int32_t> Volume{1000, 1000}, Balance;
  uint8_t EaseVolume = 0, EaseBalance = 0;

  // The volume at a tick of the span, times the film's master volume / 1000, and the balance.
  int32_t VolumeAt(int32_t tick) const;
  int32_t BalanceAt(int32_t tick) const;
  // The first sound track of the chain owns the chain's sound; it plays until the chain's last track ends.
  TSoundFrameList* Root() const { return root_; }
  int64_t ChainEnd() const { return chain_end_; }
  void SetChain(TSoundFrameList* root, int64_t end) {
    root_ = root;
    chain_end_ = end;
  }

 protected:
  void LoadOwn(TStream& s, const std::string& folder, int32_t version) override;
  void SaveOwn(TStream& s, int32_t version) const override;
  void Show(TVelkControl&, int64_t) override {}
  std::unique_ptr<TVelkControl> NewControl(TVelkBaseList*) const override { return nullptr; }

 private:
  // Whether a track of this chain plays at the tick.
  bool ChainPlays(int32_t tick);

  TObjectHandle sound_;
  std::string playing_file_;
  TSoundFrameList* root_ = this;
  int64_t chain_end_ = 0;
};

}  // namespace velk

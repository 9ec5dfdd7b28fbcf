#pragma once
// The base of pictures with frames: image lists taken from the image cache (one per state), the frame clock, the
// frame animation, brightness, pause, the wait added to the last frame, and the motion player a ".kmt" source
// attaches instead of frames.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "expr/velk_parser.h"
#include "scene/custom_image.h"
#include "scene/velk_motion.h"

namespace velk {

class TBrixItem;
struct TBrixItemFrame;

// The frames of one picture file, owned by the image cache item the list holds.
struct TImageList {
  TBrixItem* Item = nullptr;
  int32_t Count() const;
  TBrixItemFrame* Frame(int32_t index) const;
};

class TVelkCustomImages : public TVelkCustomImage {
 public:
  explicit TVelkCustomImages(TVelkBaseList* owner, int32_t states = 1);
  ~TVelkCustomImages() override;

  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }

  // Milliseconds left in the current frame.
  int32_t FrameTime = 0;
  int32_t Brightness = 255;
  bool PausedFlag = false;
  // Evaluated when the last frame is shown; its integer value is added to that frame's time.
  TVelkParser LastFrameWait;

  // Frames of a state; state 0 is the picture of images.
  TImageList& Frames(int32_t state = 0) { return lists_.at(static_cast<size_t>(state)); }
  const TImageList& Frames(int32_t state = 0) const { return lists_.at(static_cast<size_t>(state)); }
  // The frames of the shown list (state), which the frame animation walks.
  int32_t FrameCount() const { return Frames(shown_list_).Count(); }
  TBrixItem* SurfaceItem() const override;

  const std::string& Source() const { return source_; }
  // A new name drops the frames and the motion, then loads by extension: ".brx" (and PNG, BMP) frames through the
  // image cache, ".kmt" a motion player; anything else leaves the control empty.
  virtual void SetSource(const std::string& name);
  // Shows a frame (or moves the motion there).
  void SetIndex(int32_t v) override;
  void SetVisible(bool v) override;
  void SetPausedFlag(bool v);
  void SetBrightness(int32_t v);

  // PR_PLAYING: not paused and, without repeat, not resting on the last frame with no time left.
  bool Playing() const;

  // The control update, the size rule, the motion step or the frame animation, then the afterimages. True when
  // the control ends itself (PR_AUTOSCRAP at the end of its run).
  bool Update() override;

  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

 protected:
  // Loads the frames of a picture file into a state's list; false when the file is missing or unreadable.
  bool LoadFrames(int32_t state, const std::string& name);
  void DropFrames();
  // Advances the frame clock; true when the control ends itself.
  bool AnimateFrames();
  // Makes frame `index` of state 0 the shown picture: its surface, mask and display time.
  void ShowFrame(int32_t index);
  // Only the surface and mask of a frame (brightness changes, rebuilt display surfaces); none out of range.
  void ApplyFrameSurface(int32_t index);

  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

  std::string source_;
  // The image list whose frames are shown: 0 for images; buttons show the list of their state.
  int32_t shown_list_ = 0;

 private:
  std::vector<TImageList> lists_;
};

}  // namespace velk

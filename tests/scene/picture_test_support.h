#pragma once
// A scene with an image cache that serves layered images made in memory, the frame step of the player, and a
// film that records how it is driven, for the picture control tests.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "gfx/brix_writer.h"
#include "gfx/dib_pixels.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/velk_film.h"
#include "vfs/stream.h"

namespace velk::test {

// One frame of a test picture: a w x h rectangle of one colour (0x00BBGGRR). With an alpha split the left half is
// opaque and the right half fully transparent.
struct TFrameSpec {
  int32_t W = 1, H = 1;
  uint32_t Colour = 0xFFFFFF;
  int32_t Time = 100;
  bool AlphaSplit = false;
  // The pieces the frame holds; empty: none recorded.
  std::vector<TRect> Content{};
};

inline std::vector<uint8_t> MakeBrix(const std::vector<TFrameSpec>& frames) {
  TBrixFrameList list;
  for (const TFrameSpec& spec : frames) {
    TBrixFrame& f = list.AddFrame();
    SetDibSize(f.Picture, spec.W, spec.H, 24);
    for (int32_t y = 0; y < spec.H; ++y)
      for (int32_t x = 0; x < spec.W; ++x) SetDibPixel(f.Picture, x, y, DibColorToNative(f.Picture, spec.Colour));
    f.DisplayTime = spec.Time;
    f.ContentRects = spec.Content;
    if (spec.AlphaSplit) {
      f.Picture.SetHasAlpha(true);
      for (int32_t y = 0; y < spec.H; ++y)
        for (int32_t x = 0; x < spec.W; ++x) f.Picture.AlphaLine(y)[x] = x < spec.W / 2 ? 255 : 0;
    }
  }
  TMemoryStream s;
  WriteBrix(s, list, TBrixWriteOptions{.Identification = 77});
  return s.Bytes();
}

// The scene of a test: game files in memory, the image cache over them and the film loader hook.
class TPictureWorld {
 public:
  explicit TPictureWorld(int32_t w = 64, int32_t h = 48)
      : Cache(
            [this](TStream& t, const std::string& name) {
              auto it = Files.find(name);
              if (it == Files.end()) throw EStreamError("missing", name);
              t.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
            },
            77) {
    Scene.SetSize(w, h);
    Scene.Services.Images = &Cache;
    Scene.Services.Exists = [this](const std::string& name) { return Files.count(name) > 0; };
  }

  // One frame of the player: input step, then the update step, both with the frame's milliseconds.
  void Frame(int32_t ms) {
    Scene.ProcessInput(ms);
    Scene.UpdateAll();
  }
  void Frames(int32_t count, int32_t ms) {
    for (int32_t i = 0; i < count; ++i) Frame(ms);
  }
  TVelkBase* Base() { return Scene.ActiveBaseObject(); }
  uint32_t Pixel(int32_t x, int32_t y) { return Scene.PresentationSurface()->GetPixel(x, y); }
  uint32_t Native(int32_t colour) { return static_cast<uint32_t>(Scene.PresentationSurface()->ColorToPixel(colour)); }

  std::map<std::string, std::vector<uint8_t>> Files;
  // Declared before the scene: the scene's controls hand their pictures back when they are destroyed.
  TBrixCollection Cache;
  TVelkBaseList Scene;
};

// A film that writes its tick into the driven control: MotionX = origin x + tick, MotionY = origin y + 2 x tick.
class TFakeFilm : public IVelkFilm {
 public:
  TFakeFilm(TVelkControl& target, int32_t length, int32_t loop_start, bool relative)
      : target_(target), length_(length), loop_start_(loop_start), relative_(relative) {}
  int32_t Length() const override { return length_; }
  int32_t LoopStart() const override { return loop_start_; }
  void MoveTo(int32_t tick) override {
    Moves.push_back(tick);
    current_ = tick;
    target_.MotionX = OriginX + tick;
    target_.MotionY = OriginY + 2 * tick;
  }
  int32_t CurrentTick() const override { return current_; }
  bool Relative() const override { return relative_; }
  void SetOrigin(int32_t x, int32_t y) override {
    OriginX = x;
    OriginY = y;
    ++OriginMoves;
  }
  void SetBasePriority(int32_t priority) override { BasePriority = priority; }
  bool HasOwnScene() const override { return false; }
  void SetScene(TVelkBaseList*) override {}
  int32_t Width() const override { return 0; }
  int32_t Height() const override { return 0; }
  void SetPlaying(bool) override {}
  void SetVolume(int32_t) override {}

  std::vector<int32_t> Moves;
  int32_t OriginX = -1, OriginY = -1, OriginMoves = 0, BasePriority = -1;

 private:
  TVelkControl& target_;
  int32_t length_, loop_start_;
  bool relative_;
  int32_t current_ = -1;
};

}  // namespace velk::test

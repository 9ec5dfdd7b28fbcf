#pragma once
// A text label: lines of text in one font, rendered once from the glyph cache into an 8-bit coverage surface and
// drawn in the font colour through that coverage, with the opacity code, rotation, zoom and mirroring of pictures.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/velk_control.h"

namespace velk {

class TDIBX;

// The text block is never larger than this many pixels either way: a script's text or font size must not decide how
// much memory the label takes.
constexpr int32_t kMaxLabelSide = 4096;

// Splits text at line breaks (CR LF, LF or CR); a final empty line is dropped.
std::vector<std::string> SplitLines(const std::string& text);
// The bounding box of a w × h rectangle scaled by zoom / 256, rotated by angle 256ths of a turn around the pivot
// (in unscaled pixels of the rectangle) placed at (x, y).
TRect RotatedBounds(int32_t x, int32_t y, int32_t w, int32_t h, int32_t zoom_x, int32_t zoom_y, int32_t pivot_x,
                    int32_t pivot_y, int32_t angle);

class TVelkLabel : public TVelkControl {
 public:
  explicit TVelkLabel(TVelkBaseList* owner);
  ~TVelkLabel() override;

  uint8_t ComponentType() const override { return VT_LABEL; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }

  int32_t Alpha = 255;
  int32_t FontColor = 0;
  int32_t Angle = 0;  // only the low byte counts: 256 steps make a full turn
  std::string OnIdle;
  bool Repeat = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  bool PausedFlag = false;

  // The text settings; each change lays the text out again.
  const std::string& FontName() const { return font_name_; }
  int32_t FontHeight() const { return font_height_; }
  int32_t LineSpace() const { return line_space_; }
  uint8_t FontStyle() const { return font_style_; }
  uint8_t HAlign() const { return halign_; }
  bool AntiAlias() const { return antialias_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines joined with CR LF.
  std::string Text() const;
  void SetFontName(const std::string& v);
  void SetFontHeight(int32_t v);
  void SetLineSpace(int32_t v);
  void SetFontStyle(uint8_t v);
  void SetHAlign(uint8_t v);
  void SetAntiAlias(bool v);
  void SetText(const std::string& text);

  // A motion file (".kmt") as source drives the label's position; PR_REPEAT, PR_AUTOSCRAP and PR_ONPLAYEND apply
  // to it. Other names are kept and do nothing.
  const std::string& Source() const { return source_; }
  void SetSource(const std::string& name);
  bool Repeats() const override { return Repeat; }
  bool AutoScraps() const override { return AutoScrap; }

  int32_t ZoomX() const override { return zoom_x_; }
  int32_t ZoomY() const override { return zoom_y_; }
  bool FlipH() const override { return flip_h_; }
  bool FlipV() const override { return flip_v_; }
  // Zooms of 0 or less store 1; the size follows the block.
  void SetZoomX(int32_t v);
  void SetZoomY(int32_t v);
  void SetFlipH(bool v) { SetVisualBool(flip_h_, v); }
  void SetFlipV(bool v) { SetVisualBool(flip_v_, v); }
  bool Rotated() const { return (Angle & 0xFF) != 0; }

  // The rendered text block and its coverage.
  int32_t BlockWidth() const { return block_w_; }
  int32_t BlockHeight() const { return block_h_; }
  TDIBX* Coverage() const { return coverage_.get(); }

  TRect ScreenRect() const override;
  void Draw() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void Layout();
  TPoint Pivot() const;
  void FollowBlock();
  // A surface of the block's size in the font colour at the target's depth, for the scaled and additive draws.
  TDIBX* Ink(TCustomDIBX& target);

  std::string font_name_;
  int32_t font_height_ = 12;
  int32_t line_space_ = 0;
  uint8_t font_style_ = 0;
  uint8_t halign_ = 0;
  bool antialias_ = false;
  std::vector<std::string> lines_;
  int32_t zoom_x_ = 256, zoom_y_ = 256;
  bool flip_h_ = false, flip_v_ = false;
  int32_t block_w_ = 0, block_h_ = 0;
  std::unique_ptr<TDIBX> coverage_;
  std::unique_ptr<TDIBX> ink_;
  int32_t ink_color_ = -1;
  std::string source_;
};

}  // namespace velk

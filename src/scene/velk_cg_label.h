#pragma once
// A label drawn from a glyph picture: the picture holds cells of one size row by row, the map text names the
// character of each cell in the same order, and every character of the text is drawn as its cell. The picture's
// frames animate as those of images do.
#include <cstdint>
#include <string>
#include <vector>

#include "scene/frame_picture.h"
#include "scene/velk_control.h"

namespace velk {

class TVelkCGLabel : public TVelkControl {
 public:
  explicit TVelkCGLabel(TVelkBaseList* owner) : TVelkControl(owner) {}

  uint8_t ComponentType() const override { return VT_CGLABEL; }
  bool GetProp(int32_t id, TPropValue& value) const override;
  bool SetProp(int32_t id, const TPropValue& value) override;
  bool Paused() const override { return PausedFlag; }
  TCustomDIBX* ImageSurface() const override { return picture_.Surface(); }

  int32_t Alpha = 255;
  bool PausedFlag = false;
  std::string OnIdle;

  // The glyph picture: a layered image (or PNG, BMP) whose frames animate once through, or a motion file (".kmt")
  // that moves the label.
  const std::string& Source() const { return source_; }
  void SetSource(const std::string& name);
  // The frame shown and the number of frames of the glyph picture.
  int32_t Index() const { return picture_.Index(); }
  int32_t FrameCount() const { return picture_.Count(); }
  // PR_PLAYING: not paused and, under a motion, the motion plays; else the frames have not reached their end.
  bool Playing() const;

  const std::string& Text() const { return text_; }
  const std::string& MapText() const { return map_text_; }
  int32_t GlyphWidth() const { return glyph_w_; }
  int32_t GlyphHeight() const { return glyph_h_; }
  int32_t LineSpace() const { return line_space_; }
  uint8_t HAlign() const { return halign_; }
  void SetText(const std::string& v);
  void SetMapText(const std::string& v);
  void SetGlyphWidth(int32_t v);
  void SetGlyphHeight(int32_t v);
  void SetLineSpace(int32_t v);
  void SetHAlign(uint8_t v);

  // Per line, the cell of each character: its position in the map text (first occurrence), -1 when not there.
  const std::vector<std::vector<int32_t>>& Cells() const { return cells_; }
  // The rectangle of cell i in the picture; false when the cell does not lie wholly inside it (glyph sizes of 0,
  // glyphs wider than the picture, cells below its last row).
  bool CellRect(int32_t index, TRect& r) const;

  void Draw() override;
  bool Update() override;

 protected:
  void SaveOwnFields(TStream& s) const override;
  void LoadOwnFields(TStream& s, int32_t version) override;

 private:
  void Layout();
  // The size the text takes; the picture's own size never counts.
  void ApplySize();

  std::string source_;
  TFramePicture picture_;
  std::string text_;
  std::string map_text_;
  int32_t glyph_w_ = 1, glyph_h_ = 1;
  int32_t line_space_ = 0;
  uint8_t halign_ = 0;
  std::vector<std::vector<int32_t>> cells_;
};

}  // namespace velk

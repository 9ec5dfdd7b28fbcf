#pragma once
// Label bitmaps: single-line captions (buttons, list boxes) rendered once with the glyph cache into a colour surface
// and a mask, then copied onto the target. The list holds the font and colour settings its labels share.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dibx.h"

namespace velk {

class TStream;
class TLabelDIBList;

class TLabelDIB {
 public:
  explicit TLabelDIB(TLabelDIBList& list);
  ~TLabelDIB();

  const std::string& Caption() const { return caption_; }
  // A changed caption marks the label dirty.
  void SetCaption(const std::string& text);
  bool Dirty() const { return dirty_; }
  void MarkDirty() { dirty_ = true; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const std::vector<int32_t>& Advances() const { return advances_; }
  TDIBX& ColorSurface() { return *color_; }
  TDIBX& MaskSurface() { return *mask_; }

  // Draws the caption into the label's surfaces, re-creating them at the label's size and the target's depth.
  void RenderLabel();
  // Draws the label onto the list's target at (x, y), rendering it first when dirty or of another depth.
  void DrawLabel(int32_t x, int32_t y);

 private:
  friend class TLabelDIBList;
  TLabelDIBList& list_;
  std::unique_ptr<TDIBX> color_;
  std::unique_ptr<TDIBX> mask_;
  std::string caption_;
  bool dirty_ = true;
  int32_t height_ = 0;
  int32_t width_ = 0;
  std::vector<int32_t> advances_;
};

class TLabelDIBList {
 public:
  // The platform's outline text metrics record as stored; only the text height and the overhang are used.
  static constexpr size_t kMetricsSize = 212;
  using TMetrics = std::array<uint8_t, kMetricsSize>;

  TLabelDIBList();
  ~TLabelDIBList();
  TLabelDIBList(const TLabelDIBList&) = delete;
  TLabelDIBList& operator=(const TLabelDIBList&) = delete;

  int32_t Quality = 3;
  TCustomDIBX* Target = nullptr;  // sets the labels' colour depth (32 bits without one); not saved
  int32_t BorderWidth = 0;
  int32_t Alpha = 255;
  int32_t FontHeight = 12;
  std::string FontName;  // "ＭＳ Ｐゴシック"
  int32_t TextColor = 0xFFFFFF;
  int32_t BorderColor = 0;
  uint8_t Style = 0;
  TMetrics Metrics{};
  int32_t ShadowWidth = 0;
  int32_t ShadowColor = 0;

  // The metrics' text height and overhang.
  int32_t TextHeight() const;
  int32_t Overhang() const;

  // A new empty label, appended.
  TLabelDIB& AddLabel();
  // Grows with new empty labels or drops the labels from n on.
  void SetCount(int32_t n);
  // The label at i, or null outside the list.
  TLabelDIB* LabelAt(int32_t i) const;
  int32_t Count() const { return static_cast<int32_t>(labels_.size()); }
  // The widest label's width.
  int32_t MaxWidth() const;
  void MarkAllDirty();
  // Reads the font's metrics and gives every label its height, advances and width.
  void Measure();

  // The list record of buttons and list boxes; version is the save data's.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);

 private:
  std::vector<std::unique_ptr<TLabelDIB>> labels_;
};

}  // namespace velk

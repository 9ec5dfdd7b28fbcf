// The picture family of film tracks: pictures, tiles and labels.
#include <cmath>

#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "scene/film_manager.h"
#include "scene/film_tracks.h"
#include "scene/velk_label.h"
#include "scene/velk_tile.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using CI = TCustomImageFrameList;

void ReadPair(TStream& s, TAnimated<int32_t>& v) {
  v.Start = ReadIntExact(s);
  v.End = ReadIntExact(s);
}

void WritePair(TStream& s, const TAnimated<int32_t>& v) {
  WriteInt(s, v.Start);
  WriteInt(s, v.End);
}

// Zoom factors are applied in 256ths; a factor beyond the int32 range is as far as it goes.
}  // namespace

void ReadFilmClip(TStream& s, TAnimated<int32_t>& x, TAnimated<int32_t>& y, TAnimated<int32_t>& w,
                  TAnimated<int32_t>& h, uint8_t& ease_pos, uint8_t& ease_size) {
  x.Start = ReadIntExact(s);
  y.Start = ReadIntExact(s);
  w.Start = ReadIntExact(s);
  h.Start = ReadIntExact(s);
  x.End = ReadIntExact(s);
  y.End = ReadIntExact(s);
  w.End = ReadIntExact(s);
  h.End = ReadIntExact(s);
  ease_pos = ReadByteExact(s);
  ease_size = ReadByteExact(s);
}

void WriteFilmClip(TStream& s, const TAnimated<int32_t>& x, const TAnimated<int32_t>& y, const TAnimated<int32_t>& w,
                   const TAnimated<int32_t>& h, uint8_t ease_pos, uint8_t ease_size) {
  for (int32_t v : {x.Start, y.Start, w.Start, h.Start, x.End, y.End, w.End, h.End}) WriteInt(s, v);
  WriteByte(s, ease_pos);
  WriteByte(s, ease_size);
}

// ---- the picture record -------------------------------------------------------------------------------------

void TCustomImageFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t version) {
  ReadFilmPoint(s, Origin);
  X.Start = ReadIntExact(s);
  Y.Start = ReadIntExact(s);
  X.End = ReadIntExact(s);
  Y.End = ReadIntExact(s);
  EaseX = ReadByteExact(s);
  EaseY = ReadByteExact(s);
  ReadPair(s, AngleDeg);
  ZoomX.Start = ReadFilmReal(s);
  ZoomX.End = ReadFilmReal(s);
  EaseZoomX = ReadByteExact(s);
  ReadPair(s, Alpha);
  EaseAngle = ReadByteExact(s);
  if (version > 100) ReadFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  if (version >= 105) {
    ZoomY.Start = ReadFilmReal(s);
    ZoomY.End = ReadFilmReal(s);
    EaseZoomY = ReadByteExact(s);
  } else {
    ZoomY = ZoomX;
    EaseZoomY = EaseZoomX;
  }
  if (version >= 109) {
    BlurSpan.Start = ReadIntExact(s);
    BlurDelay.Start = ReadIntExact(s);
    BlurSpan.End = ReadIntExact(s);
    BlurDelay.End = ReadIntExact(s);
  }
  if (HasFile()) FileName = FilmFileName(folder, ReadStringExact(s));
}

void TCustomImageFrameList::SaveOwn(TStream& s, int32_t version) const {
  WriteFilmPoint(s, Origin);
  for (int32_t v : {X.Start, Y.Start, X.End, Y.End}) WriteInt(s, v);
  WriteByte(s, EaseX);
  WriteByte(s, EaseY);
  WritePair(s, AngleDeg);
  WriteFilmReal(s, ZoomX.Start);
  WriteFilmReal(s, ZoomX.End);
  WriteByte(s, EaseZoomX);
  WritePair(s, Alpha);
  WriteByte(s, EaseAngle);
  if (version > 100) WriteFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  if (version >= 105) {
    WriteFilmReal(s, ZoomY.Start);
    WriteFilmReal(s, ZoomY.End);
    WriteByte(s, EaseZoomY);
  }
  if (version >= 109) {
    for (int32_t v : {BlurSpan.Start, BlurDelay.Start, BlurSpan.End, BlurDelay.End}) WriteInt(s, v);
  }
  if (HasFile()) WriteString(s, FileName);
}

int32_t TCustomImageFrameList::ZoomAt(TAnimated<double> CI::*zoom, uint8_t ease, int64_t d) const {
  return FilmInterpolate(FilmZoom(StartOf(zoom)), FilmZoom((this->*zoom).End), ease, d, Steps());
}

int32_t TCustomImageFrameList::AngleAt(int64_t d) const {
  const int32_t s = StartOf(&CI::AngleDeg), e = AngleDeg.End;
  if (s == 0 && e == 0) return 0;
  return FilmAngle(FilmInterpolateReal(s, e, EaseAngle, d, Steps()));
}

void TCustomImageFrameList::ShowClip(TVelkControl& control, int64_t d) const {
  // SetClip turns an empty size into no clip.
  SetClip(control, Step(&CI::ClipX, EaseClipPos, d), Step(&CI::ClipY, EaseClipPos, d),
          Step(&CI::ClipW, EaseClipSize, d), Step(&CI::ClipH, EaseClipSize, d));
}

void TCustomImageFrameList::ShowBlur(TVelkControl& control, int64_t d) const {
  const auto value = [&](TAnimated<int32_t> CI::*field) {
    const int32_t s = StartOf(field), e = (this->*field).End;
    return s == 0 && e == 0 ? 0 : FilmInterpolate(s, e, 0, d, Steps());
  };
  TPropValue v;
  v.I = value(&CI::BlurSpan);
  control.SetProp(PR_BLURSPAN, v);
  v.I = value(&CI::BlurDelay);
  control.SetProp(PR_BLURDELAY, v);
}

// ---- pictures -----------------------------------------------------------------------------------------------

TImageFrameList::~TImageFrameList() {
  // The object shows the item's surfaces: it goes first (a motion's control lets go of them).
  if (film_.MotionMode()) {
    if (auto* picture = dynamic_cast<TVelkCustomImage*>(film_.Controlled()); picture && item_) {
      for (int32_t i = 0; i < item_->Count(); ++i) {
        if (picture->SharedSurface == item_->Frame(i).Surface.get()) {
          picture->SharedSurface = nullptr;
          picture->Mask = nullptr;
        }
      }
    }
  } else {
    Hide();
  }
  ReleaseItem();
}

void TImageFrameList::ReleaseItem() {
  if (item_ && item_scene_ && item_scene_->Services.Images) item_scene_->Services.Images->Release(item_, this);
  item_ = nullptr;
  item_scene_ = nullptr;
}

void TImageFrameList::Init() {
  ReleaseItem();
  item_scene_ = film_.FilesScene();
  item_ = AcquirePicture(item_scene_, this, FileName);
}

int32_t TImageFrameList::FrameCount() const { return item_ ? item_->Count() : 0; }

int32_t TImageFrameList::FrameTicks(int32_t index) const {
  const int32_t ms = item_->Frame(index).DisplayTime;
  return std::max<int32_t>(1, static_cast<int32_t>(std::lround(ms / kFilmTickMs)));
}

std::unique_ptr<TVelkControl> TImageFrameList::NewControl(TVelkBaseList* scene) const {
  return std::make_unique<TVelkImage>(scene);
}

void TImageFrameList::Show(TVelkControl& control, int64_t d) {
  const int32_t index = FrameIndexAt(d);
  if (index < 0 || index >= FrameCount()) return;
  TBrixItemFrame& frame = item_->Frame(index);
  control.SetOffsetX(FilmCoord(int64_t{Origin.X} - frame.Offset.X));
  control.SetOffsetY(FilmCoord(int64_t{Origin.Y} - frame.Offset.Y));
  PlaceAt(control, Step(&CI::X, EaseX, d), Step(&CI::Y, EaseY, d));
  ShowClip(control, d);
  auto* picture = dynamic_cast<TVelkCustomImage*>(&control);
  if (!picture) return;
  const int32_t zoom_x = ZoomAt(&CI::ZoomX, EaseZoomX, d), zoom_y = ZoomAt(&CI::ZoomY, EaseZoomY, d);
  TCustomDIBX* surface = frame.Surface.get();
  if (picture->SharedSurface != surface || picture->Mask != frame.Mask.get() || picture->Index != index) {
    picture->Invalidate();
    picture->SharedSurface = surface;
    picture->Mask = frame.Mask.get();
    picture->Index = index;
    picture->Invalidate();
  }
  picture->SetZoomX(zoom_x);
  picture->SetZoomY(zoom_y);
  picture->SetFlipH(MirrorH);
  picture->SetFlipV(MirrorV);
  picture->SetAngle(AngleAt(d));
  picture->SetAlpha(StepOpacity(&CI::Alpha, d));
  ShowBlur(control, d);
  // The size follows the frame and the zoom at once.
  const int32_t w = surface ? surface->Width() : 0, h = surface ? surface->Height() : 0;
  picture->SetWidth(FilmCoord(int64_t{w} * picture->ZoomX() / 256));
  picture->SetHeight(FilmCoord(int64_t{h} * picture->ZoomY() / 256));
  picture->SizeDirty = false;
}

// ---- tiles --------------------------------------------------------------------------------------------------

void TTileFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t version) {
  TCustomImageFrameList::LoadOwn(s, folder, version);
  Width.Start = ReadIntExact(s);
  Height.Start = ReadIntExact(s);
  Width.End = ReadIntExact(s);
  Height.End = ReadIntExact(s);
  ScrollX.Start = ReadIntExact(s);
  ScrollY.Start = ReadIntExact(s);
  ScrollX.End = ReadIntExact(s);
  ScrollY.End = ReadIntExact(s);
  EaseScrollX = ReadByteExact(s);
  EaseScrollY = ReadByteExact(s);
  DistanceX = ReadIntExact(s);
  DistanceY = ReadIntExact(s);
  // The tile's own clip block replaces the one of the picture record.
  if (version >= 101) ReadFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
}

void TTileFrameList::SaveOwn(TStream& s, int32_t version) const {
  TCustomImageFrameList::SaveOwn(s, version);
  for (int32_t v : {Width.Start, Height.Start, Width.End, Height.End, ScrollX.Start, ScrollY.Start, ScrollX.End,
                    ScrollY.End})
    WriteInt(s, v);
  WriteByte(s, EaseScrollX);
  WriteByte(s, EaseScrollY);
  WriteInt(s, DistanceX);
  WriteInt(s, DistanceY);
  if (version >= 101) WriteFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
}

std::unique_ptr<TVelkControl> TTileFrameList::NewControl(TVelkBaseList* scene) const {
  auto tile = std::make_unique<TVelkTile>(scene);
  // The film chooses the frame; the tile does not animate by itself.
  tile->PausedFlag = true;
  return tile;
}

void TTileFrameList::Show(TVelkControl& control, int64_t d) {
  using T = TTileFrameList;
  PlaceAt(control, Step(&CI::X, EaseX, d), Step(&CI::Y, EaseY, d));
  ShowClip(control, d);
  control.SetWidth(FilmCoord(Step(&T::Width, 0, d)));
  control.SetHeight(FilmCoord(Step(&T::Height, 0, d)));
  auto* tile = dynamic_cast<TVelkTile*>(&control);
  if (!tile) return;
  TPropValue v;
  const int32_t index = FrameIndexAt(d);
  if (!film_.MotionMode()) {
    v.S = FileName;
    tile->SetProp(PR_SOURCE, v);
    if (index >= 0 && index < tile->FrameCount() && index != tile->Index) tile->SetIndex(index);
  } else if (index >= 0 && index < FrameCount()) {
    // A tile moved by a motion shows the motion's picture.
    TBrixItemFrame& frame = item_->Frame(index);
    if (tile->SharedSurface != frame.Surface.get()) {
      tile->Invalidate();
      tile->SharedSurface = frame.Surface.get();
      tile->Mask = frame.Mask.get();
      tile->Invalidate();
    }
  }
  tile->SetScrollX(FilmCoord(Step(&T::ScrollX, EaseScrollX, d)));
  tile->SetScrollY(FilmCoord(Step(&T::ScrollY, EaseScrollY, d)));
  v.I = FilmCoord(DistanceX);
  tile->SetProp(PR_DISTANCEX, v);
  v.I = FilmCoord(DistanceY);
  tile->SetProp(PR_DISTANCEY, v);
  tile->SetFlipH(MirrorH);
  tile->SetFlipV(MirrorV);
  tile->SetZoomX(ZoomAt(&CI::ZoomX, EaseZoomX, d));
  tile->SetZoomY(ZoomAt(&CI::ZoomY, EaseZoomY, d));
  tile->SetAlpha(StepOpacity(&CI::Alpha, d));
  ShowBlur(control, d);
}

// ---- labels -------------------------------------------------------------------------------------------------

void TLabelFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t version) {
  TCustomImageFrameList::LoadOwn(s, folder, version);
  Text = ReadStringExact(s);
  AntiAlias = ReadByteExact(s) != 0;
  FontName = ReadStringExact(s);
  FontHeight = ReadIntExact(s);
  const int32_t spacing = ReadIntExact(s);
  if (version >= 103) LineSpace = spacing;
  FontStyle = ReadByteExact(s);
  FontColor = ReadIntExact(s);
  if (version > 102) HAlign = ReadByteExact(s);
}

void TLabelFrameList::SaveOwn(TStream& s, int32_t version) const {
  TCustomImageFrameList::SaveOwn(s, version);
  WriteString(s, Text);
  WriteByte(s, AntiAlias);
  WriteString(s, FontName);
  WriteInt(s, FontHeight);
  WriteInt(s, version >= 103 ? LineSpace : 0);
  WriteByte(s, FontStyle);
  WriteInt(s, FontColor);
  if (version > 102) WriteByte(s, HAlign);
}

std::unique_ptr<TVelkControl> TLabelFrameList::NewControl(TVelkBaseList* scene) const {
  return std::make_unique<TVelkLabel>(scene);
}

void TLabelFrameList::Show(TVelkControl& control, int64_t d) {
  auto* label = dynamic_cast<TVelkLabel*>(&control);
  if (label && !film_.MotionMode()) {
    // Each change lays the text out again: only what differs is set.
    if (label->FontName() != FontName) label->SetFontName(FontName);
    if (label->FontHeight() != FontHeight) label->SetFontHeight(FontHeight);
    if (label->LineSpace() != LineSpace) label->SetLineSpace(LineSpace);
    if (label->FontStyle() != FontStyle) label->SetFontStyle(FontStyle);
    if (label->HAlign() != HAlign) label->SetHAlign(HAlign);
    if (label->AntiAlias() != AntiAlias) label->SetAntiAlias(AntiAlias);
    if (label->Text() != Text) label->SetText(Text);
    label->SetVisualInt(label->FontColor, FontColor);
  }
  PlaceAt(control, Step(&CI::X, EaseX, d), Step(&CI::Y, EaseY, d));
  control.SetOffsetX(FilmCoord(Origin.X));
  control.SetOffsetY(FilmCoord(Origin.Y));
  ShowClip(control, d);
  if (!label) return;
  label->SetFlipH(MirrorH);
  label->SetFlipV(MirrorV);
  label->SetVisualInt(label->Alpha, StepOpacity(&CI::Alpha, d));
  label->SetVisualInt(label->Angle, AngleAt(d));
  label->SetZoomX(ZoomAt(&CI::ZoomX, EaseZoomX, d));
  label->SetZoomY(ZoomAt(&CI::ZoomY, EaseZoomY, d));
}

}  // namespace velk

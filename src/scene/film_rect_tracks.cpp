// The rectangle family of film tracks (boxes, particles, fire), the transition and sound tracks, and the table of
// track kinds.
#include <cmath>

#include "base/error.h"
#include "base/sjis.h"
#include "scene/base_list.h"
#include "scene/film_manager.h"
#include "scene/film_tracks.h"
#include "scene/velk_box.h"
#include "scene/velk_fire.h"
#include "scene/velk_particle.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

using R = TRectFrameList;

void SetInt(TVelkControl& control, int32_t id, int32_t value) {
  TPropValue v;
  v.I = value;
  control.SetProp(id, v);
}

}  // namespace

// ---- the rectangle record -----------------------------------------------------------------------------------

void TRectFrameList::LoadRect(TStream& s, bool sizes) {
  X.Start = ReadIntExact(s);
  Y.Start = ReadIntExact(s);
  X.End = ReadIntExact(s);
  Y.End = ReadIntExact(s);
  EaseX = ReadByteExact(s);
  EaseY = ReadByteExact(s);
  if (sizes) LoadSizes(s);
}

void TRectFrameList::SaveRect(TStream& s, bool sizes) const {
  for (int32_t v : {X.Start, Y.Start, X.End, Y.End}) WriteInt(s, v);
  WriteByte(s, EaseX);
  WriteByte(s, EaseY);
  if (sizes) SaveSizes(s);
}

void TRectFrameList::LoadSizes(TStream& s) {
  W.Start = ReadIntExact(s);
  H.Start = ReadIntExact(s);
  W.End = ReadIntExact(s);
  H.End = ReadIntExact(s);
}

void TRectFrameList::SaveSizes(TStream& s) const {
  for (int32_t v : {W.Start, H.Start, W.End, H.End}) WriteInt(s, v);
}

void TRectFrameList::RectAt(int64_t d, int32_t& left, int32_t& top, int32_t& width, int32_t& height) const {
  const int32_t sx = StartOf(&R::X), sy = StartOf(&R::Y), sw = StartOf(&R::W), sh = StartOf(&R::H);
  left = FilmInterpolate(sx, X.End, EaseX, d, Steps());
  top = FilmInterpolate(sy, Y.End, EaseY, d, Steps());
  // The far corner moves on its own: width and height follow from both corners.
  const auto corner = [](int32_t p, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{p} + size - 1, INT32_MIN, INT32_MAX));
  };
  const int32_t right = FilmInterpolate(corner(sx, sw), corner(X.End, W.End), EaseX, d, Steps());
  const int32_t bottom = FilmInterpolate(corner(sy, sh), corner(Y.End, H.End), EaseY, d, Steps());
  width = FilmCoord(int64_t{right} - left + 1);
  height = FilmCoord(int64_t{bottom} - top + 1);
}

void TRectFrameList::ShowClip(TVelkControl& control, int64_t d) const {
  // SetClip turns an empty size into no clip.
  SetClip(control, Step(&R::ClipX, EaseClipPos, d), Step(&R::ClipY, EaseClipPos, d),
          Step(&R::ClipW, EaseClipSize, d), Step(&R::ClipH, EaseClipSize, d));
}

// ---- boxes --------------------------------------------------------------------------------------------------

void TBoxFrameList::LoadOwn(TStream& s, const std::string& /*folder*/, int32_t version) {
  LoadRect(s, false);
  for (TAnimated<int32_t>* v : {&Alpha}) {
    v->Start = ReadIntExact(s);
    v->End = ReadIntExact(s);
  }
  LoadSizes(s);
  for (TAnimated<int32_t>* v : {&Color, &BorderWidth, &BorderColor}) {
    v->Start = ReadIntExact(s);
    v->End = ReadIntExact(s);
  }
  if (version > 100) ReadFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  if (version >= 109) {
    BlurSpan.Start = ReadIntExact(s);
    BlurDelay.Start = ReadIntExact(s);
    BlurSpan.End = ReadIntExact(s);
    BlurDelay.End = ReadIntExact(s);
  }
}

void TBoxFrameList::SaveOwn(TStream& s, int32_t version) const {
  SaveRect(s, false);
  WriteInt(s, Alpha.Start);
  WriteInt(s, Alpha.End);
  SaveSizes(s);
  for (const TAnimated<int32_t>* v : {&Color, &BorderWidth, &BorderColor}) {
    WriteInt(s, v->Start);
    WriteInt(s, v->End);
  }
  if (version > 100) WriteFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  if (version >= 109) {
    for (int32_t v : {BlurSpan.Start, BlurDelay.Start, BlurSpan.End, BlurDelay.End}) WriteInt(s, v);
  }
}

std::unique_ptr<TVelkControl> TBoxFrameList::NewControl(TVelkBaseList* scene) const {
  return std::make_unique<TVelkBox>(scene);
}

void TBoxFrameList::Show(TVelkControl& control, int64_t d) {
  using B = TBoxFrameList;
  int32_t left = 0, top = 0, width = 0, height = 0;
  RectAt(d, left, top, width, height);
  PlaceAt(control, left, top);
  control.SetWidth(width);
  control.SetHeight(height);
  ShowClip(control, d);
  const auto linear = [&](TAnimated<int32_t> B::*field) { return FilmInterpolate(StartOf(field), (this->*field).End, 0, d, Steps()); };
  const auto colour = [&](TAnimated<int32_t> B::*field) {
    return FilmInterpolateColor(StartOf(field), (this->*field).End, d, Steps());
  };
  control.SetColor(colour(&B::Color));
  SetInt(control, PR_BORDERWIDTH, FilmCoord(linear(&B::BorderWidth)));
  SetInt(control, PR_BORDERCOLOR, colour(&B::BorderColor));
  SetInt(control, PR_ALPHA, StepOpacity(&B::Alpha, d));
  const auto blur = [&](TAnimated<int32_t> B::*field) {
    return StartOf(field) == 0 && (this->*field).End == 0 ? 0 : linear(field);
  };
  SetInt(control, PR_BLURSPAN, blur(&B::BlurSpan));
  SetInt(control, PR_BLURDELAY, blur(&B::BlurDelay));
}

// ---- particles ----------------------------------------------------------------------------------------------

void TParticleFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t /*version*/) {
  FileName = FilmFileName(folder, ReadStringExact(s));
  Motion = ReadByteExact(s);
  ImageIndex = ReadIntExact(s);
  // Stored as A start, A end, B start, B end, C start, D start, C end, D end, E start, F start, E end, F end.
  Ints[0].Start = ReadIntExact(s);
  Ints[0].End = ReadIntExact(s);
  Ints[1].Start = ReadIntExact(s);
  Ints[1].End = ReadIntExact(s);
  for (size_t pair : {size_t{2}, size_t{4}}) {
    Ints[pair].Start = ReadIntExact(s);
    Ints[pair + 1].Start = ReadIntExact(s);
    Ints[pair].End = ReadIntExact(s);
    Ints[pair + 1].End = ReadIntExact(s);
  }
  EaseC = ReadByteExact(s);
  EaseD = ReadByteExact(s);
  for (auto& r : Reals) r.Start = ReadFilmReal(s);
  for (auto& r : Reals) r.End = ReadFilmReal(s);
  LoadRect(s, true);
  ReadFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  Alpha.Start = ReadIntExact(s);
  Alpha.End = ReadIntExact(s);
}

void TParticleFrameList::SaveOwn(TStream& s, int32_t /*version*/) const {
  WriteString(s, FileName);
  WriteByte(s, Motion);
  WriteInt(s, ImageIndex);
  for (int32_t v : {Ints[0].Start, Ints[0].End, Ints[1].Start, Ints[1].End, Ints[2].Start, Ints[3].Start, Ints[2].End,
                    Ints[3].End, Ints[4].Start, Ints[5].Start, Ints[4].End, Ints[5].End})
    WriteInt(s, v);
  WriteByte(s, EaseC);
  WriteByte(s, EaseD);
  for (const auto& r : Reals) WriteFilmReal(s, r.Start);
  for (const auto& r : Reals) WriteFilmReal(s, r.End);
  SaveRect(s, true);
  WriteFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  WriteInt(s, Alpha.Start);
  WriteInt(s, Alpha.End);
}

std::unique_ptr<TVelkControl> TParticleFrameList::NewControl(TVelkBaseList* scene) const {
  return std::make_unique<TVelkParticle>(scene);
}

int32_t TParticleFrameList::IntAt(size_t i, uint8_t ease, int64_t d) const {
  const auto* prev = dynamic_cast<const TParticleFrameList*>(Predecessor);
  return FilmInterpolate(prev ? prev->Ints[i].End : Ints[i].Start, Ints[i].End, ease, d, Steps());
}

void TParticleFrameList::Show(TVelkControl& control, int64_t d) {
  int32_t left = 0, top = 0, width = 0, height = 0;
  RectAt(d, left, top, width, height);
  PlaceAt(control, left, top);
  control.SetWidth(width);
  control.SetHeight(height);
  ShowClip(control, d);
  auto* emitter = dynamic_cast<TVelkParticle*>(&control);
  if (!emitter) return;
  if (!emitter->ParamRecord) emitter->ParamRecord = std::make_unique<TVelkParticleParam>();
  TVelkParticleParam& p = *emitter->ParamRecord;
  const int32_t a = IntAt(0, 0, d), b = IntAt(1, 0, d);
  p.XBase = FilmCoord(int64_t{a} - b / 2);
  p.YBase = FilmCoord(b);
  p.XRange = FilmCoord(IntAt(2, EaseC, d));
  p.YRange = FilmCoord(IntAt(3, EaseD, d));
  p.IntervalBase = FilmCoord(IntAt(4, 0, d));
  p.IntervalRange = FilmCoord(IntAt(5, 0, d));
  const auto* prev = dynamic_cast<const TParticleFrameList*>(Predecessor);
  for (size_t i = 0; i < Reals.size(); ++i) {
    const double s = prev ? prev->Reals[i].End : Reals[i].Start;
    emitter->Param[i] = FilmInterpolateReal(s, Reals[i].End, 0, d, Steps());
  }
  TPropValue v;
  if (emitter->Source != FileName) {
    v.S = FileName;
    emitter->SetProp(PR_SOURCE, v);
  }
  emitter->PartMotion = Motion;
  v.I = ImageIndex;
  if (emitter->PreRun != ImageIndex) emitter->SetProp(PR_INDEX, v);
  emitter->Alpha = StepOpacity(&TParticleFrameList::Alpha, d);
}

// ---- fire ---------------------------------------------------------------------------------------------------

void TFireFrameList::LoadOwn(TStream& s, const std::string& /*folder*/, int32_t /*version*/) {
  LoadRect(s, true);
  ReadFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  ZoomX.Start = ReadFilmReal(s);
  ZoomY.Start = ReadFilmReal(s);
  ZoomX.End = ReadFilmReal(s);
  ZoomY.End = ReadFilmReal(s);
  EaseZoomX = ReadByteExact(s);
  EaseZoomY = ReadByteExact(s);
  Power = ReadIntExact(s);
}

void TFireFrameList::SaveOwn(TStream& s, int32_t /*version*/) const {
  SaveRect(s, true);
  WriteFilmClip(s, ClipX, ClipY, ClipW, ClipH, EaseClipPos, EaseClipSize);
  for (double v : {ZoomX.Start, ZoomY.Start, ZoomX.End, ZoomY.End}) WriteFilmReal(s, v);
  WriteByte(s, EaseZoomX);
  WriteByte(s, EaseZoomY);
  WriteInt(s, Power);
}

std::unique_ptr<TVelkControl> TFireFrameList::NewControl(TVelkBaseList* scene) const {
  return std::make_unique<TVelkFire>(scene);
}

void TFireFrameList::Show(TVelkControl& control, int64_t d) {
  using F = TFireFrameList;
  PlaceAt(control, Step(&R::X, EaseX, d), Step(&R::Y, EaseY, d));
  ShowClip(control, d);
  auto* fire = dynamic_cast<TVelkFire*>(&control);
  if (!fire) return;
  const int32_t w = FilmInterpolate(StartOf(&R::W), W.End, 0, d, Steps());
  const int32_t h = FilmInterpolate(StartOf(&R::H), H.End, 0, d, Steps());
  if (fire->OrigWidth() != w || fire->OrigHeight() != h) fire->SetOrigSize(w, h);
  const int32_t zx = FilmInterpolate(FilmZoom(StartOf(&F::ZoomX)), FilmZoom(ZoomX.End), EaseZoomX, d, Steps());
  const int32_t zy = FilmInterpolate(FilmZoom(StartOf(&F::ZoomY)), FilmZoom(ZoomY.End), EaseZoomY, d, Steps());
  if (fire->ZoomX() != zx || fire->ZoomY() != zy) fire->SetZoom(zx, zy);
  if (fire->Power() != Power) fire->SetPower(Power);
}

// ---- transitions and sounds ---------------------------------------------------------------------------------

void TWipeFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t version) {
  Type = ReadByteExact(s);
  if (version > 100) {
    MaskFile = FilmFileName(folder, ReadStringExact(s));
    Param0 = ReadIntExact(s);
    Param1 = ReadIntExact(s);
    Reverse = ReadByteExact(s) != 0;
  }
}

void TWipeFrameList::SaveOwn(TStream& s, int32_t version) const {
  WriteByte(s, Type);
  if (version > 100) {
    WriteString(s, MaskFile);
    WriteInt(s, Param0);
    WriteInt(s, Param1);
    WriteByte(s, Reverse);
  }
}

void TSoundFrameList::LoadOwn(TStream& s, const std::string& folder, int32_t version) {
  FileName = FilmFileName(folder, ReadStringExact(s));
  Volume.Start = ReadIntExact(s);
  Volume.End = ReadIntExact(s);
  Balance.Start = ReadIntExact(s);
  Balance.End = ReadIntExact(s);
  EaseVolume = ReadByteExact(s);
  EaseBalance = ReadByteExact(s);
  // Older films stored the volume in hundredths of a decibel below full.
  if (version <= 107) {
    Volume.Start = Volume.Start / 10 + 1000;
    Volume.End = Volume.End / 10 + 1000;
  }
}

void TSoundFrameList::SaveOwn(TStream& s, int32_t version) const {
  WriteString(s, FileName);
  const auto stored = [version](int32_t v) { return version <= 107 ? (v - 1000) * 10 : v; };
  WriteInt(s, stored(Volume.Start));
  WriteInt(s, stored(Volume.End));
  WriteInt(s, Balance.Start);
  WriteInt(s, Balance.End);
  WriteByte(s, EaseVolume);
  WriteByte(s, EaseBalance);
}

int32_t TSoundFrameList::VolumeAt(int32_t tick) const {
  const int32_t v = FilmInterpolate(StartOf(&TSoundFrameList::Volume), Volume.End, EaseVolume,
                                    tick - AbsoluteStart(), Steps());
  return static_cast<int32_t>(int64_t{v} * film_.MasterVolume() / 1000);
}

int32_t TSoundFrameList::BalanceAt(int32_t tick) const {
  return FilmInterpolate(StartOf(&TSoundFrameList::Balance), Balance.End, EaseBalance, tick - AbsoluteStart(),
                         Steps());
}

TSoundFrameList::~TSoundFrameList() { StopSound(); }

bool TSoundFrameList::ChainPlays(int32_t tick) {
  return tick >= AbsoluteStart() && tick < chain_end_ && tick < film_.Length() - 1;
}

void TSoundFrameList::StopSound() {
  TVelkBaseList* scene = film_.MainScene();
  TVelkObject* sound = scene && sound_ ? scene->Resolve(sound_) : nullptr;
  sound_ = {};
  playing_file_.clear();
  if (sound) scene->DestroyObject(sound);
}

void TSoundFrameList::SetPaused(bool paused) {
  TVelkBaseList* scene = film_.MainScene();
  if (TVelkObject* sound = scene && sound_ ? scene->Resolve(sound_) : nullptr) {
    TPropValue v;
    v.B = paused;
    sound->SetProp(PR_PAUSED, v);
  }
}

bool TSoundFrameList::Apply(int32_t tick) {
  TSoundFrameList* root = Root();
  if (!Contains(tick) || tick >= film_.Length() - 1) {
    if (root == this && !ChainPlays(tick)) StopSound();
    return Contains(tick);
  }
  TVelkBaseList* scene = film_.MainScene();
  if (!scene) return true;
  TVelkObject* sound = root->sound_ ? scene->Resolve(root->sound_) : nullptr;
  if (!sound) {
    sound = scene->CreateComponent(VT_SOUND);
    if (!sound) return true;
    sound->SetName(scene->UniqueName(film_.NamePrefix()));
    root->sound_ = sound->Handle();
    root->playing_file_.clear();
  }
  TPropValue v;
  v.I = VolumeAt(tick);
  sound->SetProp(PR_VOLUME, v);
  v.I = BalanceAt(tick);
  sound->SetProp(PR_BALANCE, v);
  if (root->playing_file_ != FileName) {
    v.S = FileName;
    sound->SetProp(PR_SOURCE, v);
    root->playing_file_ = FileName;
    if (film_.SoundEnabled()) sound->Play();
  }
  return true;
}

// ---- the kinds ----------------------------------------------------------------------------------------------

std::unique_ptr<TCustomFrameList> NewFilmTrack(TFilmManager& film, uint8_t kind) {
  switch (kind) {
    case kTrackImage:
      return std::make_unique<TImageFrameList>(film);
    case kTrackLabel:
      return std::make_unique<TLabelFrameList>(film);
    case kTrackBox:
      return std::make_unique<TBoxFrameList>(film);
    case kTrackWipe:
      return std::make_unique<TWipeFrameList>(film);
    case kTrackSound:
      return std::make_unique<TSoundFrameList>(film);
    case kTrackTile:
      return std::make_unique<TTileFrameList>(film);
    case kTrackParticle:
      return std::make_unique<TParticleFrameList>(film);
    case kTrackFire: {
      auto fire = std::make_unique<TFireFrameList>(film);
      // A new fire is a quarter of the scene wide and 30 high.
      fire->W = {film.SceneWidth / 4, film.SceneWidth / 4};
      fire->H = {30, 30};
      return fire;
    }
    default:
      return nullptr;
  }
}

std::unique_ptr<TCustomFrameList> ReadFilmTrack(TFilmManager& film, TStream& s, const std::string& folder,
                                                int32_t version) {
  const uint8_t kind = ReadByteExact(s) & 0x7F;
  std::unique_ptr<TCustomFrameList> track = NewFilmTrack(film, kind);
  if (!track) throw EFormatError(Utf8ToCp932("データが壊れています"));
  if (kind == kTrackBox) track->Duration = 1;
  track->LoadFromStream(s, folder, version);
  return track;
}

}  // namespace velk

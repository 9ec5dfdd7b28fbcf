#include "scene/film_manager.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/film_tracks.h"
#include "scene/picture_test_support.h"
#include "scene/scene_test_support.h"
#include "scene/velk_box.h"
#include "scene/velk_cinema.h"
#include "scene/velk_images.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

using test::TPictureWorld;

// ---- interpolation ------------------------------------------------------------------------------------------

TEST(FilmInterpolation, StepsEasesAndUnits) {
  std::vector<int32_t> ints;
  std::vector<double> reals;
  for (int d = 0; d < 6; ++d) {
    ints.push_back(FilmInterpolate(0, 10, 0, d, 6));
    reals.push_back(FilmInterpolateReal(0, 10, 0, d, 6));
  }
  EXPECT_EQ(ints, (std::vector<int32_t>{0, 2, 4, 6, 8, 10}));
  const std::vector<double> want{0, 10.0 / 6, 20.0 / 6, 5, 40.0 / 6, 10};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(reals[i], want[i], 1e-9) << i;
  // Linear truncates toward zero, also going down.
  EXPECT_EQ(FilmInterpolate(0, -10, 0, 1, 4), -3);
  // A single step shows the end.
  EXPECT_EQ(FilmInterpolate(3, 9, 0, 0, 1), 9);
  EXPECT_EQ(FilmInterpolateReal(3, 9, 1, 0, 1), 9);
  // Slow start: e - round(sin((n - d - 1) * pi/2 / n) * (e - s)); slow end: s + round(sin(d * pi/2 / n) * (e - s)).
  EXPECT_EQ(FilmInterpolate(0, 100, 1, 1, 4), 100 - static_cast<int32_t>(std::lround(std::sin(2 * M_PI / 8) * 100)));
  EXPECT_EQ(FilmInterpolate(0, 100, 2, 1, 4), static_cast<int32_t>(std::lround(std::sin(M_PI / 8) * 100)));
  EXPECT_EQ(FilmInterpolate(0, 100, 7, 1, 4), FilmInterpolate(0, 100, 2, 1, 4));
  // Halves round to even: sin(pi/6) * 5 = 2.5.
  EXPECT_EQ(FilmInterpolate(0, 5, 2, 1, 3), 2);
  // Extreme values neither overflow nor wrap.
  EXPECT_EQ(FilmInterpolate(INT32_MIN, INT32_MAX, 0, 1, 3), -1);
  // Colours channel by channel.
  EXPECT_EQ(FilmInterpolateColor(0x0000FF, 0xFF0000, 1, 3), 0x7F0080);  // 255 - 127 and 0 + 127
  // Angles in 256ths of a turn, folded.
  EXPECT_EQ(FilmAngle(-1), 255);
  EXPECT_EQ(FilmAngle(360), 0);
  EXPECT_EQ(FilmAngle(90), 64);
  EXPECT_EQ(FilmAngle(-450), 192);
  // Opacity: 0 reads as 255, both 0 is opaque, negative is additive.
  EXPECT_EQ(FilmOpacity(0, 0, 1, 3), 255);
  EXPECT_EQ(FilmOpacity(0, 55, 1, 3), 155);
  EXPECT_EQ(FilmOpacity(-100, -100, 0, 3), 356);
}

// ---- files --------------------------------------------------------------------------------------------------

TBoxFrameList& AddBox(TFilmManager& film, int32_t start, int32_t duration) {
  auto track = NewFilmTrack(film, kTrackBox);
  auto& box = static_cast<TBoxFrameList&>(*track);
  box.StartTick = start;
  box.Duration = duration;
  film.Tracks().push_back(std::move(track));
  return box;
}

std::vector<uint8_t> Saved(const TFilmManager& film, int32_t version = TFilmManager::kVersion) {
  TMemoryStream s;
  film.SaveToStream(s, version);
  return s.Bytes();
}

void LoadBytes(TFilmManager& film, const std::vector<uint8_t>& bytes, const std::string& name = "f.kmt") {
  TMemoryStream s(bytes);
  film.LoadFromStream(s, name);
}

// A film with one track of every kind whose fields all differ from their defaults.
void FillEveryKind(TFilmManager& film) {
  film.FilmKind = kFilmCinema;
  film.SceneWidth = 320;
  film.SceneHeight = 200;
  film.BackgroundColor = 0x123456;
  film.RelativeFlag = true;
  film.OriginX = 7;
  film.OriginY = 8;
  film.LoopStartTick = 40;
  int32_t n = 1;
  for (uint8_t kind = 0; kind < 8; ++kind) {
    auto t = NewFilmTrack(film, kind);
    t->StartTick = 10 * n;
    t->Duration = 20 + 2 * n;
    t->FrameCycle = 4 * n;
    t->Reserved = n;
    t->Priority = n + 100;
    t->MirrorH = true;
    t->OtherBase = kind % 2 == 0;
    ++n;
    if (auto* p = dynamic_cast<TCustomImageFrameList*>(t.get())) {
      p->Origin = {1, 2};
      p->X = {3, 4};
      p->Y = {5, 6};
      p->EaseX = 1;
      p->AngleDeg = {-30, 90};
      p->ZoomX = {0.5, 2.25};
      p->ZoomY = {1.5, 3.0};
      p->EaseZoomY = 2;
      p->Alpha = {10, 200};
      p->ClipX = {1, 2};
      p->ClipW = {30, 40};
      p->EaseClipSize = 1;
      p->BlurSpan = {5, 6};
      p->BlurDelay = {7, 8};
      if (kind != kTrackLabel) p->FileName = "pics\\a.brx";
    }
    if (auto* l = dynamic_cast<TLabelFrameList*>(t.get())) {
      l->Text = "abc";
      l->FontName = "font";
      l->FontHeight = 20;
      l->LineSpace = 3;
      l->FontColor = 0xFF;
      l->HAlign = 2;
      l->AntiAlias = true;
    }
    if (auto* tile = dynamic_cast<TTileFrameList*>(t.get())) {
      tile->Width = {10, 20};
      tile->ScrollY = {-3, 9};
      tile->EaseScrollX = 2;
      tile->DistanceX = 17;
    }
    if (auto* r = dynamic_cast<TRectFrameList*>(t.get())) {
      r->X = {11, 12};
      r->H = {50, 60};
      r->EaseY = 2;
      r->ClipY = {4, 5};
      r->ClipH = {9, 10};
    }
    if (auto* b = dynamic_cast<TBoxFrameList*>(t.get())) {
      b->Alpha = {0, 128};
      b->Color = {0xFF, 0xFF00};
      b->BorderWidth = {1, 3};
      b->BorderColor = {5, 6};
      b->BlurSpan = {1, 2};
    }
    if (auto* w = dynamic_cast<TWipeFrameList*>(t.get())) {
      w->Type = 9;
      w->MaskFile = "rule.brx";
      w->Param0 = 4;
      w->Param1 = -4;
      w->Reverse = true;
    }
    if (auto* s = dynamic_cast<TSoundFrameList*>(t.get())) {
      s->FileName = "a.wav";
      s->Volume = {500, 800};
      s->Balance = {-20, 20};
      s->EaseBalance = 1;
    }
    if (auto* p = dynamic_cast<TParticleFrameList*>(t.get())) {
      p->FileName = "spark.kmt";
      p->Motion = 3;
      p->ImageIndex = 250;
      for (int i = 0; i < 6; ++i) p->Ints[static_cast<size_t>(i)] = {i, 10 * i + 1};
      p->Reals[2] = {0.25, 0.75};
      p->EaseD = 1;
      p->Alpha = {1, 2};
    }
    if (auto* f = dynamic_cast<TFireFrameList*>(t.get())) {
      f->ZoomY = {2.0, 1.0};
      f->Power = 77;
    }
    film.Tracks().push_back(std::move(t));
  }
  film.Tracks()[3]->Predecessor = film.Tracks()[1].get();
  film.Resolve();
}

TEST(FilmFile, EveryKindRoundTripsAtEveryVersion) {
  TFilmManager film;
  FillEveryKind(film);
  const std::vector<uint8_t> bytes = Saved(film);
  TFilmManager back;
  LoadBytes(back, bytes);
  EXPECT_EQ(Saved(back), bytes);
  EXPECT_EQ(back.Tracks().size(), 8u);
  EXPECT_EQ(back.Tracks()[3]->Predecessor, back.Tracks()[1].get());
  EXPECT_TRUE(back.Tracks()[1]->HasSuccessor);
  EXPECT_EQ(back.LoopStart(), 40);
  // Each older layout drops only what it does not store: what it reads back writes the same bytes again.
  for (int32_t version = 100; version <= 109; ++version) {
    const std::vector<uint8_t> old = Saved(film, version);
    TFilmManager f;
    LoadBytes(f, old);
    EXPECT_EQ(f.Version, version);
    EXPECT_EQ(f.Tracks().size(), 8u) << version;
    EXPECT_EQ(Saved(f, version), old) << version;
    EXPECT_EQ(f.RelativeFlag, version > 101) << version;
    EXPECT_EQ(f.OriginX, version > 103 ? 7 : 0) << version;
    EXPECT_EQ(f.LoopStart(), version > 105 ? 40 : 0) << version;
    // Films up to 106 counted 30 ticks a second: stored halves, read doubled.
    EXPECT_EQ(f.Tracks()[0]->StartTick, 10) << version;
    const auto& image = static_cast<const TImageFrameList&>(*f.Tracks()[0]);
    EXPECT_EQ(image.ClipW.End, version > 100 ? 40 : 0) << version;
    EXPECT_EQ(image.ZoomY.Start, version >= 105 ? 1.5 : 0.5) << version;
    EXPECT_EQ(image.BlurDelay.End, version >= 109 ? 8 : 0) << version;
    const auto& label = static_cast<const TLabelFrameList&>(*f.Tracks()[1]);
    EXPECT_EQ(label.LineSpace, version >= 103 ? 3 : 0) << version;
    EXPECT_EQ(label.HAlign, version > 102 ? 2 : 0) << version;
    const auto& sound = static_cast<const TSoundFrameList&>(*f.Tracks()[4]);
    EXPECT_EQ(sound.Volume.End, 800) << version;
  }
}

// The header, the film fields and one box record of a version-106 film, written out by hand.
std::vector<uint8_t> HandMadeFilm(const std::string& header) {
  TMemoryStream s;
  s.WriteBuffer(header.data(), 13);
  for (int32_t v : {100, 50, -1}) WriteInt(s, v);
  WriteByte(s, 1);       // relative
  WriteInt(s, 3);        // origin
  WriteInt(s, 4);
  WriteInt(s, 15);       // loop start: 30 in ticks
  WriteInt(s, 1);        // tracks
  WriteByte(s, 0x82);    // a box; the high bit does not count
  for (int32_t v : {-1, 6, 0, 30, 0, 2}) WriteInt(s, v);  // predecessor, duration, reserved, start, cycle, priority
  for (uint8_t b : {0, 1, 0}) WriteByte(s, b);
  for (int32_t v : {10, 20, 30, 40}) WriteInt(s, v);      // start and end position
  WriteByte(s, 0);
  WriteByte(s, 0);
  for (int32_t v : {0, 0, 8, 8, 9, 9, 0xFF, 0xFF, 0, 0, -1, -1}) WriteInt(s, v);  // alpha, sizes, colours, border
  for (int32_t v : {0, 0, 0, 0, 0, 0, 0, 0}) WriteInt(s, v);                        // clip block
  WriteByte(s, 0);
  WriteByte(s, 0);
  return s.Bytes();
}

TEST(FilmFile, ReadsHandMadeBytesOfAnOlderVersion) {
  TFilmManager film;
  LoadBytes(film, HandMadeFilm("VelkCinema106"));
  ASSERT_EQ(film.Tracks().size(), 1u);
  EXPECT_EQ(film.FilmKind, kFilmCinema);
  EXPECT_TRUE(film.RelativeFlag);
  EXPECT_EQ(film.LoopStart(), 30);
  const auto& box = static_cast<const TBoxFrameList&>(*film.Tracks()[0]);
  // Version 106: start tick 30 plays at 60; the duration doubles too.
  EXPECT_EQ(box.AbsoluteStart(), 60);
  EXPECT_EQ(box.Duration, 12);
  EXPECT_EQ(film.Length(), 72);
  EXPECT_TRUE(box.MirrorV);
  EXPECT_EQ(box.W.Start, 8);
  EXPECT_EQ(box.H.End, 9);
  EXPECT_EQ(box.Color.Start, 0xFF);
  // Version 107 keeps the stored ticks.
  TFilmManager f107;
  LoadBytes(f107, HandMadeFilm("VelkCinema107"));
  EXPECT_EQ(f107.Tracks()[0]->AbsoluteStart(), 30);
  EXPECT_EQ(f107.LoopStart(), 15);
}

TEST(FilmFile, DamagedFilmsAreRefused) {
  TFilmManager film;
  // Neither kind: nothing loads.
  LoadBytes(film, HandMadeFilm("VelkMovies106"));
  EXPECT_EQ(film.FilmKind, kFilmNone);
  EXPECT_TRUE(film.Tracks().empty());
  // A version that is not a number.
  EXPECT_THROW(LoadBytes(film, HandMadeFilm("VelkCinema1x6")), EFormatError);
  // Cut anywhere after the header.
  const std::vector<uint8_t> good = HandMadeFilm("VelkCinema106");
  for (size_t n = 13; n < good.size(); n += 5) {
    EXPECT_THROW(LoadBytes(film, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n))),
                 EFormatError)
        << n;
    EXPECT_TRUE(film.Tracks().empty()) << n;
  }
  // A kind without a class.
  std::vector<uint8_t> bad = good;
  bad[13 + 3 * 4 + 1 + 3 * 4 + 4] = 8;
  EXPECT_THROW(LoadBytes(film, bad), EFormatError);
  // More tracks than the bytes can hold.
  bad = good;
  bad[13 + 3 * 4 + 1 + 3 * 4 + 3] = 0x7F;
  EXPECT_THROW(LoadBytes(film, bad), EFormatError);
  // Predecessor chains that come back to themselves.
  TFilmManager cyclic;
  AddBox(cyclic, 0, 5);
  AddBox(cyclic, 0, 5);
  cyclic.FilmKind = kFilmCinema;
  std::vector<uint8_t> bytes = Saved(cyclic);
  // The predecessor fields follow each kind byte: track 0 after track 1, track 1 after track 0.
  const size_t first = 13 + 3 * 4 + 1 + 2 * 4 + 4 + 4 + 1;
  const size_t record = (bytes.size() - first + 1) / 2;
  bytes[first] = 1;
  bytes[first + 1] = bytes[first + 2] = bytes[first + 3] = 0;
  bytes[first + record] = 0;
  bytes[first + record + 1] = bytes[first + record + 2] = bytes[first + record + 3] = 0;
  EXPECT_THROW(LoadBytes(film, bytes), EFormatError);
  // An index outside the list is no predecessor.
  bytes[first] = 9;
  LoadBytes(film, bytes);
  EXPECT_EQ(film.Tracks()[0]->Predecessor, nullptr);
  EXPECT_EQ(film.Tracks()[1]->Predecessor, film.Tracks()[0].get());
}

// ---- playing on a scene -------------------------------------------------------------------------------------

struct TFilmWorld : TPictureWorld {
  TFilmWorld() : TPictureWorld(64, 48) {
    Scene.Services.ReadFile = [this](TStream& s, const std::string& name) {
      auto it = Files.find(name);
      if (it == Files.end()) return false;
      s.WriteBuffer(it->second.data(), static_cast<int32_t>(it->second.size()));
      return true;
    };
    Scene.Services.LoadFilm = [](TVelkControl& target, const std::string& name) { return LoadFilmFor(target, name); };
  }
  TVelkObject* Only(const std::string& prefix) {
    TVelkObject* found = nullptr;
    int count = 0;
    for (int32_t i = 0; i < Scene.ObjectCount(); ++i) {
      TVelkObject* o = Scene.ObjectAt(i);
      if (o && o->Name().rfind(prefix, 0) == 0) {
        found = o;
        ++count;
      }
    }
    return count == 1 ? found : nullptr;
  }
};

TEST(FilmSeek, ChainedTracksContinueAndSeekBothWays) {
  TFilmWorld w;
  TFilmManager film;
  film.FilmKind = kFilmCinema;
  TBoxFrameList& a = AddBox(film, 5, 6);
  a.X = {0, 10};
  a.Y = {0, 0};
  a.Color = {0xFF, 0xFF};
  a.Priority = 3;
  TBoxFrameList& b = AddBox(film, 999, 3);
  b.X = {-500, 40};  // its own start is ignored: it continues from 10
  b.Predecessor = &a;
  film.Resolve();
  EXPECT_EQ(b.AbsoluteStart(), 11);
  EXPECT_EQ(film.Length(), 14);
  film.SetScene(&w.Scene);
  EXPECT_FALSE(film.HasOwnScene());
  film.Seek(4);
  EXPECT_EQ(w.Only("\x01"), nullptr);
  // The chained track's last step is its successor's first: 7 steps from 0 to 10.
  std::vector<int32_t> lefts;
  for (int32_t tick : {5, 6, 10}) {
    film.Seek(tick);
    auto* box = dynamic_cast<TVelkBox*>(w.Only("\x01"));
    ASSERT_NE(box, nullptr) << tick;
    lefts.push_back(box->Left);
    EXPECT_EQ(box->Priority(), 3);
    EXPECT_EQ(box->Color, 0xFF);
  }
  EXPECT_EQ(lefts, (std::vector<int32_t>{0, 1, 8}));
  film.Seek(11);
  film.Seek(12);
  film.Seek(13);
  auto* second = dynamic_cast<TVelkBox*>(w.Only("\x01"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Left, 40);
  film.Seek(11);
  EXPECT_EQ(dynamic_cast<TVelkBox*>(w.Only("\x01"))->Left, 10);
  // Backwards into the first track: the second's object goes, the first's comes back at its state.
  film.Seek(7);
  auto* first = dynamic_cast<TVelkBox*>(w.Only("\x01"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Left, 3);
  film.Seek(20);
  EXPECT_EQ(w.Only("\x01"), nullptr);
  EXPECT_EQ(film.CurrentTick(), 20);
}

// A sound track drives one sound component in the main scene: its file, its volume scaled by the film's master
// volume, its balance; leaving the track removes it.
TEST(FilmSeek, SoundTracksDriveOneSoundComponent) {
  TFilmWorld w;
  TFilmManager film;
  film.FilmKind = kFilmCinema;
  film.SetVolume(500);
  auto track = NewFilmTrack(film, kTrackSound);
  auto& sound = static_cast<TSoundFrameList&>(*track);
  sound.StartTick = 2;
  sound.Duration = 5;
  sound.FileName = "a.wav";
  sound.Volume = {1000, 600};
  sound.Balance = {-100, 100};
  film.Tracks().push_back(std::move(track));
  film.Resolve();
  film.SetScene(&w.Scene);
  film.Seek(1);
  EXPECT_EQ(w.Only("\x01"), nullptr);
  film.Seek(4);
  TVelkObject* s = w.Only("\x01");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ComponentType(), VT_SOUND);
  TPropValue v;
  s->GetProp(PR_SOURCE, v);
  EXPECT_EQ(v.S, "a.wav");
  // Tick 4 is half-way through the track's four steps: volume 800 at master volume 500, balance 0.
  s->GetProp(PR_VOLUME, v);
  EXPECT_EQ(v.I, 400);
  s->GetProp(PR_BALANCE, v);
  EXPECT_EQ(v.I, 0);
  film.Seek(9);
  EXPECT_EQ(w.Only("\x01"), nullptr);
  film.Seek(3);
  ASSERT_NE(w.Only("\x01"), nullptr);
  film.Seek(0);
  EXPECT_EQ(w.Only("\x01"), nullptr);
}

TEST(FilmSeek, TransitionTracksRunTheSceneTransitionAndChooseTheBase) {
  TFilmWorld w;
  TFilmManager film;
  film.FilmKind = kFilmCinema;
  film.SceneWidth = 32;
  film.SceneHeight = 16;
  TBoxFrameList& before = AddBox(film, 0, 30);
  before.Color = {0xFF, 0xFF};
  TBoxFrameList& after = AddBox(film, 10, 20);
  after.OtherBase = true;
  auto wipe = NewFilmTrack(film, kTrackWipe);
  wipe->StartTick = 10;
  wipe->Duration = 10;
  static_cast<TWipeFrameList&>(*wipe).Type = 1;
  film.Tracks().push_back(std::move(wipe));
  auto cut = NewFilmTrack(film, kTrackWipe);  // no ticks: a cut at 25
  cut->StartTick = 25;
  cut->Duration = 0;
  film.Tracks().push_back(std::move(cut));
  film.Resolve();
  TVelkBaseList own;
  own.Services = w.Scene.Services;
  ASSERT_TRUE(film.HasOwnScene());
  film.SetScene(&own);
  EXPECT_EQ(own.Width(), 32);
  film.Seek(5);
  EXPECT_FALSE(own.TransitionRunning());
  EXPECT_EQ(own.ActiveBase, 0);
  film.Seek(12);
  EXPECT_TRUE(own.TransitionRunning());
  EXPECT_EQ(own.TransitionDuration(), 10);
  EXPECT_EQ(own.ActiveBase, 0);
  // The track on the other base shows on the base the transition brings in.
  auto* shown = dynamic_cast<TVelkControl*>(own.FindObject(std::string("\x01") + "1"));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Parent(), own.BaseAt(1));
  film.Seek(22);
  EXPECT_FALSE(own.TransitionRunning());
  EXPECT_EQ(own.ActiveBase, 1);
  film.Seek(26);
  EXPECT_FALSE(own.TransitionRunning());
  EXPECT_EQ(own.ActiveBase, 0);
  // Backwards into the transition: it starts afresh.
  film.Seek(15);
  EXPECT_TRUE(own.TransitionRunning());
  EXPECT_EQ(own.ActiveBase, 0);
  film.Seek(0);
  EXPECT_FALSE(own.TransitionRunning());
  // A transition whose parameters it cannot work with (vertical blinds with a mask of the widest screen times a
  // million rows, the bound of the parameters) shows none, and the film goes on.
  auto& blinds = static_cast<TWipeFrameList&>(*film.Tracks()[2]);
  blinds.Type = 3;
  blinds.Param0 = 620756992;
  own.SetSize(2048, 16);
  film.Seek(12);
  EXPECT_FALSE(own.TransitionRunning());
  own.DrawAll();
  film.Seek(13);
  EXPECT_FALSE(own.TransitionRunning());
  film.Clear();
  EXPECT_EQ(own.ObjectCount(), 0);
}

TEST(FilmSeek, ExtremeValuesStayWithinTheLayoutBounds) {
  TFilmWorld w;
  TFilmManager film;
  film.FilmKind = kFilmCinema;
  TBoxFrameList& box = AddBox(film, 0, 2);
  box.X = {INT32_MIN, INT32_MIN};
  box.W = {INT32_MAX, INT32_MAX};
  box.BorderWidth = {INT32_MAX, INT32_MAX};
  film.Resolve();
  film.SetScene(&w.Scene);
  film.Seek(1);
  auto* shown = dynamic_cast<TVelkBox*>(w.Only("\x01"));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Left, -kMaxFilmCoord);
  EXPECT_EQ(shown->Width, kMaxFilmCoord);  // from the far corner at INT32_MIN + INT32_MAX - 1
  EXPECT_EQ(shown->BorderWidth, kMaxFilmCoord);
  EXPECT_EQ(FilmZoom(1e300), kMaxFilmZoom);
  EXPECT_EQ(FilmZoom(-1e300), -kMaxFilmZoom);
  EXPECT_EQ(FilmZoom(std::nan("")), -kMaxFilmZoom);
  EXPECT_EQ(FilmZoom(1.5), 384);
  w.Scene.DrawAll();
}

// ---- loading through the scene ------------------------------------------------------------------------------

TEST(FilmLoader, MotionsWrapAroundAndDamagedFilmsLeaveTheControlEmpty) {
  TFilmWorld w;
  w.Files["pics\\dot.brx"] = test::MakeBrix({{4, 2, 0x0000FF, 100}, {6, 3, 0x00FF00, 100}});
  TFilmManager motion;
  motion.FilmKind = kFilmMotion;
  motion.RelativeFlag = true;
  motion.OriginX = 100;
  motion.LoopStartTick = 2;
  auto t = NewFilmTrack(motion, kTrackImage);
  auto& image = static_cast<TImageFrameList&>(*t);
  image.Duration = 7;
  image.FrameCycle = 12;
  image.X = {100, 106};
  image.Y = {0, 12};
  image.FileName = "dot.brx";  // relative to the film's folder
  motion.Tracks().push_back(std::move(t));
  motion.Resolve();
  w.Files["pics\\walk.kmt"] = Saved(motion);
  auto* c = w.Scene.New<TVelkImages>();
  c->SetName("m");
  c->SetParent(w.Base());
  c->SetLeft(20);
  c->Repeat = true;
  test::Set(*c, PR_SOURCE, "pics\\walk.kmt");
  ASSERT_TRUE(c->MotionAttached());
  EXPECT_EQ(test::Prop(*c, PR_COUNT), "7");
  EXPECT_EQ(c->MotionX, 20);  // relative: the control's place is the film's origin
  EXPECT_EQ(c->Width, 4);
  std::vector<int32_t> xs, ys, widths;
  w.Frame(16);
  for (int i = 0; i < 9; ++i) {
    w.Frame(17);
    xs.push_back(c->MotionX);
    ys.push_back(c->MotionY);
    widths.push_back(c->Width);
  }
  // Ticks 1 .. 6, then past the end: 7 mod 7 + 2 = 2, and on.
  EXPECT_EQ(xs, (std::vector<int32_t>{21, 22, 23, 24, 25, 26, 22, 23, 24}));
  EXPECT_EQ(ys, (std::vector<int32_t>{2, 4, 6, 8, 10, 12, 4, 6, 8}));
  // Frames of 100 ms are 6 ticks each.
  EXPECT_EQ(widths, (std::vector<int32_t>{4, 4, 4, 4, 4, 6, 4, 4, 4}));

  // Cut short: the control stays without motion and nothing is raised.
  std::vector<uint8_t> cut = w.Files["pics\\walk.kmt"];
  cut.resize(cut.size() - 3);
  w.Files["cut.kmt"] = cut;
  auto* d = w.Scene.New<TVelkImages>();
  d->SetParent(w.Base());
  test::Set(*d, PR_SOURCE, "cut.kmt");
  EXPECT_FALSE(d->MotionAttached());
  EXPECT_EQ(d->Width, 0);

  // A repeating motion of no ticks ends instead of dividing by its length.
  TFilmManager empty;
  empty.FilmKind = kFilmMotion;
  w.Files["empty.kmt"] = Saved(empty);
  auto* e = w.Scene.New<TVelkImages>();
  e->SetParent(w.Base());
  e->Repeat = true;
  test::Set(*e, PR_SOURCE, "empty.kmt");
  ASSERT_TRUE(e->MotionAttached());
  w.Frames(3, 17);
  EXPECT_TRUE(e->Motion()->Finished());
}

TEST(FilmLoader, CinemaPlaysItsFilmUnderItself) {
  TFilmWorld w;
  TFilmManager film;
  film.FilmKind = kFilmCinema;
  film.SceneWidth = 40;
  film.SceneHeight = 30;
  TBoxFrameList& box = AddBox(film, 0, 4);
  box.X = {0, 30};
  film.Resolve();
  w.Files["a.kmt"] = Saved(film);
  auto* cinema = w.Scene.New<TVelkCinema>();
  cinema->SetName("cin");
  cinema->SetParent(w.Base());
  test::Set(*cinema, PR_SOURCE, "a.kmt");
  ASSERT_NE(cinema->Film(), nullptr);
  EXPECT_EQ(cinema->Width, 40);
  EXPECT_EQ(test::Prop(*cinema, PR_COUNT), "4");
  w.Frame(16);
  auto* shown = dynamic_cast<TVelkBox*>(w.Only("\x01" "cin\x01"));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Parent(), cinema);
  w.Frames(3, 17);
  EXPECT_EQ(shown->Left, 20);
  // Destroying the cinema takes the film's objects with it.
  w.Scene.DestroyObject(cinema);
  EXPECT_EQ(w.Only("\x01"), nullptr);
}

}  // namespace
}  // namespace velk

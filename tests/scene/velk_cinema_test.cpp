#include "scene/velk_cinema.h"

#include <gtest/gtest.h>

#include <memory>

#include "base/error.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/velk_box.h"
#include "scene/velk_film.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Drain;

// What a fake film was told, kept apart from the film so that tests can read it after the cinema dropped the film.
struct TFilmLog {
  std::vector<int32_t> moves;
  std::vector<bool> playing;
  int32_t volume = -1;
  TVelkBaseList* scene = nullptr;
  int32_t films = 0;  // how many films were loaded
  bool alive = false;
};

// A film of a given shape. With a scene of its own it sizes that scene to 20 x 10 and shows a 2 x 2 box whose left
// edge follows the tick, so every tick changes two small areas of the private screen.
class TFakeFilm : public IVelkFilm {
 public:
  TFakeFilm(std::shared_ptr<TFilmLog> log, int32_t length, int32_t loop_start, bool own_scene)
      : log_(std::move(log)), length_(length), loop_start_(loop_start), own_scene_(own_scene) {
    log_->alive = true;
    ++log_->films;
  }
  ~TFakeFilm() override { log_->alive = false; }
  int32_t Length() const override { return length_; }
  int32_t LoopStart() const override { return loop_start_; }
  void MoveTo(int32_t tick) override {
    tick_ = tick;
    log_->moves.push_back(tick);
    if (box_) box_->SetLeft(tick);
  }
  int32_t CurrentTick() const override { return tick_; }
  bool Relative() const override { return false; }
  void SetOrigin(int32_t, int32_t) override {}
  void SetBasePriority(int32_t) override {}
  bool HasOwnScene() const override { return own_scene_; }
  void SetScene(TVelkBaseList* scene) override {
    log_->scene = scene;
    if (!own_scene_) return;
    scene->SetSize(20, 10);
    scene->ActiveBaseObject()->SetColor(0x000080);
    box_ = scene->New<TVelkBox>();
    box_->SetName("\x01"
                  "track");
    box_->SetParent(scene->ActiveBaseObject());
    box_->SetBounds(0, 0, 2, 2);
    box_->SetColor(0x00FF00);
  }
  int32_t Width() const override { return 33; }
  int32_t Height() const override { return 22; }
  void SetPlaying(bool playing) override { log_->playing.push_back(playing); }
  void SetVolume(int32_t volume) override { log_->volume = volume; }

 private:
  std::shared_ptr<TFilmLog> log_;
  int32_t length_, loop_start_;
  bool own_scene_;
  int32_t tick_ = -1;
  TVelkBox* box_ = nullptr;
};

struct TFilmShape {
  int32_t length = 10;
  int32_t loop_start = 0;
  bool own_scene = false;
};

// A 40 x 30 scene whose files are "a.film" (a film of the given shape) and "plain.txt" (not a film).
struct TCinemaScene {
  TVelkBaseList scene;
  std::shared_ptr<TFilmLog> log = std::make_shared<TFilmLog>();
  TFilmShape shape;

  TCinemaScene() {
    scene.SetSize(40, 30);
    scene.Services.Exists = [](const std::string& name) { return name == "a.film" || name == "plain.txt"; };
    scene.Services.LoadFilm = [this](TVelkControl&, const std::string& name) -> std::unique_ptr<IVelkFilm> {
      if (name != "a.film") return nullptr;
      return std::make_unique<TFakeFilm>(log, shape.length, shape.loop_start, shape.own_scene);
    };
  }
  TVelkCinema* NewCinema(const std::string& name = "cin") {
    auto* c = scene.New<TVelkCinema>();
    c->SetName(name);
    c->SetParent(scene.ActiveBaseObject());
    return c;
  }
  // One frame of the given length: the time step, then the update step.
  void Frame(int32_t ms) {
    scene.ProcessInput(ms);
    scene.UpdateAll();
  }
};

TEST(VelkCinema, StepsTheFilmAtSixtyTicksAndEndsOnce) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  c->OnPlayEnd = "*end";
  test::Set(*c, PR_SOURCE, "a.film");
  ASSERT_NE(c->Film(), nullptr);
  EXPECT_EQ(t.log->scene, &t.scene);  // no scene of its own: the film lives in the cinema's scene
  EXPECT_EQ(c->PrivateScene(), nullptr);
  EXPECT_EQ(c->Width, 33);  // and the cinema takes the film's size
  EXPECT_EQ(c->Height, 22);
  EXPECT_EQ(test::Prop(*c, PR_COUNT), "10");

  // The countdown: the first update shows tick 0, the second waits, then the clock runs.
  t.Frame(50);
  t.Frame(50);
  EXPECT_EQ(t.log->moves, (std::vector<int32_t>{0}));
  EXPECT_EQ(c->ElapsedMs(), 0);
  t.Frame(50);  // 50 ms: round(3.0)
  t.Frame(30);  // 80 ms: round(4.8)
  t.Frame(5);   // 85 ms: round(5.1), unchanged: no move
  EXPECT_EQ(t.log->moves, (std::vector<int32_t>{0, 3, 5}));
  EXPECT_EQ(test::Prop(*c, PR_INDEX), "5");
  EXPECT_EQ(test::Prop(*c, PR_PLAYING), "TRUE");
  EXPECT_TRUE(Drain(t.scene).empty());

  t.Frame(65);  // 150 ms: tick 9, the last
  EXPECT_TRUE(Drain(t.scene).empty());
  t.Frame(17);  // 167 ms: tick 10 reaches the length
  EXPECT_EQ(Drain(t.scene), (std::vector<std::string>{"43:cin()"}));
  EXPECT_TRUE(c->Ended());
  EXPECT_EQ(test::Prop(*c, PR_PLAYING), "FALSE");
  const double stopped = c->ElapsedMs();
  for (int i = 0; i < 5; ++i) t.Frame(50);
  EXPECT_TRUE(Drain(t.scene).empty());  // once only
  EXPECT_EQ(c->ElapsedMs(), stopped);   // the clock stands
  EXPECT_EQ(t.log->moves.back(), 9);
  EXPECT_EQ(t.scene.FindObject("cin"), c);
}

TEST(VelkCinema, RepeatContinuesAtTheLoopStart) {
  TCinemaScene t;
  t.shape.loop_start = 4;
  TVelkCinema* c = t.NewCinema();
  c->Repeat = true;
  c->OnPlayEnd = "*end";
  test::Set(*c, PR_SOURCE, "a.film");
  t.Frame(0);
  t.Frame(0);
  t.Frame(150);  // tick 9
  t.Frame(50);   // tick 12: 12 mod 10 + 4 = 6, and the clock follows
  EXPECT_EQ(t.log->moves, (std::vector<int32_t>{0, 9, 6}));
  EXPECT_NEAR(c->ElapsedMs(), 100, 1e-9);
  t.Frame(50);  // 150 ms: tick 9 again
  EXPECT_EQ(t.log->moves.back(), 9);
  EXPECT_FALSE(c->Ended());
  EXPECT_TRUE(Drain(t.scene).empty());  // a repeating film never ends

  // A loop start beyond the film is limited to the last tick.
  TCinemaScene far;
  far.shape.loop_start = 50;
  TVelkCinema* d = far.NewCinema();
  d->Repeat = true;
  test::Set(*d, PR_SOURCE, "a.film");
  far.Frame(0);
  far.Frame(0);
  far.Frame(200);
  EXPECT_EQ(far.log->moves.back(), 9);
}

TEST(VelkCinema, AutoScrapDestroysInsteadOfRaisingTheEvent) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  c->AutoScrap = true;
  c->OnPlayEnd = "*end";
  test::Set(*c, PR_SOURCE, "a.film");
  t.Frame(0);
  t.Frame(0);
  t.Frame(100);
  EXPECT_EQ(t.scene.FindObject("cin"), c);
  t.Frame(100);
  EXPECT_EQ(t.scene.FindObject("cin"), nullptr);
  EXPECT_FALSE(t.log->alive);  // the film went with the cinema
  EXPECT_TRUE(Drain(t.scene).empty());
}

TEST(VelkCinema, FilmOfNoTicksStaysAtTickZero) {
  for (bool repeat : {false, true}) {
    TCinemaScene t;
    t.shape.length = 0;
    t.shape.loop_start = 3;
    TVelkCinema* c = t.NewCinema();
    c->Repeat = repeat;
    c->OnPlayEnd = "*end";
    test::Set(*c, PR_SOURCE, "a.film");
    for (int i = 0; i < 4; ++i) t.Frame(40);
    SCOPED_TRACE(repeat);
    for (int32_t tick : t.log->moves) EXPECT_EQ(tick, 0);
    EXPECT_EQ(c->Ended(), !repeat);
    EXPECT_EQ(Drain(t.scene).size(), repeat ? 0u : 1u);
  }
}

TEST(VelkCinema, PausesTellTheFilmAndHoldTheClock) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  test::Set(*c, PR_SOURCE, "a.film");
  t.Frame(0);
  t.Frame(0);
  t.Frame(50);
  test::Set(*c, PR_PAUSED, "TRUE");
  t.Frame(50);
  EXPECT_EQ(t.log->playing.back(), false);
  EXPECT_EQ(t.log->moves.back(), 3);
  EXPECT_NEAR(c->ElapsedMs(), 50, 1e-9);
  test::Set(*c, PR_PAUSED, "FALSE");
  c->AniPaused = true;  // held by a motion pause: the film stays told so, the clock does not run
  t.Frame(50);
  EXPECT_EQ(t.log->playing.back(), false);
  EXPECT_NEAR(c->ElapsedMs(), 50, 1e-9);
  c->AniPaused = false;
  t.Frame(50);
  EXPECT_EQ(t.log->playing.back(), true);
  EXPECT_EQ(t.log->moves.back(), 6);
}

TEST(VelkCinema, IndexMovesTheFilmAndTheClock) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  EXPECT_EQ(test::Prop(*c, PR_INDEX), "-1");  // no film
  EXPECT_EQ(test::Prop(*c, PR_COUNT), "0");
  test::Set(*c, PR_SOURCE, "plain.txt");  // an existing file that is no film
  EXPECT_EQ(c->Film(), nullptr);
  test::Set(*c, PR_SOURCE, "missing.film");
  EXPECT_EQ(c->Film(), nullptr);
  c->Update();  // nothing to play

  test::Set(*c, PR_SOURCE, "a.film");
  t.Frame(0);
  t.Frame(0);
  test::SetInt(*c, PR_INDEX, 7);
  EXPECT_EQ(test::Prop(*c, PR_INDEX), "7");
  t.Frame(17);  // the clock went on from tick 7
  EXPECT_EQ(t.log->moves.back(), 8);
  test::SetInt(*c, PR_INDEX, 1000);  // beyond the film: its last tick
  EXPECT_EQ(test::Prop(*c, PR_INDEX), "9");
  test::SetInt(*c, PR_COUNT, 3);  // read-only
  EXPECT_EQ(test::Prop(*c, PR_COUNT), "10");

  test::SetInt(*c, PR_VOLUME, -300);
  EXPECT_EQ(t.log->volume, -300);
  // A new source restarts the clock and loads with the cinema's volume.
  t.log->volume = 0;
  test::Set(*c, PR_SOURCE, "a.film");
  EXPECT_EQ(t.log->films, 2);
  EXPECT_EQ(t.log->volume, -300);
  EXPECT_EQ(c->ElapsedMs(), 0);
  EXPECT_FALSE(c->Ended());
}

// A pixel of the main scene's screen, and a 0x00BBGGRR colour in the screen's format.
uint32_t Pixel(TVelkBaseList& scene, int32_t x, int32_t y) { return scene.PresentationSurface()->GetPixel(x, y); }
uint32_t Native(TVelkBaseList& scene, int32_t colour) {
  return static_cast<uint32_t>(scene.PresentationSurface()->ColorToPixel(colour));
}

TEST(VelkCinema, PrivateSceneChangesReachTheMainScreen) {
  TCinemaScene t;
  t.shape.own_scene = true;
  TVelkCinema* c = t.NewCinema();
  c->SetBounds(5, 4, 20, 10);
  test::Set(*c, PR_SOURCE, "a.film");
  TVelkBaseList* inner = c->PrivateScene();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(t.log->scene, inner);
  EXPECT_EQ(c->Width, 20);  // a film with a screen of its own leaves the cinema's size alone
  t.scene.DrawAll();
  t.scene.ClearDirty();

  t.Frame(0);  // tick 0: the track box is drawn at the private origin
  t.Frame(0);
  t.scene.DrawAll();
  EXPECT_EQ(Pixel(t.scene, 5, 4), Native(t.scene, 0x00FF00));
  EXPECT_EQ(Pixel(t.scene, 7, 4), Native(t.scene, 0x000080));
  EXPECT_EQ(Pixel(t.scene, 24, 13), Native(t.scene, 0x000080));  // the private background, corner to corner
  EXPECT_EQ(Pixel(t.scene, 25, 14), Native(t.scene, 0));
  EXPECT_TRUE(inner->ActiveBaseObject()->DirtyRects.Rects().empty());  // both private lists are emptied
  EXPECT_TRUE(inner->InactiveBaseObject()->DirtyRects.Rects().empty());
  t.scene.ClearDirty();

  // Tick 3 moves the box from x 0 to x 3: its old and new areas, at the cinema's position, are all that changes.
  t.Frame(50);
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{5, 4, 10, 6}}));
  t.scene.DrawAll();
  EXPECT_EQ(Pixel(t.scene, 5, 4), Native(t.scene, 0x000080));
  EXPECT_EQ(Pixel(t.scene, 8, 5), Native(t.scene, 0x00FF00));
  EXPECT_EQ(Pixel(t.scene, 10, 5), Native(t.scene, 0x000080));
  t.scene.ClearDirty();

  // A change of the main scene over the cinema is redrawn from the private screen.
  t.scene.PresentationSurface()->FillRect(TRect{0, 0, 40, 30}, Native(t.scene, 0xFFFFFF));
  t.scene.ActiveBaseObject()->AddDirtyRect(TRect{0, 0, 12, 8});
  t.scene.DrawAll();
  EXPECT_EQ(Pixel(t.scene, 8, 5), Native(t.scene, 0x00FF00));
  EXPECT_EQ(Pixel(t.scene, 11, 7), Native(t.scene, 0x000080));
  EXPECT_EQ(Pixel(t.scene, 12, 7), Native(t.scene, 0xFFFFFF));  // outside the changed area
  t.scene.ClearDirty();

  // A private change the cinema's base does not cover while it draws is reported at the next update, when the
  // base can take it, and then drawn.
  t.scene.ActiveBaseObject()->AddDirtyRect(TRect{5, 4, 7, 6});
  inner->ActiveBaseObject()->AddDirtyRect(TRect{15, 5, 19, 9});
  t.scene.DrawAll();
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{5, 4, 7, 6}}));
  EXPECT_EQ(Pixel(t.scene, 22, 10), Native(t.scene, 0xFFFFFF));  // outside the clip of this draw
  t.scene.ClearDirty();
  t.Frame(0);
  EXPECT_EQ(t.scene.ChangedRects(), (std::vector<TRect>{TRect{5, 4, 24, 13}}));
  t.scene.DrawAll();
  EXPECT_EQ(Pixel(t.scene, 22, 10), Native(t.scene, 0x000080));
  EXPECT_EQ(Pixel(t.scene, 26, 10), Native(t.scene, 0xFFFFFF));

  // The private scene's objects run on the main scene's frame time.
  auto* probe = inner->New<test::TCountingComponent>();
  int32_t seen = -1;
  probe->on_update = [&] { seen = inner->FrameMs(); };
  t.Frame(30);
  EXPECT_EQ(seen, 30);
}

TEST(VelkCinema, PrivateSurfacesFollowTheDisplay) {
  TCinemaScene t;
  t.shape.own_scene = true;
  TVelkCinema* c = t.NewCinema();
  test::Set(*c, PR_SOURCE, "a.film");
  TVelkBaseList* inner = c->PrivateScene();
  ASSERT_NE(inner, nullptr);
  t.scene.ReleaseSurfaces();
  EXPECT_TRUE(inner->PresentationSurface()->IsEmpty());
  t.scene.RestoreSurfaces();
  EXPECT_EQ(inner->PresentationSurface()->Width(), 20);
  EXPECT_EQ(inner->ChangedRects(), (std::vector<TRect>{TRect{0, 0, 20, 10}}));
}

using test::TBytes;

// A control record of the given version without children: "old" at (1, 2), 3 x 4, everything else empty.
void ControlRecord(TBytes& o, int32_t version) {
  o.str("old").i32(0);
  if (version > 103) o.i32(0);
  if (version >= 120) o.str("");
  o.i32(1).i32(2).i32(3).i32(4).i32(0).i32(0).u8(0);
  if (version >= 130) o.i32(0).i32(0).i32(0).i32(0);
  if (version > 103) o.i32(0).i32(0).i32(0).i32(0).u8(0);
  o.u8(1).i32(0).i32(0).i32(0).i32(1).i32(1).u8(0).str("").str("");
  if (version > 101) o.str("");
  for (int i = 0; i < 7; ++i) o.str("");
  if (version > 117) {
    o.u8(0);
    for (int i = 0; i < 5; ++i) o.str("");
  }
  o.i32(0);
}

TEST(VelkCinema, SaveRecordRoundTripsAndRestoresTheFrame) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  c->Repeat = true;
  c->AutoScrap = true;
  c->OnPlayEnd = "*end";
  c->OnIdle = "*idle";
  test::SetInt(*c, PR_VOLUME, -500);
  c->MuteOnLoad = true;
  test::Set(*c, PR_SOURCE, "a.film");
  test::SetInt(*c, PR_INDEX, 6);
  c->PausedFlag = true;
  // The film gave the cinema its size (33 x 22); the script changed it.
  c->SetWidth(20);

  for (bool rewind : {false, true}) {
    c->RewindOnLoad = rewind;
    TMemoryStream saved;
    c->SaveToStream(saved);
    saved.Seek(0, soBeginning);
    TCinemaScene u;
    TVelkCinema* d = u.NewCinema("other");
    d->LoadFromStream(saved, 140);
    SCOPED_TRACE(rewind);
    EXPECT_EQ(saved.Remaining(), 0);
    EXPECT_EQ(d->Name(), "cin");
    EXPECT_EQ(d->Source, "a.film");
    EXPECT_TRUE(d->Repeat);
    EXPECT_TRUE(d->PausedFlag);
    EXPECT_TRUE(d->AutoScrap);
    EXPECT_EQ(d->OnPlayEnd, "*end");
    EXPECT_EQ(d->OnIdle, "*idle");
    EXPECT_EQ(d->Volume, -500);
    EXPECT_EQ(u.log->volume, -500);  // the film loads with the saved volume
    EXPECT_TRUE(d->MuteOnLoad);
    EXPECT_EQ(d->RewindOnLoad, rewind);
    EXPECT_EQ(d->Width, 20);
    EXPECT_EQ(d->Height, 22);
    ASSERT_NE(d->Film(), nullptr);
    EXPECT_EQ(test::Prop(*d, PR_INDEX), rewind ? "-1" : "6");
    EXPECT_NEAR(d->ElapsedMs(), rewind ? 0 : 100, 1e-9);
    TMemoryStream again;
    d->SaveToStream(again);
    if (!rewind) {
      EXPECT_EQ(again.Bytes(), saved.Bytes());
    }
  }
}

TEST(VelkCinema, ALoadedFilmGoesOnWhereItWasAndANewOneCountsDown) {
  for (int32_t tick : {6, 0}) {
    SCOPED_TRACE(tick);
    TCinemaScene t;
    t.shape.length = 30;
    TVelkCinema* c = t.NewCinema();
    c->RewindOnLoad = false;
    test::Set(*c, PR_SOURCE, "a.film");
    test::SetInt(*c, PR_INDEX, tick);
    TMemoryStream saved;
    c->SaveToStream(saved);
    saved.Seek(0, soBeginning);
    TCinemaScene u;
    u.shape.length = 30;
    TVelkCinema* d = u.NewCinema("other");
    d->LoadFromStream(saved, 140);
    u.Frame(50);
    // A film that had run takes the frame's time at once (100 + 50 ms: tick 9); one at its first tick starts as a
    // new film does, its clock still for two updates.
    EXPECT_EQ(test::Prop(*d, PR_INDEX), tick == 6 ? "9" : "0");
    u.Frame(50);
    EXPECT_EQ(test::Prop(*d, PR_INDEX), tick == 6 ? "12" : "0");
  }
}

TEST(VelkCinema, ReadsEveryOlderRecord) {
  struct TCase {
    int32_t version;
    bool idle, frame, volume, ended;
  };
  for (const TCase& k : {TCase{103, false, false, false, false}, TCase{104, true, false, false, false},
                         TCase{117, true, true, false, false}, TCase{129, true, true, true, false},
                         TCase{133, true, true, true, true}}) {
    TBytes o;
    ControlRecord(o, k.version);
    o.str("a.film").u8(1).u8(0).u8(1).str("*end");
    if (k.idle) o.str("*idle");
    if (k.frame) o.i32(4).u8(0);
    if (k.volume) o.i32(-700).u8(1);
    if (k.ended) o.u8(1);
    TMemoryStream s(o.b);
    TCinemaScene t;
    TVelkCinema* c = t.NewCinema();
    c->LoadFromStream(s, k.version);
    SCOPED_TRACE(k.version);
    EXPECT_EQ(s.Remaining(), 0);
    EXPECT_EQ(c->ScreenRect(), Bounds(1, 2, 3, 4));  // the record's size stays, whatever the film's
    EXPECT_TRUE(c->Repeat);
    EXPECT_FALSE(c->PausedFlag);
    EXPECT_TRUE(c->AutoScrap);
    EXPECT_EQ(c->OnPlayEnd, "*end");
    EXPECT_EQ(c->OnIdle, k.idle ? "*idle" : "");
    // Records without the frame rewind, as the default asks.
    EXPECT_EQ(c->RewindOnLoad, !k.frame);
    EXPECT_EQ(test::Prop(*c, PR_INDEX), k.frame ? "4" : "-1");
    EXPECT_EQ(c->Volume, k.volume ? -700 : 0);
    EXPECT_EQ(c->MuteOnLoad, k.volume);
    EXPECT_EQ(c->Ended(), k.ended);
  }
}

TEST(VelkCinema, TruncatedRecordsLoadOrFailCleanly) {
  TCinemaScene t;
  TVelkCinema* c = t.NewCinema();
  c->OnIdle = "*idle";
  test::Set(*c, PR_SOURCE, "a.film");
  TMemoryStream saved;
  c->SaveToStream(saved);
  const std::vector<uint8_t> bytes = saved.Bytes();
  // Numbers past the end read as 0; a string cut short is refused.
  const size_t idle_end = bytes.size() - (4 + 1 + 4 + 1 + 1);
  for (size_t n = 0; n < bytes.size(); ++n) {
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    TCinemaScene u;
    TVelkCinema* d = u.NewCinema();
    if (n + 1 == idle_end) {
      EXPECT_THROW(d->LoadFromStream(s, 140), EFormatError);
      continue;
    }
    try {
      d->LoadFromStream(s, 140);
    } catch (const EVelkError&) {
    }
  }
}

TEST(VelkCinema, FactoryMakesCinemas) {
  TVelkBaseList scene;
  TVelkObject* o = scene.CreateComponent(VT_CINEMA);
  ASSERT_NE(dynamic_cast<TVelkCinema*>(o), nullptr);
  EXPECT_EQ(o->ComponentType(), VT_CINEMA);
}

}  // namespace
}  // namespace velk

#include "media/media_managers.h"

#include <gtest/gtest.h>

#include "media/midi_test_bytes.h"

#include <filesystem>
#include <map>

#include "base/error.h"
#include "base/sjis.h"
#include "media/device_managers.h"
#include "media/media_lib.h"
#include "gfx/dibx.h"
#include "media/media_set.h"
#include "medialib/null_media.h"
#include "media/screen_manager.h"
#include "media/video_manager.h"
#include "medialib/velk_media_lib.h"
#include "platform/headless/clock_audio.h"
#include "platform/headless/headless_clock.h"
#include "platform/headless/headless_window.h"
#include "platform/posix_files.h"
#include "support/temp_dir.h"
#include "support/test_media.h"
#include "vfs/archive.h"
#include "vfs/big_stream.h"
#include "vfs/file_manager.h"

namespace velk {
namespace {

std::string str(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// The real media library on a game clock, with a game whose sounds and films lie in an archive.
struct TMediaGame {
  test::TempDir dir;
  TPosixFiles posix;
  TPlatform platform;
  TVirtualClock clock;
  TAudioMixer mixer;
  TClockAudioOutput output{clock};
  TVelkLib binding;
  TVelkMediaLibrary lib{mixer};
  std::unique_ptr<TVrFileManager> files;

  explicit TMediaGame(const std::map<std::string, std::string>& entries) {
    platform.Files = &posix;
    mixer.SetWaitForSources(true);
    output.Start(mixer.Filler());
    TVelkInitParams p;
    p.Streams = binding.StreamCallbacks();
    lib.velkInit(p);
    const std::string src = dir / "src/";
    TVrFileCollection c;
    c.Open(src);
    for (const auto& [name, bytes] : entries) {
      std::filesystem::create_directories(src);
      test::WriteFile(src + name, bytes);
      c.AddEntry(name);
    }
    TBigFileStream out(dir / "game.dat", fmCreate);
    EXPECT_TRUE(c.SaveArchive(out));
    files = std::make_unique<TVrFileManager>(platform, std::vector<std::string>{});
    files->SetBaseFolder(dir / "nothing/");
    files->Mount(dir / "game.dat");
  }
  ~TMediaGame() { lib.velkFinal(); }
  void run_ms(int32_t ms) {
    for (int32_t t = 0; t < ms; t += 15) {
      clock.Advance(15);
      output.Pump();
    }
  }
};

TEST(MediaManagers, SoundOffPausesAndSoundOnResumesFromWhereItStopped) {
  TMediaGame g({{"bgm.wma", str(test::MakeAvMedia(test::TAvKind::Wma, 1000))}});
  TWmpManager wmp(g.lib, *g.files);
  TDMediaItem* a = wmp.Add("BGM.WMA");
  TDMediaItem* later = wmp.Add("bgm.wma");
  a->Play();
  g.run_ms(300);
  EXPECT_TRUE(a->IsPlaying());
  wmp.SetEnabled(false);
  EXPECT_TRUE(wmp.Suspended());
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_TRUE(a->IsPaused());
  const int32_t held = a->GetPosition();
  EXPECT_NEAR(held, 300, 40);
  // Started while muted: only marked.
  later->Play();
  EXPECT_FALSE(later->IsPlaying());
  EXPECT_TRUE(later->Mark);
  g.run_ms(300);
  EXPECT_EQ(a->GetPosition(), held);
  wmp.Suspend();  // already suspended, and disabled: nothing
  wmp.SetEnabled(true);
  EXPECT_FALSE(wmp.Suspended());
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_TRUE(later->IsPlaying());
  EXPECT_FALSE(a->Mark);
  g.run_ms(150);
  EXPECT_NEAR(a->GetPosition(), held + 150, 40);
  // Deactivation suspends only what plays; an ended or paused item is not resumed.
  later->Pause();
  wmp.Suspend();
  EXPECT_TRUE(a->Mark);
  EXPECT_FALSE(later->Mark);
  wmp.Resume();
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_FALSE(later->IsPlaying());
  // The end is reported once.
  int ends = 0;
  for (int i = 0; i < 100; ++i) {
    g.run_ms(15);
    ends += a->IsEnd() ? 1 : 0;
  }
  EXPECT_EQ(ends, 1);
  wmp.Remove(a);
  wmp.Remove(a);
  EXPECT_EQ(wmp.Count(), 1u);
  // An unreadable file leaves an item that plays nothing.
  TDMediaItem* missing = wmp.Add("missing.wma");
  missing->Play();
  EXPECT_FALSE(missing->IsPlaying());
}

// A wave output that records what the item asks of it.
class TFakeWaveBuffer : public IWaveBuffer {
 public:
  void Play() override { playing = true; }
  void Stop() override { playing = false; }
  bool Playing() const override { return playing; }
  bool Done() const override { return false; }
  int32_t ReadPosition() const override { return position; }
  void SetReadPosition(int32_t p) override { position = p; }
  void SetVolume(int32_t v) override { volume = v; }
  void SetLoop(bool l, int32_t start) override {
    loop = l;
    loop_start = start;
  }
  bool playing = false, loop = false;
  int32_t position = 0, volume = 256, loop_start = 0;
};
class TFakeWaveOutput : public IWaveOutput {
 public:
  void Open() override { ++opened; }
  std::unique_ptr<IWaveBuffer> AddBuffer(const TVelkWaveFormat& f, TStream* s) override {
    format = f;
    stream = s;
    auto b = std::make_unique<TFakeWaveBuffer>();
    last = b.get();
    return b;
  }
  int opened = 0;
  TVelkWaveFormat format;
  TStream* stream = nullptr;
  TFakeWaveBuffer* last = nullptr;
};

TEST(MediaManagers, OggItemsPlayInPlaceOrThroughTheWaveOutputAndRefuseBadData) {
  TMediaGame g(
      {{"se.ogg", str(test::MakeOgg(400))}, {"se.wav", str(test::MakeWav(200))}, {"bad.ogg", std::string(3000, 'z')}});
  TOggManager ogg(g.lib, *g.files, nullptr);
  TDMediaItem* se = ogg.Add("se.ogg");
  EXPECT_NEAR(se->GetLength(), 400, 30);
  se->SetRepeatPos(120);
  EXPECT_EQ(se->GetRepeatPos(), 120);
  se->Play();
  g.run_ms(450);
  EXPECT_TRUE(se->IsEnd());
  EXPECT_NEAR(ogg.Add("se.wav")->GetLength(), 200, 10);
  try {
    ogg.Add("bad.ogg");
    ADD_FAILURE() << "bad data accepted";
  } catch (const EVelkError& e) {
    EXPECT_EQ(e.Message(), Utf8ToCp932("サウンドデータが不正です"));
  }
  EXPECT_EQ(ogg.Count(), 2u);

  // Without the library's own output, sound goes through the wave output as a decoded stream.
  TFakeWaveOutput wave;
  TOggManager through(g.lib, *g.files, &wave);
  TDMediaItem* w = through.Add("se.ogg");
  EXPECT_EQ(wave.opened, 1);
  EXPECT_EQ(wave.format.SamplesPerSec, 44100u);
  EXPECT_EQ(wave.format.BlockAlign, 4);
  EXPECT_NEAR(w->GetLength(), 400, 30);
  w->SetVolume(-600);  // about half the amplitude
  EXPECT_EQ(wave.last->volume, 128);
  w->SetAutoRepeat(true);
  w->SetRepeatPos(100);
  EXPECT_TRUE(wave.last->loop);
  EXPECT_EQ(wave.last->loop_start, 4410 * 4);
  w->SetPosition(250);
  EXPECT_EQ(wave.last->position, 11025 * 4);
  EXPECT_EQ(w->GetPosition(), 250);
  w->Play();
  EXPECT_TRUE(w->IsPlaying());
  w->Pause();
  EXPECT_TRUE(w->IsPaused());
  // The decoded stream clamps its seeks to its size and reads nothing for a count of 0.
  uint8_t buf[8];
  EXPECT_EQ(wave.stream->Read(buf, 0), 0);
  EXPECT_EQ(wave.stream->Seek(-100, soBeginning), 0);
  EXPECT_EQ(wave.stream->Seek(100, soEnd), wave.stream->GetSize());
  EXPECT_EQ(wave.stream->Write(buf, 8), 0);
}

TEST(MediaManagers, SoundNamesChooseTheirManager) {
  EXPECT_EQ(SoundKindOf("a.MID"), TSoundKind::Midi);
  EXPECT_EQ(SoundKindOf("a.sgt"), TSoundKind::Midi);
  EXPECT_EQ(SoundKindOf("bgm\\a.Wma"), TSoundKind::Wmp);
  EXPECT_EQ(SoundKindOf("a.asf"), TSoundKind::Wmp);
  EXPECT_EQ(SoundKindOf("a.wmv"), TSoundKind::Wmp);
  EXPECT_EQ(SoundKindOf("a.OGG"), TSoundKind::Ogg);
  EXPECT_EQ(SoundKindOf("a.wav"), TSoundKind::Ogg);
  EXPECT_EQ(SoundKindOf("cd_3"), TSoundKind::Cdda);
  EXPECT_EQ(SoundKindOf("a.mp3"), TSoundKind::None);
  EXPECT_EQ(SoundKindOf("ogg"), TSoundKind::None);
  EXPECT_TRUE(IsDiskName("/music/a.ogg"));
  EXPECT_TRUE(IsDiskName("C:\\a.ogg"));
  EXPECT_FALSE(IsDiskName("bgm\\a.ogg"));
}

class TFakeCd : public ICdAudio {
 public:
  int32_t TrackCount() override { return tracks; }
  int32_t TrackLengthMs(int32_t t) override { return t * 60000; }
  void Play(int32_t t, int32_t from, bool r) override {
    track = t;
    position = from;
    repeat = r;
    playing = true;
  }
  void Stop() override { playing = false; }
  bool IsPlaying() override { return playing; }
  int32_t PositionMs() override { return position; }
  void GetLineVolume(int32_t& l, int32_t& r) override {
    l = left;
    r = right;
  }
  void SetLineVolume(int32_t l, int32_t r) override {
    left = l;
    right = r;
  }
  int32_t tracks = 2, track = 0, position = 0, left = 40000, right = 20000;
  bool playing = false, repeat = false;
};

TEST(MediaManagers, CdTracksPlayOnlyWhenTheDiscHasThem) {
  TFakeCd cd;
  {
    TCddaManager m(cd);
    TDMediaItem* three = m.Add("CD_3");
    three->Play();
    EXPECT_FALSE(three->IsPlaying());
    EXPECT_EQ(three->GetLength(), 0);
    TDMediaItem* word = m.Add("CD_x");
    word->Play();
    EXPECT_FALSE(cd.playing);
    TDMediaItem* two = m.Add("CD_2");
    two->SetAutoRepeat(true);
    two->Play();
    EXPECT_TRUE(two->IsPlaying());
    EXPECT_EQ(cd.track, 2);
    EXPECT_TRUE(cd.repeat);
    EXPECT_EQ(two->GetLength(), 120000);
    // Volumes below -5000 are held there; the line follows (v + 5000) / 5000 of its saved volume.
    two->SetVolume(-2500);
    EXPECT_EQ(cd.left, 20000);
    EXPECT_EQ(cd.right, 10000);
    two->SetVolume(-9000);
    EXPECT_EQ(cd.left, 0);
    cd.position = 5000;
    two->Pause();
    EXPECT_FALSE(cd.playing);
    EXPECT_EQ(two->GetPosition(), 4000);
    two->Play();
    EXPECT_EQ(cd.position, 4000);
    cd.playing = false;  // the track ran out
    EXPECT_TRUE(two->IsEnd());
  }
  // The manager puts the line's volume back when it goes.
  EXPECT_EQ(cd.left, 40000);
  TNoCdAudio none;
  TCddaManager empty(none);
  TDMediaItem* one = empty.Add("CD_1");
  one->Play();
  EXPECT_FALSE(one->IsPlaying());
  EXPECT_FALSE(one->IsEnd());
}

class TFakeMidi : public IMidiSongPlayer {
 public:
  explicit TFakeMidi(std::vector<std::string>* log) : log_(log) {}
  bool Load(const std::vector<uint8_t>& song) override {
    log_->push_back("load " + std::string(song.begin(), song.end()));
    return song.size() > 1;
  }
  bool Open(int32_t port) override {
    log_->push_back("open " + std::to_string(port));
    open = true;
    return true;
  }
  void Close() override {
    log_->push_back("close");
    open = false;
  }
  bool IsOpen() const override { return open; }
  void Reset() override {}
  void Play(int32_t from) override {
    log_->push_back("play " + std::to_string(from));
    playing = true;
    position = from;
  }
  void Stop() override { playing = false; }
  bool IsPlaying() const override { return playing; }
  int32_t PositionMs() const override { return position; }
  int32_t LengthMs() const override { return 90000; }
  void SetVolumeScale(int32_t percent) override { scale = percent; }
  bool open = false, playing = false;
  int32_t position = 0, scale = -1;

 private:
  std::vector<std::string>* log_;
};

TEST(MediaManagers, MidiSongsLoadWhenPlayedAndMoveBetweenPorts) {
  std::vector<std::string> log;
  TFakeMidi* player = nullptr;
  int32_t players = 0;
  // Two quarter notes at 120 beats a minute: one second.
  const std::vector<uint8_t> smf = midi_test::Smf(
      0, 480, {{0x00, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}});
  TMidiManager m(
      [&](const std::string& name) { return name == "empty.mid" ? std::vector<uint8_t>{} : smf; },
      [&] {
        ++players;
        auto p = std::make_unique<TFakeMidi>(&log);
        if (player == nullptr) player = p.get();
        return p;
      },
      {"synth"});
  ASSERT_EQ(m.Ports().size(), 2u);
  EXPECT_EQ(m.Ports()[0], Utf8ToCp932("MIDIマッパー"));
  TDMediaItem* song = m.Add("song.mid");
  // Read from the song; the manager's player is the only one made.
  EXPECT_EQ(song->GetLength(), 1000);
  EXPECT_EQ(players, 1);
  song->SetVolume(-2500);
  song->Play();
  EXPECT_TRUE(song->IsPlaying());
  EXPECT_EQ(player->scale, 75);
  song->SetVolume(-20000);  // held to 0
  EXPECT_EQ(player->scale, 0);
  player->position = 3000;
  m.SelectPort("SYNTH");
  EXPECT_EQ(m.SelectedPort(), 1);
  EXPECT_TRUE(player->playing);
  song->Pause();
  EXPECT_EQ(song->GetPosition(), 3000);
  m.SelectPort(99);
  EXPECT_EQ(m.SelectedPort(), 1);
  // A display-mode change closes the port and reopens it; a song that played plays on.
  song->Play();
  player->position = 4500;
  m.ClosePort();
  EXPECT_FALSE(player->open);
  m.ReopenPort();
  EXPECT_TRUE(player->playing);
  const std::string load = "load " + std::string(smf.begin(), smf.end());
  const std::vector<std::string> expected = {load,        "open -1", "play 0", "close",  "open 0",
                                             "play 3000", "play 3000", "close", "open 0", "play 4500"};
  EXPECT_EQ(log, expected);
  TDMediaItem* empty = m.Add("empty.mid");
  empty->Play();
  EXPECT_FALSE(empty->IsPlaying());
}

TEST(ScreenManager, ChoosesThePreferredSizeAtTheDesktopDepthAndLowestRefresh) {
  THeadlessWindow window;
  window.SetModes({{640, 480, 16, 60},
                   {512, 384, 32, 60},
                   {800, 600, 16, 60},
                   {800, 600, 32, 85},
                   {800, 600, 32, 60},
                   {800, 600, 32, 75},
                   {800, 600, 15, 50},
                   {1024, 768, 32, 60}});
  TScreenManager screen(window, 640, 480, 800, 600, 32);
  ASSERT_EQ(screen.Modes().size(), 6u);
  EXPECT_EQ(screen.Modes()[static_cast<size_t>(screen.ChosenMode())], (TDisplayMode{800, 600, 32, 60}));
  EXPECT_TRUE(screen.SetMode(screen.ChosenMode()));
  EXPECT_TRUE(window.FullScreen());
  window.SetModeSwitchFails(true);
  EXPECT_FALSE(screen.SetMode(0));
  EXPECT_FALSE(screen.FullScreen());
  EXPECT_FALSE(window.FullScreen());
  THeadlessWindow bare;
  bare.SetModes({});
  TScreenManager none(bare, 640, 480, 800, 600, 32);
  EXPECT_EQ(none.ChosenMode(), -1);
}

TEST(VideoManager, FilmsFromTheArchiveAndExtractedOnesShowTheirPictures) {
  TMediaGame g({{"op.mpg", str(test::MakeAvMedia(test::TAvKind::Mpeg, 600))},
                {"ed.wmv", str(test::MakeAvMedia(test::TAvKind::Wmv, 600))}});
  TVideoManager videos(g.lib, *g.files, false);
  for (const char* name : {"op.mpg", "ed.wmv"}) {
    SCOPED_TRACE(name);
    auto* v = static_cast<TDsVideoItem*>(videos.Add(name, false));
    EXPECT_EQ(v->GetSourceWidth(), 160);
    videos.Update();
    ASSERT_NE(v->Frame().Pixels, nullptr);
    const uint32_t first = v->Frame().Serial;
    v->Play();
    g.run_ms(450);
    videos.Suspend();
    EXPECT_TRUE(v->IsPaused());
    videos.Resume();
    EXPECT_TRUE(v->IsPlaying());
    videos.Update();
    EXPECT_GT(v->Frame().Serial, first);
    const uint32_t c = v->Frame().Pixels[60 * 160 + 80];
    EXPECT_GT(c & 0xFF, 150u);  // the second half's blue
    EXPECT_LT(c >> 16, 100u);
    // The picture drawn into a surface, pixel for pixel.
    TDIBX surface;
    ASSERT_TRUE(v->PaintInto(surface));
    EXPECT_EQ(surface.Width(), 160);
    EXPECT_EQ(surface.Height(), 120);
    for (int32_t y : {0, 60, 119}) {
      for (int32_t x : {0, 80, 159}) EXPECT_EQ(surface.GetPixel(x, y), v->Frame().Pixels[y * 160 + x]);
    }
    videos.Remove(v);
  }
}

TEST(MediaSet, StartsInOrderAndRoutesSwitchesAndSuspendsEveryManager) {
  TPosixFiles posix;
  TPlatform platform;
  platform.Files = &posix;
  TVrFileManager files(platform, {});
  TNullVelkMedia lib;
  THeadlessWindow window;
  window.SetModes({{800, 600, 32, 60}});
  std::vector<std::string> trace;
  TMediaSetup setup;
  setup.Lib = &lib;
  setup.Files = &files;
  setup.UseWmp = true;
  setup.Window = &window;
  setup.ScreenWidth = 640;
  setup.ScreenHeight = 480;
  setup.Trace = [&](const char* name) { trace.push_back(name); };
  TMediaSet media(setup);
  EXPECT_EQ(trace.front(), "MediaInit:7");
  EXPECT_EQ(trace.back(), "MediaInit:16");
  EXPECT_EQ(trace.size(), 10u);
  EXPECT_EQ(lib.InitParams().UseWmp, -1);
  ASSERT_NE(media.Screen(), nullptr);
  EXPECT_EQ(media.Screen()->ChosenMode(), 0);
  EXPECT_EQ(media.ManagerFor("a.mid"), &media.Midi());
  EXPECT_EQ(media.ManagerFor("a.wma"), &media.Wmp());
  EXPECT_EQ(media.ManagerFor("a.wav"), &media.Ogg());
  EXPECT_EQ(media.ManagerFor("CD_1"), &media.Cdda());
  EXPECT_EQ(media.ManagerFor("a.txt"), nullptr);
  media.SetSoundEnabled(false);
  for (TMediaManager* m : {static_cast<TMediaManager*>(&media.Wmp()), static_cast<TMediaManager*>(&media.Ogg()),
                           static_cast<TMediaManager*>(&media.Cdda()), static_cast<TMediaManager*>(&media.Midi())}) {
    EXPECT_FALSE(m->Enabled());
  }
  media.SetSoundEnabled(true);
  media.Suspend();
  EXPECT_TRUE(media.Video().Suspended());
  EXPECT_TRUE(media.Midi().Suspended());
  media.Resume();
  EXPECT_FALSE(media.Wmp().Suspended());
  // Without a project screen there is no screen manager; without a MIDI player MIDI plays nothing.
  setup.ScreenWidth = 0;
  TMediaSet bare(setup);
  EXPECT_EQ(bare.Screen(), nullptr);
  TDMediaItem* song = bare.Midi().Add("missing.mid");
  song->Play();
  EXPECT_FALSE(song->IsPlaying());
}

}  // namespace
}  // namespace velk

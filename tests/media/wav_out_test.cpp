#include "media/wav_out.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>
#include <tuple>

#include "media/wav_out_mix.h"
#include "platform/headless/headless_clock.h"

namespace velk {
namespace {

// Records every block written; plays a block when the test says so.
class TFakeWavDevice : public IWavDevice {
 public:
  bool Opens = true;
  std::vector<std::vector<int16_t>> Written;
  std::vector<TWavHeader*> Queued;
  int Closes = 0;

  bool Open() override { return Opens; }
  bool Write(TWavHeader& h) override {
    const int16_t* s = reinterpret_cast<const int16_t*>(h.Data);
    Written.emplace_back(s, s + h.BufferLength / 2);
    Queued.push_back(&h);
    return true;
  }
  void Close() override {
    PlayAll();
    ++Closes;
  }
  void PlayAll() {
    for (TWavHeader* h : Queued) h->Flags |= WHDR_DONE;
    Queued.clear();
  }
};

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

// The sample a source gives at a byte offset, in 16-bit form.
int16_t SourceSample(const std::vector<uint8_t>& bytes, size_t index, int bits) {
  if (bits == 8) return static_cast<int16_t>((bytes[index] - 128) * 256);
  return static_cast<int16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

struct TWavFixture {
  TFakeWavDevice device;
  TVirtualClock clock;
  TWavOut out{device, clock, 100};
  TWavFixture() { out.Open(false); }
};

TEST(WavOut, WidensEveryFormatExactly) {
  struct TCase {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
  };
  for (TCase c : {TCase{2, 44100, 16}, TCase{1, 44100, 16}, TCase{2, 22050, 16}, TCase{2, 44100, 8}, TCase{1, 44100, 8},
                  TCase{2, 22050, 8}, TCase{1, 22050, 16}, TCase{1, 22050, 8}}) {
    SCOPED_TRACE(testing::Message() << c.channels << "ch " << c.rate << " " << c.bits << "bit");
    TWavFixture f;
    ASSERT_EQ(f.out.BlockSize(), 17640);
    TMemoryStream stream(RandomBytes(40000, c.channels * c.rate + c.bits));
    TWavBuffer* src = f.out.AddBuffer(MakePcmFormat(c.channels, c.rate, c.bits), &stream);
    src->Play();
    f.out.Pump();
    ASSERT_EQ(f.device.Written.size(), 2u);
    const auto& bytes = stream.Bytes();
    const size_t frames_per_block = 17640 / 4;
    const size_t step = c.rate == 22050 ? 2 : 1;
    for (size_t block = 0; block < 2; ++block) {
      std::vector<int16_t> expected(17640 / 2);
      for (size_t j = 0; j < expected.size(); ++j) {
        size_t frame = block * frames_per_block + j / 2;
        size_t source_frame = frame / step;
        size_t channel = c.channels == 1 ? 0 : j % 2;
        expected[j] = SourceSample(bytes, source_frame * c.channels + channel, c.bits);
      }
      ASSERT_EQ(f.device.Written[block], expected) << "block " << block;
    }
    const int32_t divisor = static_cast<int32_t>((2 / c.channels) * (44100 / c.rate) * (16 / c.bits));
    EXPECT_EQ(src->ReadPosition(), 2 * 17640 / divisor);
  }
}

TEST(WavOut, LoopsWithinABlockAndShortReadsLeaveSilence) {
  TWavFixture f;
  TMemoryStream looped(RandomBytes(1000, 7));
  TWavBuffer* src = f.out.AddBuffer(MakePcmFormat(2, 44100, 16), &looped);
  src->Loop = true;
  src->LoopStart = 402;  // not on a frame: reading goes on at the frame that holds it
  src->Play();
  f.out.Pump();
  ASSERT_EQ(f.device.Written.size(), 2u);
  const auto& bytes = looped.Bytes();
  size_t pos = 0;
  for (const auto& block : f.device.Written) {
    for (size_t j = 0; j < block.size(); ++j) {
      if (pos >= 1000) pos = 400;
      ASSERT_EQ(block[j], SourceSample(bytes, pos / 2, 16)) << j;
      pos += 2;
    }
  }
  EXPECT_EQ(src->ReadPosition(), static_cast<int32_t>(pos));
  EXPECT_FALSE(src->Finished());

  // A looping stream that ends exactly with a block is not finished: the next block starts at the loop start.
  TWavFixture e;
  TMemoryStream exact(RandomBytes(17640, 9));
  TWavBuffer* ex = e.out.AddBuffer(MakePcmFormat(2, 44100, 16), &exact);
  ex->Loop = true;
  ex->Play();
  e.out.Pump();
  ASSERT_EQ(e.device.Written.size(), 2u);
  EXPECT_FALSE(ex->Finished());
  EXPECT_EQ(e.device.Written[0], e.device.Written[1]);

  // Without the loop, the block ends in silence after the last byte and the source is finished.
  TWavFixture g;
  TMemoryStream once(RandomBytes(1000, 8));
  TWavBuffer* one = g.out.AddBuffer(MakePcmFormat(2, 44100, 16), &once);
  one->Play();
  g.out.Pump();
  ASSERT_EQ(g.device.Written.size(), 1u);
  for (size_t j = 0; j < 500; ++j) ASSERT_EQ(g.device.Written[0][j], SourceSample(once.Bytes(), j, 16));
  for (size_t j = 500; j < g.device.Written[0].size(); ++j) ASSERT_EQ(g.device.Written[0][j], 0);
  EXPECT_TRUE(one->Finished());
}

std::vector<uint8_t> Pcm16(std::initializer_list<int16_t> samples, size_t repeat) {
  std::vector<uint8_t> v;
  for (size_t r = 0; r < repeat; ++r)
    for (int16_t s : samples) {
      v.push_back(static_cast<uint8_t>(s & 0xFF));
      v.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
  return v;
}

TEST(WavOut, ClipsSumsAndScalesByVolume) {
  TWavFixture f;
  TMemoryStream a(Pcm16({30000, -30000, 1000, -3}, 4410));
  TMemoryStream b(Pcm16({30000, -30000, 1000, -3}, 4410));
  TWavBuffer* sa = f.out.AddBuffer(MakePcmFormat(2, 44100, 16), &a);
  TWavBuffer* sb = f.out.AddBuffer(MakePcmFormat(2, 44100, 16), &b);
  sa->Play();
  sb->Play();
  f.out.Pump();
  ASSERT_FALSE(f.device.Written.empty());
  const auto& full = f.device.Written[0];
  EXPECT_EQ(std::vector<int16_t>(full.begin(), full.begin() + 4), (std::vector<int16_t>{32767, -32768, 2000, -6}));

  // An item volume of -2500 maps to 128: every sample halves (arithmetic shift).
  TWavFixture g;
  TMemoryStream c(Pcm16({30000, -30000, 1001, -3}, 4410));
  TWavBuffer* sc = g.out.AddBuffer(MakePcmFormat(2, 44100, 16), &c);
  sc->SetVolume((-2500 + 5000) * 256 / 5000);
  EXPECT_EQ(sc->Volume(), 128);
  sc->Play();
  g.out.Pump();
  const auto& half = g.device.Written[0];
  for (size_t j = 0; j < half.size(); j += 4)
    ASSERT_EQ(std::vector<int16_t>(half.begin() + j, half.begin() + j + 4),
              (std::vector<int16_t>{15000, -15000, 500, -2}));
  sc->SetVolume(999);
  EXPECT_EQ(sc->Volume(), 256);
}

TEST(WavOut, QueuesAtMostTwoBlocksAndNothingWithoutAnActiveSource) {
  TFakeWavDevice d;
  TVirtualClock c;
  // Blocks hold DelayTime ms; the delay is whole hundreds of ms from 100 to 500.
  for (auto [delay, kept, block] : {std::tuple{500, 500, 88200}, {1234, 500, 88200}, {50, 100, 17640},
                                    {250, 200, 35280}}) {
    TWavOut sized(d, c, delay);
    EXPECT_EQ(sized.DelayTime(), kept);
    EXPECT_EQ(sized.BlockSize(), block);
  }
  TWavFixture f;
  f.out.Pump();
  TMemoryStream s(RandomBytes(200000, 3));
  TWavBuffer* src = f.out.AddBuffer(MakePcmFormat(2, 44100, 16), &s);
  f.out.Pump();  // added, not played
  EXPECT_TRUE(f.device.Written.empty());
  src->Play();
  src->Stop();
  f.out.Pump();
  EXPECT_TRUE(f.device.Written.empty());
  EXPECT_EQ(src->ReadPosition(), 0);

  src->Play();
  f.out.Pump();
  f.out.Pump();
  EXPECT_EQ(f.device.Written.size(), 2u);
  EXPECT_EQ(f.out.QueuedBlocks(), 2u);
  f.device.Queued[0]->Flags |= WHDR_DONE;
  f.device.Queued.erase(f.device.Queued.begin());
  f.out.Pump();
  EXPECT_EQ(f.device.Written.size(), 3u);
  EXPECT_EQ(f.out.QueuedBlocks(), 2u);
  EXPECT_EQ(f.out.PoolEntries(), 4u);  // played blocks give their memory back
  EXPECT_EQ(src->ReadPosition(), 3 * 17640);
}

TEST(WavOut, ASourceEndsTwoDelaysAfterItsLastPassOnTheClock) {
  TWavFixture f;
  TMemoryStream s(RandomBytes(44100 * 4 * 3 / 10, 4));  // 300 ms, three blocks of 100 ms
  TWavBuffer* src = f.out.AddBuffer(MakePcmFormat(2, 44100, 16), &s);
  src->SetReadPosition(13);  // moved down to a whole frame
  EXPECT_EQ(src->ReadPosition(), 12);
  src->SetReadPosition(0);
  EXPECT_EQ(src->PlayPosition(), 0);  // nothing mixed yet: the read position
  src->Play();
  f.clock.Advance(1000);
  f.out.Pump();  // two blocks: 200 ms read
  EXPECT_FALSE(src->Finished());
  // Heard so far: the read position less one delay, plus the time since the pass.
  f.clock.Advance(50);
  EXPECT_EQ(src->PlayPosition(), 2 * 17640 - 17640 + 8820);
  f.device.PlayAll();
  f.out.Pump();  // the last 100 ms
  EXPECT_TRUE(src->Finished());
  EXPECT_EQ(src->ReadPosition(), s.GetSize());
  f.clock.Advance(210);
  EXPECT_FALSE(src->IsDone());
  EXPECT_EQ(src->PlayPosition(), s.GetSize());
  f.clock.Advance(1);
  EXPECT_TRUE(src->IsDone());
  EXPECT_EQ(src->BytesFromMs(300), s.GetSize());
  EXPECT_EQ(src->BytesFromMs(1), 176);  // 176.4 bytes, a whole frame
  // Play again at the end: the source gives nothing more and is finished after the next pass.
  src->Play();
  EXPECT_FALSE(src->Finished());
  f.device.PlayAll();
  f.out.Pump();
  EXPECT_TRUE(src->Finished());
}

TEST(WavOut, CloseReturnsPromptlyAndAMissingDeviceFallsBackToTheNullSink) {
  TFakeWavDevice device;
  TSteadyClock clock;
  {
    TWavOut out(device, clock, 500);
    ASSERT_TRUE(out.Open());
    EXPECT_FALSE(out.Open());
    TMemoryStream s(RandomBytes(1000000, 5));
    TWavBuffer* src = out.AddBuffer(MakePcmFormat(2, 44100, 16), &s);
    src->Loop = true;
    src->Play();
    // The fake device never plays its blocks: only closing it ends them.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (out.QueuedBlocks() < 2 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(out.QueuedBlocks(), 2u);
    auto start = std::chrono::steady_clock::now();
    out.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_FALSE(out.IsOpen());
    EXPECT_EQ(out.QueuedBlocks(), 0u);
    EXPECT_EQ(device.Closes, 1);
  }

  TFakeWavDevice missing;
  missing.Opens = false;
  TWavOut out(missing, clock, 100);
  ASSERT_TRUE(out.Open());
  EXPECT_TRUE(out.UsesNullSink());
  TMemoryStream s(RandomBytes(17640 * 2, 6));
  TWavBuffer* src = out.AddBuffer(MakePcmFormat(2, 44100, 16), &s);
  src->Play();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!src->IsDone() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(src->IsDone());
  EXPECT_TRUE(missing.Written.empty());
  out.Close();
}

TEST(WavOut, AudioDeviceDeliversBlocksInOrderAndMarksThemDone) {
  TNullAudioOutput output;  // not started by the test: Fill is driven by hand
  TAudioWavDevice device(output);
  ASSERT_TRUE(device.Open());
  output.Stop();  // the test pulls the stream itself
  std::vector<int16_t> a{1, 2, 3, 4}, b{5, 6, 7, 8};
  TWavHeader ha, hb;
  ha.Data = reinterpret_cast<uint8_t*>(a.data());
  ha.BufferLength = 8;
  hb.Data = reinterpret_cast<uint8_t*>(b.data());
  hb.BufferLength = 8;
  ASSERT_TRUE(device.Write(ha));
  ASSERT_TRUE(device.Write(hb));
  std::vector<int16_t> out(6, -1);
  device.Fill(out.data(), 3);
  EXPECT_EQ(out, (std::vector<int16_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(ha.Flags & WHDR_DONE, WHDR_DONE);
  EXPECT_EQ(hb.Flags & WHDR_DONE, 0u);
  device.Fill(out.data(), 3);
  EXPECT_EQ(out, (std::vector<int16_t>{7, 8, 0, 0, 0, 0}));
  EXPECT_EQ(hb.Flags & WHDR_DONE, WHDR_DONE);
  device.Close();
  EXPECT_FALSE(device.Write(ha));
}

TEST(WavMix, SimdKernelsGiveTheScalarSamples) {
  std::mt19937 rng(11);
  std::vector<const TWavMixKernels*> kernels{Sse2WavMix(), Avx2WavMix(), &ActiveWavMix()};
  for (int32_t volume : {0, 1, 100, 128, 254, 255, 256}) {
    for (size_t n : {0u, 1u, 7u, 8u, 15u, 16u, 17u, 33u, 250u}) {
      for (size_t offset : {0u, 1u, 3u}) {
        std::vector<int16_t> src(n + offset), dst(n + offset);
        for (auto& s : src) s = static_cast<int16_t>(rng());
        for (auto& d : dst) d = static_cast<int16_t>(rng() % 5 == 0 ? 32767 : rng());
        std::vector<int16_t> expected = dst;
        ScalarWavMix().Mix(expected.data() + offset, src.data() + offset, n, volume);
        for (const TWavMixKernels* k : kernels) {
          if (k == nullptr) continue;
          std::vector<int16_t> got = dst;
          k->Mix(got.data() + offset, src.data() + offset, n, volume);
          ASSERT_EQ(got, expected) << k->Name << " volume " << volume << " n " << n;
        }
      }
    }
  }
  // The extremes of both operands.
  std::vector<int16_t> edge{-32768, 32767, -32768, 32767, 0, -1, 1, -32768, 32767, -32768, 32767, 0, -1, 1, 5, -5};
  for (const TWavMixKernels* k : kernels) {
    if (k == nullptr) continue;
    for (int32_t volume : {0, 128, 254, 256}) {
      std::vector<int16_t> got = edge, expected = edge;
      ScalarWavMix().Mix(expected.data(), edge.data(), edge.size(), volume);
      k->Mix(got.data(), edge.data(), edge.size(), volume);
      ASSERT_EQ(got, expected) << k->Name << " volume " << volume;
    }
  }
}

}  // namespace
}  // namespace velk

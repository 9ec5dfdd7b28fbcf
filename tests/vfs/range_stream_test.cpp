#include "vfs/range_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace velk {
namespace {

using test::TempDir;
using test::WriteFile;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 13 + 1) & 0xFF);
  return s;
}

std::string ReadAll(TStream& s, int32_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(std::max(s.Read(out.data(), count), 0)));
  return out;
}

TEST(RangeStream, ClampsEverySeekAndReadToItsWindow) {
  TempDir dir;
  const std::string data = Pattern(300);
  WriteFile(dir / "r.dat", data);
  TFileRangeStream r(dir / "r.dat", 50, 100);
  EXPECT_EQ(r.GetSize(), 50);
  EXPECT_EQ(ReadAll(r, 100), data.substr(100, 50));
  EXPECT_EQ(r.Seek(70, soBeginning), 50);
  EXPECT_EQ(ReadAll(r, 100), "");
  EXPECT_EQ(r.Seek(-20, soBeginning), 0);
  EXPECT_EQ(ReadAll(r, 5), data.substr(100, 5));
  EXPECT_EQ(r.Seek(10, soCurrent), 15);
  EXPECT_EQ(r.Seek(-10, soEnd), 40);
  EXPECT_EQ(ReadAll(r, 100), data.substr(140, 10));
  EXPECT_EQ(r.Seek(5, soEnd), 50);
  EXPECT_EQ(r.Write("x", 1), 0);

  TFileRangeStream empty(dir / "r.dat", 0, 100);  // an empty window, not the rest of the file
  EXPECT_EQ(empty.GetSize(), 0);
  EXPECT_EQ(ReadAll(empty, 10), "");
  TFileRangeStream whole(dir / "r.dat", kWholeStream, 0);
  EXPECT_EQ(whole.GetSize(), 300);
  EXPECT_EQ(ReadAll(whole, 1000), data);
  TFileRangeStream beyond(dir / "r.dat", 500, 280);  // a window never reaches past the file
  EXPECT_EQ(beyond.GetSize(), 20);
  EXPECT_EQ(ReadAll(beyond, 1000), data.substr(280));
}

TEST(RangeStream, ReadsInSegmentedFiles) {
  TempDir dir;
  const std::string data = Pattern(40);
  WriteFile(dir / "s.dat", data.substr(0, 16));
  WriteFile(dir / "s.001", data.substr(16, 16));
  WriteFile(dir / "s.002", data.substr(32));
  TFileRangeStream r(dir / "s.dat", 20, 10, 16);
  EXPECT_EQ(ReadAll(r, 100), data.substr(10, 20));
}

TEST(RangeStream, TwoThreadsShareOneStreamAndOwnTheirStreams) {
  TempDir dir;
  // 4096 little-endian words holding their own index.
  std::string data;
  for (uint32_t i = 0; i < 4096; ++i) {
    for (int b = 0; b < 4; ++b) data.push_back(static_cast<char>(i >> (8 * b)));
  }
  WriteFile(dir / "t.dat", data);

  // One shared stream: every read is atomic, so the words read by both threads are each word of the window once.
  TFileRangeStream shared(dir / "t.dat", 4 * 3000, 4 * 500);
  std::vector<uint32_t> got[2];
  auto reader = [&shared](std::vector<uint32_t>& out) {
    for (;;) {
      uint32_t w = 0;
      int32_t n = shared.Read(&w, 4);
      if (n == 0) break;
      ASSERT_EQ(n, 4);
      out.push_back(w);
    }
  };
  std::thread a(reader, std::ref(got[0]));
  std::thread b(reader, std::ref(got[1]));
  a.join();
  b.join();
  std::vector<uint32_t> all = got[0];
  all.insert(all.end(), got[1].begin(), got[1].end());
  std::sort(all.begin(), all.end());
  ASSERT_EQ(all.size(), 3000u);
  for (uint32_t i = 0; i < 3000; ++i) ASSERT_EQ(all[i], 500 + i);

  // Two streams over the same file never share a position.
  auto window = [&dir](int64_t start, int64_t length, bool* ok) {
    TFileRangeStream r(dir / "t.dat", length, start);
    *ok = true;
    for (int round = 0; round < 20; ++round) {
      r.Seek(0, soBeginning);
      for (int64_t i = 0; i < length / 4; ++i) {
        uint32_t w = 0;
        if (r.Read(&w, 4) != 4 || w != static_cast<uint32_t>(start / 4 + i)) *ok = false;
      }
      uint32_t w = 0;
      if (r.Read(&w, 4) != 0) *ok = false;  // clamped at the end of its window
    }
  };
  bool ok1 = false, ok2 = false;
  std::thread c(window, 0, 4 * 1000, &ok1);
  std::thread d(window, 4 * 2000, 4 * 1500, &ok2);
  c.join();
  d.join();
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
}

}  // namespace
}  // namespace velk

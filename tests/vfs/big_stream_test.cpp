#include "vfs/big_stream.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/error.h"
#include "platform/platform.h"
#include "support/temp_dir.h"
#include "map_resources.h"

namespace velk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Pattern(size_t n, int seed = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + static_cast<size_t>(seed)) & 0xFF);
  return s;
}

std::string ReadBig(TBigStream& s, int64_t count) {
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(s.Read(out.data(), count)));
  return out;
}

TEST(BigFileStream, SpreadsOneFileOverSegments) {
  TempDir dir;
  const std::string name = dir / "a.dat";
  const std::string data = Pattern(26);
  {
    TBigFileStream s(name, fmCreate, 16);
    EXPECT_EQ(s.Write(data.data(), 26), 26);
    EXPECT_EQ(s.GetSize(), 26);
    EXPECT_EQ(s.SegmentCount(), 2);
  }
  EXPECT_EQ(ReadFile(dir / "a.dat"), data.substr(0, 16));
  EXPECT_EQ(ReadFile(dir / "a.001"), data.substr(16));

  TBigFileStream r(name, fmOpenRead | fmShareDenyWrite, 16);
  EXPECT_EQ(r.GetSize(), 26);
  r.SetPosition(6);  // 10 bytes before the boundary
  EXPECT_EQ(ReadBig(r, 20), data.substr(6, 20));
  EXPECT_EQ(r.GetPosition(), 26);
  EXPECT_EQ(ReadBig(r, 5), "");

  r.SetPosition(1000);  // no seeking past the end
  EXPECT_EQ(r.GetPosition(), 26);
  r.SetPosition(-5);
  EXPECT_EQ(r.GetPosition(), 0);
  EXPECT_EQ(ReadBig(r, 100), data);  // a short read reports what it got
}

TEST(BigFileStream, WritesContinueInTheNextSegmentAndOverwriteInPlace) {
  TempDir dir;
  const std::string name = dir / "b.dat";
  TBigFileStream s(name, fmCreate, 8);
  const std::string first = Pattern(20, 1);
  EXPECT_EQ(s.Write(first.data(), 20), 20);
  EXPECT_EQ(s.SegmentCount(), 3);
  s.SetPosition(6);
  EXPECT_EQ(s.Write("XYZW", 4), 4);  // crosses the first boundary
  EXPECT_EQ(s.GetSize(), 20);
  std::string expected = first;
  expected.replace(6, 4, "XYZW");
  s.SetPosition(0);
  EXPECT_EQ(ReadBig(s, 20), expected);
  EXPECT_EQ(ReadFile(dir / "b.001"), expected.substr(8, 8));
  EXPECT_EQ(ReadFile(dir / "b.002"), expected.substr(16));
}

TEST(BigFileStream, CreatingDeletesOldSegmentsUpToTheFirstGap) {
  TempDir dir;
  for (const char* n : {"a.dat", "a.001", "a.002", "a.004"}) WriteFile(dir / n, "old");
  {
    TBigFileStream s(dir / "a.dat", fmCreate, 16);
    EXPECT_EQ(s.GetSize(), 0);
  }
  EXPECT_FALSE(FileExists(dir / "a.dat"));
  EXPECT_FALSE(FileExists(dir / "a.001"));
  EXPECT_FALSE(FileExists(dir / "a.002"));
  EXPECT_TRUE(FileExists(dir / "a.004"));

  // Reading sees the segments up to the first missing one.
  WriteFile(dir / "c.dat", "0123");
  WriteFile(dir / "c.001", "45");
  WriteFile(dir / "c.003", "zz");
  TBigFileStream r(dir / "c.dat", fmOpenRead, 4);
  EXPECT_EQ(r.GetSize(), 6);
  EXPECT_EQ(ReadBig(r, 10), "012345");
}

TEST(BigFileStream, SegmentNames) {
  EXPECT_EQ(TBigFileStream::SegmentName("/x/game.dat", 0), "/x/game.dat");
  EXPECT_EQ(TBigFileStream::SegmentName("/x/game.dat", 1), "/x/game.001");
  EXPECT_EQ(TBigFileStream::SegmentName("/x/game.dat", 1234), "/x/game.1234");
  EXPECT_EQ(TBigFileStream::SegmentName("/x.d/game", 2), "/x.d/game.002");
}

TEST(BigFileStream, CopiesReportWhatTheyMoved) {
  TempDir dir;
  const std::string data = Pattern(30, 3);
  TBigFileStream s(dir / "c.dat", fmCreate, 8);
  TMemoryStream src(std::vector<uint8_t>(data.begin(), data.end()));
  src.SetPosition(4);
  EXPECT_EQ(s.CopyFromStream(src, 100), 26);  // the source ends early
  EXPECT_EQ(s.GetSize(), 26);
  EXPECT_EQ(s.CopyFromStream(src, 0), 0);              // 0 is nothing, not "everything"
  EXPECT_EQ(s.CopyFromStream(src, kWholeStream), 30);  // the whole source from its start
  EXPECT_EQ(s.GetSize(), 56);

  TMemoryStream dst;
  s.SetPosition(20);
  EXPECT_EQ(s.CopyToStream(dst, 0), 0);
  EXPECT_EQ(s.CopyToStream(dst, 1000), 36);
  EXPECT_EQ(std::string(dst.Bytes().begin(), dst.Bytes().end()), data.substr(24) + data);
  TMemoryStream all;
  EXPECT_EQ(s.CopyToStream(all, kWholeStream), 56);

  // Big to big: from another segmented file and from a memory stream.
  TBigFileStream t(dir / "d.dat", fmCreate, 5);
  s.SetPosition(50);
  EXPECT_EQ(t.CopyFrom(s, 100), 6);
  EXPECT_EQ(t.CopyFrom(s, kWholeStream), 56);
  TBigMemoryStream m;
  m.Write("hello", 5);
  EXPECT_EQ(t.CopyFrom(m, kWholeStream), 5);
  t.SetPosition(0);
  EXPECT_EQ(ReadBig(t, 100), data.substr(24) + data.substr(4) + data + "hello");
}

TEST(BigMemoryStream, PassesThroughAndCopiesOnlyItsOwnKind) {
  TBigMemoryStream m;
  EXPECT_EQ(m.Write("abcdef", 6), 6);
  m.SetPosition(-3);
  EXPECT_EQ(m.GetPosition(), 0);
  EXPECT_EQ(ReadBig(m, 100), "abcdef");

  TMemoryStream dst;
  m.SetPosition(6);
  EXPECT_EQ(m.CopyToStream(dst, 0), 0);  // an empty window stays empty
  EXPECT_EQ(dst.GetSize(), 0);
  EXPECT_EQ(m.CopyToStream(dst, kWholeStream), 6);
  m.SetPosition(2);
  EXPECT_EQ(m.CopyToStream(dst, 100), 4);  // never past the end
  EXPECT_EQ(std::string(dst.Bytes().begin(), dst.Bytes().end()), "abcdefcdef");

  TBigMemoryStream other;
  other.Write("XY", 2);
  other.SetPosition(0);
  EXPECT_EQ(m.CopyFrom(other, 2), 2);
  TBigStream base;
  EXPECT_EQ(m.CopyFrom(base, kWholeStream), 0);
  EXPECT_EQ(m.GetSize(), 8);
}

using test::MapResources;

TEST(BigResourceStream, ReadsAResourceAndRefusesWrites) {
  MapResources res;
  res.items["|BINTYPE|DUMMY"] = "resource bytes";
  TBigResourceStream s(&res, "", "BINTYPE", "DUMMY");
  EXPECT_EQ(s.GetSize(), 14);
  s.SetPosition(9);
  EXPECT_EQ(ReadBig(s, 10), "bytes");
  EXPECT_THROW(s.Write("x", 1), EStreamError);
  EXPECT_EQ(s.ResourceName(), "DUMMY");

  TBigResourceStream missing(&res, "", "BINTYPE", "OTHER");
  EXPECT_EQ(missing.GetSize(), 0);
}

TEST(BuffBigStream, ReadsAheadAndGivesBackWhatItDidNotUse) {
  TBigMemoryStream m;
  const std::string data = Pattern(250000, 5);
  m.Write(data.data(), static_cast<int64_t>(data.size()));
  m.SetPosition(10);
  {
    TBuffBigStream b(m);
    std::string got(150000, '\0');
    EXPECT_EQ(b.Read(got.data(), 150000), 150000);  // spans two read-ahead chunks
    EXPECT_EQ(got, data.substr(10, 150000));
    EXPECT_EQ(m.GetPosition(), 10 + 2 * TBuffBigStream::kChunkSize);
  }
  EXPECT_EQ(m.GetPosition(), 150010);
  {
    TBuffBigStream b(m);
    std::string got(200000, '\0');
    EXPECT_EQ(b.Read(got.data(), 200000), 99990);  // ends with what the stream has
  }
  EXPECT_EQ(m.GetPosition(), 250000);
}

}  // namespace
}  // namespace velk

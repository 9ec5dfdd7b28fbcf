#include "vfs/archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "platform/platform.h"
#include "support/temp_dir.h"
#include "map_resources.h"

namespace velk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// ---- an archive written by hand, independently of the writer

void Put(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

std::string Zlib(const std::string& data) {
  uLongf n = compressBound(data.size());
  std::string out(n, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()), data.size(), 1);
  out.resize(n);
  return out;
}

struct HandEntry {
  std::string name;
  std::string stored_bytes;
  bool stored = false;
  int32_t time = 0;
  uint32_t crc = 0;
  bool unpacked = false;
};

struct Lcg {
  uint32_t state = 0;
  uint32_t Next() { return state = state * 5u + 0x5A3C96E1u; }
};

std::string HandArchive(int version, const std::vector<HandEntry>& entries, bool magic = true) {
  std::string s;
  if (magic) {
    s += "vf";
    Put(s, static_cast<uint32_t>(version), 4);
  }
  Put(s, entries.size(), 4);
  Lcg names;
  for (const auto& e : entries) {
    Put(s, e.name.size(), 4);
    for (char c : e.name) s.push_back(version >= 100 ? static_cast<char>(c ^ (names.Next() & 0xFF)) : c);
  }
  const size_t n = entries.size();
  size_t index_size =
      s.size() + (n + 1) * (version >= 101 ? 8 : 4) + (version >= 101 ? 9 * n : 0) + (version >= 102 ? n : 0);
  Lcg offsets;
  uint64_t at = index_size;
  for (size_t i = 0; i <= n; ++i) {
    uint32_t g = version >= 100 ? offsets.Next() : 0;
    if (version >= 101) {
      Put(s, at ^ static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(g))), 8);
    } else {
      Put(s, static_cast<uint32_t>(at) ^ g, 4);
    }
    if (i < n) at += entries[i].stored_bytes.size();
  }
  if (version >= 101) {
    for (const auto& e : entries) Put(s, e.stored ? 1 : 0, 1);
    for (const auto& e : entries) Put(s, static_cast<uint32_t>(e.time), 4);
    for (const auto& e : entries) Put(s, e.crc, 4);
  }
  if (version >= 102) {
    for (const auto& e : entries) Put(s, e.unpacked ? 1 : 0, 1);
  }
  for (const auto& e : entries) s += e.stored_bytes;
  return s;
}

std::string Entry(TVrFileCollection& c, const std::string& name) {
  TMemoryStream m;
  c.ReadEntry(m, name);
  return std::string(m.Bytes().begin(), m.Bytes().end());
}

std::string EntryViaFile(TVrFileCollection& c, const std::string& name, const std::string& path) {
  {
    TFileStream f(path, fmCreate);
    c.ReadEntry(f, name);
    EXPECT_EQ(f.GetPosition(), 0);
  }
  return ReadFile(path);
}

std::vector<std::string> Names(const TVrFileCollection& c) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < c.Count(); ++i) out.push_back(c.Item(i)->Name());
  return out;
}

uint32_t Crc(const std::string& s) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

TEST(Archive, ReadsEveryVersionLayoutWrittenByHand) {
  TempDir dir;
  const std::string one = "first entry", two(3000, 'z');
  for (int version : {0, 5, 100, 101, 102}) {
    SCOPED_TRACE(version);
    std::vector<HandEntry> entries = {{"image\\One.txt", Zlib(one)}, {"b.dat", Zlib(two)}};
    if (version >= 101) {
      entries[1] = {"b.dat", two, true, 0x5A21630C, Crc(two), false};
      entries[0].time = 77;
      entries[0].crc = Crc(one);
      entries[0].unpacked = version >= 102;
    }
    const std::string path = dir / ("v" + std::to_string(version) + ".dat");
    WriteFile(path, HandArchive(version, entries, version != 0));
    TVrFileCollection c;
    c.Open(path);
    EXPECT_EQ(c.Version(), version);
    EXPECT_EQ(c.BaseFolder(), dir.Path());
    EXPECT_EQ(Names(c), (std::vector<std::string>{"image\\One.txt", "b.dat", "\\EOF\\"}));
    EXPECT_EQ(Entry(c, "IMAGE\\one.TXT"), one);
    EXPECT_EQ(Entry(c, "b.dat"), two);
    EXPECT_EQ(EntryViaFile(c, "image\\one.txt", dir / "out"), one);
    TVrFile* b = c.FindEntry("b.dat");
    EXPECT_EQ(b->Stored, version >= 101);
    EXPECT_EQ(b->Size, static_cast<int64_t>(entries[1].stored_bytes.size()));
    EXPECT_EQ(b->FileTime, version >= 101 ? 0x5A21630C : 0);
    EXPECT_EQ(c.FindEntry("image\\one.txt")->UnpackedChecksum, version >= 102);
    EXPECT_EQ(c.FindEntry("image\\one.txt")->Checksum, version >= 101 ? Crc(one) : 0u);
    EXPECT_EQ(c.FindEntry("\\EOF\\")->Size, 0);
  }
}

TEST(Archive, WriterFollowsTheByteLayout) {
  TVrFileCollection c;
  c.Open("");
  auto& m = c.AddMemoryEntry("ab");
  m.Write("hello", 5);
  TBigMemoryStream out;
  ASSERT_TRUE(c.SaveArchive(out));
  const auto& b = out.Memory().Bytes();
  const std::string z = Zlib("hello");
  // "vf", 102, N = 1, the name "ab" scrambled with the low bytes of 0x5A3C96E1 and 0x1D6B8946.
  std::vector<uint8_t> head = {'v', 'f', 102, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 'a' ^ 0xE1, 'b' ^ 0x46};
  ASSERT_GE(b.size(), head.size() + 26 + z.size());
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 16), head);
  // Offsets 42 and 42 + stored size, scrambled with a fresh generator (0x5A3C96E1, then 0x1D6B8946).
  auto u64 = [&b](size_t at) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    return v;
  };
  EXPECT_EQ(u64(16), 42u ^ 0x5A3C96E1u);
  EXPECT_EQ(u64(24), (42u + z.size()) ^ 0x1D6B8946u);
  EXPECT_EQ(b[32], 0);                          // deflated
  EXPECT_EQ(b[33] | b[34] | b[35] | b[36], 0);  // no file time for memory entries
  uint32_t crc = b[37] | (b[38] << 8) | (b[39] << 16) | (static_cast<uint32_t>(b[40]) << 24);
  EXPECT_EQ(crc, Crc(z));  // covers the stored bytes
  EXPECT_EQ(b[41], 0);
  EXPECT_EQ(std::string(b.begin() + 42, b.end()), z);
}

TEST(Archive, RoundTripsThroughTheWriter) {
  TempDir dir;
  TVrFileCollection c;
  c.Open("");
  c.AddMemoryEntry("save\\a.dat").Write("alpha", 5);
  c.AddMemoryEntry("empty");
  auto& big = c.AddMemoryEntry("b\\second");
  big.Write(std::string(100000, 'q').data(), 100000);
  c.FindEntry("b\\second")->UnpackedChecksum = true;
  c.AddEntry("\\EOF\\");  // never counted
  {
    TBigFileStream out(dir / "r.dat", fmCreate);
    ASSERT_TRUE(c.SaveArchive(out));
  }
  TVrFileCollection r;
  r.Open(dir / "r.dat");
  EXPECT_EQ(Names(r), (std::vector<std::string>{"save\\a.dat", "empty", "b\\second", "\\EOF\\"}));
  EXPECT_EQ(Entry(r, "save\\a.dat"), "alpha");
  EXPECT_EQ(Entry(r, "empty"), "");
  EXPECT_EQ(EntryViaFile(r, "empty", dir / "o"), "");
  EXPECT_EQ(Entry(r, "b\\second"), std::string(100000, 'q'));
  EXPECT_TRUE(r.FindEntry("b\\second")->UnpackedChecksum);
  EXPECT_EQ(r.FindEntry("b\\second")->Checksum, Crc(std::string(100000, 'q')));

  // No entries: the header and the end offset.
  TVrFileCollection none;
  none.Open("");
  TBigMemoryStream out;
  ASSERT_TRUE(none.SaveArchive(out));
  EXPECT_EQ(out.GetSize(), 2 + 4 + 4 + 8);
  out.Memory().SaveToFile(dir / "none.dat");
  r.Open(dir / "none.dat");
  EXPECT_EQ(Names(r), std::vector<std::string>{"\\EOF\\"});
}

TEST(Archive, FindsArchivesInExecutablesIndexFilesAndSegments) {
  TempDir dir;
  const std::string payload = HandArchive(102, {{"x.txt", "stored!", true, 0, Crc("stored!"), false}});
  auto trailer = [](const std::string& head, const std::string& archive) {
    std::string s = head + archive;
    Put(s, head.size(), 4);
    return s + "vk";
  };
  // The offsets of an appended archive count from its start.
  WriteFile(dir / "game.EXE", trailer("MZ player code", payload));
  WriteFile(dir / "player", trailer("\x7f"
                                    "ELF code",
                                    payload));
  for (const char* name : {"game.EXE", "player"}) {
    TVrFileCollection c;
    c.Open(dir / name);
    EXPECT_EQ(Entry(c, "x.txt"), "stored!") << name;
    auto range = c.OpenRange("x.txt");
    ASSERT_TRUE(range);
    std::string got(20, '\0');
    got.resize(static_cast<size_t>(range->Read(got.data(), 20)));
    EXPECT_EQ(got, "stored!");
  }

  // A side index: its offsets point into the main file.
  std::string index = HandArchive(102, {{"y.txt", "abc", true, 0, 0, false}});
  const size_t data_at = index.size() - 3;
  WriteFile(dir / "side.ext", index.substr(0, data_at));
  WriteFile(dir / "side.dat", index);
  {
    TVrFileCollection c;
    c.Open(dir / "side.dat");
    EXPECT_EQ(Entry(c, "y.txt"), "abc");
  }

  // An extension-less archive whose last entry happens to end with "vk" is still read from its start.
  WriteFile(dir / "plain", HandArchive(102, {{"z.txt", "ends in vk", true}}));
  {
    TVrFileCollection c;
    c.Open(dir / "plain");
    EXPECT_EQ(Entry(c, "z.txt"), "ends in vk");
  }
  EXPECT_TRUE(HasAppendedArchive(dir / "player"));
  EXPECT_FALSE(HasAppendedArchive(dir / "side.dat"));
  EXPECT_FALSE(HasAppendedArchive(dir / "missing"));

  // The writer spreads a big archive over segments as well (1 MiB each here).
  {
    TVrFileCollection w;
    w.Open("");
    w.AddMemoryEntry("big.bin").Write(std::string(6000000, 'w').data(), 6000000);  // stored raw
    w.AddMemoryEntry("small.txt").Write("small", 5);
    TBigFileStream out(dir / "seg.dat", fmCreate, 1 << 20);
    ASSERT_TRUE(w.SaveArchive(out));
    EXPECT_EQ(out.SegmentCount(), 6);
  }
  EXPECT_TRUE(FileExists(dir / "seg.005"));
  {
    TVrFileCollection r;
    r.Open(dir / "seg.dat", false, 1 << 20);
    EXPECT_EQ(Entry(r, "small.txt"), "small");
    EXPECT_EQ(Entry(r, "big.bin"), std::string(6000000, 'w'));
  }

  // game.dat continued in game.001 and game.002 (segments of 64 bytes here).
  std::string whole = HandArchive(102, {{"a", std::string(70, 'a'), true}, {"b", Zlib(std::string(900, 'b'))}});
  ASSERT_GT(whole.size(), 128u);
  WriteFile(dir / "game.dat", whole.substr(0, 64));
  WriteFile(dir / "game.001", whole.substr(64, 64));
  WriteFile(dir / "game.002", whole.substr(128));
  TVrFileCollection c;
  c.Open(dir / "game.dat", false, 64);
  EXPECT_EQ(Entry(c, "a"), std::string(70, 'a'));
  EXPECT_EQ(Entry(c, "b"), std::string(900, 'b'));
  auto range = c.OpenRange("a");
  std::string got(100, '\0');
  got.resize(static_cast<size_t>(range->Read(got.data(), 100)));
  EXPECT_EQ(got, std::string(70, 'a'));
}

TEST(Archive, RejectsDamagedIndexesWithTheArchiveName) {
  TempDir dir;
  const std::string good = HandArchive(102, {{"a", "1234", true}, {"b", "5678", true}});
  const size_t offsets_at = 2 + 4 + 4 + 5 + 5;
  auto patch = [](std::string s, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    return s;
  };
  auto scrambled = [](uint64_t v, int k) {
    Lcg g;
    uint32_t x = 0;
    for (int i = 0; i <= k; ++i) x = g.Next();
    return v ^ static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(x)));
  };
  std::string trailer_bad = "MZ" + good;
  Put(trailer_bad, 100000, 4);
  trailer_bad += "vk";
  const std::map<std::string, std::string> cases = {
      {"count.dat", patch(good, 6, 0x7FFFFFFF, 4)},
      {"negative.dat", patch(good, 6, 0xFFFFFFFF, 4)},
      {"namelen.dat", patch(good, 10, 0x7FFFFFF0, 4)},
      {"backwards.dat", patch(good, offsets_at + 8, scrambled(1, 1), 8)},
      {"beyond.dat", patch(good, offsets_at + 16, scrambled(uint64_t{1} << 40, 2), 8)},
      {"version.dat", patch(good, 2, 103, 4)},
      {"truncated.dat", good.substr(0, offsets_at + 12)},
      {"bad.exe", trailer_bad},
      {"short.exe", "vk"},
  };
  for (const auto& [name, bytes] : cases) {
    WriteFile(dir / name, bytes);
    TVrFileCollection c;
    try {
      c.Open(dir / name);
      ADD_FAILURE() << name << " opened";
    } catch (const EFormatError& e) {
      EXPECT_EQ(e.FileName(), dir / name);
    }
    EXPECT_EQ(c.Count(), 0) << name;
    EXPECT_EQ(c.ArchiveStream(), nullptr);
  }
}

TEST(Archive, DamagedEntriesFailCleanly) {
  TempDir dir;
  std::string z = Zlib(std::string(5000, 'x'));
  z[z.size() / 2] ^= 0x55;
  WriteFile(dir / "d.dat", HandArchive(102, {{"bad", z}, {"cut", Zlib("abcdef").substr(0, 5)}, {"ok", "fine", true}}));
  TVrFileCollection c;
  c.Open(dir / "d.dat");
  EXPECT_THROW(Entry(c, "bad"), EFormatError);
  EXPECT_THROW(Entry(c, "cut"), EFormatError);
  EXPECT_EQ(Entry(c, "ok"), "fine");
  try {
    Entry(c, "missing.txt");
    ADD_FAILURE();
  } catch (const EVelkError& e) {
    EXPECT_EQ(e.Message(), "missing.txt" + Utf8ToCp932(":ファイルがありません"));
  }
}

TEST(Archive, ServesFilesOfTheBaseFolderIgnoringCase) {
  TempDir dir;
  std::filesystem::create_directories(dir / "Image");
  WriteFile(dir / "Image/Bg01.BMP", "disk bytes");
  TVrFileCollection c;
  c.Open(dir.Path());
  EXPECT_EQ(c.ArchiveStream(), nullptr);
  EXPECT_EQ(Entry(c, "image\\bg01.bmp"), "disk bytes");
  EXPECT_EQ(EntryViaFile(c, "IMAGE\\BG01.bmp", dir / "copy"), "disk bytes");
  EXPECT_EQ(c.OpenRange("image\\bg01.bmp"), nullptr);
}

TEST(Archive, ListsAFolderOnce) {
  TVrFileCollection c;
  c.Open("");
  for (const char* n : {"bgm\\a.ogg", "bgm\\sub\\b.ogg", "BGM\\c.ogg", "d.txt", "bgm\\A.OGG"}) c.AddEntry(n);
  std::vector<std::string> list = {"bgm\\c.OGG"};
  c.ListFolder("bgm\\", list);
  EXPECT_EQ(list, (std::vector<std::string>{"bgm\\c.OGG", "bgm\\a.ogg"}));
  list.clear();
  c.ListFolder("", list);
  EXPECT_EQ(list, std::vector<std::string>{"d.txt"});
}

using test::MapResources;

TEST(Archive, OpensAResourceArchive) {
  MapResources res;
  res.items["|BINTYPE|DUMMY"] = HandArchive(102, {{"r.ogg", "OggS....", true}, {"t.txt", Zlib("text")}});
  TVrFileCollection c;
  c.OpenResource(&res, "", "DUMMY", "BINTYPE");
  EXPECT_EQ(Entry(c, "t.txt"), "text");
  auto range = c.OpenRange("r.ogg");
  ASSERT_NE(dynamic_cast<TResourceRangeStream*>(range.get()), nullptr);
  std::string got(20, '\0');
  got.resize(static_cast<size_t>(range->Read(got.data(), 20)));
  EXPECT_EQ(got, "OggS....");
  try {
    c.OpenResource(&res, "", "NONE", "BINTYPE");
    ADD_FAILURE();
  } catch (const EVelkError& e) {
    EXPECT_EQ(e.Message(), Utf8ToCp932("リソースが見つかりません"));
  }
  EXPECT_EQ(c.Count(), 0);

  res.items["|BINTYPE|DUMMY"] += "x";
  EXPECT_FALSE(HasResourceArchive(&res, ""));
  res.items["|BINTYPE|DUMMY"] = "...vf";
  EXPECT_TRUE(HasResourceArchive(&res, ""));
  EXPECT_FALSE(HasResourceArchive(&res, "other.dll"));
}

std::string Random(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(g());
  return s;
}

TEST(Archive, PacksByTheThresholdsAndExtensions) {
  TempDir dir;
  const std::string src = dir / "src/";
  std::filesystem::create_directories(src + "m");
  const std::string text_limit(5242879, 't');
  WriteFile(src + "limit.txt", text_limit);               // deflated
  WriteFile(src + "big.txt", std::string(5242880, 't'));  // raw: 5 MiB or more
  WriteFile(src + "noise.bin", Random(4000, 1));          // deflation saves too little: raw
  WriteFile(src + "m/Song.ogg", std::string(1000, 'o'));  // media: raw however well it packs
  WriteFile(src + "m/clip.Mpeg", std::string(1000, 'v'));
  std::string brx_raw = "Brix106";
  Put(brx_raw, 40, 4);
  brx_raw += std::string(22, '\0') + '\1' + std::string(17, '\0') + std::string(2000, 'p');
  std::string brx_deflate_pixels = brx_raw;
  brx_deflate_pixels[7 + 4 + 22] = 0;
  WriteFile(src + "raw.brx", brx_raw);                // declares uncompressed pixels: deflated
  WriteFile(src + "packed.BRX", brx_deflate_pixels);  // already compressed: raw
  WriteFile(src + "old.brx", "Brix102" + std::string(2000, 'p'));

  TVrFileCollection c;
  c.Open(src);
  const std::vector<std::string> names = {"limit.txt",    "big.txt", "noise.bin",  "M\\song.OGG",
                                          "m\\clip.mpeg", "raw.brx", "packed.BRX", "old.brx"};
  for (const auto& n : names) c.AddEntry(n);
  c.FindEntry("limit.txt")->UnpackedChecksum = true;
  {
    TBigFileStream out(dir / "p.dat", fmCreate);
    ASSERT_TRUE(c.SaveArchive(out));
  }
  TVrFileCollection r;
  r.Open(dir / "p.dat");
  const std::map<std::string, bool> stored = {{"limit.txt", false},  {"big.txt", true},      {"noise.bin", true},
                                              {"M\\song.OGG", true}, {"m\\clip.mpeg", true}, {"raw.brx", false},
                                              {"packed.BRX", true},  {"old.brx", true}};
  for (const auto& [name, raw] : stored) EXPECT_EQ(r.FindEntry(name)->Stored, raw) << name;
  EXPECT_EQ(Entry(r, "limit.txt"), text_limit);
  EXPECT_EQ(r.FindEntry("limit.txt")->Checksum, Crc(text_limit));
  EXPECT_EQ(Entry(r, "raw.brx"), brx_raw);
  EXPECT_EQ(r.FindEntry("noise.bin")->Checksum, Crc(Random(4000, 1)));
  EXPECT_NE(r.FindEntry("big.txt")->FileTime, 0);
  auto range = r.OpenRange("m\\song.ogg");
  std::string got(5000, '\0');
  got.resize(static_cast<size_t>(range->Read(got.data(), 5000)));
  EXPECT_EQ(got, std::string(1000, 'o'));

  // Re-packing entries of an archive: inflated, then deflated again below 5 MiB.
  TBigMemoryStream again;
  ASSERT_TRUE(r.SaveArchive(again));
  again.Memory().SaveToFile(dir / "again.dat");
  TVrFileCollection a;
  a.Open(dir / "again.dat");
  EXPECT_FALSE(a.FindEntry("noise.bin")->Stored);
  EXPECT_TRUE(a.FindEntry("big.txt")->Stored);
  EXPECT_EQ(Entry(a, "raw.brx"), brx_raw);
  EXPECT_EQ(Entry(a, "big.txt"), std::string(5242880, 't'));
}

TEST(Archive, ReportsProgressAndCancels) {
  TVrFileCollection c;
  c.Open("");
  c.AddMemoryEntry("a").Write("aaaa", 4);
  c.AddMemoryEntry("b").Write("bbbb", 4);
  std::vector<std::string> calls;
  c.OnProgress = [&calls](TVrFileCollection&, TVrFile& e, bool& cancel, int32_t count, int32_t index, int64_t bytes) {
    calls.push_back(e.Name() + " " + std::to_string(count) + " " + std::to_string(index) + " " + std::to_string(bytes));
    cancel = calls.size() == 3;
  };
  TBigMemoryStream out;
  EXPECT_FALSE(c.SaveArchive(out));
  const int64_t z = static_cast<int64_t>(Zlib("aaaa").size());
  EXPECT_EQ(calls, (std::vector<std::string>{"a 2 0 0", "a 2 0 " + std::to_string(z), "b 2 1 0"}));

  // An entry that cannot be packed is shown, then fails the save.
  struct Boxes : IMessageBoxes {
    std::vector<std::string> shown;
    int32_t Show(const std::string& text, const std::string&, uint32_t) override {
      shown.push_back(text);
      return IDOK;
    }
  } boxes;
  c.OnProgress = nullptr;
  c.MessageBoxes = &boxes;
  c.AddEntry("nowhere.txt");
  TBigMemoryStream out2;
  EXPECT_THROW(c.SaveArchive(out2), EVelkError);
  EXPECT_EQ(boxes.shown, std::vector<std::string>{Utf8ToCp932("エラー:") + "nowhere.txt"});
}

}  // namespace
}  // namespace velk

// Runs the built velkpack tool on real folders and archives.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/sjis.h"
#include "vfs/archive.h"
#include "support/temp_dir.h"

namespace velk {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string ToolPath() {
  const auto self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  for (const auto& p : {self / ".." / "velkpack", self / "velkpack"}) {
    if (std::filesystem::exists(p)) return p.string();
  }
  return {};
}

struct Result {
  int status = -1;
  std::string out, err;
};

Result RunTool(const TempDir& dir, const std::string& args) {
  const std::string tool = ToolPath();
  EXPECT_FALSE(tool.empty()) << "build the velkpack target first";
  const std::string cmd = "'" + tool + "' " + args + " >'" + dir / "stdout" + "' 2>'" + dir / "stderr" + "'";
  Result r;
  int rc = std::system(cmd.c_str());
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = ReadFile(dir / "stdout");
  r.err = ReadFile(dir / "stderr");
  return r;
}

std::vector<std::vector<std::string>> Tsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream f(line);
    for (std::string field; std::getline(f, field, '\t');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

std::string Crc(const std::string& s) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x",
                static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size()))));
  return hex;
}

TEST(Velkpack, PackVerifyExtractGiveBackTheSameBytes) {
  TempDir dir;
  std::filesystem::create_directories(dir / "in/sub");
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.txt", text}, {"empty.txt", ""}, {"sub/Song.ogg", std::string(3000, 'o')}, {"sub/日本.txt", "nihon"}};
  for (const auto& [name, bytes] : files) WriteFile(dir / ("in/" + name), bytes);

  Result pack = RunTool(dir, "pack '" + dir / "in" + "' '" + dir / "game.dat" + "'");
  ASSERT_EQ(pack.status, 0) << pack.err;

  Result list = RunTool(dir, "list --tsv '" + dir / "game.dat" + "'");
  ASSERT_EQ(list.status, 0) << list.err;
  auto rows = Tsv(list.out);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> names = {"a.txt", "empty.txt", "sub\\Song.ogg", "sub\\日本.txt"};
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 7u);
    EXPECT_EQ(rows[i][0], names[i]);
    EXPECT_EQ(rows[i][2], std::to_string(files[i].second.size()));
    EXPECT_EQ(rows[i][6], "stored");
    EXPECT_EQ(rows[i][5].size(), 8u);
    EXPECT_EQ(rows[i][4].size(), 19u);  // YYYY-MM-DD HH:MM:SS
  }
  EXPECT_EQ(rows[0][3], "deflated");
  EXPECT_LT(std::stoll(rows[0][1]), static_cast<long long>(text.size()));
  EXPECT_EQ(rows[2][3], "stored");
  EXPECT_EQ(rows[2][5], Crc(std::string(3000, 'o')));

  Result verify = RunTool(dir, "verify '" + dir / "game.dat" + "'");
  EXPECT_EQ(verify.status, 0) << verify.err;

  Result extract = RunTool(dir, "extract '" + dir / "game.dat" + "' '" + dir / "out" + "'");
  ASSERT_EQ(extract.status, 0) << extract.err;
  for (const auto& [name, bytes] : files) EXPECT_EQ(ReadFile(dir / ("out/" + name)), bytes) << name;
  Result one = RunTool(dir, "extract '" + dir / "game.dat" + "' '" + dir / "one" + "' sub/日本.txt");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(ReadFile(dir / "one/sub/日本.txt"), "nihon");
  EXPECT_FALSE(std::filesystem::exists(dir / "one/a.txt"));

  // With --unpacked-checksum every CRC covers the unpacked bytes.
  Result packed_u = RunTool(dir, "pack --unpacked-checksum '" + dir / "in" + "' '" + dir / "u.dat" + "'");
  ASSERT_EQ(packed_u.status, 0);
  rows = Tsv(RunTool(dir, "list --tsv '" + dir / "u.dat" + "'").out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][5], Crc(text));
  EXPECT_EQ(rows[0][6], "unpacked");
  EXPECT_EQ(RunTool(dir, "verify '" + dir / "u.dat" + "'").status, 0);

  // One flipped byte in the deflated entry fails that entry only.
  TVrFileCollection c;
  c.Open(dir / "game.dat");
  const TVrFile* a = c.FindEntry("a.txt");
  const int64_t at = a->Offset + a->Size / 2;
  c.Open("");
  std::string bytes = ReadFile(dir / "game.dat");
  bytes[static_cast<size_t>(at)] ^= 0x10;
  WriteFile(dir / "flipped.dat", bytes);
  Result bad = RunTool(dir, "verify '" + dir / "flipped.dat" + "'");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(Lines(bad.err), 1) << bad.err;
  EXPECT_NE(bad.err.find("a.txt"), std::string::npos);
  EXPECT_NE(bad.out.find("4 entries, 1 bad"), std::string::npos) << bad.out;
}

TEST(Velkpack, AppendsToAnExecutableAndConfinesExtraction) {
  TempDir dir;
  std::filesystem::create_directories(dir / "in");
  WriteFile(dir / "in/x.txt", "payload");
  WriteFile(dir / "player", std::string("\x7f"
                                        "ELF fake player",
                                        16));
  Result pack = RunTool(dir, "pack '" + dir / "in" + "' '" + dir / "game" + "' --exe '" + dir / "player" + "'");
  ASSERT_EQ(pack.status, 0) << pack.err;
  const std::string game = ReadFile(dir / "game");
  EXPECT_EQ(game.substr(0, 16), std::string("\x7f"
                                            "ELF fake player",
                                            16));
  EXPECT_EQ(game.substr(game.size() - 6), std::string("\x10\0\0\0vk", 6));
  TVrFileCollection c;
  c.Open(dir / "game");
  TMemoryStream m;
  c.ReadEntry(m, "x.txt");
  EXPECT_EQ(std::string(m.Bytes().begin(), m.Bytes().end()), "payload");
  Result extract = RunTool(dir, "extract '" + dir / "game" + "' '" + dir / "out" + "'");
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), "payload");

  // Names that climb out of the target folder are refused; the others are written.
  TVrFileCollection h;
  h.Open("");
  h.AddMemoryEntry("..\\evil.txt").Write("x", 1);
  h.AddMemoryEntry("sub\\..\\..\\evil2.txt").Write("x", 1);
  h.AddMemoryEntry("\\abs.txt").Write("x", 1);
  h.AddMemoryEntry("ok.txt").Write("fine", 4);
  {
    TBigFileStream out(dir / "hostile.dat", fmCreate);
    ASSERT_TRUE(h.SaveArchive(out));
  }
  std::filesystem::create_directories(dir / "deep/target");
  Result r = RunTool(dir, "extract '" + dir / "hostile.dat" + "' '" + dir / "deep/target" + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.err), 3) << r.err;
  EXPECT_EQ(ReadFile(dir / "deep/target/ok.txt"), "fine");
  EXPECT_FALSE(std::filesystem::exists(dir / "deep/evil.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "evil2.txt"));
  EXPECT_FALSE(std::filesystem::exists("/abs.txt"));
}

TEST(Velkpack, ADamagedIndexFailsEveryCommandWithStatusTwo) {
  TempDir dir;
  std::string bytes = "vf";
  bytes += std::string("\x66\0\0\0\xff\xff\xff\x7f", 8);  // version 102, 2^31 - 1 entries
  bytes += std::string(40, '\0');
  WriteFile(dir / "bad.dat", bytes);
  for (const std::string cmd : {"list", "list --tsv", "verify", "extract"}) {
    std::string args = cmd + " '" + dir / "bad.dat" + "'";
    if (cmd == "extract") args += " '" + dir / "out" + "'";
    Result r = RunTool(dir, args);
    EXPECT_EQ(r.status, 2) << cmd;
    EXPECT_EQ(Lines(r.err), 1) << cmd << ": " << r.err;
    EXPECT_NE(r.err.find("bad.dat"), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunTool(dir, "--help").status, 0);
  EXPECT_EQ(RunTool(dir, "frobnicate").status, 64);
}

}  // namespace
}  // namespace velk

#include "vfs/install_set.h"

#include <gtest/gtest.h>

#include <string>

#include "base/error.h"

namespace velk {
namespace {

void Put(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void PutString(std::string& s, const std::string& v) {
  Put(s, v.size(), 4);
  s += v;
}

// Fields 2 .. 15 with numbers of the given width.
std::string Common(int number_bytes) {
  std::string s;
  Put(s, 2, 4);  // disc 2
  PutString(s, "Title");
  for (const char* t : {"t2", "t3", "t4"}) PutString(s, t);
  Put(s, 1, 1);
  PutString(s, "t5");
  Put(s, 0, 1);
  Put(s, 1, 4);  // one item
  PutString(s, "t6");
  Put(s, 0x12345678, 4);
  Put(s, 1, 1);
  Put(s, 0, 1);
  PutString(s, "t7");
  PutString(s, "t8");
  for (int v = 1; v <= 8; ++v) Put(s, static_cast<uint64_t>(v) << (number_bytes == 8 ? 33 : 0), number_bytes);
  Put(s, 7, 1);
  return s;
}

TEST(InstallSet, ReadsOldVersionsAndWritesTheNewest) {
  // No signature: version 0, int32 numbers.
  TMemoryStream v0;
  std::string b = Common(4);
  v0.Write(b.data(), static_cast<int32_t>(b.size()));
  v0.SetPosition(0);
  TVelkInstallSet s;
  s.LoadFromStream(v0);
  EXPECT_EQ(s.Version, 0);
  EXPECT_EQ(s.DiscNumber, 2);
  EXPECT_EQ(s.Title, "Title");
  EXPECT_EQ(s.ValueC, 0x12345678);
  ASSERT_EQ(s.Items.size(), 1u);
  EXPECT_EQ(s.Items[0], (std::array<int64_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(s.Totals, (std::array<int64_t, 4>{5, 6, 7, 8}));
  EXPECT_EQ(s.FlagF, 7);

  // Version 102: 64-bit numbers, flag G and the added files (empty names skipped).
  std::string c = "is102" + Common(8);
  Put(c, 9, 1);
  Put(c, 3, 4);
  PutString(c, "save\\a.dat");
  PutString(c, "");
  PutString(c, "SAVE\\b.dat");
  TMemoryStream v102;
  v102.Write(c.data(), static_cast<int32_t>(c.size()));
  v102.SetPosition(0);
  TVelkInstallSet t;
  t.LoadFromStream(v102);
  EXPECT_EQ(t.Version, 102);
  EXPECT_EQ(t.Items[0][1], int64_t{2} << 33);
  EXPECT_EQ(t.FlagG, 9);
  EXPECT_EQ(t.AddedFiles, (std::vector<std::string>{"save\\a.dat", "SAVE\\b.dat"}));
  EXPECT_EQ(t.IndexOfFile("save\\B.DAT"), 1);
  t.AddFile("Save\\A.dat");
  t.AddFile("new.txt");
  EXPECT_EQ(t.AddedFiles.size(), 3u);
  EXPECT_FALSE(t.FullInstall);

  // The writer writes version 108 with every field, and reads back the same.
  t.FullInstall = true;
  t.TextList = {"x", "y"};
  t.Text9 = "nine";
  t.Text11 = "eleven";
  TMemoryStream out;
  t.SaveToStream(out);
  EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().begin() + 5), "is108");
  out.SetPosition(0);
  TVelkInstallSet u;
  u.LoadFromStream(out);
  EXPECT_EQ(u.Version, 108);
  EXPECT_EQ(u.Items, t.Items);
  EXPECT_EQ(u.AddedFiles, t.AddedFiles);
  EXPECT_TRUE(u.FullInstall);
  EXPECT_EQ(u.TextList, t.TextList);
  EXPECT_EQ(u.Text9, "nine");
  EXPECT_EQ(u.Text11, "eleven");
  EXPECT_EQ(out.GetPosition(), out.GetSize());

  // A hostile item count.
  std::string bad = Common(4);
  bad[4 + 9 + 3 * 6 + 1 + 6 + 1] = '\x7F';
  TMemoryStream h(std::vector<uint8_t>(bad.begin(), bad.end()));
  TVelkInstallSet w;
  EXPECT_THROW(w.LoadFromStream(h), EFormatError);
}

}  // namespace
}  // namespace velk

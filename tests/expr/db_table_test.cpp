#include "expr/db_table.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

std::unique_ptr<TCustomParam> strs(const std::vector<std::string>& items) {
  auto p = NewParam(PT_STR);
  p->SetDims({static_cast<int32_t>(items.size())});
  for (size_t i = 0; i < items.size(); ++i) p->SetStrAt(static_cast<int32_t>(i), items[i]);
  return p;
}

std::unique_ptr<TCustomParam> value(uint8_t type, const std::string& text) {
  auto p = NewParam(type);
  p->SetStr(text);
  return p;
}

std::string cell(const TDBTable& t, int32_t rec, const std::string& field) {
  std::string s;
  return t.GetStr(rec, t.Fields().IndexOf(field), s) ? s : "<none>";
}

// id int / name str 20 / hp float, with three rows.
TDBTable monsters() {
  TDBTable t("m", 0);
  EXPECT_TRUE(t.LoadTsv({"id int\tname str 20\thp float", "1\tslime\t2.5", "", "2\tBat\t3.5", "3\tbatman\t10"}));
  return t;
}

TEST(DBTable, HeaderLayoutConversionsAndRounding) {
  TDBTable t = monsters();
  ASSERT_EQ(t.Fields().Count(), 3);
  EXPECT_EQ(t.Fields().Field(0).Size, 4);
  EXPECT_EQ(t.Fields().Field(1).Size, 21);
  EXPECT_EQ(t.Fields().Field(2).Size, 10);
  EXPECT_EQ(t.Fields().RecordSize(), 35);
  EXPECT_EQ(t.RecordCount(), 3);  // the empty line makes no record
  int32_t n = 0;
  ASSERT_TRUE(t.GetInt(0, 2, n));
  EXPECT_EQ(n, 2);  // 2.5 rounds half to even
  ASSERT_TRUE(t.GetInt(1, 2, n));
  EXPECT_EQ(n, 4);
  EXPECT_EQ(cell(t, 1, "HP"), "3.5");  // names ignore letter case
  EXPECT_TRUE(t.SetFloat(0, 0, 6.5L));
  EXPECT_EQ(cell(t, 0, "id"), "6");
  EXPECT_FALSE(t.GetInt(3, 0, n));
  EXPECT_FALSE(t.GetInt(0, 3, n));

  // A string field of length 5 keeps five bytes; a flag field stores value <> 0 and reads "TRUE".
  TDBTable s("s", 0);
  EXPECT_EQ(s.AddField("t", DB_STR, 5), 0);
  EXPECT_EQ(s.AddField("f", DB_BOOL, 99), 1);
  EXPECT_EQ(s.AddField("x", 7, 0), -1);
  EXPECT_EQ(s.AddField("big", DB_STR, kMaxDBStringLength + 1), -1);
  EXPECT_EQ(s.AddField("none", DB_STR, -3), 2);  // one byte that holds no text
  ASSERT_TRUE(s.Append());
  EXPECT_TRUE(s.SetStr(0, 0, "abcdefg"));
  EXPECT_TRUE(s.SetInt(0, 1, 7));
  EXPECT_TRUE(s.SetStr(0, 2, "zz"));
  EXPECT_EQ(cell(s, 0, "t"), "abcde");
  EXPECT_EQ(cell(s, 0, "f"), "TRUE");
  EXPECT_EQ(cell(s, 0, "none"), "");

  // Header pieces: a length that is not a number gives 80; an empty name ends the load with no fields.
  TDBTable h("h", 0);
  EXPECT_TRUE(h.LoadTsv({"a str x\tb bool\tc whatever 3"}));
  EXPECT_EQ(h.Fields().Field(0).Size, 81);
  EXPECT_EQ(h.Fields().Field(1).Size, 1);
  EXPECT_EQ(h.Fields().Field(2).Size, 4);
  EXPECT_FALSE(h.LoadTsv({"a int\t\tb int", "1\t2"}));
  EXPECT_EQ(h.Fields().Count(), 0);
  EXPECT_FALSE(h.LoadTsv({}));
  EXPECT_FALSE(h.LoadTsv({"a str 999999999"}));  // a string field longer than any table may hold
}

TEST(DBTable, EscapesAndDoubleByteCharactersInRecordLines) {
  TDBTable t("e", 0);
  // 表 ends with the byte of a backslash: it is part of the character, never an escape.
  std::string hyo = Utf8ToCp932("表");
  ASSERT_EQ(hyo[1], '\\');
  ASSERT_TRUE(t.LoadTsv({"a\tb", "x\\\"y\\\\z\\nw\t" + hyo + "n", hyo + "\\n"}));
  EXPECT_EQ(cell(t, 0, "a"), "x\"y\\z\r\nw");
  EXPECT_EQ(cell(t, 0, "b"), hyo + "n");
  EXPECT_EQ(cell(t, 1, "a"), hyo + "\r\n");
  EXPECT_EQ(cell(t, 1, "b"), "");
}

TEST(DBTable, CurrentRecordRules) {
  TDBTable t = monsters();
  EXPECT_EQ(t.RecNo(), 2);  // the last appended record
  EXPECT_TRUE(t.SetRecNo(-5));
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.Next());
  EXPECT_FALSE(t.DeleteRecord());
  EXPECT_FALSE(t.SetRecNo(3));
  EXPECT_TRUE(t.Last());
  EXPECT_FALSE(t.Next());
  EXPECT_TRUE(t.Prior());
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_TRUE(t.Last());
  EXPECT_TRUE(t.DeleteRecord());
  EXPECT_EQ(t.RecNo(), 1);  // moves to the new last record
  EXPECT_TRUE(t.First());
  EXPECT_FALSE(t.Prior());
  EXPECT_TRUE(t.DeleteRecord());
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.DeleteRecord());
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.First());
  // Adding a field grows the records with zero bytes; removing one moves the later bytes down.
  TDBTable u = monsters();
  EXPECT_EQ(u.AddField("lv", DB_INT, 0), 3);
  EXPECT_EQ(cell(u, 0, "lv"), "0");
  u.RemoveField(1);
  EXPECT_EQ(u.Fields().RecordSize(), 18);
  EXPECT_EQ(cell(u, 1, "hp"), "3.5");
}

TEST(DBTable, LocateInEveryMode) {
  TDBTable t("l", 0);
  ASSERT_TRUE(t.LoadTsv({"s\tn int", "bcd\t1", "abcdefgh\t2", "BCD\t1", "\t1"}));
  auto names = strs({"s"});
  auto find = [&](const std::string& v, bool ic, bool partial) {
    auto values = value(PT_STR, v);
    TDBRecordList l = t.Locate(names.get(), values.get(), ic, partial);
    std::string out;
    for (int32_t r : l) out += std::to_string(r);
    return out;
  };
  EXPECT_EQ(find("bcd", false, false), "0");
  EXPECT_EQ(find("bcd", true, false), "02");
  // Partial: the field's text inside the value, not the value inside the field; an empty field never matches.
  EXPECT_EQ(find("abcdef", false, true), "0");
  EXPECT_EQ(find("xBCDy", false, true), "2");
  EXPECT_EQ(find("xbcdy", true, true), "02");
  // Two keys, an int value compared with the field read as int, and a missing field.
  auto two = strs({"n", "s"});
  auto ints = NewParam(PT_INT);
  ints->SetDims({1});
  ints->SetIntAt(0, 1);
  EXPECT_EQ(t.Locate(two.get(), ints.get(), false, false), (TDBRecordList{0, 2, 3}));  // pairs up to the shorter
  auto wrong = strs({"nothing"});
  EXPECT_TRUE(t.Locate(wrong.get(), ints.get(), false, false).empty());
  EXPECT_EQ(t.Locate(nullptr, ints.get(), false, false).size(), 4u);
}

TEST(DBTable, SortsByKeysWithDescendingOnlyForNumbers) {
  TDBTable t("s", 0);
  ASSERT_TRUE(t.LoadTsv({"s\tn int\tf bool", "b\t1\tTRUE", "a\t2\tFALSE", "c\t2\tTRUE", "B\t3\tFALSE"}));
  t.SetRecNo(1);
  auto desc = NewParam(PT_BOOL);
  desc->SetDims({2});
  desc->SetBoolAt(0, true);
  desc->SetBoolAt(1, true);
  auto by_n_s = strs({"n", "s"});
  t.Sort(by_n_s.get(), desc.get());
  std::string order;
  for (int32_t r = 0; r < 4; ++r) order += cell(t, r, "s");
  EXPECT_EQ(order, "Bacb");  // n descending, then s ascending although flagged descending
  EXPECT_EQ(t.RecNo(), 1);
  auto by_f = strs({"missing", "f"});
  t.Sort(by_f.get(), desc.get());
  EXPECT_EQ(cell(t, 0, "f") + cell(t, 1, "f"), "FALSEFALSE");
}

TEST(DBManager, TablesActiveAndCopies) {
  TDBManager m;
  EXPECT_EQ(m.CreateTable("", 0), -1);
  EXPECT_EQ(m.CreateTable("a", 0), 0);
  EXPECT_EQ(m.CreateTable("A", 1), -1);
  EXPECT_EQ(m.CreateTable("b", 1), 1);
  EXPECT_EQ(m.Active()->Name(), "b");
  EXPECT_TRUE(m.SetActive("A"));
  ASSERT_TRUE(m.Active()->LoadTsv({"x int", "1", "2", "3"}));
  EXPECT_FALSE(m.CopyTableTo("a", {0}));  // onto itself
  EXPECT_TRUE(m.CopyTableTo("b", {2, 0}));
  EXPECT_EQ(cell(*m.Find("b"), 0, "x") + cell(*m.Find("b"), 1, "x"), "31");
  EXPECT_TRUE(m.InsertTableFrom("b", {1}));
  EXPECT_EQ(m.Active()->RecordCount(), 4);
  EXPECT_EQ(cell(*m.Active(), 3, "x"), "1");
  m.Find("b")->AddField("y", DB_INT, 0);
  EXPECT_FALSE(m.InsertTableFrom("b", {0}));  // fields differ
  EXPECT_TRUE(m.DeleteTable("a"));
  EXPECT_EQ(m.Active(), nullptr);  // the active table was deleted
  EXPECT_FALSE(m.DeleteTable("a"));
}

TEST(DBManager, SaveBlocksRoundTripPerKindAndRefuseDamage) {
  TDBManager m;
  m.CreateTable("game", 0);
  ASSERT_TRUE(m.Active()->LoadTsv({"id int\tname str 8\thp float\tok bool", "1\tone\t1.25\tTRUE", "2\ttwo\t-3\tFALSE"}));
  m.Active()->SetRecNo(1);
  m.CreateTable("other", 0);
  m.CreateTable("status", 1);
  m.Active()->AddField("v", DB_INT, 0);
  m.SetActive("game");
  TMemoryStream game, status;
  m.SaveTables(game, 0);
  m.SaveTables(status, 1);

  TDBManager r;
  r.CreateTable("old", 0);
  game.SetPosition(0);
  r.LoadTables(game, 0);
  status.SetPosition(0);
  r.LoadTables(status, 1);
  EXPECT_EQ(r.FindTable("old"), -1);
  ASSERT_EQ(r.Count(), 3);
  EXPECT_EQ(r.Active()->Name(), "status");  // the last table read
  TDBTable* g = r.Find("game");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->RecNo(), 1);
  EXPECT_EQ(cell(*g, 0, "hp") + "|" + cell(*g, 1, "name") + "|" + cell(*g, 0, "ok"), "1.25|two|TRUE");
  game.SetPosition(0);
  r.LoadTables(game, 0);
  EXPECT_EQ(r.Active()->Name(), "game");  // kind 0 names its active table
  r.ClearGameTables();
  EXPECT_EQ(r.Count(), 1);
  EXPECT_EQ(r.Active(), nullptr);

  // Damaged blocks: every change of a byte or a cut either loads or throws EFormatError, and a throw changes nothing.
  const std::vector<uint8_t> bytes(game.Bytes().begin(), game.Bytes().end());
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (uint8_t v : {uint8_t{0xFF}, uint8_t{0x7F}, uint8_t{0x00}}) {
      std::vector<uint8_t> bad = bytes;
      bad[i] = v;
      TMemoryStream s;
      s.WriteBuffer(bad.data(), static_cast<int32_t>(bad.size()));
      s.SetPosition(0);
      TDBManager d;
      d.CreateTable("keep", 0);
      try {
        d.LoadTables(s, 0);
      } catch (const EFormatError&) {
        EXPECT_EQ(d.FindTable("keep"), 0);
      }
    }
  }
  TMemoryStream cut;
  cut.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size() / 2));
  cut.SetPosition(0);
  EXPECT_THROW(r.LoadTables(cut, 0), EFormatError);
  TMemoryStream huge;
  WriteInt(huge, 100);
  WriteInt(huge, 0x7FFFFFFF);
  huge.SetPosition(0);
  EXPECT_THROW(r.LoadTables(huge, 0), EFormatError);
}

}  // namespace
}  // namespace velk

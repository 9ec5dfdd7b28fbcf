#include "script/page.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/sjis.h"
#include "script/component_commands.h"
#include "script/control_commands.h"
#include "script/test_bytes.h"
#include "vfs/stream_io.h"

namespace velk {
namespace {

using test::Bytes;

// A page header with 61 masks of 21 bytes, all zero except the given bits for one code.
Bytes page_head(int32_t version, int code_with_bits = -1, std::vector<int> bits = {}) {
  Bytes b;
  b.i32(version).u8(0).i32(61).i32(21);
  for (int code = 0; code < 61; ++code) {
    uint8_t mask[21] = {};
    if (code == code_with_bits) {
      for (int p : bits) mask[p / 8] |= static_cast<uint8_t>(1 << (p % 8));
    }
    b.raw(std::string(reinterpret_cast<const char*>(mask), 21));
  }
  return b;
}

int32_t expr_int(const TVelkParser& e) {
  EXPECT_EQ(e.Count(), 1);
  if (e.Count() != 1) return -1;
  return e.Ope(0).Operands.at(0)->GetInt();
}

TEST(Page, ReadsMaskSize30KeepingTheFirst21Bytes) {
  Bytes b;
  b.i32(115).u8(4).i32(2).i32(30);
  b.raw(std::string(21, '\x11')).raw(std::string(9, '\x7F'));
  b.raw(std::string(21, '\x22')).raw(std::string(9, '\x7F'));
  b.i32(0);
  auto s = b.stream();
  TPage page;
  EXPECT_EQ(page.LoadFromStream(s), TPage::TParse::Loaded);
  EXPECT_EQ(page.ResultType, 4);
  TPropMask ones;
  ones.fill(0x11);
  EXPECT_EQ(page.Masks[0], ones);
  TPropMask twos;
  twos.fill(0x22);
  EXPECT_EQ(page.Masks[1], twos);
  // A loaded page uses only what its file gives: the preset masks are gone.
  EXPECT_EQ(page.Masks[8], TPropMask{});
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(Page, SkipsMaskEntriesPast60AndNeverWrapsOntoThem) {
  for (int32_t count : {70, 300}) {
    Bytes b;
    b.i32(115).u8(0).i32(count).i32(21);
    for (int32_t i = 0; i < count; ++i) b.raw(std::string(21, static_cast<char>(i < 61 ? i : 0xEE)));
    b.i32(0);
    auto s = b.stream();
    TPage page;
    page.LoadFromStream(s);
    for (int i = 0; i < 61; ++i) {
      TPropMask m;
      m.fill(static_cast<uint8_t>(i));
      EXPECT_EQ(page.Masks[static_cast<size_t>(i)], m) << count << " " << i;
    }
    EXPECT_EQ(s.Remaining(), 0);
  }
}

TEST(Page, EmptyMaskEntriesCostNothingHoweverMany) {
  auto s = Bytes().i32(115).u8(0).i32(0x7FFFFFFF).i32(0).i32(1).u8(2).base(0, 0, 0, 9).stream();
  TPage page;
  ASSERT_EQ(page.LoadFromStream(s), TPage::TParse::Loaded);
  EXPECT_EQ(page.Masks[8], TPropMask{});
  ASSERT_EQ(page.Commands.Count(), 1);
  EXPECT_EQ(page.Commands.Item(0)->Line, 9);
}

TEST(Page, TopBitOfTheCodeIsIgnoredAndComponentRecordsFollowTheMask) {
  Bytes b = page_head(115, 8, {0, 3, 164});
  b.i32(3);
  b.u8(0x88).base(1, true, false, 42).int_expr(10).int_expr(11).int_expr(12);
  b.u8(8).base(2, false, true, 43).no_expr().no_expr().int_expr(5);
  // Code 9 has an empty mask: only the base fields.
  b.u8(9).base(0, false, false, 44);
  auto s = b.stream();
  TPage page;
  page.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  ASSERT_EQ(page.Commands.Count(), 3);
  auto* box = dynamic_cast<TComBoxNew*>(page.Commands.Item(0));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Code(), 8);
  EXPECT_EQ(box->Level, 1);
  EXPECT_TRUE(box->IsSkipped());
  EXPECT_FALSE(box->ContinuesFrame());
  EXPECT_EQ(box->Line, 42);
  EXPECT_EQ(expr_int(*box->Prop(0)), 10);
  EXPECT_EQ(expr_int(*box->Prop(3)), 11);
  EXPECT_EQ(expr_int(*box->Prop(164)), 12);
  EXPECT_EQ(box->Prop(1), nullptr);
  auto* second = dynamic_cast<TComBoxNew*>(page.Commands.Item(1));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Prop(0)->Count(), 0);
  EXPECT_EQ(expr_int(*second->Prop(164)), 5);
  auto* img = dynamic_cast<TComImgNew*>(page.Commands.Item(2));
  ASSERT_NE(img, nullptr);
  for (int32_t p = 0; p < kPropertyCount; ++p) EXPECT_EQ(img->Prop(p), nullptr);
}

TEST(Page, WaitCarriesItsNoEventsExpressionFromVersion107) {
  for (int32_t version : {106, 107}) {
    Bytes b = page_head(version);
    b.i32(1).u8(7).base(0, false, true, 1).int_expr(1).int_expr(500);
    if (version == 107) b.int_expr(1);
    auto s = b.stream();
    TPage page;
    page.LoadFromStream(s);
    EXPECT_EQ(s.Remaining(), 0) << version;
    auto* wait = dynamic_cast<TComWait*>(page.Commands.Item(0));
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(expr_int(wait->Time), 500);
    EXPECT_EQ(wait->NoEvents.Count(), version == 107 ? 1 : 0);
    EXPECT_TRUE(wait->Yields());
  }
}

TEST(Page, ReadsHandMadeRecordsOfTheVersionGatedClasses) {
  Bytes b = page_head(104);
  b.i32(6);
  // Call: page, target, return variable, condition, two arguments.
  b.u8(5).base(0, false, true, 1).str("sub.ksb").i32(7).str("ret").int_expr(1).i32(2).int_expr(8).int_expr(9);
  // Flip at 104: nine expressions with one carry name, and the rule name (above 100), no no-events.
  b.u8(13).base(0, false, false, 2).int_expr(3).int_expr(500).no_expr().no_expr();
  b.i32(1).int_expr(4).no_expr().no_expr().no_expr().int_expr(6);
  // Save at 104: no resume index.
  b.u8(38).base(0, false, false, 3).int_expr(2).str("p.ksb").int_expr(5);
  b.u8(40).base(0, false, false, 4).str("r.ksb").i32(3).u8(1);
  b.u8(15).base(0, false, false, 5).str("v").u8(4).int_expr(1).u8(3);
  b.u8(57).base(0, false, false, 6).int_expr(1).int_expr(2).int_expr(3).int_expr(4).int_expr(5).int_expr(6);
  auto s = b.stream();
  TPage page;
  page.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  auto* call = dynamic_cast<TComCall*>(page.Commands.Item(0));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->PageName, "sub.ksb");
  EXPECT_EQ(call->Target, 7);
  EXPECT_EQ(call->ReturnVar, "ret");
  ASSERT_EQ(call->Args.size(), 2u);
  EXPECT_EQ(expr_int(*call->Args[1]), 9);
  auto* flip = dynamic_cast<TComFlip*>(page.Commands.Item(1));
  ASSERT_NE(flip, nullptr);
  ASSERT_EQ(flip->CarryNames.size(), 1u);
  EXPECT_EQ(expr_int(flip->RuleName), 6);
  EXPECT_EQ(flip->NoEvents.Count(), 0);
  auto* save = dynamic_cast<TComGameSave*>(page.Commands.Item(2));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->ResumePage, "p.ksb");
  EXPECT_EQ(save->ResumeIndex, 0);
  EXPECT_EQ(expr_int(save->Title), 5);
  auto* reset = dynamic_cast<TComPCReset*>(page.Commands.Item(3));
  ASSERT_NE(reset, nullptr);
  EXPECT_EQ(reset->Target, 3);
  EXPECT_EQ(reset->ClearAll, 1);
  auto* var = dynamic_cast<TComVarNew*>(page.Commands.Item(4));
  ASSERT_NE(var, nullptr);
  EXPECT_EQ(var->VarType, 4);
  EXPECT_EQ(var->Scope, 3);
  auto* motion = dynamic_cast<TComPropMotion*>(page.Commands.Item(5));
  ASSERT_NE(motion, nullptr);
  EXPECT_EQ(expr_int(motion->Curve), 6);
  EXPECT_EQ(motion->Paused.Count(), 0);
}

// A stored expression "____arg = 'text'" with a string constant.
Bytes& str_expr(Bytes& b, const std::string& text) { return b.i32(1).u8(1).str("____arg").i32(1).u8(4).str(text); }

TEST(Page, ReadsHandMadeRecordsOfTextMovieStopAndTheDataAndLoopCommands) {
  for (int32_t version : {106, 107}) {
    Bytes b = page_head(version);
    b.i32(7);
    // Text insert: the message text as size and bytes, window, read tracking, wait; no-events above 106.
    b.u8(20).base(1, false, true, 10).i32(5).raw(std::string("ab\0cd", 5));
    str_expr(b, "mes").int_expr(1).int_expr(0);
    if (version > 106) b.int_expr(1);
    // Movie stop: object, fade, wait; no-events above 106.
    b.u8(21).base(0, false, false, 11);
    str_expr(b, "bgm").int_expr(300).int_expr(1);
    if (version > 106) b.int_expr(0);
    // Get property: object, property id, then the target variable's name.
    b.u8(17).base(0, false, true, 12);
    str_expr(b, "box").int_expr(8).str("colour");
    // While: condition, exit index. Break and continue: condition, target index. While loop: statement, loop index.
    b.u8(31).base(0, false, true, 13).int_expr(1).i32(9);
    b.u8(34).base(1, false, true, 14).int_expr(1).i32(-1);
    b.u8(35).base(1, false, true, 15).int_expr(0).i32(4);
    b.u8(33).base(1, false, true, 16).int_expr(2).i32(3);
    auto s = b.stream();
    TPage page;
    page.LoadFromStream(s);
    EXPECT_EQ(s.Remaining(), 0) << version;
    ASSERT_EQ(page.Commands.Count(), 7);

    auto* text = dynamic_cast<TComTextIns*>(page.Commands.Item(0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Level, 1);
    EXPECT_EQ(text->Line, 10);
    EXPECT_EQ(text->Text, std::string("ab\0cd", 5));
    ASSERT_EQ(text->Window.Count(), 1);
    EXPECT_EQ(text->Window.Ope(0).Operands.at(0)->GetStr(), "mes");
    EXPECT_EQ(expr_int(text->ReadTracking), 1);
    EXPECT_EQ(expr_int(text->Wait), 0);
    EXPECT_EQ(text->NoEvents.Count(), version > 106 ? 1 : 0);

    auto* stop = dynamic_cast<TComMovieStop*>(page.Commands.Item(1));
    ASSERT_NE(stop, nullptr);
    ASSERT_EQ(stop->ObjectName.Count(), 1);
    EXPECT_EQ(stop->ObjectName.Ope(0).Operands.at(0)->GetStr(), "bgm");
    EXPECT_EQ(expr_int(stop->Fade), 300);
    EXPECT_EQ(expr_int(stop->Wait), 1);
    EXPECT_EQ(stop->NoEvents.Count(), version > 106 ? 1 : 0);

    auto* get = dynamic_cast<TComGetProp*>(page.Commands.Item(2));
    ASSERT_NE(get, nullptr);
    ASSERT_EQ(get->ObjectName.Count(), 1);
    EXPECT_EQ(get->ObjectName.Ope(0).Operands.at(0)->GetStr(), "box");
    EXPECT_EQ(expr_int(get->PropId), 8);
    EXPECT_EQ(get->TargetVar, "colour");

    auto* loop = dynamic_cast<TComWhile*>(page.Commands.Item(3));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(expr_int(loop->Condition), 1);
    EXPECT_EQ(loop->ExitIndex, 9);
    auto* brk = dynamic_cast<TComBreak*>(page.Commands.Item(4));
    ASSERT_NE(brk, nullptr);
    EXPECT_EQ(expr_int(brk->Condition), 1);
    EXPECT_EQ(brk->Target, -1);
    auto* cont = dynamic_cast<TComContinue*>(page.Commands.Item(5));
    ASSERT_NE(cont, nullptr);
    EXPECT_EQ(expr_int(cont->Condition), 0);
    EXPECT_EQ(cont->Target, 4);
    auto* back = dynamic_cast<TComWhileLoop*>(page.Commands.Item(6));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(expr_int(back->Statement), 2);
    EXPECT_EQ(back->LoopIndex, 3);
  }
}

TEST(Page, ReadsHandMadeHistoryAndCabinetRecords) {
  for (int32_t version : {110, 111}) {
    // The cabinet-save records carry properties 0 (the name) and 2.
    Bytes b = page_head(version, 59, {0, 2});
    b.i32(4);
    // Call history: window, first, count, layout; the format above 110.
    b.u8(29).base(0, false, true, 20).int_expr(1).int_expr(2).int_expr(3).int_expr(4);
    if (version > 110) b.int_expr(5);
    // Entry history: object; the format above 110.
    b.u8(58).base(0, false, true, 21).int_expr(6);
    if (version > 110) b.int_expr(7);
    // Cabinet save: the component record, the mode, then k names.
    b.u8(59).base(0, false, true, 22);
    str_expr(b, "kept").int_expr(40).int_expr(1).i32(2);
    str_expr(b, "a");
    str_expr(b, "b");
    // Cabinet load: its mask (code 60) is empty, so only the mode and the names follow the base fields.
    b.u8(60).base(0, false, true, 23).no_expr().i32(0);
    auto s = b.stream();
    TPage page;
    page.LoadFromStream(s);
    EXPECT_EQ(s.Remaining(), 0) << version;
    ASSERT_EQ(page.Commands.Count(), 4);

    auto* call = dynamic_cast<TComCallHist*>(page.Commands.Item(0));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(expr_int(call->Window), 1);
    EXPECT_EQ(expr_int(call->First), 2);
    EXPECT_EQ(expr_int(call->Count), 3);
    EXPECT_EQ(expr_int(call->Layout), 4);
    if (version > 110) {
      EXPECT_EQ(expr_int(call->Format), 5);
    } else {
      EXPECT_EQ(call->Format.Count(), 0);
    }
    auto* entry = dynamic_cast<TComEntryHist*>(page.Commands.Item(1));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(expr_int(entry->ObjectName), 6);
    if (version > 110) {
      EXPECT_EQ(expr_int(entry->Format), 7);
    } else {
      EXPECT_EQ(entry->Format.Count(), 0);
    }

    auto* save = dynamic_cast<TComCabinetSave*>(page.Commands.Item(2));
    ASSERT_NE(save, nullptr);
    ASSERT_NE(save->Prop(0), nullptr);
    EXPECT_EQ(save->Prop(0)->Ope(0).Operands.at(0)->GetStr(), "kept");
    EXPECT_EQ(expr_int(*save->Prop(2)), 40);
    EXPECT_EQ(save->Prop(1), nullptr);
    EXPECT_EQ(expr_int(save->Mode), 1);
    ASSERT_EQ(save->Names.size(), 2u);
    EXPECT_EQ(save->Names[0]->Ope(0).Operands.at(0)->GetStr(), "a");
    EXPECT_EQ(save->Names[1]->Ope(0).Operands.at(0)->GetStr(), "b");
    auto* load = dynamic_cast<TComCabinetLoad*>(page.Commands.Item(3));
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->Mode.Count(), 0);
    EXPECT_TRUE(load->Names.empty());
  }
}

// Fills every stored field of a command with distinct values.
class Filler : public TComFields {
 public:
  explicit Filler(int32_t version) : version_(version) {}
  int32_t Version() const override { return version_; }
  void Int(const char*, int32_t& v) override { v = ++n_; }
  void Byte(const char*, uint8_t& v) override { v = static_cast<uint8_t>(++n_); }
  void String(const char*, std::string& v) override { v = "s" + std::to_string(++n_); }
  void Data(const char*, std::string& v) override { v = std::string("d\0x", 3) + std::to_string(++n_); }
  void Expr(const char*, TVelkParser& e) override {
    auto s = Bytes().int_expr(++n_).stream();
    e.LoadFromStream(s);
  }
  void ExprList(const char* key, std::vector<std::unique_ptr<TVelkParser>>& list) override {
    for (int i = 0; i < 2; ++i) {
      list.push_back(std::make_unique<TVelkParser>());
      Expr(key, *list.back());
    }
  }
  void Property(int32_t, TVelkParser& e) override { Expr(nullptr, e); }

 private:
  int32_t version_;
  int32_t n_ = 0;
};

std::vector<uint8_t> saved(TPage& page) {
  TMemoryStream m;
  page.SaveToStream(m);
  return m.Bytes();
}

TEST(Page, EveryCommandClassRoundTripsAtEveryGate) {
  for (int32_t version : {103, 104, 105, 106, 107, 108, 110, 111, 115}) {
    TPage page;
    page.Version = version;
    page.ResultType = 2;
    // Masks of varied density, so that component records differ from code to code.
    for (int code = 0; code < 61; ++code) {
      page.Masks[static_cast<size_t>(code)].fill(0);
      for (int p = code % 7; p < 165; p += 7 + code % 5) MaskSet(page.Masks[static_cast<size_t>(code)], p);
    }
    Filler filler(version);
    for (uint8_t code = 0; code < kCommandCount; ++code) {
      auto command = CreateCommand(&page.Commands, code);
      command->Level = code;
      command->Line = 1000 + code;
      command->Continue = code % 2 == 0;
      command->Skip = code % 3 == 0;
      command->StoreFields(filler);
      page.Commands.Add(std::move(command));
    }
    const auto first = saved(page);
    TMemoryStream m(first);
    TPage loaded;
    ASSERT_EQ(loaded.LoadFromStream(m), TPage::TParse::Loaded);
    EXPECT_EQ(m.Remaining(), 0) << version;
    ASSERT_EQ(loaded.Commands.Count(), kCommandCount);
    for (uint8_t code = 0; code < kCommandCount; ++code) {
      TCommand* c = loaded.Commands.Item(code);
      EXPECT_EQ(c->Code(), code);
      EXPECT_EQ(c->Line, 1000 + code);
      EXPECT_EQ(c->Skip, code % 3 == 0);
      EXPECT_EQ(c->Continue, code % 2 == 0);
    }
    EXPECT_EQ(saved(loaded), first) << version;
  }
}

TEST(Page, RefusesHostileAndTruncatedFiles) {
  // Too new: silently empty. Too old: reported as such.
  {
    auto s = Bytes().i32(116).u8(0).stream();
    TPage page;
    EXPECT_EQ(page.LoadFromStream(s), TPage::TParse::TooNew);
    EXPECT_EQ(page.Commands.Count(), 0);
    auto old = Bytes().i32(102).stream();
    EXPECT_EQ(page.LoadFromStream(old), TPage::TParse::TooOld);
  }
  const auto expect_format_error = [](const Bytes& b) {
    auto s = b.stream();
    TPage page;
    EXPECT_THROW(page.LoadFromStream(s), EFormatError);
  };
  expect_format_error(Bytes().i32(115).u8(0).i32(1).i32(-4).zeros(8));        // negative mask size
  expect_format_error(Bytes().i32(115).u8(0).i32(100000).i32(21).zeros(21));  // more masks than bytes
  expect_format_error(page_head(115).i32(0x10000000));                        // command count past the data
  expect_format_error(page_head(115).i32(1).u8(5).base(0, 0, 0, 0).str("p").i32(0).str("").no_expr().i32(99999));
  // A code without a class.
  {
    auto s = page_head(115).i32(1).u8(61).base(0, 0, 0, 0).stream();
    TPage page;
    try {
      page.LoadFromStream(s);
      FAIL();
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), Utf8ToCp932("不正なコマンド"));
    }
  }
  // Every truncation of a page with several classes is an error, never a crash or a silent zero.
  Bytes full = page_head(115, 8, {2, 5});
  full.i32(4).u8(8).base(0, 0, 1, 1).int_expr(1).int_expr(2);
  full.u8(5).base(0, 0, 1, 2).str("x.ksb").i32(0).str("r").no_expr().i32(1).int_expr(3);
  full.u8(20).base(0, 0, 1, 3).str("MvWord102").no_expr().no_expr().no_expr().no_expr();
  full.u8(3).base(0, 0, 1, 4).str("top");
  for (size_t n = 0; n < full.size(); ++n) {
    auto s = full.prefix(n);
    TPage page;
    EXPECT_THROW(page.LoadFromStream(s), EVelkError) << n;
  }
  auto s = full.stream();
  TPage page;
  page.LoadFromStream(s);
  EXPECT_EQ(page.FindLabel("top"), 3);
  EXPECT_EQ(page.FindLabel("Top"), -1);

  // A page cut short inside its last stored expression: every operand kind, and a function call's number.
  Bytes last = page_head(115);
  last.i32(1).u8(14).base(0, 0, 1, 5);
  last.i32(4);
  last.u8(1).str("____arg").i32(1).u8(1).i32(77);
  last.u8(1).str("____arg").i32(1).u8(2).ext_one_and_half();
  last.u8(1).str("____arg").i32(2).u8(3).u8(1).u8(4).str("text");
  last.u8(11).str("____arg").i32(1).u8(7).u8(0).str("var");
  const size_t expr_start = page_head(115).size() + 4 + 1 + 10;
  for (size_t n = expr_start; n < last.size(); ++n) {
    auto cut = last.prefix(n);
    TPage p;
    EXPECT_THROW(p.LoadFromStream(cut), EFormatError) << n;
  }
  auto whole = last.stream();
  TPage p;
  p.LoadFromStream(whole);
  EXPECT_EQ(whole.Remaining(), 0);
}

TEST(Page, NewPagePresetsTheComponentMasks) {
  TPage page;
  EXPECT_EQ(page.Version, 104);
  for (uint8_t code = 0; code < kCommandCount; ++code) {
    EXPECT_EQ(MaskHas(page.Masks[code], 0), IsComponentCode(code)) << int(code);
  }
  EXPECT_TRUE(IsComponentCode(60));
  EXPECT_FALSE(IsComponentCode(13));
  auto box = CreateCommand(&page.Commands, 8);
  EXPECT_NE(static_cast<TComComponent*>(box.get())->Prop(164), nullptr);
}

TEST(Page, ClassesThatAlwaysContinueOrSkip) {
  TPage page;
  for (uint8_t code = 0; code < kCommandCount; ++code) {
    auto c = CreateCommand(&page.Commands, code);
    c->Continue = false;
    c->SetSkipped(false);
    const bool always_continues = code == 2 || code == 32 || code == 33;
    EXPECT_EQ(c->ContinuesFrame(), always_continues) << int(code);
    EXPECT_EQ(c->IsSkipped(), code == 27) << int(code);
    EXPECT_EQ(c->Yields(), code == 7 || code == 46) << int(code);
  }
}

TEST(CommandState, TagAndWaitState) {
  TComWait wait(nullptr);
  wait.Remaining = 250;
  wait.FirstFrame = 1;
  wait.NoEventsValue = true;
  TMemoryStream m;
  wait.SaveState(m);
  const std::vector<uint8_t> expected = Bytes().raw("velk100").i32(250).i32(1).u8(1).data();
  EXPECT_EQ(m.Bytes(), expected);
  m.SetPosition(0);
  TComWait back(nullptr);
  back.RestoreState(m);
  EXPECT_EQ(back.Remaining, 250);
  EXPECT_EQ(back.FirstFrame, 1);
  EXPECT_TRUE(back.BlocksEvents());
  // An untagged stream is version 0 and is left where it was.
  auto plain = Bytes().raw("abcdefgh").stream();
  EXPECT_EQ(ReadStateTag(plain), 0);
  EXPECT_EQ(plain.GetPosition(), 0);
  auto v99 = Bytes().raw("velk099").i32(5).stream();
  TComWait old(nullptr);
  old.RestoreState(v99);
  EXPECT_EQ(old.Remaining, 0);
  // The target-name state of the text and stop commands.
  TComMovieStop stop(nullptr);
  stop.TargetName = "bgm";
  stop.WaitValue = true;
  TMemoryStream ms;
  stop.SaveState(ms);
  const std::vector<uint8_t> stop_bytes = Bytes().raw("velk100").str("bgm").u8(1).u8(0).data();
  EXPECT_EQ(ms.Bytes(), stop_bytes);
}

}  // namespace
}  // namespace velk

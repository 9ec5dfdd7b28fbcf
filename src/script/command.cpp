#include "script/command.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "base/sjis.h"
#include "script/page.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

// A stored expression is at least its int32 operation count.
constexpr int64_t kMinExprSize = 4;

class TComReader : public TComFields {
 public:
  TComReader(TStream& s, int32_t version) : s_(s), version_(version) {}
  int32_t Version() const override { return version_; }
  void Int(const char*, int32_t& value) override { value = ReadIntExact(s_); }
  void Byte(const char*, uint8_t& value) override { value = ReadByteExact(s_); }
  void String(const char*, std::string& value) override { value = ReadStringExact(s_); }
  void Data(const char*, std::string& value) override {
    const int32_t size = ReadCount(s_, 1);
    value.assign(static_cast<size_t>(size), '\0');
    s_.ReadBuffer(value.data(), size);
  }
  void Expr(const char*, TVelkParser& value) override {
    NeedBytes(s_, kMinExprSize);
    value.LoadFromStream(s_);
  }
  void ExprList(const char* key, std::vector<std::unique_ptr<TVelkParser>>& list) override {
    const int32_t count = ReadCount(s_, kMinExprSize);
    list.clear();
    for (int32_t i = 0; i < count; ++i) {
      list.push_back(std::make_unique<TVelkParser>());
      Expr(key, *list.back());
    }
  }
  void Property(int32_t, TVelkParser& value) override { Expr(nullptr, value); }

 private:
  TStream& s_;
  int32_t version_;
};

class TComWriter : public TComFields {
 public:
  TComWriter(TStream& s, int32_t version) : s_(s), version_(version) {}
  int32_t Version() const override { return version_; }
  void Int(const char*, int32_t& value) override { WriteInt(s_, value); }
  void Byte(const char*, uint8_t& value) override { WriteByte(s_, value); }
  void String(const char*, std::string& value) override { WriteString(s_, value); }
  void Data(const char*, std::string& value) override { WriteString(s_, value); }
  void Expr(const char*, TVelkParser& value) override { value.SaveToStream(s_); }
  void ExprList(const char*, std::vector<std::unique_ptr<TVelkParser>>& list) override {
    WriteInt(s_, static_cast<int32_t>(list.size()));
    for (auto& e : list) e->SaveToStream(s_);
  }
  void Property(int32_t, TVelkParser& value) override { value.SaveToStream(s_); }

 private:
  TStream& s_;
  int32_t version_;
};

constexpr char kStateTag[] = "velk100";

}  // namespace

TPage* TCommand::Page() const { return Owner != nullptr ? Owner->Page() : nullptr; }

int32_t TCommand::PageVersion() const {
  TPage* page = Page();
  return page != nullptr ? page->Version : TPage::kNewVersion;
}

void TCommand::LoadFromStream(TStream& s) {
  Level = ReadIntExact(s);
  Skip = ReadByteExact(s) != 0;
  Continue = ReadByteExact(s) != 0;
  Line = ReadIntExact(s);
  TComReader reader(s, PageVersion());
  StoreFields(reader);
}

void TCommand::SaveToStream(TStream& s) {
  WriteInt(s, Level);
  WriteBool(s, Skip);
  WriteBool(s, Continue);
  WriteInt(s, Line);
  TComWriter writer(s, PageVersion());
  StoreFields(writer);
}

TCommand* TComList::Add(std::unique_ptr<TCommand> command) {
  items_.push_back(std::move(command));
  return items_.back().get();
}

void WriteStateTag(TStream& s) { s.WriteBuffer(kStateTag, 7); }

int32_t ReadStateTag(TStream& s) {
  char tag[7] = {};
  const int32_t got = s.Read(tag, 7);
  if (got == 7 && std::memcmp(tag, "velk", 4) == 0) {
    int32_t version = 0;
    for (int i = 4; i < 7; ++i) {
      if (tag[i] < '0' || tag[i] > '9') throw EFormatError(Utf8ToCp932("データが壊れています (状態の版)"));
      version = version * 10 + (tag[i] - '0');
    }
    return version;
  }
  s.Seek(-std::max(got, 0), soCurrent);
  return 0;
}

}  // namespace velk

#include "page_source.h"

#include <cctype>
#include <set>

#include "base/error.h"
#include "base/sjis.h"
#include "expr/build_parser.h"
#include "property_names.h"
#include "script/component_commands.h"
#include "source_text.h"
#include "text/font_pixel.h"
#include "text/word_composer.h"
#include "vfs/stream.h"

namespace velk::build {

namespace {

enum class TKind { Int, Byte, String, Data, Expr, ExprList };

struct TFieldInfo {
  std::string Key;
  TKind Kind;
};

// The code of the wait command.
constexpr uint8_t kWaitCode = 7;

// Collects the keys a command class stores at a page version.
class TKeyCollector : public TComFields {
 public:
  explicit TKeyCollector(int32_t version) : version_(version) {}
  int32_t Version() const override { return version_; }
  void Int(const char* key, int32_t&) override { add(key, TKind::Int); }
  void Byte(const char* key, uint8_t&) override { add(key, TKind::Byte); }
  void String(const char* key, std::string&) override { add(key, TKind::String); }
  void Data(const char* key, std::string&) override { add(key, TKind::Data); }
  void Expr(const char* key, TVelkParser&) override { add(key, TKind::Expr); }
  void ExprList(const char* key, std::vector<std::unique_ptr<TVelkParser>>&) override { add(key, TKind::ExprList); }
  void Property(int32_t id, TVelkParser&) override {
    add(PropertyName(id), TKind::Expr);
    has_properties = true;
  }

  std::vector<TFieldInfo> fields;
  bool has_properties = false;

 private:
  void add(const char* key, TKind kind) { fields.push_back({key, kind}); }
  int32_t version_;
};

// The fields of a class at a version; component classes report every property.
TKeyCollector collect_keys(uint8_t code, int32_t version) {
  TPage scratch;
  for (auto& mask : scratch.Masks) mask.fill(0xFF);
  scratch.Version = version;
  auto command = CreateCommand(&scratch.Commands, code);
  TKeyCollector keys(version);
  command->StoreFields(keys);
  return keys;
}

// Fields of every class at the newest version, to tell a field too new for its page from a misspelt one.
bool known_at_newest(uint8_t code, const std::string& key) {
  for (const auto& f : collect_keys(code, TPage::kMaxVersion).fields) {
    if (f.Key == key) return true;
  }
  return false;
}

bool is_key(std::string_view s) {
  if (s.empty() || !(std::islower(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s) {
    if (!(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_')) {
      return false;
    }
  }
  return true;
}

struct TNamedByte {
  const char* Key;
  const char* Name;
  uint8_t Value;
};

constexpr TNamedByte kNamedBytes[] = {
    {"type", "none", 0},    {"type", "int", 1},   {"type", "float", 2},  {"type", "flag", 3},    {"type", "string", 4},
    {"scope", "global", 0}, {"scope", "auto", 1}, {"scope", "local", 2}, {"scope", "status", 3},
};

// Fills a command from its source fields.
class TSourceFiller : public TComFields {
 public:
  TSourceFiller(const TPageSource& page, const TSourceCommand& command, const std::vector<TPageSource>& all,
                const ISysFuncTable* funcs)
      : page_(page), command_(command), all_(all), funcs_(funcs) {}

  int32_t Version() const override { return page_.Version; }

  void Int(const char* key, int32_t& value) override {
    const std::string* text = single(key);
    if (text == nullptr) return;
    const std::string t = Trim(*text);
    if (!t.empty() && t[0] == '@') {
      value = label(t.substr(1));
      return;
    }
    if (!ParseInt(t, value)) fail(std::string("field ") + key + ": not a number: " + t);
  }

  void Byte(const char* key, uint8_t& value) override {
    const std::string* text = single(key);
    if (text == nullptr) return;
    const std::string t = Trim(*text);
    for (const auto& named : kNamedBytes) {
      if (key == std::string_view(named.Key) && t == named.Name) {
        value = named.Value;
        return;
      }
    }
    int32_t n = 0;
    bool flag = false;
    if (ParseInt(t, n) && n >= 0 && n <= 255) {
      // A field with named values (a type code, a scope) takes only those values, by name or by number: any other
      // would build a command that fails every time it runs.
      bool named_key = false, known = false;
      for (const auto& named : kNamedBytes) {
        if (key != std::string_view(named.Key)) continue;
        named_key = true;
        known = known || named.Value == n;
      }
      if (named_key && !known) fail(std::string("field ") + key + ": unknown value " + t);
      value = static_cast<uint8_t>(n);
    } else if (ParseFlag(t, flag)) {
      value = flag ? 1 : 0;
    } else {
      fail(std::string("field ") + key + ": not a byte value: " + t);
    }
  }

  void String(const char* key, std::string& value) override {
    const std::string* text = single(key);
    if (text != nullptr) value = Utf8ToCp932(StringValue(*text));
  }

  // Message markup becomes the composed-text stream the player reads.
  void Data(const char* key, std::string& value) override {
    value.clear();
    const std::string* text = single(key);
    if (text == nullptr) return;
    try {
      TFontPixelManager glyphs;  // composing opens no font
      TWordComposer composer(glyphs);
      composer.SetText(Utf8ToCp932(StringValue(*text)));
      TMemoryStream stream;
      composer.ComposedText().SaveToStream(stream);
      value.assign(reinterpret_cast<const char*>(stream.Bytes().data()), stream.Bytes().size());
    } catch (const EVelkError& e) {
      fail("message text: " + e.Utf8());
    }
  }

  void Expr(const char* key, TVelkParser& value) override {
    const std::string* text = single(key);
    if (text != nullptr) {
      compile(*text, value);
    } else if (std::string_view(key) == "condition" && command_.Code != kWaitCode) {
      // The player reads a condition without value as false; a command written without one is meant to run
      // always. A wait without condition simply waits its time, so it keeps the empty condition.
      compile("TRUE", value);
    }
  }

  void ExprList(const char* key, std::vector<std::unique_ptr<TVelkParser>>& list) override {
    list.clear();
    for (const auto& [k, v] : command_.Fields) {
      if (k != key) continue;
      list.push_back(std::make_unique<TVelkParser>());
      compile(v, *list.back());
    }
  }

  void Property(int32_t id, TVelkParser& value) override { Expr(PropertyName(id), value); }

 private:
  const std::string* single(const char* key) {
    const std::string* found = nullptr;
    for (const auto& [k, v] : command_.Fields) {
      if (k != key) continue;
      if (found != nullptr) fail(std::string("field ") + key + " is given twice");
      found = &v;
    }
    return found;
  }

  void compile(const std::string& text, TVelkParser& value) {
    try {
      CompileExpression(text, value, funcs_);
    } catch (const EVelkError& e) {
      fail("expression \"" + Trim(text) + "\": " + e.Utf8());
    }
  }

  // A label of this page, or of the page named by the command's page field when that page is built too.
  int32_t label(const std::string& name) {
    const TPageSource* target = &page_;
    for (const auto& [k, v] : command_.Fields) {
      if (k != "page") continue;
      const std::string page_name = Utf8ToCp932(StringValue(v));
      target = nullptr;
      for (const auto& other : all_) {
        if (SameText(other.PageName, page_name)) target = &other;
      }
      if (target == nullptr) fail("page " + StringValue(v) + " is not part of this build: its labels are unknown");
    }
    const int32_t index = target->LabelIndex(Utf8ToCp932(name));
    if (index < 0) fail("no label " + name + " in " + Cp932ToUtf8(target->PageName));
    return index;
  }

  [[noreturn]] void fail(const std::string& message) { throw TBuildError(page_.File, command_.Line, message); }

  const TPageSource& page_;
  const TSourceCommand& command_;
  const std::vector<TPageSource>& all_;
  const ISysFuncTable* funcs_;
};

uint8_t result_type(const std::string& file, int32_t line, const std::string& name) {
  for (const auto& named : kNamedBytes) {
    if (std::string_view(named.Key) == "type" && name == named.Name) return named.Value;
  }
  throw TBuildError(file, line, "unknown result type " + name + " (none, int, float, flag or string)");
}

}  // namespace

void CompileExpression(const std::string& utf8, TVelkParser& out, const ISysFuncTable* funcs) {
  out.Clear();
  const std::string text = Utf8ToCp932(Trim(utf8));
  if (text.empty()) return;
  TBuildVelkParser build;
  build.Compile(text);
  TMemoryStream stored;
  build.WriteTo(stored, funcs);
  stored.SetPosition(0);
  out.LoadFromStream(stored);
}

std::string CommandKeyword(uint8_t code) {
  const char* name = CommandClassName(code);
  if (name == nullptr) return {};
  return LowerCase(std::string_view(name).substr(4));
}

int32_t FindCommandKeyword(std::string_view word) {
  for (int32_t code = 0; code < kCommandCount; ++code) {
    if (CommandKeyword(static_cast<uint8_t>(code)) == word) return code;
  }
  return -1;
}

void TPageSource::Parse(const std::string& file, const std::string& text) {
  File = file;
  Commands.clear();
  labels_.clear();
  for (const TSourceLine& line : SourceLines(file, text)) {
    const auto fail = [&](const std::string& message) { throw TBuildError(file, line.Number, message); };
    std::string word, rest;
    SplitWord(line.Text, word, rest);
    if (word[0] == '@') {
      if (!Commands.empty()) fail(word + " must come before the first command");
      if (word == "@version") {
        if (!ParseInt(rest, Version) || Version < TPage::kMinVersion || Version > TPage::kMaxVersion) {
          fail("page version must be 103 .. 115");
        }
      } else if (word == "@result") {
        ResultType = result_type(file, line.Number, rest);
      } else {
        fail("unknown directive " + word);
      }
      continue;
    }
    if (line.Indent % 2 != 0) fail("indentation must be a multiple of two spaces");
    const int32_t code = FindCommandKeyword(word);
    if (code < 0) fail("unknown command " + word);
    TSourceCommand command;
    command.Line = line.Number;
    command.Level = line.Indent / 2;
    command.Code = static_cast<uint8_t>(code);
    const TKeyCollector keys = collect_keys(command.Code, Version);
    std::vector<std::string> fields;
    try {
      fields = SplitFields(rest);
    } catch (const std::invalid_argument& e) {
      fail(e.what());
    }
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::string& field = fields[i];
      const size_t colon = field.find(':');
      const std::string key = colon == std::string::npos ? std::string() : Trim(field.substr(0, colon));
      bool known = key == "continue" || key == "skip";
      for (const auto& f : keys.fields) known = known || f.Key == key;
      if (colon != std::string::npos && is_key(key) && known) {
        command.Fields.emplace_back(key, Trim(field.substr(colon + 1)));
      } else if (colon != std::string::npos && is_key(key) && known_at_newest(command.Code, key)) {
        fail("field " + key + " of " + word + " needs a newer page version");
      } else if (i == 0 && !keys.has_properties && !keys.fields.empty()) {
        command.Fields.emplace_back(keys.fields[0].Key, field);
      } else if (colon != std::string::npos && is_key(key)) {
        fail("unknown field " + key + " of " + word);
      } else {
        fail("a field of " + word + " must be written key: value");
      }
    }
    if (command.Code == 3) {
      for (const auto& [k, v] : command.Fields) {
        if (k == "name") labels_.emplace(Utf8ToCp932(StringValue(v)), static_cast<int32_t>(Commands.size()));
      }
    }
    Commands.push_back(std::move(command));
  }
}

int32_t TPageSource::LabelIndex(const std::string& name) const {
  auto it = labels_.find(name);
  return it == labels_.end() ? -1 : it->second;
}

std::unique_ptr<TPage> BuildPage(const TPageSource& source, const std::vector<TPageSource>& all,
                                 const ISysFuncTable* funcs) {
  auto page = std::make_unique<TPage>();
  page->Name = source.PageName;
  page->Version = source.Version;
  page->ResultType = source.ResultType;
  // A component command carries exactly the properties that some command of its code on this page names.
  for (auto& mask : page->Masks) mask.fill(0);
  for (const auto& command : source.Commands) {
    for (const auto& [key, value] : command.Fields) {
      const int32_t id = FindProperty(key);
      if (id >= 0 && IsComponentCode(command.Code)) MaskSet(page->Masks[command.Code], id);
    }
  }
  for (const auto& command : source.Commands) {
    auto made = CreateCommand(&page->Commands, command.Code);
    made->Level = command.Level;
    made->Line = command.Line;
    made->Continue = true;
    for (const auto& [key, value] : command.Fields) {
      if (key != "continue" && key != "skip") continue;
      bool flag = false;
      if (!ParseFlag(value, flag)) throw TBuildError(source.File, command.Line, "field " + key + ": not a flag");
      (key == "continue" ? made->Continue : made->Skip) = flag;
    }
    TSourceFiller filler(source, command, all, funcs);
    made->StoreFields(filler);
    page->Commands.Add(std::move(made));
  }
  return page;
}

}  // namespace velk::build

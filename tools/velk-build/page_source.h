#pragma once
// Page sources of the game builder: one command per line, indentation giving the level, fields named as the command
// classes name their stored fields, component properties named as in the property table.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "expr/velk_parser.h"
#include "script/page.h"

namespace velk {
class ISysFuncTable;
}

namespace velk::build {

// Compiles expression text (UTF-8) with the player's compiler; empty text gives the expression without operations.
// Compile and write failures throw EVelkError.
void CompileExpression(const std::string& utf8, TVelkParser& out, const ISysFuncTable* funcs);

// The source keyword of a command code ("if", "boxnew": the class name without "TCom", in lower case), and back (-1).
std::string CommandKeyword(uint8_t code);
int32_t FindCommandKeyword(std::string_view word);

struct TSourceCommand {
  int32_t Line = 0;
  int32_t Level = 0;
  uint8_t Code = 0;
  std::vector<std::pair<std::string, std::string>> Fields;  // key, value text as written
};

class TPageSource {
 public:
  // Parses a page source (UTF-8 text). Errors name file and line.
  void Parse(const std::string& file, const std::string& text);
  // The index of a label of this page, or -1.
  int32_t LabelIndex(const std::string& name) const;

  std::string File;      // the source file, for errors
  std::string PageName;  // the archive name, code page 932
  int32_t Version = TPage::kMaxVersion;
  uint8_t ResultType = 0;
  std::vector<TSourceCommand> Commands;

 private:
  std::map<std::string, int32_t> labels_;
};

// Makes the page of a source: masks from the properties its component commands name, then every command. all holds
// every page of the build, so that "@label" targets may name labels of other pages.
std::unique_ptr<TPage> BuildPage(const TPageSource& source, const std::vector<TPageSource>& all,
                                 const ISysFuncTable* funcs);

}  // namespace velk::build

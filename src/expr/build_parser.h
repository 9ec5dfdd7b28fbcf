#pragma once
// The compiler from expression text to the build form (operation code, target name, operand texts), and its writer
// to the stored form that TVelkParser loads.
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

class ISysFuncTable;

struct TBuildOpeData {
  uint8_t Code = 0;
  std::string Target;
  std::vector<std::string> Operands;
};

class TBuildVelkParser {
 public:
  // Appends the build form of the text (code page 932), then removes redundant temporary copies. Syntax errors
  // throw EVelkError ("構文エラー", "配列の添え字が不正です"); brackets nested too deeply throw "式の括弧が深すぎます".
  void Compile(const std::string& text);
  // Writes the stored form, classifying operand texts as constants, function numbers or variable names. An unknown
  // function or a wrong argument count throws EVelkError.
  void WriteTo(TStream& s, const ISysFuncTable* funcs) const;

  const std::vector<TBuildOpeData>& Opes() const { return opes_; }
  void Clear();

 private:
  void compile_text(std::u16string text);
  void compile_call(std::u16string& text, size_t start, size_t open, size_t close);
  void compile_element(std::u16string& text, size_t open, size_t close);
  std::string operand_of(const std::u16string& piece);
  void remove_copies();
  std::string new_temp();
  std::string new_dim_temp();
  void add(uint8_t code, std::string target, std::vector<std::string> operands);

  std::vector<TBuildOpeData> opes_;
  int32_t counter_ = 0;
};

// Compiles, writes, loads and runs a text against the store: the run-time evaluation of message-text variables and
// of the Calc function. An empty (trimmed) text does nothing. Returns whether the text compiled and loaded; the
// run itself fails quietly. The result, if any, is parser.Result().
class TParamCollection;
class TVelkParser;
bool CompileAndRun(const std::string& text, TParamCollection& store, ISysFuncTable* funcs, TVelkParser& parser);

}  // namespace velk

#pragma once
// The system functions: the numbered table of the 159 functions that expressions call, and TSysFuncMan, which runs
// one call. Functions that belong to the scene, the message windows, the save slots and the player's shell reach them
// through ISysFuncHost, which upper layers implement; without a host those calls leave the target unchanged.
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "expr/db_table.h"
#include "expr/sys_func_table.h"

namespace velk {

class TParamCollection;
class TVrFileManager;

// The number of functions; numbers at or above it do nothing.
constexpr int32_t kSysFuncCount = 159;
// The row of a function number (0 .. 158), or null.
const TSysFuncInfo* SysFuncInfo(int32_t number);
// The number of a function name, letter case ignored; -1 when unknown.
int32_t FindSysFunc(std::string_view name);

// Half-width katakana and ASCII to their full-width forms (HanToZen), and back (ZenToHan).
std::string HanToZen(const std::string& s);
std::string ZenToHan(const std::string& s);

// Makes the variable named by a variable argument a one-dimensional string array of the items (the empty string when
// there are none). An argument that names no variable fails with func_name + ":変数が見つかりません".
void SetStringArray(TCustomParam* arg, const std::vector<std::string>& items, const std::string& func_name);

// The longest string a function builds (StringOfChar, StringReplace ...), and the most elements a function adds.
constexpr size_t kMaxFuncString = size_t{16} << 20;

// What the scene, message windows, save slots, call stack and shell answer. Each Call handles one function number
// of the list below and returns true when it did; false means "not available here" and leaves the target unchanged.
//   components and properties: GetProp, SetProp, Exists, GetCheck, SetCheck, GetEnabled, SetEnabled, GetVisible,
//     SetVisible, GetSelected, SetSelected, GetGroupIndex, IndexOfMenu, ListCompo, ToClientX/Y, ToScreenX/Y,
//     InPrimary, InCabinet;
//   player: GetSaveCaption, ListSaveCaption, GetHistoryCount, GetHistoryMaxCount, SetHistoryMaxCount, GetDisplayMode,
//     DeleteStack;
//   shell and dialogs: SaveScreen, ExtractFile, SelectOpenFile, SelectSaveFile, SelectDirectory, OpenUrl,
//     SetWallPaper, and CopyFile to "mem:" and "save:" destinations.
class ISysFuncHost {
 public:
  virtual ~ISysFuncHost() = default;
  // The value type of a property (PT_INT ...), for the result of GetProp.
  virtual uint8_t PropertyType(int32_t prop) const = 0;
  virtual bool Call(uint8_t number, TCustomParam& target, std::span<TCustomParam* const> args) = 0;
};

// Function numbers that other layers name.
namespace sf {
constexpr uint8_t GetProp = 2, SetProp = 3, Exists = 19, GetCheck = 24, SetCheck = 25, GetSaveCaption = 27,
                  ListCompo = 32, ToClientX = 33, ToClientY = 34, ToScreenX = 35, ToScreenY = 36, IndexOfMenu = 47,
                  GetDisplayMode = 65, InPrimary = 69, CopyFile = 158, SetWallPaper = 125, GetEnabled = 131,
                  SetEnabled = 132, ListSaveCaption = 134, OpenUrl = 135, SaveScreen = 137, GetVisible = 140,
                  SetVisible = 141, GetHistoryCount = 142, GetHistoryMaxCount = 143, SetHistoryMaxCount = 144,
                  GetGroupIndex = 145, GetSelected = 146, SetSelected = 147, SelectOpenFile = 148,
                  SelectSaveFile = 149, SelectDirectory = 150, ExtractFile = 151, InCabinet = 154,
                  DeleteStack = 157;
}  // namespace sf

class TSysFuncMan : public ISysFuncTable {
 public:
  explicit TSysFuncMan(TParamCollection& vars);

  void SetHost(ISysFuncHost* host) { host_ = host; }
  // The virtual files; without them the file functions find nothing.
  void SetFiles(TVrFileManager* files) { files_ = files; }
  // The disk folder that file functions may write into ("" refuses every disk write).
  void SetBaseFolder(std::string folder) { base_folder_ = std::move(folder); }
  const std::string& BaseFolder() const { return base_folder_; }
  TDBManager& DB() { return db_; }
  TParamCollection& Vars() { return vars_; }
  TVrFileManager* Files() { return files_; }
  ISysFuncHost* Host() { return host_; }
  std::mt19937& Random() { return random_; }

  int32_t FindFunc(std::string_view name) const override { return FindSysFunc(name); }
  const TSysFuncInfo* FuncInfo(int32_t number) const override { return SysFuncInfo(number); }
  uint8_t PropertyType(int32_t prop) const override;
  void Call(TCustomParam& target, uint8_t number, std::span<TCustomParam* const> args) override;

  // Calc inside Calc nests at most kMaxCalcDepth deep; deeper fails the call.
  static constexpr int32_t kMaxCalcDepth = 32;
  class TCalcDepth {
   public:
    explicit TCalcDepth(TSysFuncMan& man);
    ~TCalcDepth() { --man_.calc_depth_; }
    TCalcDepth(const TCalcDepth&) = delete;
    TCalcDepth& operator=(const TCalcDepth&) = delete;

   private:
    TSysFuncMan& man_;
  };

 private:
  int32_t calc_depth_ = 0;
  TParamCollection& vars_;
  ISysFuncHost* host_ = nullptr;
  TVrFileManager* files_ = nullptr;
  std::string base_folder_;
  TDBManager db_;
  std::mt19937 random_;
};

// The table alone, for tools that compile expressions without running them; property types come from the host.
class TSysFuncNames : public ISysFuncTable {
 public:
  explicit TSysFuncNames(const ISysFuncHost* host = nullptr) : host_(host) {}
  int32_t FindFunc(std::string_view name) const override { return FindSysFunc(name); }
  const TSysFuncInfo* FuncInfo(int32_t number) const override { return SysFuncInfo(number); }
  uint8_t PropertyType(int32_t prop) const override;
  void Call(TCustomParam&, uint8_t, std::span<TCustomParam* const>) override {}

 private:
  const ISysFuncHost* host_;
};

}  // namespace velk

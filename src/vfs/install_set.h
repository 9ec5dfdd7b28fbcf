#pragma once
// install.dat: the description of an installation and the number of the disc the file lies on. Most fields are
// written by the authoring tool's installer and only carried through by the player.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

class TVelkInstallSet {
 public:
  static constexpr int32_t kVersion = 108;

  void LoadFromFile(const std::string& path);  // a disk path
  void LoadFromStream(TStream& s);
  void SaveToFile(const std::string& path);
  void SaveToStream(TStream& s) const;
  // Index of a name in the added files, ignoring letter case; -1 when absent.
  int32_t IndexOfFile(const std::string& name) const;
  // Appends the name unless it is already there.
  void AddFile(const std::string& name);

  int32_t Version = 0;  // of the file last read
  int32_t DiscNumber = 0;
  std::string Title;
  std::string Text2, Text3, Text4;
  uint8_t FlagA = 0;
  std::string Text5;
  uint8_t FlagB = 0;
  std::string Text6;
  int32_t ValueC = 0;
  uint8_t FlagD = 0, FlagE = 0;
  std::string Text7, Text8;
  std::vector<std::array<int64_t, 4>> Items;  // one number of each of the four arrays per item
  std::array<int64_t, 4> Totals = {};
  uint8_t FlagF = 0;
  uint8_t FlagG = 0;                    // from version 101
  std::vector<std::string> AddedFiles;  // from 102: files the game created after installation
  bool FullInstall = false;             // from 103: every file is on disk, no disc is needed
  uint8_t FlagH = 0;                    // from 104
  uint8_t FlagI = 0;                    // from 105
  std::vector<std::string> TextList;    // from 106
  std::string Text9;                    // from 107
  std::string Text10, Text11;           // from 108
};

}  // namespace velk

#pragma once
// The compiled project file velk.kpb: title, screen, start and exit pages, policies, prompt texts, the variables the
// game defines before any script runs, and the disc map. Read once at start-up, then freed.
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/folder_disk_list.h"
#include "vfs/stream.h"

namespace velk {

// One variable the project defines: type code 1 int, 2 float, 3 flag, 4 string, and its initial value.
struct TProjectVar {
  uint8_t Type = 1;
  std::string Name;
  int32_t IntValue = 0;
  long double FloatValue = 0;
  bool BoolValue = false;
  std::string StrValue;
};

class TProjectSetting {
 public:
  // The newest project version the player reads.
  static constexpr int32_t kMaxVersion = 115;

  // Reads the project file. A version above 115 fails with "このバージョンには対応していません"; a damaged or
  // truncated file fails with EFormatError. Variable definitions with an unknown type code are skipped.
  void LoadFromStream(TStream& s);
  // Writes the fields that Version carries (the writer of tests and of the game builder).
  void SaveToStream(TStream& s) const;

  int32_t Version = kMaxVersion;
  std::string Title;
  int32_t ScreenWidth = 640;
  int32_t ScreenHeight = 480;
  int32_t FullScreenWidth = 640;
  int32_t FullScreenHeight = 480;
  std::string StartPage;
  std::string ExitPage;  // from 110
  std::string RegistryKey;
  int32_t IdCode = 0;
  bool SaveEnabled = true;                           // from 104
  uint8_t IdleFlag = 0;                              // from 106; kept, never used
  std::string MediaExtensions = ".wav.wma.ogg.mid";  // from 109
  bool PauseWhenInactive = false;                    // from 113
  uint8_t ReservedFlag = 0;                          // from 114; kept, never used
  std::string DiscPrompt;
  std::string QuitText;
  std::vector<TProjectVar> Variables;
  TFolderDiskList DiscMap;
};

// The media extensions of a project file that has none.
inline constexpr const char* kDefaultMediaExtensions = ".wav.wma.ogg.mid";

}  // namespace velk

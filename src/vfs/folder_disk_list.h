#pragma once
// The disc map of a game spread over several discs: folders paired with the number of the disc that holds them.
#include <cstdint>
#include <string>
#include <vector>

#include "vfs/stream.h"

namespace velk {

class TFolderDiskList {
 public:
  struct TItem {
    std::string Folder;  // code page 932, "\" between folders
    int32_t Disc = 0;
  };

  void Add(const std::string& folder, int32_t disc) { Items.push_back({folder, disc}); }
  // The disc of the deepest mapped folder that holds name (the name itself counts as a folder); 0 when none.
  int32_t DiscOf(const std::string& name) const;
  // int32 count, then count times (string folder, int32 disc).
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s);

  std::vector<TItem> Items;
};

}  // namespace velk

#include "vfs/folder_disk_list.h"

#include "base/paths.h"
#include "base/sjis.h"
#include "vfs/stream_io.h"

namespace velk {

int32_t TFolderDiskList::DiscOf(const std::string& name) const {
  std::string current = UpperCase(name);
  while (!current.empty()) {
    const std::string folder = IncludeTrailingPathDelimiter(current);
    for (const auto& item : Items) {
      if (SameText(IncludeTrailingPathDelimiter(item.Folder), folder)) return item.Disc;
    }
    // Cut at the last delimiter: the delimiter and everything after it go.
    size_t last = std::string::npos;
    for (size_t i = 0; i < current.size(); i += CharLength(current, i)) {
      if (IsPathDelimiter(current, i)) last = i;
    }
    current.resize(last == std::string::npos ? 0 : last);
  }
  return 0;
}

void TFolderDiskList::SaveToStream(TStream& s) const {
  WriteInt(s, static_cast<int32_t>(Items.size()));
  for (const auto& item : Items) {
    WriteString(s, item.Folder);
    WriteInt(s, item.Disc);
  }
}

void TFolderDiskList::LoadFromStream(TStream& s) {
  Items.clear();
  const int32_t count = ReadInt(s);
  if (count <= 0) return;
  CheckCount(s, count, 8);
  Items.resize(static_cast<size_t>(count));
  for (auto& item : Items) {
    item.Folder = ReadString(s);
    item.Disc = ReadInt(s);
  }
}

}  // namespace velk

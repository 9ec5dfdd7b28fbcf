#pragma once
// The virtual file manager: resolves names of the system (code page 932, "\" between folders) to files of the base
// folder on disk, entries of the mounted archives in mount order, and files on the discs in the optical drives. It
// extracts entries to temporary files for players that need a real file, and asks for discs of multi-disc games.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vfs/archive.h"
#include "vfs/range_stream.h"
#include "vfs/stream.h"

namespace velk {

// One entry extracted to a temporary file.
struct TVrLockData {
  std::string Name;  // the entry name, as asked for
  int32_t Id = 0;    // unique among the current entries
  int32_t UseCount = 1;
  std::string FileName;  // the temporary file: "~vk" + Id as 8 upper-case hex digits + the entry's extension
};

struct TVrLockList {
  std::vector<std::unique_ptr<TVrLockData>> Items;
  int32_t NextId = 0;
};

// The texts of a disc request; the project sets them.
struct TDiscTexts {
  std::string ApplicationTitle;
  std::string ProjectTitle;  // compared with the title of each disc's install.dat
  std::string DiscPrompt;    // one %d: the disc number
  std::string QuitText;
  TDiscTexts();
};

class TVrFileManager {
 public:
  // cd_roots: the root folders (disk paths ending with "/") of the optical drives that hold a disc.
  TVrFileManager(const TPlatform& platform, std::vector<std::string> cd_roots);
  // Deletes every temporary file it made.
  ~TVrFileManager();
  TVrFileManager(const TVrFileManager&) = delete;
  TVrFileManager& operator=(const TVrFileManager&) = delete;

  // The mount points of mounted optical file systems (iso9660, udf), in order, each ending with "/".
  static std::vector<std::string> FindCdRoots();

  // Opens path (a disk path; empty for the memory collection) and appends it; -1 when a mounted collection's base
  // folder equals path (ignoring case), and nothing is mounted.
  int32_t Mount(const std::string& path);
  int32_t MountResource(const std::string& module_file, const std::string& resource_name,
                        const std::string& resource_type);
  void Unmount(int32_t index);
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(collections_.size()); }
  TVrFileCollection& Collection(int32_t index) { return *collections_.at(static_cast<size_t>(index)); }

  // A disk folder; stored with a trailing "/" (empty stays empty).
  void SetBaseFolder(const std::string& folder);
  const std::string& BaseFolder() const { return base_folder_; }
  const std::vector<std::string>& CdRoots() const { return cd_roots_; }

  bool Exists(const std::string& name);
  // Reads name into target, positioned at 0; a memory target is cleared first. Fails with "%s:ファイルがありません".
  void ReadFile(TStream& target, const std::string& name);
  // A range stream over the whole disk file or the stored bytes of an entry.
  std::unique_ptr<TRangeStream> OpenRange(const std::string& name);
  // A disk path for name: the disk file itself, or an archive entry extracted to a temporary file (reused for the
  // same spelling); the name in disk form when it is found nowhere.
  std::string GetLocalFileName(const std::string& name);
  TVrFile* FindEntry(const std::string& name);
  // Appends the names in folder: archive entries once each, then the files of the disk folders.
  void ListFiles(const std::string& folder, std::vector<std::string>& list);
  static std::string FolderOf(const std::string& name);

  // Asks for disc n until it is found (true) or the user quits (false; OnQuit has been called).
  bool RequestDisc(int32_t n);
  // Mounts game.dat of every disc whose install.dat names the project and disc k; whether any was.
  bool MountDisc(int32_t k);

  TDiscTexts DiscTexts;
  // Sets the quitting flag and asks the main window to close.
  std::function<void()> OnQuit;
  const TVrLockList& LockList() const { return locks_; }

 private:
  std::string find_on_discs(const std::string& name) const;
  void read_disk_file(TStream& target, const std::string& path);
  std::string extract(TVrFileCollection& owner, const std::string& name);
  const std::string& temp_folder();
  void list_disk_folder(const std::string& root, const std::string& folder, std::vector<std::string>& list);

  TPlatform platform_;
  std::vector<std::unique_ptr<TVrFileCollection>> collections_;
  std::vector<std::string> cd_roots_;
  std::string base_folder_;
  TVrLockList locks_;
  std::string temp_folder_;              // a private folder, made on first extraction
  std::vector<std::string> temp_files_;  // deleted at destruction
};

// The disc prompt with its one number: "%d" becomes n, "%%" a percent sign; nothing else is interpreted, since the
// text comes from game data.
std::string FormatDiscPrompt(const std::string& prompt, int32_t n);

}  // namespace velk

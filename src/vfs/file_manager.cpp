#include "vfs/file_manager.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/error.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "vfs/disk_name.h"
#include "vfs/install_set.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

EStreamError not_found(const std::string& name) { return EStreamError(name + Utf8ToCp932(":ファイルがありません")); }

bool starts_with_ignoring_case(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// Mount points in /proc/self/mounts escape blanks and a few other bytes as \ooo.
std::string unescape_mount(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const std::string oct = s.substr(i + 1, 3);
      if (oct.size() == 3 && std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out.push_back(static_cast<char>(std::stoi(oct, nullptr, 8)));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

}  // namespace

TDiscTexts::TDiscTexts()
    : DiscPrompt(Utf8ToCp932("ディスク%dを入れてから[OK]をクリックしてください")), QuitText(Utf8ToCp932("終了します")) {
}

std::string FormatDiscPrompt(const std::string& prompt, int32_t n) {
  std::string out;
  bool done = false;
  for (size_t i = 0; i < prompt.size(); i += CharLength(prompt, i)) {
    if (prompt[i] == '%' && i + 1 < prompt.size()) {
      if (prompt[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (prompt[i + 1] == 'd' && !done) {
        out += std::to_string(n);
        done = true;
        ++i;
        continue;
      }
    }
    out.append(prompt, i, CharLength(prompt, i));
  }
  return out;
}

TVrFileManager::TVrFileManager(const TPlatform& platform, std::vector<std::string> cd_roots)
    : platform_(platform), cd_roots_(std::move(cd_roots)) {
  for (auto& root : cd_roots_) root = WithTrailingSlash(root);
}

TVrFileManager::~TVrFileManager() {
  collections_.clear();
  for (const auto& f : temp_files_) ::unlink(f.c_str());
  if (!temp_folder_.empty()) ::rmdir(temp_folder_.c_str());
}

std::vector<std::string> TVrFileManager::FindCdRoots() {
  std::vector<std::string> roots;
  std::ifstream mounts("/proc/self/mounts");
  std::string device, point, type, rest;
  while (mounts >> device >> point >> type && std::getline(mounts, rest)) {
    if (type == "iso9660" || type == "udf") {
      std::string root = WithTrailingSlash(unescape_mount(point));
      if (::access(root.c_str(), R_OK | X_OK) == 0) roots.push_back(root);
    }
  }
  std::sort(roots.begin(), roots.end());
  return roots;
}

int32_t TVrFileManager::Mount(const std::string& path) {
  for (const auto& c : collections_) {
    if (SameText(c->BaseFolder(), path)) return -1;
  }
  auto c = std::make_unique<TVrFileCollection>();
  c->MessageBoxes = platform_.MessageBoxes;
  c->Open(path);
  collections_.push_back(std::move(c));
  return Count() - 1;
}

int32_t TVrFileManager::MountResource(const std::string& module_file, const std::string& resource_name,
                                      const std::string& resource_type) {
  auto c = std::make_unique<TVrFileCollection>();
  c->MessageBoxes = platform_.MessageBoxes;
  c->OpenResource(platform_.Resources, module_file, resource_name, resource_type);
  collections_.push_back(std::move(c));
  return Count() - 1;
}

void TVrFileManager::Unmount(int32_t index) {
  if (index >= 0 && index < Count()) collections_.erase(collections_.begin() + index);
}

void TVrFileManager::Clear() { collections_.clear(); }

void TVrFileManager::SetBaseFolder(const std::string& folder) { base_folder_ = WithTrailingSlash(folder); }

std::string TVrFileManager::find_on_discs(const std::string& name) const {
  for (const auto& root : cd_roots_) {
    std::string path = FindDiskFile(root, name);
    if (!path.empty()) return path;
  }
  return {};
}

TVrFile* TVrFileManager::FindEntry(const std::string& name) {
  for (const auto& c : collections_) {
    if (TVrFile* e = c->FindEntry(name)) return e;
  }
  return nullptr;
}

bool TVrFileManager::Exists(const std::string& name) {
  if (name.empty()) return false;
  if (FindEntry(name) != nullptr) return true;
  if (!base_folder_.empty() && !FindDiskFile(base_folder_, name).empty()) return true;
  return !find_on_discs(name).empty();
}

void TVrFileManager::read_disk_file(TStream& target, const std::string& path) {
  if (TMemoryStream* memory = target.AsMemory()) {
    memory->LoadFromFile(path);
  } else {
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    if (CopyStream(target, f, 0) != f.GetSize()) throw EStreamError(Utf8ToCp932("ストリームの書き込みエラー"));
  }
  target.SetPosition(0);
}

void TVrFileManager::ReadFile(TStream& target, const std::string& name) {
  TMemoryStream* memory = target.AsMemory();
  if (memory != nullptr) memory->Clear();
  // A loose file beside the game overrides the packed one.
  std::string path = FindDiskFile(base_folder_, name);
  if (!path.empty()) return read_disk_file(target, path);
  for (const auto& c : collections_) {
    TVrFile* e = c->FindEntry(name);
    if (e == nullptr) continue;
    if (e->Data) {
      if (CopyStream(target, *e->Data, 0) != e->Data->GetSize()) {
        throw EStreamError(Utf8ToCp932("ストリームの書き込みエラー"));
      }
      target.SetPosition(0);
      return;
    }
    if (c->ArchiveStream() != nullptr) {
      c->ReadStored(target, *e);
      return;
    }
  }
  path = find_on_discs(name);
  if (!path.empty()) return read_disk_file(target, path);
  throw not_found(name);
}

std::unique_ptr<TRangeStream> TVrFileManager::OpenRange(const std::string& name) {
  std::string path = FindDiskFile(base_folder_, name);
  if (!path.empty()) return std::make_unique<TFileRangeStream>(path, kWholeStream, 0);
  for (const auto& c : collections_) {
    if (auto range = c->OpenRange(name)) return range;
  }
  path = find_on_discs(name);
  if (!path.empty()) return std::make_unique<TFileRangeStream>(path, kWholeStream, 0);
  throw not_found(name);
}

const std::string& TVrFileManager::temp_folder() {
  if (temp_folder_.empty()) {
    std::string base = platform_.Files != nullptr ? platform_.Files->TempFolder()
                                                  : WithTrailingSlash(std::filesystem::temp_directory_path().string());
    std::string templ = WithTrailingSlash(base) + "velk-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) throw EStreamError(Utf8ToCp932("作業用ファイルが作れません"));
    temp_folder_ = templ + "/";
  }
  return temp_folder_;
}

std::string TVrFileManager::extract(TVrFileCollection&, const std::string& name) {
  auto lock = std::make_unique<TVrLockData>();
  lock->Name = name;
  lock->Id = locks_.NextId;
  auto used = [this](int32_t id) {
    return std::any_of(locks_.Items.begin(), locks_.Items.end(), [id](const auto& l) { return l->Id == id; });
  };
  do {
    ++locks_.NextId;
  } while (used(locks_.NextId));
  std::string ext = DiskName(ExtractFileExt(name));
  if (ext.find('/') != std::string::npos) ext.clear();
  char stem[16];
  std::snprintf(stem, sizeof stem, "~vk%08X", static_cast<uint32_t>(lock->Id));
  lock->FileName = temp_folder() + stem + ext;

  // A private folder and exclusive creation: nobody else can have placed or linked a file of this name.
  int fd = ::open(lock->FileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw EStreamError(Utf8ToCp932("作業用ファイルが作れません"), Utf8ToCp932(lock->FileName));
  try {
    THandleStream out(fd, true);
    ReadFile(out, name);
  } catch (...) {
    ::unlink(lock->FileName.c_str());  // no record of a half-written file
    throw;
  }
  temp_files_.push_back(lock->FileName);
  locks_.Items.push_back(std::move(lock));
  return locks_.Items.back()->FileName;
}

std::string TVrFileManager::GetLocalFileName(const std::string& name) {
  if (!base_folder_.empty()) {
    std::string path = FindDiskFile(base_folder_, name);
    if (!path.empty()) return path;
  }
  for (const auto& c : collections_) {
    if (c->FindEntry(name) == nullptr) continue;
    for (const auto& l : locks_.Items) {
      if (l->Name == name) {  // the same spelling only
        ++l->UseCount;
        return l->FileName;
      }
    }
    return extract(*c, name);
  }
  std::string path = find_on_discs(name);
  return path.empty() ? DiskName(name) : path;
}

void TVrFileManager::list_disk_folder(const std::string& root, const std::string& folder,
                                      std::vector<std::string>& list) {
  std::string dir = folder.empty() ? root : FindDiskFolder(root, folder);
  if (dir.empty()) return;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    struct stat st;
    if (::stat((dir + e->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const auto& n : names) list.push_back(folder + SystemName(n));
}

void TVrFileManager::ListFiles(const std::string& folder, std::vector<std::string>& list) {
  for (const auto& c : collections_) c->ListFolder(folder, list);
  if (!base_folder_.empty()) list_disk_folder(base_folder_, folder, list);
  for (const auto& root : cd_roots_) list_disk_folder(root, folder, list);
}

std::string TVrFileManager::FolderOf(const std::string& name) { return ExtractFilePath(name); }

bool TVrFileManager::MountDisc(int32_t k) {
  bool mounted = false;
  for (const auto& root : cd_roots_) {
    const std::string game = FindDiskFile(root, "game.dat");
    const std::string install = FindDiskFile(root, "install.dat");
    if (game.empty() || install.empty()) continue;
    TVelkInstallSet set;
    try {
      set.LoadFromFile(install);
    } catch (const EVelkError&) {
      continue;  // not this game's disc
    }
    if (set.Title == DiscTexts.ProjectTitle && set.DiscNumber == k) {
      Mount(game);
      mounted = true;
    }
  }
  return mounted;
}

bool TVrFileManager::RequestDisc(int32_t n) {
  for (int32_t i = Count() - 1; i >= 0; --i) {
    const std::string& base = collections_[static_cast<size_t>(i)]->BaseFolder();
    for (const auto& root : cd_roots_) {
      if (starts_with_ignoring_case(base, root)) {
        Unmount(i);
        break;
      }
    }
  }
  IMessageBoxes* boxes = platform_.MessageBoxes;
  for (;;) {
    const int32_t answer = boxes != nullptr ? boxes->Show(FormatDiscPrompt(DiscTexts.DiscPrompt, n),
                                                          DiscTexts.ApplicationTitle, MB_OKCANCEL)
                                            : IDCANCEL;
    if (answer == IDOK) {
      if (MountDisc(n - 1)) return true;
      continue;
    }
    const int32_t quit =
        boxes != nullptr ? boxes->Show(DiscTexts.QuitText, DiscTexts.ApplicationTitle, MB_OKCANCEL) : IDOK;
    if (quit == IDOK) {
      if (OnQuit) OnQuit();
      return false;
    }
  }
}

}  // namespace velk

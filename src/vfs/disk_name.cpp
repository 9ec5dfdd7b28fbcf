#include "vfs/disk_name.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "base/sjis.h"

namespace velk {

namespace {

bool same_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The entry of dir named like component ignoring letter case ("" when none). The exact spelling wins.
std::string match_in(const std::string& dir, const std::string& component) {
  struct stat st;
  if (::lstat((dir + component).c_str(), &st) == 0) return component;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return {};
  std::string found;
  while (dirent* e = ::readdir(d)) {
    if (same_ascii_case(e->d_name, component)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

std::string find_path(const std::string& folder, std::string_view name, bool directory) {
  std::string rel = DiskName(name);
  std::string path = folder;
  size_t i = 0;
  bool any = false;
  while (i <= rel.size()) {
    size_t slash = rel.find('/', i);
    if (slash == std::string::npos) slash = rel.size();
    std::string component = rel.substr(i, slash - i);
    i = slash + 1;
    if (component.empty()) continue;
    std::string match = (component == "." || component == "..") ? component : match_in(path, component);
    if (match.empty()) return {};
    path += match;
    if (i <= rel.size()) path += '/';
    any = true;
  }
  if (!any) return {};
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  if (directory) return S_ISDIR(st.st_mode) ? WithTrailingSlash(path) : std::string();
  return S_ISREG(st.st_mode) ? path : std::string();
}

}  // namespace

std::string DiskName(std::string_view name) {
  std::string out = Cp932ToUtf8(name);
  std::replace(out.begin(), out.end(), '\\', '/');  // UTF-8 never has 0x5C inside a character
  return out;
}

std::string SystemName(std::string_view disk_path) {
  std::string out = Utf8ToCp932(disk_path);
  for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (out[i] == '/') out[i] = '\\';
  }
  return out;
}

std::string FindDiskFile(const std::string& folder, std::string_view name) { return find_path(folder, name, false); }

std::string FindDiskFolder(const std::string& folder, std::string_view name) { return find_path(folder, name, true); }

std::string ConfinedDiskPath(const std::string& folder, std::string_view name) {
  const std::string rel = DiskName(name);
  if (rel.empty() || rel[0] == '/' || (rel.size() >= 2 && rel[1] == ':')) return {};
  std::string path;
  size_t i = 0;
  while (i <= rel.size()) {
    size_t slash = rel.find('/', i);
    if (slash == std::string::npos) slash = rel.size();
    const std::string component = rel.substr(i, slash - i);
    i = slash + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") return {};
    if (!path.empty()) path += '/';
    path += component;
  }
  return path.empty() ? std::string() : WithTrailingSlash(folder) + path;
}

std::string DiskFolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

size_t ext_start(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

}  // namespace

std::string DiskFileExt(const std::string& path) {
  const size_t dot = ext_start(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeDiskFileExt(const std::string& path, const std::string& ext) {
  const size_t dot = ext_start(path);
  return path.substr(0, dot == std::string::npos ? path.size() : dot) + ext;
}

std::string WithTrailingSlash(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

}  // namespace velk

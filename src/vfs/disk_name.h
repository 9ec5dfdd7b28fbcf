#pragma once
// Names of the system on disk. Names are code page 932 with "\" between folders; disk paths are UTF-8 with "/".
// Games were made on a file system that ignores letter case, so every component is matched ignoring case.
#include <string>
#include <string_view>

namespace velk {

// The name as a relative disk path: UTF-8, "\" turned into "/".
std::string DiskName(std::string_view name);
// The name of a disk file as the system spells it: code page 932, "/" turned into "\".
std::string SystemName(std::string_view disk_path);

// The existing regular file folder + name (folder: a disk path ending with "/", or empty for the working folder),
// each component of name matched ignoring letter case; empty when there is none.
std::string FindDiskFile(const std::string& folder, std::string_view name);
// The same for a folder; the result ends with "/".
std::string FindDiskFolder(const std::string& folder, std::string_view name);

// folder + name for writing a file: the name's components joined below folder. Empty when the name would leave the
// folder: a ".." component, an absolute name or a drive prefix. "." and empty components are dropped.
std::string ConfinedDiskPath(const std::string& folder, std::string_view name);

// The folder part of a disk path, with its trailing "/" ("" when there is none).
std::string DiskFolderOf(const std::string& path);
// The extension of a disk path's file name, dot included ("" when it has none).
std::string DiskFileExt(const std::string& path);
// The path with its extension replaced by ext (appended when it has none).
std::string ChangeDiskFileExt(const std::string& path, const std::string& ext);
// The path with a trailing "/" unless it is empty or already has one.
std::string WithTrailingSlash(const std::string& path);

}  // namespace velk

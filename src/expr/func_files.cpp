// File functions. Names are virtual file names; a name that would leave the game's folders (a ".." component, an
// absolute name or a drive prefix) finds nothing and writes nothing.
#include <filesystem>

#include "base/error.h"
#include "expr/param.h"
#include "expr/param_collection.h"
#include "expr/sys_func_groups.h"
#include "expr/sys_func_man.h"
#include "vfs/disk_name.h"
#include "vfs/file_manager.h"
#include "vfs/stream.h"

namespace velk {

namespace {

bool confined(const std::string& name) { return !name.empty() && !ConfinedDiskPath("game/", name).empty(); }

bool starts_with_ci(const std::string& s, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

bool read_file(TSysFuncMan& man, const std::string& name, TMemoryStream& m) {
  if (man.Files() == nullptr || !confined(name) || !man.Files()->Exists(name)) return false;
  try {
    man.Files()->ReadFile(m, name);
  } catch (const EVelkError&) {
    return false;
  }
  return true;
}

// CopyFile to a disk file below the base folder; "mem:" and "save:" destinations belong to the host.
bool copy_file(const TFuncCall& c) {
  std::string source = c.Arg(0).GetStr();
  std::string dest = c.Arg(1).GetStr();
  if (starts_with_ci(dest, "mem:") || starts_with_ci(dest, "save:")) {
    ISysFuncHost* host = c.Man.Host();
    return host != nullptr && host->Call(c.Number, c.Target, c.Args);
  }
  if (c.Man.BaseFolder().empty()) return false;
  std::string path = ConfinedDiskPath(WithTrailingSlash(c.Man.BaseFolder()), dest);
  TMemoryStream m;
  if (path.empty() || !read_file(c.Man, source, m)) {
    c.Target.SetBool(false);
    return true;
  }
  try {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    TFileStream out(path, fmCreate);
    out.WriteBuffer(m.Memory(), m.GetSize());
  } catch (const EVelkError&) {
    c.Target.SetBool(false);
    return true;
  }
  c.Target.SetBool(true);
  return true;
}

}  // namespace

bool ReadTextLines(TSysFuncMan& man, const std::string& name, std::vector<std::string>& lines) {
  lines.clear();
  TMemoryStream m;
  if (!read_file(man, name, m) || m.GetSize() == 0) return false;
  std::string text(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
  size_t i = 0;
  while (i < text.size()) {
    size_t e = text.find_first_of("\r\n", i);
    if (e == std::string::npos) e = text.size();
    lines.push_back(text.substr(i, e - i));
    if (e + 1 < text.size() && text[e] == '\r' && text[e + 1] == '\n') ++e;
    i = e + 1;
  }
  return true;
}

bool CallFileFunc(const TFuncCall& c) {
  TCustomParam& t = c.Target;
  switch (c.Number) {
    case 71: {  // FileExists
      std::string name = c.Arg(0).GetStr();
      t.SetBool(c.Man.Files() != nullptr && confined(name) && c.Man.Files()->Exists(name));
      return true;
    }
    case 72: {  // LoadTextFile (name, variable): the lines as a string array
      c.VarItem(1);
      std::vector<std::string> lines;
      bool read = ReadTextLines(c.Man, c.Arg(0).GetStr(), lines) && !lines.empty();
      if (read) SetStringArray(c.Args[1], lines, c.Name());
      t.SetBool(read);
      return true;
    }
    case 158: copy_file(c); return true;  // CopyFile
    default: return false;
  }
}

}  // namespace velk

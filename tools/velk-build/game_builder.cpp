#include "game_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/error.h"
#include "base/sjis.h"
#include "film_source.h"
#include "expr/sys_func_man.h"
#include "gfx/brix.h"
#include "gfx/brix_writer.h"
#include "page_source.h"
#include "scene/scene_func_host.h"
#include "source_text.h"
#include "vfs/archive.h"
#include "vfs/big_stream.h"
#include "vfs/disk_name.h"
#include "vfs/stream_io.h"

namespace velk::build {

namespace fs = std::filesystem;

namespace {

struct TPageEntry {
  std::string Source;  // disk path
  std::string Name;    // archive name
  int32_t Line = 0;
};

// The archive name of a path relative to the project folder: "/" becomes "\", UTF-8 becomes code page 932.
std::string archive_name(const std::string& relative) {
  std::string name = Utf8ToCp932(relative);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

std::vector<uint8_t> file_bytes(const std::string& path, const std::string& file, int32_t line) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TBuildError(file, line, "cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool is_png(const fs::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png";
}

// A PNG picture as a one-frame layered image, stored under its path with the extension ".brx".
TBuiltFile png_as_brix(const fs::path& path, const fs::path& root, const std::string& file, int32_t line) {
  if (!is_png(path)) throw TBuildError(file, line, "image takes PNG pictures only: " + path.string());
  const std::vector<uint8_t> png = file_bytes(path.string(), file, line);
  TMemoryStream brx;
  try {
    TBrixFrameList frames;
    frames.LoadPng(png.data(), png.size(), path.string());
    WriteBrix(brx, frames, TBrixWriteOptions{});
  } catch (const EVelkError& e) {
    throw TBuildError(file, line, e.Utf8());
  }
  fs::path name = fs::relative(path, root);
  name.replace_extension(".brx");
  return {archive_name(name.generic_string()), brx.Bytes(), true};
}

// "animation NAME.brx MS FRAME.png ...": the PNG pictures as the frames of one layered image, each shown for MS
// milliseconds.
TBuiltFile animation_as_brix(const std::string& rest, const fs::path& root, const std::string& file, int32_t line) {
  std::string name, tail, time;
  SplitWord(rest, name, tail);
  SplitWord(tail, time, tail);
  int32_t ms = 0;
  if (name.empty() || !ParseInt(time, ms) || ms < 1 || tail.empty()) {
    throw TBuildError(file, line, "animation needs a name, a frame time in milliseconds and PNG pictures");
  }
  TBrixFrameList frames;
  try {
    for (std::string picture; !tail.empty();) {
      SplitWord(tail, picture, tail);
      const fs::path path = root / picture;
      if (!is_png(path)) throw TBuildError(file, line, "animation takes PNG pictures only: " + picture);
      const std::vector<uint8_t> png = file_bytes(path.string(), file, line);
      frames.AddPng(png.data(), png.size(), path.string());
      frames.Frame(frames.Count() - 1).DisplayTime = ms;
    }
    TMemoryStream brx;
    WriteBrix(brx, frames, TBrixWriteOptions{});
    return {archive_name(name), brx.Bytes(), true};
  } catch (const TBuildError&) {
    throw;
  } catch (const EVelkError& e) {
    throw TBuildError(file, line, e.Utf8());
  }
}

void parse_var(TProjectSetting& p, const std::string& rest, const std::string& file, int32_t line) {
  std::string type, tail, name, value;
  SplitWord(rest, type, tail);
  SplitWord(tail, name, value);
  if (name.empty()) throw TBuildError(file, line, "var needs a type, a name and a value");
  TProjectVar var;
  var.Name = Utf8ToCp932(name);
  bool ok = true;
  if (type == "int") {
    var.Type = 1;
    ok = ParseInt(value.empty() ? "0" : value, var.IntValue);
  } else if (type == "float") {
    var.Type = 2;
    char* end = nullptr;
    const std::string v = value.empty() ? "0" : value;
    var.FloatValue = std::strtold(v.c_str(), &end);
    ok = end != nullptr && *end == '\0';
  } else if (type == "flag") {
    var.Type = 3;
    ok = ParseFlag(value.empty() ? "false" : value, var.BoolValue);
  } else if (type == "string") {
    var.Type = 4;
    var.StrValue = Utf8ToCp932(StringValue(value));
  } else {
    throw TBuildError(file, line, "unknown variable type " + type + " (int, float, flag or string)");
  }
  if (!ok) throw TBuildError(file, line, "bad initial value " + value + " for a " + type + " variable");
  p.Variables.push_back(std::move(var));
}

void two_ints(const std::string& rest, int32_t& a, int32_t& b, const std::string& file, int32_t line) {
  std::string first, second;
  SplitWord(rest, first, second);
  if (!ParseInt(first, a) || !ParseInt(second, b)) throw TBuildError(file, line, "two numbers expected");
}

}  // namespace

TGameBuild BuildGame(const std::string& project_path) {
  TGameBuild build;
  TProjectSetting& p = build.Project;
  p.DiscPrompt = Utf8ToCp932("ディスク%dを入れてから[OK]をクリックしてください");
  p.QuitText = Utf8ToCp932("終了します");
  // A project named without a folder lies in the current one.
  fs::path root = fs::path(project_path).parent_path();
  if (root.empty()) root = ".";
  const std::string file = project_path;
  std::vector<TPageEntry> page_entries;
  std::vector<std::pair<std::string, int32_t>> assets, images, animations, films;
  for (const TSourceLine& line : SourceLines(file, ReadTextFile(project_path))) {
    const auto fail = [&](const std::string& m) { throw TBuildError(file, line.Number, m); };
    std::string key, rest;
    SplitWord(line.Text, key, rest);
    const auto text = [&] { return Utf8ToCp932(StringValue(rest)); };
    const auto number = [&](int32_t& out) {
      if (!ParseInt(rest, out)) fail(key + ": a number expected");
    };
    const auto flag = [&](bool& out) {
      if (!ParseFlag(rest, out)) fail(key + ": on or off expected");
    };
    int32_t n = 0;
    bool b = false;
    if (key == "version") {
      number(p.Version);
      if (p.Version < 103 || p.Version > TProjectSetting::kMaxVersion) fail("version must be 103 .. 115");
    } else if (key == "title") {
      p.Title = text();
    } else if (key == "screen") {
      two_ints(rest, p.ScreenWidth, p.ScreenHeight, file, line.Number);
    } else if (key == "fullscreen") {
      two_ints(rest, p.FullScreenWidth, p.FullScreenHeight, file, line.Number);
    } else if (key == "start") {
      p.StartPage = text();
    } else if (key == "exit") {
      p.ExitPage = text();
    } else if (key == "registry") {
      p.RegistryKey = text();
    } else if (key == "idcode") {
      number(p.IdCode);
    } else if (key == "save") {
      flag(p.SaveEnabled);
    } else if (key == "idle") {
      flag(b);
      p.IdleFlag = b ? 1 : 0;
    } else if (key == "extensions") {
      p.MediaExtensions = text();
    } else if (key == "pause") {
      flag(p.PauseWhenInactive);
    } else if (key == "reserved") {
      flag(b);
      p.ReservedFlag = b ? 1 : 0;
    } else if (key == "discprompt") {
      p.DiscPrompt = text();
    } else if (key == "quittext") {
      p.QuitText = text();
    } else if (key == "var") {
      parse_var(p, rest, file, line.Number);
    } else if (key == "disc") {
      std::string folder, disc;
      SplitWord(rest, folder, disc);
      if (folder.empty() || !ParseInt(disc, n)) fail("disc needs a folder and a disc number");
      p.DiscMap.Add(archive_name(StringValue(folder)), n);
    } else if (key == "page") {
      std::string source, name;
      SplitWord(rest, source, name);
      if (source.empty()) fail("page needs a source file");
      if (name.empty()) name = fs::path(source).replace_extension(".ksb").generic_string();
      page_entries.push_back({(root / source).string(), archive_name(StringValue(name)), line.Number});
    } else if (key == "asset") {
      if (rest.empty()) fail("asset needs a file or folder");
      assets.emplace_back(StringValue(rest), line.Number);
    } else if (key == "animation") {
      animations.emplace_back(rest, line.Number);
    } else if (key == "film") {
      films.emplace_back(rest, line.Number);
    } else if (key == "image") {
      if (rest.empty()) fail("image needs a PNG file or a folder of them");
      images.emplace_back(StringValue(rest), line.Number);
    } else {
      fail("unknown project setting " + key);
    }
  }
  if (p.StartPage.empty()) throw TBuildError(file + ": no start page");

  std::vector<TPageSource> sources(page_entries.size());
  for (size_t i = 0; i < page_entries.size(); ++i) {
    if (!fs::is_regular_file(page_entries[i].Source)) {
      throw TBuildError(file, page_entries[i].Line, "no page source " + page_entries[i].Source);
    }
    sources[i].PageName = page_entries[i].Name;
    sources[i].Parse(page_entries[i].Source, ReadTextFile(page_entries[i].Source));
  }
  bool start_found = false;
  for (const auto& s : sources) start_found = start_found || SameText(s.PageName, p.StartPage);
  if (!start_found)
    throw TBuildError(file + ": the start page " + Cp932ToUtf8(p.StartPage) + " is not among the pages");

  TMemoryStream kpb;
  p.SaveToStream(kpb);
  build.Files.push_back({"velk.kpb", kpb.Bytes()});
  // Calls are compiled against the system function table; GetProp takes the type of the property it reads.
  TSceneFuncHost properties(nullptr);
  TSysFuncNames funcs(&properties);
  for (const auto& s : sources) {
    auto page = BuildPage(s, sources, &funcs);
    TMemoryStream ksb;
    page->SaveToStream(ksb);
    build.Files.push_back({s.PageName, ksb.Bytes()});
  }
  for (const auto& [asset, line] : assets) {
    const fs::path path = root / asset;
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (!entry.is_regular_file()) continue;
        const std::string rel = fs::relative(entry.path(), root).generic_string();
        build.Files.push_back({archive_name(rel), file_bytes(entry.path().string(), file, line), true});
      }
    } else {
      build.Files.push_back(
          {archive_name(fs::path(asset).generic_string()), file_bytes(path.string(), file, line), true});
    }
  }
  for (const auto& [image, line] : images) {
    const fs::path path = root / image;
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) build.Files.push_back(png_as_brix(entry.path(), root, file, line));
      }
    } else {
      if (!fs::is_regular_file(path)) throw TBuildError(file, line, "cannot read " + path.string());
      build.Files.push_back(png_as_brix(path, root, file, line));
    }
  }
  for (const auto& [animation, line] : animations)
    build.Files.push_back(animation_as_brix(animation, root, file, line));
  for (const auto& [film, line] : films) {
    std::string name, source;
    SplitWord(film, name, source);
    if (name.empty() || source.empty()) throw TBuildError(file, line, "film needs a name and a film description");
    const std::string path = (root / StringValue(source)).string();
    if (!fs::is_regular_file(path)) throw TBuildError(file, line, "cannot read " + path);
    build.Files.push_back({archive_name(StringValue(name)), BuildFilm(path, ReadTextFile(path))});
  }
  return build;
}

void WriteFolder(const TGameBuild& build, const std::string& folder) {
  for (const auto& f : build.Files) {
    std::string rel = Cp932ToUtf8(f.Name);
    for (char& c : rel) {
      if (c == '\\') c = '/';
    }
    const fs::path path = fs::path(folder) / rel;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(f.Bytes.data()), static_cast<std::streamsize>(f.Bytes.size()));
    if (!out) throw TBuildError(path.string() + ": cannot be written");
  }
}

namespace {

// A folder of its own below the temporary folder, removed with the object.
class TStagingFolder {
 public:
  TStagingFolder() {
    std::string templ = (fs::temp_directory_path() / "velk-build-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) throw TBuildError("no temporary folder for the archive");
    path_ = templ;
  }
  ~TStagingFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Assets go in as disk files of the staging folder, so the archive applies the rules of disk files to them (media
// raw); the built files as memory entries.
void fill_collection(const TGameBuild& build, TVrFileCollection& collection, const TStagingFolder& staging) {
  collection.Open(staging.Path().string() + "/");
  for (const auto& f : build.Files) {
    if (f.IsFile) {
      const fs::path path = staging.Path() / DiskName(f.Name);
      fs::create_directories(path.parent_path());
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(f.Bytes.data()), static_cast<std::streamsize>(f.Bytes.size()));
      if (!out) throw TBuildError(path.string() + ": cannot be written");
      collection.AddEntry(f.Name);
    } else {
      TSaveMemoryStream& entry = collection.AddMemoryEntry(f.Name);
      entry.WriteBuffer(f.Bytes.data(), static_cast<int32_t>(f.Bytes.size()));
    }
  }
}

}  // namespace

void WriteArchive(const TGameBuild& build, const std::string& path) {
  TStagingFolder staging;
  TVrFileCollection collection;
  fill_collection(build, collection, staging);
  TBigFileStream target(path, fmCreate);
  collection.SaveArchive(target);
}

void WriteExecutable(const TGameBuild& build, const std::string& player, const std::string& path) {
  fs::copy_file(player, path, fs::copy_options::overwrite_existing);
  TStagingFolder staging;
  TVrFileCollection collection;
  fill_collection(build, collection, staging);
  TBigFileStream target(path, fmOpenReadWrite);
  const int64_t start = target.GetSize();
  if (start > INT32_MAX) throw TBuildError(player + ": too large to carry an archive");
  target.SetPosition(start);
  collection.SaveArchive(target);
  uint8_t trailer[6] = {static_cast<uint8_t>(start),
                        static_cast<uint8_t>(start >> 8),
                        static_cast<uint8_t>(start >> 16),
                        static_cast<uint8_t>(start >> 24),
                        'v',
                        'k'};
  target.SetPosition(target.GetSize());
  target.Write(trailer, 6);
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
}

}  // namespace velk::build

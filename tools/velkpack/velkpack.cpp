// velkpack: lists, extracts, packs and verifies the player's archives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/sjis.h"
#include "vfs/archive.h"
#include "vfs/disk_name.h"
#include "vfs/stream_io.h"
#include "vfs/zlib_codec.h"

namespace velk {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;   // a bad entry, a file that cannot be read or written
constexpr int kDamaged = 2;  // the archive's index is damaged
constexpr int kUsage = 64;

const char kHelp[] =
    "usage: velkpack COMMAND ...\n"
    "\n"
    "  list [--tsv] ARCHIVE\n"
    "      Lists the entries: stored size, unpacked size, stored or deflated, file time, CRC-32, checksum mode and\n"
    "      name (UTF-8). With --tsv, one tab-separated line per entry in index order:\n"
    "        name  stored-size  unpacked-size  stored|deflated  file-time  crc32  unpacked|stored\n"
    "      file-time is YYYY-MM-DD HH:MM:SS (local time of packing), or - when the entry has none; crc32 is 8\n"
    "      lower-case hex digits; the last field says whether the CRC covers the unpacked or the stored bytes.\n"
    "      An unpacked size that cannot be computed (damaged entry) is shown as ?.\n"
    "  extract ARCHIVE FOLDER [NAME ...]\n"
    "      Writes every entry (or the named ones; names as listed, \\ or / between folders) below FOLDER. Names that\n"
    "      would leave FOLDER (.., absolute paths) are refused. A failed entry leaves no file behind.\n"
    "  pack FOLDER ARCHIVE [--exe PLAYER] [--unpacked-checksum]\n"
    "      Packs every file below FOLDER into a version-102 archive. Media files (.wav .wma .ogg .avi .mpg .mpeg\n"
    "      .m1v .wmv .asf .dat) and files of 5 MiB or more are stored raw, other files deflated unless that saves\n"
    "      less than a tenth. --exe appends the archive to a copy of PLAYER with the trailer that the player\n"
    "      looks for. --unpacked-checksum makes each CRC cover the unpacked bytes instead of the stored ones.\n"
    "  verify ARCHIVE\n"
    "      Reads every entry and compares its CRC-32 with the stored checksum, by its checksum mode. Prints one\n"
    "      line per bad entry on stderr.\n"
    "  --help\n"
    "      Shows this text.\n"
    "\n"
    "Exit status: 0 success; 1 a bad entry or a file that cannot be read or written; 2 a damaged archive index;\n"
    "64 wrong usage.\n";

void error_line(const std::string& text) { std::fprintf(stderr, "velkpack: %s\n", text.c_str()); }

std::string utf8(const std::string& cp932) { return Cp932ToUtf8(cp932); }

std::string format_time(int32_t packed) {
  if (packed == 0) return "-";
  const auto v = static_cast<uint32_t>(packed);
  char out[32];
  std::snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (v >> 25), (v >> 21) & 15, (v >> 16) & 31,
                (v >> 11) & 31, (v >> 5) & 63, (v & 31) * 2);
  return out;
}

std::vector<TVrFile*> entries_of(const TVrFileCollection& c) {
  std::vector<TVrFile*> out;
  for (int32_t i = 0; i < c.Count(); ++i) {
    if (c.Item(i)->Name() != TVrFileCollection::kEofName) out.push_back(c.Entry(i));
  }
  return out;
}

// Opens an archive file; a damaged index is reported by the caller with status 2.
void open_archive(TVrFileCollection& c, const std::string& path) {
  if (!FileExists(path)) throw EStreamError(Utf8ToCp932("ファイルを開けません"), Utf8ToCp932(path));
  c.Open(path, true);
}

// CRC-32 of an entry's stored bytes, read in pieces.
uint32_t stored_crc(TVrFileCollection& c, const TVrFile& e) {
  TBigStream& s = *c.ArchiveStream();
  s.SetPosition(e.Offset);
  std::vector<uint8_t> buffer(1 << 20);
  uint32_t crc = 0;
  int64_t left = e.Size;
  while (left > 0) {
    const int64_t got = s.Read(buffer.data(), std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    if (got <= 0) throw EFormatError(Utf8ToCp932("アーカイブのデータが足りません"), e.Name());
    crc = Crc32(buffer.data(), static_cast<size_t>(got), crc);
    left -= got;
  }
  return crc;
}

int cmd_list(const std::vector<std::string>& args) {
  bool tsv = false;
  std::string path;
  for (const auto& a : args) {
    if (a == "--tsv") {
      tsv = true;
    } else if (path.empty()) {
      path = a;
    } else {
      return kUsage;
    }
  }
  if (path.empty()) return kUsage;
  TVrFileCollection c;
  open_archive(c, path);
  int status = kOk;
  if (!tsv)
    std::printf("%12s %12s %-8s %-19s %-8s %-8s %s\n", "stored", "unpacked", "kind", "time", "crc32", "mode", "name");
  for (TVrFile* e : entries_of(c)) {
    std::string unpacked = std::to_string(e->Size);
    if (!e->Stored) {
      try {
        TMemoryStream m;
        c.ReadEntry(m, e->Name());
        unpacked = std::to_string(m.GetSize());
      } catch (const EVelkError& err) {
        error_line(utf8(e->Name()) + ": " + err.Utf8());
        unpacked = "?";
        status = kFailed;
      }
    }
    const char* kind = e->Stored ? "stored" : "deflated";
    const char* mode = e->UnpackedChecksum ? "unpacked" : "stored";
    const std::string time = format_time(e->FileTime);
    if (tsv) {
      std::printf("%s\t%lld\t%s\t%s\t%s\t%08x\t%s\n", utf8(e->Name()).c_str(), static_cast<long long>(e->Size),
                  unpacked.c_str(), kind, time.c_str(), e->Checksum, mode);
    } else {
      std::printf("%12lld %12s %-8s %-19s %08x %-8s %s\n", static_cast<long long>(e->Size), unpacked.c_str(), kind,
                  time.c_str(), e->Checksum, mode, utf8(e->Name()).c_str());
    }
  }
  return status;
}

// Creates the folders of path below root; refuses a symbolic link on the way, so that nothing lands outside root.
bool make_parents(const std::string& root, const std::string& path) {
  for (size_t slash = path.find('/', root.size()); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string dir = path.substr(0, slash);
    struct stat st;
    if (::lstat(dir.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
    } else if (::mkdir(dir.c_str(), 0755) != 0) {
      return false;
    }
  }
  return true;
}

int cmd_extract(const std::vector<std::string>& args) {
  if (args.size() < 2) return kUsage;
  TVrFileCollection c;
  open_archive(c, args[0]);
  const std::string root = WithTrailingSlash(args[1]);
  std::filesystem::create_directories(root);
  std::vector<TVrFile*> todo;
  int status = kOk;
  if (args.size() == 2) {
    todo = entries_of(c);
  } else {
    for (size_t i = 2; i < args.size(); ++i) {
      std::string name = Utf8ToCp932(args[i]);
      std::replace(name.begin(), name.end(), '/', '\\');
      TVrFile* e = c.FindEntry(name);
      if (e == nullptr || e->Name() == TVrFileCollection::kEofName) {
        error_line(args[i] + ": no such entry");
        status = kFailed;
      } else {
        todo.push_back(e);
      }
    }
  }
  for (TVrFile* e : todo) {
    const std::string shown = utf8(e->Name());
    const std::string path = ConfinedDiskPath(root, e->Name());
    if (path.empty() || !make_parents(root, path)) {
      error_line(shown + ": refused, the name leaves the target folder");
      status = kFailed;
      continue;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      error_line(shown + ": cannot create " + path + ": " + std::strerror(errno));
      status = kFailed;
      continue;
    }
    try {
      THandleStream out(fd, true);
      c.ReadEntry(out, e->Name());
    } catch (const EVelkError& err) {
      ::unlink(path.c_str());
      error_line(shown + ": " + err.Utf8());
      status = kFailed;
    }
  }
  return status;
}

int cmd_pack(const std::vector<std::string>& args) {
  std::vector<std::string> plain;
  std::string player;
  bool unpacked = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--exe" && i + 1 < args.size()) {
      player = args[++i];
    } else if (args[i] == "--unpacked-checksum") {
      unpacked = true;
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2) return kUsage;
  const std::string folder = WithTrailingSlash(plain[0]);
  const std::string out_path = plain[1];
  if (!DirectoryExists(folder)) {
    error_line(plain[0] + ": not a folder");
    return kFailed;
  }
  std::vector<std::string> files;
  std::error_code ec;
  const auto out_abs = std::filesystem::weakly_canonical(out_path, ec);
  for (auto it = std::filesystem::recursive_directory_iterator(folder);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    if (!it->is_regular_file() || std::filesystem::weakly_canonical(it->path(), ec) == out_abs) continue;
    files.push_back(std::filesystem::relative(it->path(), folder).generic_string());
  }
  std::sort(files.begin(), files.end());

  TVrFileCollection c;
  c.Open(folder);
  for (const auto& f : files) {
    const std::string name = SystemName(f);
    if (DiskName(name) != f) {
      error_line(f + ": the name cannot be written in code page 932");
      return kFailed;
    }
    c.AddEntry(name)->UnpackedChecksum = unpacked;
  }
  try {
    TBigFileStream out(out_path, fmCreate);
    int64_t start = 0;
    if (!player.empty()) {
      TFileStream exe(player, fmOpenRead | fmShareDenyWrite);
      if (out.CopyFromStream(exe, kWholeStream) != exe.GetSize()) throw EStreamError("write error", out_path);
      start = out.GetPosition();
    }
    c.SaveArchive(out);
    if (!player.empty()) {
      if (start > INT32_MAX) throw EStreamError("player too large", player);
      uint8_t trailer[6] = {static_cast<uint8_t>(start),
                            static_cast<uint8_t>(start >> 8),
                            static_cast<uint8_t>(start >> 16),
                            static_cast<uint8_t>(start >> 24),
                            'v',
                            'k'};
      if (out.Write(trailer, 6) != 6) throw EStreamError("write error", out_path);
    }
  } catch (...) {
    for (int32_t k = 0; FileExists(TBigFileStream::SegmentName(out_path, k)); ++k) {
      ::unlink(TBigFileStream::SegmentName(out_path, k).c_str());
    }
    throw;
  }
  if (!player.empty()) ::chmod(out_path.c_str(), 0755);
  std::printf("%zu files packed into %s\n", files.size(), out_path.c_str());
  return kOk;
}

int cmd_verify(const std::vector<std::string>& args) {
  if (args.size() != 1) return kUsage;
  TVrFileCollection c;
  open_archive(c, args[0]);
  const bool has_checksums = c.Version() >= 101;
  int bad = 0;
  const auto entries = entries_of(c);
  for (TVrFile* e : entries) {
    const std::string shown = utf8(e->Name());
    try {
      uint32_t crc = 0;
      TMemoryStream m;
      if (!e->Stored || e->UnpackedChecksum) {
        c.ReadEntry(m, e->Name());  // inflates: a damaged zlib stream fails here
        crc = Crc32(m.Memory(), m.Bytes().size());
      }
      if (!e->UnpackedChecksum) crc = stored_crc(c, *e);
      if (has_checksums && crc != e->Checksum) {
        char line[128];
        std::snprintf(line, sizeof line, ": checksum mismatch (%s bytes): stored %08x, computed %08x",
                      e->UnpackedChecksum ? "unpacked" : "stored", e->Checksum, crc);
        error_line(shown + line);
        ++bad;
      }
    } catch (const EVelkError& err) {
      error_line(shown + ": " + err.Utf8());
      ++bad;
    }
  }
  std::printf("%zu entries, %d bad%s\n", entries.size(), bad, has_checksums ? "" : " (no checksums in this version)");
  return bad == 0 ? kOk : kFailed;
}

int run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kHelp, stderr);
    return kUsage;
  }
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kHelp, stdout);
    return kOk;
  }
  int status;
  try {
    if (command == "list") {
      status = cmd_list(args);
    } else if (command == "extract") {
      status = cmd_extract(args);
    } else if (command == "pack") {
      status = cmd_pack(args);
    } else if (command == "verify") {
      status = cmd_verify(args);
    } else {
      error_line("unknown command " + command + " (see velkpack --help)");
      return kUsage;
    }
  } catch (const EFormatError& e) {
    error_line(e.Utf8());
    return kDamaged;
  } catch (const std::exception& e) {
    error_line(e.what());
    return kFailed;
  }
  if (status == kUsage) error_line("wrong arguments for " + command + " (see velkpack --help)");
  return status;
}

}  // namespace
}  // namespace velk

int main(int argc, char** argv) { return velk::run(argc, argv); }

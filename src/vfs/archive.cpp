#include "vfs/archive.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "base/error.h"
#include "base/paths.h"
#include "base/random.h"
#include "base/sjis.h"
#include "platform/platform.h"
#include "vfs/disk_name.h"
#include "vfs/stream_io.h"
#include "vfs/zlib_codec.h"

namespace velk {

const std::string TVrFileCollection::kEofName = "\\EOF\\";

namespace {

bool read_exact(TBigStream& s, void* buffer, int64_t count) { return s.Read(buffer, count) == count; }

void write_all(TBigStream& s, const void* buffer, int64_t count) {
  if (count > 0 && s.Write(buffer, count) != count) throw EStreamError(Utf8ToCp932("ストリームの書き込みエラー"));
}

template <class T> void write_le(TBigStream& s, T value) {
  uint8_t b[sizeof(T)];
  auto v = static_cast<std::make_unsigned_t<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
  write_all(s, b, sizeof(T));
}

template <class T> T get_le(const uint8_t* b) {
  std::make_unsigned_t<T> v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<std::make_unsigned_t<T>>(b[i]) << (8 * i);
  return static_cast<T>(v);
}

// The signed 64-bit form of a generator value, as the offsets are scrambled with it.
int64_t next64(TRandomGenerator& g) { return static_cast<int32_t>(g.Next()); }

// Extensions that are played in place and therefore never deflated (a substring test, as the packer always did).
const std::string kMediaExtensions = ".WAV.WMA.OGG.AVI.MPG.MPEG.M1V.WMV.ASF.DAT.";

// A layered image is deflated only when its header (version 103 or later) declares uncompressed pixel data.
bool brx_wants_deflate(const std::string& path) {
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  char sig[7] = {};
  if (f.Read(sig, 7) != 7 || std::memcmp(sig, "Brix", 4) != 0) return false;
  for (int i = 4; i < 7; ++i) {
    if (sig[i] < '0' || sig[i] > '9') return false;
  }
  const int version = (sig[4] - '0') * 100 + (sig[5] - '0') * 10 + (sig[6] - '0');
  if (version < 103) return false;
  const int32_t header_length = ReadInt(f);
  uint8_t record[40] = {};
  f.Read(record, std::clamp(header_length, 0, 40));
  return header_length >= 23 && record[22] == 1;
}

}  // namespace

int32_t FilePackedTime(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return 0;
  std::tm t{};
  if (::localtime_r(&st.st_mtime, &t) == nullptr || t.tm_year < 80) return 0;
  const uint32_t date = static_cast<uint32_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const uint32_t time = static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return static_cast<int32_t>((date << 16) | time);
}

bool HasAppendedArchive(const std::string& path) {
  if (!FileExists(path)) return false;
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  char tail[2] = {};
  if (f.GetSize() < 2) return false;
  f.Seek(-2, soEnd);
  return f.Read(tail, 2) == 2 && tail[0] == 'v' && tail[1] == 'k';
}

bool HasResourceArchive(IResources* resources, const std::string& module_file) {
  if (resources == nullptr) return false;
  auto bytes = resources->Find(module_file, "BINTYPE", "DUMMY");
  return bytes && bytes->size() >= 2 && (*bytes)[bytes->size() - 2] == 'v' && bytes->back() == 'f';
}

TVrFileCollection::~TVrFileCollection() { Clear(); }

void TVrFileCollection::clear() {
  Clear();
  archive_.reset();
  base_folder_.clear();
  version_ = -1;
}

void TVrFileCollection::damaged(const std::string& what) const {
  throw EFormatError(Utf8ToCp932("アーカイブが壊れています (" + what + ")"), Utf8ToCp932(file_name_));
}

void TVrFileCollection::Open(const std::string& file_name, bool treat_as_file, int64_t segment_size) {
  clear();
  file_name_ = file_name;
  segment_size_ = segment_size;
  if (file_name.empty()) return;
  const bool exists = FileExists(file_name);
  base_folder_ = WithTrailingSlash((exists || treat_as_file) ? DiskFolderOf(file_name) : file_name);
  if (!exists) return;

  auto stream = std::make_unique<TBigFileStream>(file_name, fmOpenRead | fmShareDenyWrite, segment_size);
  const int64_t size = stream->GetSize();
  const std::string ext = LowerCase(DiskFileExt(file_name));
  try {
    bool trailer = ext == ".exe" || ext == ".scr";
    if (ext.empty() && size >= 2) {
      // A Linux executable with an archive appended ends with "vk" as well.
      char tail[2] = {};
      stream->SetPosition(size - 2);
      trailer = read_exact(*stream, tail, 2) && std::memcmp(tail, "vk", 2) == 0;
    }
    const std::string ext_index = ChangeDiskFileExt(file_name, ".ext");
    bool read = false;
    if (trailer) {
      try {
        uint8_t t[6];
        if (size < 6) damaged("trailer");
        stream->SetPosition(size - 6);
        if (!read_exact(*stream, t, 6) || std::memcmp(t + 4, "vk", 2) != 0) damaged("trailer");
        const int64_t start = get_le<int32_t>(t);
        if (start < 0 || start > size - 6) damaged("trailer offset");
        stream->SetPosition(start);
        read_index(*stream, size);
        read = true;
      } catch (const EFormatError&) {
        // An extension-less archive file may end with "vk" by chance: then it is read from its start.
        if (!ext.empty()) throw;
        Clear();
      }
    }
    if (!read && FileExists(ext_index)) {
      TBigMemoryStream index;
      index.LoadFromFile(ext_index);
      read_index(index, size);
    } else if (!read) {
      stream->SetPosition(0);
      read_index(*stream, size);
    }
  } catch (...) {
    const std::string name = file_name_;
    clear();
    file_name_ = name;
    throw;
  }
  archive_ = std::move(stream);
}

void TVrFileCollection::OpenResource(IResources* resources, const std::string& module_file,
                                     const std::string& resource_name, const std::string& resource_type) {
  clear();
  file_name_ = module_file;
  if (resources == nullptr) return;  // no module to load resources from: an empty, silent collection
  auto stream = std::make_unique<TBigResourceStream>(resources, module_file, resource_type, resource_name);
  if (stream->GetSize() == 0) throw EStreamError(Utf8ToCp932("リソースが見つかりません"), resource_name);
  try {
    read_index(*stream, stream->GetSize());
  } catch (...) {
    clear();
    throw;
  }
  archive_ = std::move(stream);
}

void TVrFileCollection::read_index(TBigStream& s, int64_t data_size) {
  const int64_t base = s.GetPosition();
  int32_t version = 0;
  uint8_t head[4];
  if (read_exact(s, head, 2) && head[0] == 'v' && head[1] == 'f') {
    if (!read_exact(s, head, 4)) damaged("version");
    version = get_le<int32_t>(head);
    if (version < 0 || version > kVersion) damaged("version " + std::to_string(version));
  } else {
    s.SetPosition(base);
  }
  if (!read_exact(s, head, 4)) damaged("entry count");
  const int32_t n = get_le<int32_t>(head);
  const int64_t offset_size = version >= 101 ? 8 : 4;
  const int64_t per_entry = 4 + offset_size + (version >= 101 ? 9 : 0) + (version >= 102 ? 1 : 0);
  if (n < 0 || n > (s.GetSize() - s.GetPosition() - offset_size) / per_entry) damaged("entry count");

  std::vector<std::string> names(static_cast<size_t>(n));
  {
    TBuffBigStream reader(s);
    for (auto& name : names) {
      if (reader.Read(head, 4) != 4) damaged("names");
      const int32_t len = get_le<int32_t>(head);
      if (len <= 0) continue;
      if (len > kMaxNameLength) damaged("name length");
      name.resize(static_cast<size_t>(len));
      if (reader.Read(name.data(), len) != len) damaged("names");
    }
  }
  if (version >= 100) {
    TRandomGenerator g(kScrambleIncrement);
    for (auto& name : names) {
      for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ (g.Next() & 0xFF));
    }
  }

  const auto count = static_cast<size_t>(n);
  std::vector<uint8_t> raw(count * 10 + 8 * (count + 1));
  uint8_t* p = raw.data();
  if (!read_exact(s, p, offset_size * (n + 1))) damaged("offsets");
  std::vector<int64_t> offsets(count + 1);
  TRandomGenerator g(kScrambleIncrement);
  for (size_t i = 0; i <= count; ++i) {
    if (version >= 101) {
      offsets[i] = get_le<int64_t>(p + 8 * i) ^ next64(g);
    } else {
      uint32_t o = get_le<uint32_t>(p + 4 * i);
      offsets[i] = version == 100 ? (o ^ g.Next()) : o;
    }
    if (offsets[i] < 0 || (i > 0 && offsets[i] < offsets[i - 1])) damaged("offsets");
  }
  if (offsets[count] > data_size - base) damaged("offsets");

  const int64_t flag_bytes = version >= 102 ? 10 * n : version >= 101 ? 9 * n : 0;
  if (!read_exact(s, p, flag_bytes)) damaged("entry flags");

  for (size_t i = 0; i < count; ++i) {
    auto* e = static_cast<TVrFile*>(Add(std::make_unique<TVrFile>(names[i])));
    e->Size = offsets[i + 1] - offsets[i];
    e->Offset = offsets[i] + base;
    if (version >= 101) {
      e->Stored = p[i] != 0;
      e->FileTime = get_le<int32_t>(p + count + 4 * i);
      e->Checksum = get_le<uint32_t>(p + 5 * count + 4 * i);
      if (version >= 102) e->UnpackedChecksum = p[9 * count + i] != 0;
    }
  }
  auto* eof = static_cast<TVrFile*>(Add(std::make_unique<TVrFile>(kEofName)));
  eof->Offset = offsets[count];
  version_ = version;
}

TVrFile* TVrFileCollection::AddEntry(const std::string& name) {
  return static_cast<TVrFile*>(Add(std::make_unique<TVrFile>(name)));
}

TSaveMemoryStream& TVrFileCollection::AddMemoryEntry(const std::string& name) {
  TVrFile* e = AddEntry(name);
  e->Data = std::make_unique<TSaveMemoryStream>();
  return *e->Data;
}

void TVrFileCollection::DeleteEntry(const std::string& name) {
  int32_t i = IndexOf(name);
  if (i >= 0) Delete(i);
}

void TVrFileCollection::copy_stored(TStream& target, const TVrFile& entry) {
  archive_->SetPosition(entry.Offset);
  if (TMemoryStream* memory = target.AsMemory()) {
    // Straight into the memory: the size is bounded by the archive file, checked when the index was read.
    const int64_t at = memory->GetPosition();
    if (entry.Size > INT32_MAX - at) throw EFormatError(Utf8ToCp932("エントリが大きすぎます"), entry.Name());
    memory->Bytes().resize(static_cast<size_t>(at + entry.Size));
    if (archive_->Read(memory->Memory() + at, entry.Size) != entry.Size) {
      memory->Bytes().resize(static_cast<size_t>(at));
      throw EFormatError(Utf8ToCp932("アーカイブのデータが足りません"), entry.Name());
    }
    memory->SetPosition(static_cast<int32_t>(at + entry.Size));
    return;
  }
  if (entry.Size > 0 && archive_->CopyToStream(target, entry.Size) != entry.Size) {
    throw EFormatError(Utf8ToCp932("アーカイブのデータが足りません"), entry.Name());
  }
}

void TVrFileCollection::ReadStored(TStream& target, const TVrFile& e) {
  TMemoryStream* memory = target.AsMemory();
  if (e.Size == 0 || !archive_) {
    // An empty entry reads as empty, whatever its kind.
  } else if (!e.Stored && memory == nullptr) {
    TMemoryStream temp;
    copy_stored(temp, e);
    InflateInPlace(temp);
    if (CopyStream(target, temp, 0) != temp.GetSize()) throw EStreamError(Utf8ToCp932("ストリームの書き込みエラー"));
  } else {
    copy_stored(target, e);
    if (!e.Stored) InflateInPlace(*memory);
  }
  target.SetPosition(0);
}

void TVrFileCollection::ReadEntry(TStream& target, const std::string& name) {
  TMemoryStream* memory = target.AsMemory();
  if (memory != nullptr) memory->Clear();
  TVrFile* e = FindEntry(name);
  if (archive_ && e != nullptr) {
    ReadStored(target, *e);
    return;
  }
  if (!base_folder_.empty()) {
    std::string path = FindDiskFile(base_folder_, name);
    struct stat a, b;
    const bool is_archive = !path.empty() && !file_name_.empty() && ::stat(path.c_str(), &a) == 0 &&
                            ::stat(file_name_.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    if (!path.empty() && !is_archive) {
      if (memory != nullptr) {
        memory->LoadFromFile(path);
      } else {
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        CopyStream(target, f, 0);
      }
      target.SetPosition(0);
      return;
    }
  }
  throw EStreamError(name + Utf8ToCp932(":ファイルがありません"));
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenRange(const std::string& name) {
  TVrFile* e = FindEntry(name);
  if (!archive_ || e == nullptr) return nullptr;
  if (auto* res = dynamic_cast<TBigResourceStream*>(archive_.get())) {
    return std::make_unique<TResourceRangeStream>(res->Resources(), res->Module(), res->ResourceName(), e->Size,
                                                  e->Offset, res->ResourceType());
  }
  return std::make_unique<TFileRangeStream>(file_name_, e->Size, e->Offset, segment_size_);
}

void TVrFileCollection::ListFolder(const std::string& folder, std::vector<std::string>& list) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const std::string& name = Item(i)->Name();
    if (name == kEofName || !SameText(ExtractFilePath(name), folder)) continue;
    if (std::none_of(list.begin(), list.end(), [&name](const std::string& s) { return SameText(s, name); })) {
      list.push_back(name);
    }
  }
}

void TVrFileCollection::pack_entry(TBigStream& target, TVrFile& e, bool& stored, int32_t& time, uint32_t& crc) {
  stored = false;
  time = 0;
  // Deflates bytes and writes them; the checksum covers the unpacked bytes or the written ones as the entry says.
  auto write_deflated = [&](const uint8_t* data, size_t size, bool nine_tenths_rule) {
    std::vector<uint8_t> packed = DeflateBytes(data, size);
    if (nine_tenths_rule && static_cast<int64_t>(packed.size()) > static_cast<int64_t>(size) * 9 / 10) {
      stored = true;
      write_all(target, data, static_cast<int64_t>(size));
      crc = Crc32(data, size);
      return;
    }
    write_all(target, packed.data(), static_cast<int64_t>(packed.size()));
    crc = e.UnpackedChecksum ? Crc32(data, size) : Crc32(packed.data(), packed.size());
  };
  auto write_raw = [&](const uint8_t* data, size_t size) {
    stored = true;
    write_all(target, data, static_cast<int64_t>(size));
    crc = Crc32(data, size);
  };

  if (e.Data) {
    const auto& bytes = e.Data->Bytes();
    if (static_cast<int64_t>(bytes.size()) >= kRawSize) {
      write_raw(bytes.data(), bytes.size());
    } else {
      write_deflated(bytes.data(), bytes.size(), false);
    }
    return;
  }
  const std::string path = base_folder_.empty() ? std::string() : FindDiskFile(base_folder_, e.Name());
  if (!path.empty()) {
    time = FilePackedTime(path);
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    const int64_t size = f.GetSize();
    const std::string ext = UpperCase(ExtractFileExt(e.Name()));
    bool deflate;
    if (ext == ".BRX") {
      deflate = brx_wants_deflate(path);
    } else if (!ext.empty() && kMediaExtensions.find(ext) != std::string::npos) {
      deflate = false;
    } else {
      deflate = size < kRawSize;
    }
    if (deflate) {
      std::vector<uint8_t> bytes(static_cast<size_t>(size));
      f.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
      write_deflated(bytes.data(), bytes.size(), true);
      return;
    }
    // Raw, in pieces: the file may be far larger than anything held in memory.
    stored = true;
    crc = 0;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(size, 1), 1 << 20)));
    for (;;) {
      int32_t got = f.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
      if (got <= 0) break;
      write_all(target, buffer.data(), got);
      crc = Crc32(buffer.data(), static_cast<size_t>(got), crc);
    }
    return;
  }
  // The bytes of this collection's own archive, inflated.
  TSaveMemoryStream m;
  ReadEntry(m, e.Name());
  const bool keep = e.UnpackedChecksum;
  e.UnpackedChecksum = false;  // the checksum covers what is written
  try {
    if (m.GetSize() >= kRawSize) {
      write_raw(m.Memory(), m.Bytes().size());
    } else {
      write_deflated(m.Memory(), m.Bytes().size(), false);
    }
  } catch (...) {
    e.UnpackedChecksum = keep;
    throw;
  }
  e.UnpackedChecksum = keep;
}

bool TVrFileCollection::SaveArchive(TBigStream& target) {
  std::vector<TVrFile*> entries;
  for (int32_t i = 0; i < Count(); ++i) {
    if (Item(i)->Name() != kEofName) entries.push_back(Entry(i));
  }
  const auto n = static_cast<int32_t>(entries.size());
  const int64_t start = target.GetPosition();
  write_all(target, "vf", 2);
  write_le<int32_t>(target, kVersion);
  write_le<int32_t>(target, n);
  {
    TRandomGenerator g(kScrambleIncrement);
    for (TVrFile* e : entries) {
      std::string name = e->Name();
      for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ (g.Next() & 0xFF));
      write_le<int32_t>(target, static_cast<int32_t>(name.size()));
      write_all(target, name.data(), static_cast<int64_t>(name.size()));
    }
  }
  const int64_t table = target.GetPosition();
  const auto count = static_cast<size_t>(n);
  std::vector<uint8_t> zeros(8 * (count + 1) + 10 * count);
  write_all(target, zeros.data(), static_cast<int64_t>(zeros.size()));

  std::vector<int64_t> offsets(count + 1);
  std::vector<uint8_t> stored(count), modes(count);
  std::vector<int32_t> times(count);
  std::vector<uint32_t> crcs(count);
  for (size_t i = 0; i < count; ++i) {
    TVrFile& e = *entries[i];
    bool cancel = false;
    if (OnProgress) OnProgress(*this, e, cancel, n, static_cast<int32_t>(i), 0);
    if (cancel) return false;
    offsets[i] = target.GetPosition() - start;
    bool is_stored = false;
    try {
      pack_entry(target, e, is_stored, times[i], crcs[i]);
    } catch (...) {
      if (MessageBoxes != nullptr) MessageBoxes->Show(Utf8ToCp932("エラー:") + e.Name(), "Error", MB_OK | MB_ICONERROR);
      throw;
    }
    stored[i] = is_stored ? 1 : 0;
    modes[i] = e.UnpackedChecksum ? 1 : 0;
    if (OnProgress) OnProgress(*this, e, cancel, n, static_cast<int32_t>(i), target.GetPosition() - start - offsets[i]);
    if (cancel) return false;
  }
  const int64_t end = target.GetPosition();
  offsets[count] = end - start;

  TRandomGenerator g(kScrambleIncrement);
  std::vector<uint8_t> out;
  out.reserve(zeros.size());
  auto put = [&out](uint64_t v, int bytes) {
    for (int b = 0; b < bytes; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
  };
  for (int64_t o : offsets) put(static_cast<uint64_t>(o ^ next64(g)), 8);
  for (uint8_t f : stored) put(f, 1);
  for (int32_t t : times) put(static_cast<uint32_t>(t), 4);
  for (uint32_t c : crcs) put(c, 4);
  for (uint8_t m : modes) put(m, 1);
  target.SetPosition(table);
  write_all(target, out.data(), static_cast<int64_t>(out.size()));
  target.SetPosition(end);
  return true;
}

}  // namespace velk

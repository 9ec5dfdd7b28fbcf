#pragma once
// The archive: a scrambled index of entry names and offsets followed by the entries, each stored raw or deflated.
// One archive in memory is a TVrFileCollection of TVrFile entries. Entry names are code page 932 with "\" between
// folders; file names and base folders are disk paths (UTF-8, "/").
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/hash_collection.h"
#include "vfs/big_stream.h"
#include "vfs/range_stream.h"
#include "vfs/stream.h"

namespace velk {

class IMessageBoxes;
class IResources;
class TVrFileCollection;

class TVrFile : public THashCollectionItem {
 public:
  using THashCollectionItem::THashCollectionItem;

  int64_t Offset = 0;                       // absolute position in the archive stream
  std::unique_ptr<TSaveMemoryStream> Data;  // the bytes of a memory entry; null otherwise
  int64_t Size = 0;                         // stored size
  bool Stored = false;                      // raw bytes rather than a zlib stream
  int32_t FileTime = 0;                     // packed date-time of the source file
  uint32_t Checksum = 0;                    // CRC-32
  bool UnpackedChecksum = false;            // the CRC covers the unpacked bytes, not the stored ones
};

// Called by SaveArchive twice per entry: before packing (bytes 0) and after (bytes = stored size). Setting cancel
// stops the writer at once.
using TVrProgressEvent = std::function<void(TVrFileCollection& collection, TVrFile& entry, bool& cancel, int32_t count,
                                            int32_t index, int64_t bytes)>;

class TVrFileCollection : public THashCollection {
 public:
  static constexpr uint32_t kScrambleIncrement = 0x5A3C96E1;
  static constexpr int32_t kVersion = 102;
  // Memory entries, archive entries and non-media files of this size or more are stored raw.
  static constexpr int64_t kRawSize = 5242880;
  // Names are file paths; anything longer is a damaged index.
  static constexpr int32_t kMaxNameLength = 65536;
  static const std::string kEofName;  // "\EOF\", the extra entry after the named ones

  TVrFileCollection() = default;
  ~TVrFileCollection() override;

  // Clears the collection and opens file_name: an existing file is read as an archive (through its trailer when it
  // is an executable, through its ".ext" index when there is one, else from its start); any other name becomes the
  // base folder of a collection that serves files from disk. The empty name leaves an empty collection. A damaged
  // index throws EFormatError naming the file and leaves the collection empty.
  void Open(const std::string& file_name, bool treat_as_file = false,
            int64_t segment_size = TBigFileStream::kDefaultSegmentSize);
  // Clears the collection and reads the archive held by a module's resource (module "" is the running executable).
  // A missing or empty resource fails with "リソースが見つかりません".
  void OpenResource(IResources* resources, const std::string& module_file, const std::string& resource_name,
                    const std::string& resource_type);

  TVrFile* AddEntry(const std::string& name);
  // Appends a memory entry and returns its (empty) stream for the caller to fill.
  TSaveMemoryStream& AddMemoryEntry(const std::string& name);
  void DeleteEntry(const std::string& name);
  TVrFile* FindEntry(const std::string& name) const { return FindAs<TVrFile>(name); }
  TVrFile* Entry(int32_t index) const { return ItemAs<TVrFile>(index); }

  // Reads an entry (inflated) into target, positioned at 0; a memory target is cleared first. Falls back to the
  // base folder on disk; fails with "%s:ファイルがありません".
  void ReadEntry(TStream& target, const std::string& name);
  // Reads an entry of the archive stream (inflated) into target, positioned at 0; an empty entry leaves the target
  // empty. A memory target receives the stored bytes and is inflated in place.
  void ReadStored(TStream& target, const TVrFile& entry);
  // A range stream over the stored bytes of an entry, or null when there is no archive stream or no such entry.
  std::unique_ptr<TRangeStream> OpenRange(const std::string& name);
  // Appends the name of every entry in folder (folder part equal ignoring case) that the list lacks.
  void ListFolder(const std::string& folder, std::vector<std::string>& list) const;
  // Writes the collection as an archive of version 102 at the target's position (offsets relative to that
  // position); false when the progress callback cancelled.
  bool SaveArchive(TBigStream& target);

  const std::string& BaseFolder() const { return base_folder_; }
  TBigStream* ArchiveStream() const { return archive_.get(); }
  const std::string& FileName() const { return file_name_; }
  // The version of the index read (0 .. 102), or -1 when no archive was read.
  int32_t Version() const { return version_; }

  TVrProgressEvent OnProgress;
  // Where a failure while packing is shown; may be null.
  IMessageBoxes* MessageBoxes = nullptr;

 private:
  void clear();
  void read_index(TBigStream& index, int64_t data_size);
  [[noreturn]] void damaged(const std::string& what) const;
  void copy_stored(TStream& target, const TVrFile& entry);
  void pack_entry(TBigStream& target, TVrFile& entry, bool& stored, int32_t& time, uint32_t& crc);

  std::string base_folder_;
  std::unique_ptr<TBigStream> archive_;
  std::string file_name_;
  int64_t segment_size_ = TBigFileStream::kDefaultSegmentSize;
  int32_t version_ = -1;
};

// Whether a file carries an archive for the player: its last two bytes are "vk" (an executable with an appended
// archive, or an archive file given on the command line).
bool HasAppendedArchive(const std::string& path);
// Whether a module holds the resource "DUMMY" of type "BINTYPE" and it ends with "vf".
bool HasResourceArchive(IResources* resources, const std::string& module_file);

// The packed date-time of a file's modification time (local time), 0 when it cannot be read.
int32_t FilePackedTime(const std::string& path);

}  // namespace velk

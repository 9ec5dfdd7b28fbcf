#include "script/game_saves.h"

#include <sys/stat.h>

#include <cstdio>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/db_table.h"
#include "expr/param_collection.h"
#include "gfx/image_cache.h"
#include "scene/base_list.h"
#include "script/call_man.h"
#include "script/project.h"
#include "vfs/archive.h"
#include "vfs/file_manager.h"
#include "vfs/stored_read.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

const char kGameEntry[] = "GAMESAVEDATA";
const char kStatusEntry[] = "STATUSSAVEDATA";

bool starts_with_ci(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && LowerCase(s.substr(0, prefix.size())) == LowerCase(prefix);
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folder_exists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  struct stat st;
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The slot of a game save entry's name ("GAMESAVEDATA" and decimal digits, at most nine), or -1.
int32_t slot_of(const std::string& name) {
  const size_t prefix = sizeof(kGameEntry) - 1;
  if (name.size() <= prefix || name.size() > prefix + 9 || !starts_with_ci(name, kGameEntry)) return -1;
  int32_t slot = 0;
  for (size_t i = prefix; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    slot = slot * 10 + (name[i] - '0');
  }
  return slot;
}

// The empty forms of the blocks whose owners are missing.
void write_empty_history(TStream& s) { WriteInt(s, 0); }

void read_empty_history(TStream& s, int32_t version) {
  if (version < 135 || ReadIntExact(s) != 0) {
    throw EFormatError(Utf8ToCp932("データが壊れています (履歴)"));
  }
}

void write_empty_read_list(TStream& s) {
  WriteInt(s, 0);
  WriteString(s, {});
  WriteInt(s, 0);
  WriteInt(s, 0);
  WriteString(s, {});
}

// The read list's form, read and dropped: int32 count; per item a string id, int32 n, n numbers, n page indexes;
// then the pending id, number, page and window name.
void skip_read_list(TStream& s, int32_t version) {
  if (version < 100) return;
  const int32_t count = ReadCount(s, 8);
  for (int32_t i = 0; i < count; ++i) {
    ReadStringExact(s);
    const int32_t n = ReadCount(s, 8);
    s.Seek(n * 8, soCurrent);
  }
  ReadStringExact(s);
  ReadIntExact(s);
  ReadIntExact(s);
  ReadStringExact(s);
}

}  // namespace

std::string GameSaveEntryName(int32_t slot) { return kGameEntry + std::to_string(slot); }

const std::string& TGameSaves::SavePath() {
  if (!path_known_) {
    path_ = FindSavePath(place_);
    path_known_ = true;
  }
  return path_;
}

void TGameSaves::show(const std::string& text) {
  if (parts_.MessageBoxes != nullptr) parts_.MessageBoxes->Show(text, Utf8ToCp932("警告"), MB_OK | MB_ICONWARNING);
}

bool TGameSaves::open(TVrFileCollection& file) {
  const std::string& path = SavePath();
  if (!file_exists(path)) return false;
  file.Open(path, true);
  return true;
}

void TGameSaves::write_file(TVrFileCollection& file) {
  TBigMemoryStream bytes;
  file.SaveArchive(bytes);
  WriteFileSafely(SavePath(), bytes.Memory().Bytes(), WriteProbe);
}

bool TGameSaves::has_game_parts() const {
  return parts_.Scene != nullptr && parts_.Vars != nullptr && parts_.Calls != nullptr && parts_.Tables != nullptr;
}

// ---- game save records

void TGameSaves::WriteRecord(TStream& s, const std::string& title, const std::string& resume_page,
                             int32_t resume_index) {
  WriteInt(s, kVersion);
  WriteString(s, title);
  WriteString(s, resume_page);
  WriteInt(s, resume_index);
  parts_.Scene->SaveToStream(s);
  if (parts_.History.Save) {
    parts_.History.Save(s);
  } else {
    write_empty_history(s);
  }
  parts_.Calls->SaveToStream(s);
  parts_.Vars->SaveGameVars(s);
  parts_.Tables->SaveTables(s, 0);
}

void TGameSaves::read_record_unsafe(TStream& s) {
  const int32_t version = ReadIntExact(s);
  if (version < kOldestVersion || version > kVersion) {
    throw EFormatError(Utf8ToCp932("データが壊れています (バージョン)"));
  }
  ReadStringExact(s);  // the title
  const std::string resume_page = ReadStringExact(s);
  const int32_t resume_index = ReadIntExact(s);
  parts_.Scene->LoadFromStream(s, version);
  if (parts_.History.Load) {
    parts_.History.Load(s, version);
  } else {
    read_empty_history(s, version);
  }
  parts_.Calls->LoadFromStream(s, version);
  if (!resume_page.empty()) parts_.Calls->ResumeFirst(resume_page, resume_index);
  load_vars_and_tables(s, version);
  for (const auto& after : parts_.AfterLoad) after();
}

// Records of versions 113 to 134 hold either three history settings in the variable block or six: the form is the
// one after which the rest of the record reads (the tables from 123 on, else nothing more).
void TGameSaves::load_vars_and_tables(TStream& s, int32_t version) {
  const auto rest = [&] {
    if (version > 122) {
      parts_.Tables->LoadTables(s, 0);
    } else if (version > 112 && version < 135 && s.Remaining() != 0) {
      throw EFormatError(Utf8ToCp932("データが壊れています (変数)"));
    }
  };
  if (version < 113 || version > 134) {
    parts_.Vars->LoadGameVars(s, version);
    rest();
    return;
  }
  const int32_t at = s.GetPosition();
  try {
    parts_.Vars->LoadGameVars(s, version, 3);
    rest();
  } catch (const EVelkError&) {
    s.SetPosition(at);
    parts_.Vars->LoadGameVars(s, version, 6);
    rest();
  }
}

void TGameSaves::ReadRecord(TStream& s) {
  if (!has_game_parts()) throw EVelkError(Utf8ToCp932("このセーブデータは使用できません"));
  // The running game, kept to go back to when the record fails half-way.
  TMemoryStream before;
  WriteRecord(before, {}, {}, 0);
  try {
    read_record_unsafe(s);
  } catch (...) {
    before.SetPosition(0);
    read_record_unsafe(before);
    throw;
  }
}

// ---- status records

void TGameSaves::WriteStatusRecord(TStream& s) {
  char head[16];
  std::snprintf(head, sizeof head, "Status%.3d", kStatusVersion);
  s.WriteBuffer(head, 9);
  parts_.Vars->SaveStatusVars(s);
  if (parts_.ReadList.Save) {
    parts_.ReadList.Save(s);
  } else {
    write_empty_read_list(s);
  }
  (parts_.Images != nullptr ? TBrixCacheState::Of(*parts_.Images) : cache_state_).SaveToStream(s);
  parts_.Tables->SaveTables(s, 1);
}

void TGameSaves::ReadStatusRecord(TStream& s) {
  char head[9] = {};
  int32_t version = 0;
  if (s.Read(head, 9) == 9 && std::string(head, 6) == "Status" && head[6] >= '0' && head[6] <= '9' &&
      head[7] >= '0' && head[7] <= '9' && head[8] >= '0' && head[8] <= '9') {
    version = (head[6] - '0') * 100 + (head[7] - '0') * 10 + (head[8] - '0');
  } else {
    s.SetPosition(0);
  }
  parts_.Vars->LoadStatusVars(s, version);
  if (parts_.ReadList.Load) {
    parts_.ReadList.Load(s, version);
  } else {
    skip_read_list(s, version);
  }
  TBrixCacheState cache = cache_state_;
  cache.LoadFromStream(s);
  cache_state_ = cache;
  if (parts_.Images != nullptr) cache_state_.ApplyTo(*parts_.Images);
  if (version >= 103) parts_.Tables->LoadTables(s, 1);
}

// ---- IGameSaves

void TGameSaves::RestoreStatus(TProject&) {
  status_restored_ = true;
  TVrFileCollection file;
  try {
    if (!open(file)) return;
  } catch (const EFormatError&) {
    // A damaged file is left for the player: saves refuse to replace it.
    return;
  }
  if (file.FindEntry(kStatusEntry) != nullptr && parts_.Vars != nullptr && parts_.Tables != nullptr) {
    try {
      TMemoryStream status;
      file.ReadEntry(status, kStatusEntry);
      // Read whole into scratch owners first: a damaged record changes nothing.
      TParamCollection vars;
      TDBManager tables;
      TGameSaves check(place_);
      check.parts_.Vars = &vars;
      check.parts_.Tables = &tables;
      check.ReadStatusRecord(status);
      status.SetPosition(0);
      ReadStatusRecord(status);
    } catch (const EVelkError&) {
      // The status data of earlier runs is lost; the game starts without it.
    }
  }
  if (parts_.Files == nullptr || parts_.Files->Count() == 0) return;
  TVrFileCollection& memory = parts_.Files->Collection(0);
  for (int32_t i = 0; i < file.Count(); ++i) {
    const std::string name = file.Entry(i)->Name();
    if (!starts_with_ci(name, "save:")) continue;
    memory.DeleteEntry(name);
    TSaveMemoryStream& entry = memory.AddMemoryEntry(name);
    try {
      file.ReadEntry(entry, name);
    } catch (const EVelkError&) {
      memory.DeleteEntry(name);
    }
  }
}

std::vector<TSaveTitle> TGameSaves::ReadSaveTitles(TProject&) {
  std::vector<TSaveTitle> titles;
  TVrFileCollection file;
  try {
    if (!open(file)) return titles;
  } catch (const EFormatError&) {
    return titles;
  }
  for (int32_t i = 0; i < file.Count(); ++i) {
    const std::string name = file.Entry(i)->Name();
    const int32_t slot = slot_of(name);
    if (slot < 0) continue;
    try {
      TMemoryStream record;
      file.ReadEntry(record, name);
      ReadIntExact(record);
      titles.push_back({slot, ReadStringExact(record)});
    } catch (const EVelkError&) {
      // A damaged record has no title; loading it reports the damage.
    }
  }
  return titles;
}

bool TGameSaves::status_writable(const TProject& project) {
  // A project that stopped before its status data was read must not replace that data with its own.
  return status_restored_ && parts_.Vars != nullptr && parts_.Tables != nullptr && project.SaveEnabled &&
         folder_exists(SavePath());
}

void TGameSaves::put_status(TVrFileCollection& file) {
  file.DeleteEntry(kStatusEntry);
  WriteStatusRecord(file.AddMemoryEntry(kStatusEntry));
}

void TGameSaves::WriteStatus(TProject& project) {
  if (!status_writable(project)) return;
  try {
    TVrFileCollection file;
    open(file);
    put_status(file);
    write_file(file);
  } catch (const EVelkError&) {
    // Status data that cannot be written is given up (an unreadable save file among it: it stays as it is).
  }
}

bool TGameSaves::StoreFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  try {
    TVrFileCollection file;
    open(file);
    file.DeleteEntry(name);
    TSaveMemoryStream& entry = file.AddMemoryEntry(name);
    if (!bytes.empty()) entry.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    write_file(file);
    return true;
  } catch (const EVelkError&) {
    return false;
  }
}

void TGameSaves::SaveSlot(TProject& project, int32_t slot) {
  const std::string title = project.PendingTitle;
  if (title.empty() || !has_game_parts()) return;
  const std::string name = GameSaveEntryName(slot);
  try {
    TVrFileCollection file;
    open(file);
    file.DeleteEntry(name);
    WriteRecord(file.AddMemoryEntry(name), title, project.PendingResumePage, project.PendingResumeIndex);
    // The status data goes into the same write as the record: one replacement of the file instead of two, and
    // never a file with the new record beside the old status.
    if (status_writable(project)) put_status(file);
    write_file(file);
  } catch (const EVelkError& e) {
    // Nothing was replaced: a save file that cannot be read stays for the player to keep.
    show(e.FileName().empty() ? e.Message() : Utf8ToCp932(e.FileName()) + "\r\n" + e.Message());
    return;
  }
  project.SetSaveTitle(slot, title);
}

void TGameSaves::LoadSlot(TProject&, int32_t slot) {
  const std::string name = GameSaveEntryName(slot);
  TMemoryStream record;
  try {
    TVrFileCollection file;
    if (!open(file) || file.FindEntry(name) == nullptr) return;
    file.ReadEntry(record, name);
    ReadRecord(record);
  } catch (const std::exception&) {
    // The game is as it was before the load; the player is asked to end it.
    if (parts_.Process != nullptr) parts_.Process->QuitFlag = true;
    show(Utf8ToCp932("このセーブデータは使用できません\r\n終了してください"));
    if (parts_.CloseWindow) parts_.CloseWindow();
  }
}

}  // namespace velk

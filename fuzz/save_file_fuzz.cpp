// Feeds arbitrary bytes to the save file's readers. The first byte chooses what the rest is: a whole save.dat (read
// for its titles, its status data, its "save:" files and every game save in it), one game save record, or one status
// record. Whatever loads is written again, and that must load. Format errors are expected; crashes, sanitizer
// reports, oversized allocations and records the player cannot read back are not.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/process_values.h"
#include "expr/db_table.h"
#include "expr/param_collection.h"
#include "scene/base_list.h"
#include "script/call_host.h"
#include "script/call_man.h"
#include "script/game_saves.h"
#include "script/project.h"
#include "vfs/file_manager.h"
#include "vfs/stream.h"

namespace {

using namespace velk;

// No pages exist: records that name one fail to load.
class TNoPages : public ICallHost {
 public:
  void ReadPageFile(TStream&, const std::string& name) override { throw EVelkError("no page", name); }
  void PageTooOld(const std::string&) override {}
  bool PageExists(const std::string&) override { return false; }
  void CloseMainWindow() override {}
  void ResetGameData() override {}
  bool Tracing() const override { return false; }
  void Trace(const std::string&) override {}
};

struct TGame {
  TProcessValues process;
  TParamCollection vars;
  TNoPages host;
  TVelkBaseList scene;
  TCallMan calls;
  TDBManager tables;
  TVrFileManager files{TPlatform{}, {}};
  TProject project;
  TGameSaves saves;

  static TCallManServices call_services(TGame& g) {
    TCallManServices s;
    s.Vars = &g.vars;
    s.Process = &g.process;
    s.Host = &g.host;
    return s;
  }
  static TProjectServices project_services(TGame& g) {
    TProjectServices s;
    s.Files = &g.files;
    s.Vars = &g.vars;
    s.Process = &g.process;
    return s;
  }
  static TSavePlace place(const std::string& folder) {
    TSavePlace p;
    p.SaveDir = folder;
    return p;
  }

  explicit TGame(const std::string& folder)
      : calls(call_services(*this)), project(project_services(*this)), saves(place(folder)) {
    files.Mount("");
    scene.SetSize(32, 24);
    TSaveParts& p = saves.Parts();
    p.Scene = &scene;
    p.Vars = &vars;
    p.Calls = &calls;
    p.Tables = &tables;
    p.Files = &files;
    p.Process = &process;
  }
};

// The folder of the save file, gone when the run ends (kept in a plain buffer, which outlives every destructor).
char g_folder[64];

const std::string folder() {
  if (g_folder[0] == 0) {
    std::snprintf(g_folder, sizeof g_folder, "/tmp/velk_save_fuzz_%d", static_cast<int>(::getpid()));
    ::mkdir(g_folder, 0700);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(g_folder, ec);
    });
  }
  return g_folder;
}

void write_file(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// What loaded is written again; the player must read its own record.
void check_round_trip(TGame& game, bool status) {
  TMemoryStream written;
  if (status) {
    game.saves.WriteStatusRecord(written);
  } else {
    game.saves.WriteRecord(written, "t", {}, 0);
  }
  written.SetPosition(0);
  TGame again(folder());
  if (status) {
    again.saves.ReadStatusRecord(written);
  } else {
    again.saves.ReadRecord(written);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 3;
  ++data;
  --size;
  TGame game(folder());
  if (mode == 0) {
    write_file(folder() + "/save.dat", data, size);
    game.saves.RestoreStatus(game.project);
    for (const TSaveTitle& t : game.saves.ReadSaveTitles(game.project)) {
      game.saves.LoadSlot(game.project, t.Slot);
      game.process.QuitFlag = false;
    }
    return 0;
  }
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  try {
    if (mode == 1) {
      game.saves.ReadRecord(input);
    } else {
      game.saves.ReadStatusRecord(input);
    }
  } catch (const EVelkError&) {
    return 0;
  }
  check_round_trip(game, mode == 2);
  return 0;
}

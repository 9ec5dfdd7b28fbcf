#include "script/project.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/param_collection.h"
#include "vfs/disk_name.h"
#include "vfs/file_manager.h"
#include "vfs/install_set.h"
#include "vfs/stream_io.h"

namespace velk {

namespace {

std::string cp(const char* utf8) { return Utf8ToCp932(utf8); }

}  // namespace

TProject::TProject(const TProjectServices& services)
    : Title(cp("情報")), DiscPrompt(cp("ディスク%dを入れてから[OK]をクリックしてください")), QuitText(cp("終了します")),
      services_(services) {}

int32_t TProject::show(const std::string& text, const std::string& caption, uint32_t style) {
  IMessageBoxes* boxes = services_.Platform.MessageBoxes;
  return boxes != nullptr ? boxes->Show(text, caption, style) : IDCANCEL;
}

void TProject::Create() {
  TVrFileManager& files = *services_.Files;
  TProcessValues& process = *services_.Process;
  process.QuitFlag = true;
  if (services_.LocateGameData && !locate_game_data()) return;

  TMemoryStream kpb;
  try {
    files.ReadFile(kpb, "velk.kpb");
  } catch (const EVelkError&) {
    return;
  }
  if (kpb.GetSize() == 0) {
    show(cp("プロジェクトがありません"), cp("警告"), MB_OK | MB_ICONWARNING);
    return;
  }
  TProjectSetting setting;
  try {
    setting.LoadFromStream(kpb);
  } catch (const EVelkError& e) {
    // The message box that reports it names the file.
    if (!e.FileName().empty()) throw;
    throw EVelkError(e.Message(), "velk.kpb");
  }

  Title = setting.Title;
  ScreenWidth = setting.ScreenWidth;
  ScreenHeight = setting.ScreenHeight;
  FullScreenWidth = setting.FullScreenWidth;
  FullScreenHeight = setting.FullScreenHeight;
  StartPage = setting.StartPage;
  ExitPage = setting.ExitPage;
  RegistryKey = setting.RegistryKey;
  IdCode = setting.IdCode;
  SaveEnabled = setting.SaveEnabled;
  IdleFlag = setting.IdleFlag != 0;
  MediaExtensions = setting.MediaExtensions;
  PauseWhenInactive = setting.PauseWhenInactive;
  ReservedFlag = setting.ReservedFlag != 0;
  if (services_.Window != nullptr) {
    services_.Window->SetTitle(Title);
    services_.Window->SetTransitionCentre(ScreenWidth / 2, ScreenHeight / 2);
  }
  DiscPrompt = setting.DiscPrompt;
  QuitText = setting.QuitText;
  DiscMap = setting.DiscMap;
  files.DiscTexts.ApplicationTitle = Title;
  files.DiscTexts.ProjectTitle = Title;
  files.DiscTexts.DiscPrompt = DiscPrompt;
  files.DiscTexts.QuitText = QuitText;

  if (services_.Saves != nullptr) services_.Saves->RestoreStatus(*this);
  create_variables(setting);
  process.QuitFlag = false;
  if (services_.Saves != nullptr) SaveTitles = services_.Saves->ReadSaveTitles(*this);

  // A patch archive carries the project of the game it belongs to; that game's disc map applies.
  if (files.Exists("/original_velk.kpb")) {
    TMemoryStream original;
    files.ReadFile(original, "/original_velk.kpb");
    TProjectSetting patched;
    patched.LoadFromStream(original);
    DiscMap = patched.DiscMap;
  }

  if (services_.Window != nullptr) CallManager = services_.Window->CreateCallManager(*this);
  if (files.Exists(StartPage)) {
    if (CallManager) CallManager->Start(StartPage);
  } else {
    show(cp("スタートページがありません"), cp("警告"), MB_OK | MB_ICONWARNING);
    process.QuitFlag = true;
  }
}

void TProject::create_variables(const TProjectSetting& setting) {
  TParamCollection& vars = *services_.Vars;
  for (const TProjectVar& def : setting.Variables) {
    if (vars.FindVariable(def.Name) != nullptr) continue;  // restored status keeps its value
    TParamCollectionItem* item = vars.AddVariable(def.Type);
    try {
      item->SetVarName(def.Name);
    } catch (const EVelkError&) {
      // A name the store refuses cannot be looked up by any script: the definition is dropped.
      vars.FreeItem(item);
      continue;
    }
    item->Status = true;
    TCustomParam* value = item->Value();
    switch (def.Type) {
      case 1: value->SetInt(def.IntValue); break;
      case 2: value->SetFloat(def.FloatValue); break;
      case 3: value->SetBool(def.BoolValue); break;
      case 4: value->SetStr(def.StrValue); break;
      default: break;
    }
  }
}

bool TProject::locate_game_data() {
  TVrFileManager& files = *services_.Files;
  const std::string& exe_folder = services_.ExecutableFolder;
  // Games copied from a disc often spell their files in capitals (GAME.DAT): disk names ignore letter case.
  if (!FindDiskFile(exe_folder, "install.dat").empty() && files.BaseFolder().empty()) files.SetBaseFolder(exe_folder);
  if (!files.Exists("install.dat")) {
    show(cp("インストールし直してください"), cp("情報"), MB_OK | MB_ICONINFORMATION);
    return false;
  }
  TMemoryStream bytes;
  files.ReadFile(bytes, "install.dat");
  TVelkInstallSet install;
  try {
    install.LoadFromStream(bytes);
  } catch (const EVelkError& e) {
    if (!e.FileName().empty()) throw;
    throw EVelkError(e.Message(), "install.dat");
  }
  const std::string game_dat = FindDiskFile(exe_folder, "game.dat");
  if (!game_dat.empty()) {
    files.Mount(game_dat);
    if (install.FullInstall) return true;
  } else if (install.FullInstall) {
    for (int32_t i = 0; i < files.Count(); ++i) {
      if (files.Collection(i).ArchiveStream() != nullptr) return true;
    }
  }
  for (;;) {
    if (search_discs(install.Title)) return true;
    if (show(cp("ディスクを入れてください"), cp("情報"), MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) continue;
    if (show(QuitText, Title, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) return false;
  }
}

bool TProject::search_discs(const std::string& title) {
  TVrFileManager& files = *services_.Files;
  for (const std::string& root : files.CdRoots()) {
    const std::string game_dat = FindDiskFile(root, "game.dat");
    const std::string install_dat = FindDiskFile(root, "install.dat");
    if (game_dat.empty() || install_dat.empty()) continue;
    TVelkInstallSet disc;
    try {
      disc.LoadFromFile(install_dat);
    } catch (const EVelkError&) {
      continue;
    }
    if (disc.Title != title) continue;
    files.Mount(game_dat);
    return true;
  }
  return false;
}

TProject::~TProject() {
  TProcessValues& process = *services_.Process;
  if (!ExitPage.empty() && CallManager) {
    try {
      CallManager->Start(ExitPage);
      process.QuitFlag = false;
      CallManager->RunFrame();
    } catch (...) {
      // The exit page cannot stop the shutdown.
    }
    process.QuitFlag = true;
  }
  if (services_.Saves != nullptr) {
    try {
      services_.Saves->WriteStatus(*this);
    } catch (...) {
      // Nothing can be shown any more; the status data of this run is lost.
    }
  }
  CallManager.reset();
}

void TProject::RunFrame() {
  if (CallManager) CallManager->RunFrame();
}

bool TProject::ApplyPending() {
  bool loaded = false;
  if (PendingLoadSlot >= 0) {
    const int32_t slot = PendingLoadSlot;
    if (services_.Saves != nullptr) services_.Saves->LoadSlot(*this, slot);
    PendingLoadSlot = -1;
    loaded = true;
  }
  if (PendingSaveSlot >= 0) {
    const int32_t slot = PendingSaveSlot;
    if (services_.Saves != nullptr) services_.Saves->SaveSlot(*this, slot);
    PendingSaveSlot = -1;
  }
  return loaded;
}

bool TProject::PageExists(const std::string& name) {
  if (name.empty()) return false;
  TVrFileManager& files = *services_.Files;
  if (files.Exists(name)) return true;
  const int32_t disc = DiscMap.DiscOf(name);
  if (disc == 0) return false;
  // Streamed media are never asked for: a missing one is just missing.
  const std::string ext = LowerCase(ExtractFileExt(name)) + ".";
  if (ext.size() > 1 && (LowerCase(MediaExtensions) + ".").find(ext) != std::string::npos) return false;
  return files.RequestDisc(disc);
}

void TProject::ReadPageFile(TStream& target, const std::string& name) { services_.Files->ReadFile(target, name); }

void TProject::PageTooOld(const std::string& name) {
  services_.Process->QuitFlag = true;
  show(name + "\r\n" + cp("リビルドしてください"), cp("警告"), MB_OK | MB_ICONWARNING);
  if (services_.Window != nullptr) services_.Window->Close();
}

std::string TProject::SaveTitle(int32_t slot) const {
  for (const auto& t : SaveTitles) {
    if (t.Slot == slot) return t.Title;
  }
  return {};
}

void TProject::SetSaveTitle(int32_t slot, const std::string& title) {
  for (auto& t : SaveTitles) {
    if (t.Slot == slot) {
      t.Title = title;
      return;
    }
  }
  SaveTitles.push_back({slot, title});
}

}  // namespace velk

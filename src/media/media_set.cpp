#include "media/media_set.h"

#include "base/paths.h"
#include "vfs/file_manager.h"

namespace velk {

TMediaSet::TMediaSet(const TMediaSetup& setup) : lib_(*setup.Lib) {
  auto trace = [&](const char* name) {
    if (setup.Trace) setup.Trace(name);
  };
  TVelkInitParams init = setup.Init;
  init.UseWmp = setup.UseWmp ? -1 : 0;
  trace("MediaInit:7");
  lib_.velkInit(init);
  lib_.velkOggmanSetUseThread(0);
  trace("MediaInit:8");
  trace("MediaInit:9");
  if (setup.Window != nullptr && setup.ScreenWidth > 0 && setup.ScreenHeight > 0) {
    screen_ = std::make_unique<TScreenManager>(*setup.Window, setup.ScreenWidth, setup.ScreenHeight,
                                               setup.PreferredWidth, setup.PreferredHeight, setup.DesktopBits);
  }
  trace("MediaInit:10");
  TVrFileManager& files = *setup.Files;
  video_ = std::make_unique<TVideoManager>(lib_, files, setup.UseWmp);
  trace("MediaInit:11");
  wmp_ = std::make_unique<TWmpManager>(lib_, files);
  trace("MediaInit:12");
  ogg_ = std::make_unique<TOggManager>(lib_, files, setup.DirectSound ? nullptr : setup.WaveOutput);
  trace("MediaInit:13");
  cdda_ = std::make_unique<TCddaManager>(setup.Cd != nullptr ? *setup.Cd : no_cd_);
  trace("MediaInit:14");
  auto read_song = [&files](const std::string& name) {
    TMemoryStream bytes;
    try {
      if (IsDiskName(name)) {
        bytes.LoadFromFile(name);
      } else {
        files.ReadFile(bytes, name);
      }
    } catch (const std::exception&) {
      return std::vector<uint8_t>{};
    }
    return bytes.Bytes();
  };
  auto make_player = setup.MakeMidiPlayer;
  if (!make_player) make_player = [] { return std::make_unique<TNoMidiPlayer>(); };
  trace("MediaInit:15");
  midi_ = std::make_unique<TMidiManager>(read_song, make_player, setup.MidiDevices);
  trace("MediaInit:16");
}

TMediaSet::~TMediaSet() {
  // Items go before the library is finalised (by the caller, after this).
  midi_.reset();
  cdda_.reset();
  ogg_.reset();
  wmp_.reset();
  video_.reset();
  screen_.reset();
}

TMediaManager* TMediaSet::ManagerFor(const std::string& file_name) {
  switch (SoundKindOf(file_name)) {
    case TSoundKind::Midi: return midi_.get();
    case TSoundKind::Wmp: return wmp_.get();
    case TSoundKind::Ogg: return ogg_.get();
    case TSoundKind::Cdda: return cdda_.get();
    case TSoundKind::None: break;
  }
  return nullptr;
}

void TMediaSet::Suspend() {
  video_->Suspend();
  wmp_->Suspend();
  ogg_->Suspend();
  cdda_->Suspend();
  midi_->Suspend();
}

void TMediaSet::Resume() {
  video_->Resume();
  wmp_->Resume();
  ogg_->Resume();
  cdda_->Resume();
  midi_->Resume();
}

void TMediaSet::SetSoundEnabled(bool enabled) {
  wmp_->SetEnabled(enabled);
  ogg_->SetEnabled(enabled);
  cdda_->SetEnabled(enabled);
  midi_->SetEnabled(enabled);
}

void TMediaSet::RestoreSound() {
  wmp_->Restore();
  ogg_->Restore();
}

namespace {
template <class T>
bool FreeOne(std::unique_ptr<T>& manager) {
  if (manager == nullptr) return false;
  manager.reset();
  return true;
}
}  // namespace

bool TMediaSet::FreePart(const std::string& name) {
  if (name == "ScreenMan.Free") return FreeOne(screen_);
  if (name == "VideoMan.Free") return FreeOne(video_);
  if (name == "WmpMan.Free") return FreeOne(wmp_);
  if (name == "OggMan.Free") return FreeOne(ogg_);
  if (name == "CddaMan.Free") return FreeOne(cdda_);
  if (name == "MidiMan.Free") return FreeOne(midi_);
  return false;
}

}  // namespace velk

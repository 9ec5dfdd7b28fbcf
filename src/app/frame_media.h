#pragma once
// The media managers as the main window drives them: suspension on deactivation, video around display switches,
// the per-frame video update, the MIDI port around mode changes and the restored sound device.
#include "app/frame_services.h"
#include "media/media_set.h"

namespace velk {

class TFrameMediaSet : public IFrameMedia {
 public:
  explicit TFrameMediaSet(TMediaSet& media) : media_(media) {}
  void Suspend() override { media_.Suspend(); }
  void Resume() override { media_.Resume(); }
  void SuspendVideo() override { media_.Video().SuspendAll(); }
  void ResumeVideo() override { media_.Video().ResumeAll(); }
  bool HasVideo() const override { return true; }
  void UpdateVideo() override { media_.Video().Update(); }
  void CloseMidi() override { media_.Midi().ClosePort(); }
  void ReopenMidi() override { media_.Midi().ReopenPort(); }
  void RestoreSound() override { media_.RestoreSound(); }

 private:
  TMediaSet& media_;
};

}  // namespace velk

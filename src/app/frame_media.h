#pragma once
// The media managers as the main window drives them: suspension on deactivation, video around display switches,
// the per-frame video update, the MIDI port around mode changes and the restored sound device.
#include <functional>
#include <memory>

#include "app/frame_services.h"
#include "media/media_set.h"

namespace velk {

class TFrameMediaSet : public IFrameMedia {
 public:
  // Owns the set; after_free runs once it is gone (before the media library is finalised).
  TFrameMediaSet(std::unique_ptr<TMediaSet> media, std::function<void()> after_free)
      : media_(std::move(media)), after_free_(std::move(after_free)) {}
  ~TFrameMediaSet() override {
    media_.reset();
    if (after_free_) after_free_();
  }
  void Suspend() override { media_->Suspend(); }
  void Resume() override { media_->Resume(); }
  void SuspendVideo() override { media_->Video().SuspendAll(); }
  void ResumeVideo() override { media_->Video().ResumeAll(); }
  bool HasVideo() const override { return true; }
  void UpdateVideo() override { media_->Video().Update(); }
  void CloseMidi() override { media_->Midi().ClosePort(); }
  void ReopenMidi() override { media_->Midi().ReopenPort(); }
  void RestoreSound() override { media_->RestoreSound(); }

 private:
  std::unique_ptr<TMediaSet> media_;
  std::function<void()> after_free_;
};

}  // namespace velk

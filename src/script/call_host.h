#pragma once
// What the interpreter needs from the running player besides the variables and the scene: the page files (read
// through the project), whether a page exists, the main window's close request, the reset of the data tables and
// the message history, and the optional trace log.
#include <functional>
#include <string>

#include "script/page.h"

namespace velk {

class TProject;

class ICallHost : public IPageHost {
 public:
  // Whether a page file exists; in multi-disc games the disc holding it may be requested first.
  virtual bool PageExists(const std::string& name) = 0;
  // Posts the close request to the main window.
  virtual void CloseMainWindow() = 0;
  // Resets the data tables and the message history (the reset command).
  virtual void ResetGameData() = 0;
  // True while the log library is loaded; the interpreter then writes its trace lines.
  virtual bool Tracing() const = 0;
  virtual void Trace(const std::string& line) = 0;
  // The save and load commands: the project saves or loads at the end of the frame.
  // (slot, resume page, title, resume index)
  virtual void RequestSave(int32_t, const std::string&, const std::string&, int32_t) {}
  virtual void RequestLoad(int32_t) {}
};

// The host of a running project: pages and their existence come from the project, the rest from the main window
// through these hooks (each may be empty).
class TProjectCallHost : public ICallHost {
 public:
  explicit TProjectCallHost(TProject& project) : project_(project) {}

  void ReadPageFile(TStream& target, const std::string& name) override;
  void PageTooOld(const std::string& name) override;
  bool PageExists(const std::string& name) override;
  void CloseMainWindow() override {
    if (OnClose) OnClose();
  }
  void ResetGameData() override {
    if (OnResetData) OnResetData();
  }
  bool Tracing() const override { return static_cast<bool>(OnTrace); }
  void Trace(const std::string& line) override {
    if (OnTrace) OnTrace(line);
  }

  void RequestSave(int32_t slot, const std::string& resume_page, const std::string& title,
                   int32_t resume_index) override;
  void RequestLoad(int32_t slot) override;

  std::function<void()> OnClose;
  std::function<void()> OnResetData;
  // Set only while the log library is loaded.
  std::function<void(const std::string&)> OnTrace;

 private:
  TProject& project_;
};

}  // namespace velk

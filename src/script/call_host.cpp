#include "script/call_host.h"

#include "script/project.h"

namespace velk {

void TProjectCallHost::ReadPageFile(TStream& target, const std::string& name) { project_.ReadPageFile(target, name); }

void TProjectCallHost::PageTooOld(const std::string& name) { project_.PageTooOld(name); }

bool TProjectCallHost::PageExists(const std::string& name) { return project_.PageExists(name); }

void TProjectCallHost::RequestSave(int32_t slot, const std::string& resume_page, const std::string& title,
                                   int32_t resume_index) {
  project_.PendingSaveSlot = slot;
  project_.PendingResumePage = resume_page;
  project_.PendingTitle = title;
  project_.PendingResumeIndex = resume_index;
}

void TProjectCallHost::RequestLoad(int32_t slot) { project_.PendingLoadSlot = slot; }

}  // namespace velk

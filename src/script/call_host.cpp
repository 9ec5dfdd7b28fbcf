#include "script/call_host.h"

#include "script/project.h"

namespace velk {

void TProjectCallHost::ReadPageFile(TStream& target, const std::string& name) { project_.ReadPageFile(target, name); }

void TProjectCallHost::PageTooOld(const std::string& name) { project_.PageTooOld(name); }

bool TProjectCallHost::PageExists(const std::string& name) { return project_.PageExists(name); }

}  // namespace velk
